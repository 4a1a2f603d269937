"""suppress_overlaps in NumPy conventions (mexsets.suppress_overlaps)."""
from __future__ import annotations

from typing import TYPE_CHECKING, Optional

import numpy as np

from . import _convert as _c
from . import _suppress_overlaps_native as _native
from ._results import Suppression

if TYPE_CHECKING:
    from ._typing import ArrayLike, Scalar, Sets


def suppress_overlaps(items: Sets, weights: ArrayLike, w: ArrayLike, threshold: Scalar = 1.0, *,
                      threads: Optional[int] = None) -> Suppression:
    """Drop the sets that overlap a kept set too much.

    Walks the sets of `items` from first to last and keeps a set unless its
    overlap ratio with some set kept before it is >= `threshold`. The ratio
    of a kept set P and the tested set Q is::

        S / (w(P) + w(Q) - S),   S = sum of w[a, b] over a in P, b in Q,

    w(L) being the sum of ``weights[a]`` over a in L. A NaN ratio never
    reaches the threshold; +inf reaches any threshold but NaN. With
    ``w = np.diag(weights)``, positive weights and no repeated ids, the
    default 1 drops exactly the repeats of a kept item set. Sums run in a
    fixed order, so results are reproducible bit for bit.

    Parameters
    ----------
    items : array_like, shape (M, N), or sequence of 1-D array_like
        Sets of **0-based** item ids: a 2-D array whose rows end at their
        first negative entry (pad with -1), or a sequence of 1-D sets
        (ragged). Ids are whole numbers (any integer or float dtype) and a
        repeated id counts each time. Every id before a set's end must be
        below ``weights.size`` and both dimensions of `w`; every entry after
        it must fit a 32-bit integer (it is kept in `accepted`).
    weights : array_like, shape (K,)
        Item weights: ``weights[a]`` is the weight of item a.
    w : array_like, shape (K1, K2), or (L,); or scipy.sparse
        Pairwise weights: ``w[a, b]`` weighs item a of the kept set (it
        selects the row) and item b of the tested set. Its diagonal is not
        used as item weights. A vector of L item weights means
        ``np.diag(w)``, with the bits ``np.diag(w)`` gives in 8*L bytes.
        @include sparse_weights w
    threshold : float, default 1.0
        A set is dropped as soon as a ratio is >= `threshold` (a number, or
        an array of one element).
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    Suppression
        Named tuple ``(accepted, kept)``: `accepted`, ndarray of intp, shape
        (K, N), the kept sets in their order as 0-based ids padded with -1
        (the rows of `items`, packed); `kept`, ndarray of intp, shape (K,),
        the 0-based numbers of the kept sets: ``accepted[k]`` is set
        ``kept[k]``.

    @include native_raises
        @include id_not_whole
        - ``idOutOfRange``: an id >= ``weights.size``, ``w.shape[0]`` or
          ``w.shape[1]`` (inf too)
        - ``idNotANumber``: an id is NaN
        - ``dimensionsNotCoherent``: `w` has more than two dimensions
        - ``badSparseStructure``: a sparse `w` whose column starts or row
          indices are out of range, or whose row indices do not strictly
          ascend in a column (unsorted or repeated entries)
        - ``entryNotInt32``: an entry after a set's end does not fit a
          32-bit integer
        @include integer_too_large
        - ``outOfMemory``: no memory left for the kept sets
    @include native_type_errors

    See Also
    --------
    mexsets.octave.suppress_overlaps : The Octave-faithful form (1-based
        float results).
    rank_diverse : Order sets by relevance against redundancy.

    Notes
    -----
    `accepted` and `kept` are those of ``mexsets.octave.suppress_overlaps``
    less 1, as intp.

    Examples
    --------
    Set 1 holds the items of set 0 again; set 3 shares one of its two items
    with set 0 and with set 2 (ratios 1/3 and 1/2):

    >>> import numpy as np
    >>> from mexsets import suppress_overlaps
    >>> items = [[0, 1], [1, 0], [2], [0, 2]]
    >>> accepted, kept = suppress_overlaps(items, [1, 1, 1], np.eye(3))
    >>> accepted
    array([[ 0,  1],
           [ 2, -1],
           [ 0,  2]])
    >>> kept
    array([0, 2, 3])
    >>> suppress_overlaps(items, [1, 1, 1], np.ones(3), threshold=0.5).kept
    array([0, 2])
    """
    if type(items) is not np.ndarray:
        items = _c.set_matrix("suppress_overlaps", "items", items)
    return Suppression(*_native.call_native(_PLAN, threads, items, weights, w, threshold))


# The extension checks the inputs as it reads them and gives accepted and
# kept as 0-based np.intp.
_PLAN = _native.native_plan(
    (_c.sets_in("items"), _c.array_in("weights", 1), _c.as_is("w"),
     _c.scalar_in("threshold")), ("one_based", "one_based"))
