"""suppress_overlaps over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.suppress_overlaps)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _suppress_overlaps_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Scalar, Tuple


def suppress_overlaps(items: ArrayLike, weights: ArrayLike, w: ArrayLike,
                      threshold: Scalar = 1.0) -> Tuple[Doubles, Doubles]:
    """Drop the rows that overlap a kept row too much.

    Walks the rows of `items` from first to last and keeps a row unless its
    overlap ratio with some row kept before it is >= `threshold`. The ratio
    of a kept row's list P and the tested row's list Q is::

        S / (w(P) + w(Q) - S),   S = sum of w[a, b] over a in P, b in Q,

    w(L) being the sum of ``weights[a]`` over a in L. A NaN ratio never
    reaches the threshold; +inf reaches any threshold but NaN. With
    ``w = np.diag(weights)``, positive weights and no repeated ids, the
    default 1 drops exactly the repeats of a kept item set. Sums run in a
    fixed order, so results are reproducible bit for bit.

    Parameters
    ----------
    items : array_like, shape (M, N)
        0-based item ids, a row ends at its first negative entry (or at the
        end of the row). 0 is item 0 and NaN does not end a row; ids are
        truncated toward zero and a repeated id counts each time. A kept row
        is remembered as its truncated entries, so its list ends at its
        first entry <= -1: an entry between -1 and 0 ends a row's list while
        the row is tested, but is item 0 once the row is kept. Every id up
        to a row's first entry <= -1 must be below ``weights.size`` and both
        dimensions of `w`; every later entry must fit a 32-bit integer once
        truncated. A 1-D array is one row.
    weights : array_like
        Item weights: element a, in column-major (Fortran) order, is the
        weight of item a.
    w : array_like, shape (K1, K2), or (L,), (1, L), (L, 1); or scipy.sparse
        Pairwise weights: ``w[a, b]`` weighs item a of the kept row (it
        selects the row) and item b of the tested row. Its diagonal is not
        used as item weights. A vector of L item weights (1-D, one row or one
        column, dense or sparse) means ``np.diag(w)``: rows then overlap only
        by the items they share, each weighing ``w[a]`` in S; ids must be
        below L. It gives the bits ``np.diag(w)`` gives and takes 8*L bytes,
        not 8*L**2.
        @include sparse_weights w
        For a sparse or vector `w` the sums walk its nonzero entries: 16
        bytes per nonzero entry and about 40 per item addressed.
    threshold : float, default 1.0
        A row is dropped as soon as a ratio is >= `threshold` (any number;
        of an array, the first element).

    Returns
    -------
    accepted : ndarray of float64, shape (K, N), Fortran order
        The kept rows in their order, every entry truncated toward zero and
        raised by 1: ids come back 1-based and an end marker of -1 comes
        back as 0.
    kept : ndarray of float64, shape (K,)
        The **1-based** numbers of the kept rows of `items`, in their order:
        ``accepted[k]`` comes from row ``kept[k] - 1`` (0-based), repeated
        rows included.

    Both take ``8*K*(N + 1)`` bytes, never more than `items` and a column.

    @include raises
        - ``dimensionsNotCoherent``: `items`, `weights` or `w` has more than
          two dimensions
        - ``badScalar``: `threshold` is empty
        - ``idOutOfRange``: an id >= ``weights.size``, ``w.shape[0]`` or
          ``w.shape[1]`` (inf too)
        - ``idNotANumber``: an id is NaN
        - ``badSparseStructure``: a sparse `w` whose column starts or row
          indices are out of range, or whose row indices do not strictly
          ascend in a column (unsorted or repeated entries)
        - ``entryNotInt32``: an entry after the first <= -1 does not fit a
          32-bit integer
        @include integer_too_large
        - ``outOfMemory``: no memory left for the kept rows
    @include type_errors

    See Also
    --------
    mexsets.suppress_overlaps : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.suppress_overlaps``: the same ids,
    shapes and bits as the Octave and MATLAB function suppress_overlaps, for porting
    their code.

    Examples
    --------
    Row 1 holds the items of row 0 again; row 3 shares one of its two items
    with row 0 and with row 2 (ratios 1/3 and 1/2):

    >>> import numpy as np
    >>> from mexsets.octave import suppress_overlaps
    >>> items = [[0, 1, -1], [1, 0, -1], [2, -1, -1], [0, 2, -1]]
    >>> accepted, kept = suppress_overlaps(items, [1, 1, 1], np.eye(3))
    >>> accepted
    array([[1., 2., 0.],
           [3., 0., 0.],
           [1., 3., 0.]])
    >>> kept
    array([1., 3., 4.])
    >>> suppress_overlaps(items, [1, 1, 1], np.eye(3), threshold=0.5)
    (array([[1., 2., 0.],
           [3., 0., 0.]]), array([1., 3.]))

    The same with `w` sparse, or given as the vector of its diagonal:

    >>> from scipy import sparse
    >>> suppress_overlaps(items, [1, 1, 1], sparse.eye(3, format="csc"))[1]
    array([1., 3., 4.])
    >>> suppress_overlaps(items, [1, 1, 1], np.ones(3))[1]
    array([1., 3., 4.])
    """
    return _native.call(items, weights, w, threshold)
