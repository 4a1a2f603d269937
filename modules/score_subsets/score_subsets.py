"""score_subsets in NumPy conventions (mexsets.score_subsets)."""
from __future__ import annotations

from typing import TYPE_CHECKING, Optional

import numpy as np

from . import _convert as _c
from . import _score_subsets_native as _native
from ._results import SubsetSums

if TYPE_CHECKING:
    from ._typing import ArrayLike, Sets


def score_subsets(a: ArrayLike, b: ArrayLike, sets: Sets, *,
                  threads: Optional[int] = None) -> SubsetSums:
    """Sum two per-item value vectors over each set.

    Set ``i`` lists **0-based** item ids; ``sums_a[i]`` is the sum of
    ``a[id]`` over them and ``sums_b[i]`` the same over `b`. A repeated id
    counts each time and an empty set gives 0. Each sum is accumulated left
    to right from +0, so results are reproducible bit for bit.

    Parameters
    ----------
    a : array_like, shape (K1,)
        Value of each item: ``a[k]`` is the value of item ``k``.
    b : array_like, shape (K2,)
        Second value of each item, laid out like `a`.
    sets : array_like, shape (M, N), or sequence of 1-D array_like
        0-based item ids, either a 2-D array whose rows end at their first
        negative entry (pad with -1), or a sequence of 1-D sets (ragged;
        ``[]`` is an empty set). Ids must be whole numbers below
        K = min(K1, K2), of any integer or float dtype. For one set, pass
        ``[ids]``.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    SubsetSums
        Named tuple ``(sums_a, sums_b)``, each ndarray of float64, shape
        (M,), 8*M bytes.

    @include native_raises
        @include id_not_whole
        - ``idOutOfRange``: an id of K or more (inf too)
        - ``idNotANumber``: an id is NaN
        @include integer_too_large
    @include native_type_errors

    See Also
    --------
    mexsets.octave.score_subsets : The Octave-faithful form (1-based ids
        ended by 0, value rows).
    set_features : Minimum, ratio, perimeter and box per set.

    Notes
    -----
    ``score_subsets(a, b, sets)`` equals, to the bit,
    ``mexsets.octave.score_subsets(a, b, ids + 1)`` with the sets padded
    by -1 and every negative entry raised to 0.

    Examples
    --------
    >>> from mexsets import score_subsets
    >>> score_subsets([10, 20, 30], [1, 2, 3], [[2, 0], [1, 1], []])
    SubsetSums(sums_a=array([40., 40.,  0.]), sums_b=array([4., 4., 0.]))
    >>> sums_a, sums_b = score_subsets([10, 20, 30], [1, 2, 3], [[2, -1, 1]])
    >>> sums_a                       # the 1 after the -1 is not read
    array([30.])
    """
    if type(sets) is not np.ndarray:
        sets = _c.set_matrix("score_subsets", "sets", sets)
    return SubsetSums(*_native.call_native(_PLAN, threads, a, b, sets))


# The extension checks the inputs and shifts the ids as it reads them.
_PLAN = _native.native_plan(
    (_c.array_in("a", 1), _c.array_in("b", 1), _c.sets_in("sets", 1, clamp=True)), ())
