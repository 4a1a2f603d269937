"""score_subsets over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.score_subsets)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _score_subsets_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Tuple


def score_subsets(a: ArrayLike, b: ArrayLike, subsets: ArrayLike) -> Tuple[Doubles, Doubles]:
    """Sum two per-item value rows over each subset.

    Row ``i`` of `subsets` lists the **1-based** ids of subset ``i``'s items
    from its first column on, up to the first 0 (or -0; entries after it are
    ignored) or the end of the row. ``sums_a[i]`` is the sum of
    ``a[0, id - 1]`` over those ids and ``sums_b[i]`` the same over `b`: only
    the first rows of `a` and `b` are read, a repeated id counts each time,
    and a row without ids gives 0. Each sum is accumulated left to right from
    +0, so results are reproducible bit for bit.

    Parameters
    ----------
    a : array_like, shape (R1, K1)
        First value row: ``a[0, k]`` is the value of item ``k + 1``. A 1-D
        array is one row.
    b : array_like, shape (R2, K2)
        Second value row, laid out like `a`.
    subsets : array_like, shape (M, N)
        1-based item ids, each row ended by 0. Ids are truncated toward zero
        (2.9 is item 2, every id between 0 and 1 is item 1) and must lie
        strictly between 0 and K+1, K = min(K1, K2) (no id is valid when `a`
        or `b` has no row).

    Returns
    -------
    sums_a, sums_b : ndarray of float64, shape (M,)
        8*M bytes each.

    @include raises
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        - ``idOutOfRange``: an id not strictly between 0 and K+1 (inf too)
        - ``idNotANumber``: an id is NaN
        @include integer_too_large
    @include type_errors

    See Also
    --------
    mexsets.score_subsets : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.score_subsets``: the same ids,
    shapes and bits as the Octave and MATLAB function score_subsets, for porting
    their code.

    Examples
    --------
    >>> from mexsets.octave import score_subsets
    >>> score_subsets([10, 20, 30], [1, 2, 3], [3, 1, 0, 2])  # the 2 after 0 is ignored
    (array([40.]), array([4.]))
    >>> a, b = score_subsets([10, 20, 30], [1, 2, 3], [[2, 2, 0], [0.5, 2.9, 0], [0, 1, 2]])
    >>> a
    array([40., 30.,  0.])
    """
    return _native.call(a, b, subsets)
