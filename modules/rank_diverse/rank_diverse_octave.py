"""rank_diverse over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.rank_diverse)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _rank_diverse_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Scalar, Tuple


def rank_diverse(items: ArrayLike, relevance: ArrayLike, w: ArrayLike,
                 lambda_: Scalar = 0.75) -> Tuple[Doubles, Doubles]:
    """Rank candidates by relevance against redundancy.

    Orders the M candidates given by the rows of `items` greedily: each step
    picks, among the candidates not yet picked, the one with the highest
    score ``lambda_ * relevance[c] - (1 - lambda_) * redundancy[c]``, the
    lowest-numbered one among equal scores. ``redundancy[c]`` starts at 0
    and becomes the largest overlap ratio between the list Q of candidate c
    and the list P of any candidate picked before it (NaN ratios are
    ignored)::

        S / (w(P) + w(Q) - S),   S = sum of w[a, b] over a in P, b in Q,

    w(L) being the sum of ``w[a, a]`` over a in L. A step in which no score
    is above -realmax (all NaN or -inf, e.g. with a NaN `lambda_`) picks the
    lowest-numbered candidate left, so `order` is always a permutation. Sums
    run in a fixed order, so results are reproducible bit for bit.

    Parameters
    ----------
    items : array_like, shape (M, N)
        0-based item ids, a row ends at its first negative entry (or at the
        end of the row): row c lists candidate c's items. 0 is item 0 and
        NaN does not end a row; ids are truncated toward zero (2.9 is item
        2) and a repeated id counts each time. Every id must be below both
        dimensions of `w`. A 1-D array is one row, i.e. one candidate.
    relevance : array_like, at least M elements
        The relevance of each candidate: its first M elements in column-major
        (Fortran) order, so shape (M,) and (M, 1) read alike.
    w : array_like, shape (K1, K2), or (L,), (1, L), (L, 1); or scipy.sparse
        Pairwise weights: ``w[a, b]`` weighs items a and b (a, from the list
        picked, selects the row) and ``w[a, a]`` is the weight of item a.
        A vector of L item weights (1-D, one row or one column, dense or
        sparse) means ``np.diag(w)``: candidates then overlap only by the
        items they share, each weighing ``w[a]``; ids must be below L. It
        gives the bits ``np.diag(w)`` gives and takes 8*L bytes, not 8*L**2.
        @include sparse_weights w
        For a sparse or vector `w` the sums walk its nonzero entries through
        postings: about 12 bytes per nonzero ``w[a, b]`` for every
        occurrence of b in the lists, 16 per nonzero entry and 8 per item
        addressed.
    lambda_ : float, default 0.75
        The trade-off, used unchanged (any number; of an array, the first
        element).

    Returns
    -------
    order : ndarray of float64, shape (M,)
        1-based candidate numbers in the order picked: ``order[k] - 1`` is
        the row of `items` picked at step k.
    scores : ndarray of float64, shape (M,)
        The score of each candidate when it was picked. Each output takes
        8*M bytes.

    @include raises
        - ``dimensionsNotCoherent``: `items`, `relevance` or `w` has more
          than two dimensions
        - ``badScalar``: `lambda_` is empty
        - ``tooFewValues``: `relevance` holds fewer than M values
        - ``idOutOfRange``: an id >= ``w.shape[0]`` or ``w.shape[1]`` (inf
          too)
        - ``idNotANumber``: an id is NaN
        - ``badSparseStructure``: a sparse `w` whose column starts or row
          indices are out of range, or whose row indices do not strictly
          ascend in a column (unsorted or repeated entries)
        @include integer_too_large
        - ``outOfMemory``: no memory left for the item lists
    @include type_errors

    See Also
    --------
    mexsets.rank_diverse : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.rank_diverse``: the same ids,
    shapes and bits as the Octave and MATLAB function rank_diverse, for porting
    their code.

    Examples
    --------
    Candidate 2 repeats the item of candidate 1, so candidate 3 comes before
    it:

    >>> import numpy as np
    >>> from mexsets.octave import rank_diverse
    >>> order, scores = rank_diverse([[0], [0], [1]], [1, 1, 0.9], np.eye(2), lambda_=0.5)
    >>> order
    array([1., 3., 2.])
    >>> scores
    array([0.5 , 0.45, 0.  ])

    The same with a sparse `w`, and with the vector of its diagonal:

    >>> from scipy import sparse
    >>> rank_diverse([[0], [0], [1]], [1, 1, 0.9], sparse.eye(2, format="csr"), lambda_=0.5)[0]
    array([1., 3., 2.])
    >>> rank_diverse([[0], [0], [1]], [1, 1, 0.9], [1, 1], lambda_=0.5)[0]
    array([1., 3., 2.])

    Ids are 0-based, and an error locates the entry as NumPy indexes it:

    >>> rank_diverse([[0, 2]], [1], np.eye(2))
    Traceback (most recent call last):
        ...
    mexsets._errors.Error: Item id outside 0..1 (w is 2-by-2): items[0, 1] holds 2
    """
    return _native.call(items, relevance, w, lambda_)
