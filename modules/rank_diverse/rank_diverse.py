"""rank_diverse in NumPy conventions (mexsets.rank_diverse)."""
from __future__ import annotations

from typing import TYPE_CHECKING, Optional

import numpy as np

from . import _convert as _c
from . import _rank_diverse_native as _native
from ._results import Ranking

if TYPE_CHECKING:
    from ._typing import ArrayLike, Scalar, Sets


def rank_diverse(items: Sets, relevance: ArrayLike, w: ArrayLike, lambda_: Scalar = 0.75, *,
                 threads: Optional[int] = None) -> Ranking:
    """Rank candidates by relevance against redundancy.

    Orders the M candidates (the sets of `items`) greedily: each step picks,
    among the candidates not yet picked, the one with the highest score
    ``lambda_ * relevance[c] - (1 - lambda_) * redundancy[c]``, the
    lowest-numbered one among equal scores. ``redundancy[c]`` starts at 0
    and becomes the largest overlap ratio between the set Q of candidate c
    and the set P of any candidate picked before it (NaN ratios are
    ignored)::

        S / (w(P) + w(Q) - S),   S = sum of w[a, b] over a in P, b in Q,

    w(L) being the sum of ``w[a, a]`` over a in L. A step in which no score
    is above -realmax (all NaN or -inf, e.g. with a NaN `lambda_`) picks the
    lowest-numbered candidate left, so `order` is always a permutation. Sums
    run in a fixed order, so results are reproducible bit for bit.

    Parameters
    ----------
    items : array_like, shape (M, N), or sequence of 1-D array_like
        The candidates' sets of **0-based** item ids: a 2-D array whose rows
        end at their first negative entry (pad with -1), or a sequence of
        1-D sets (ragged). Ids are whole numbers (any integer or float
        dtype), a repeated id counts each time, and every id must be below
        both dimensions of `w`.
    relevance : array_like, shape (M,)
        The relevance of each candidate.
    w : array_like, shape (K1, K2), or (L,); or scipy.sparse
        Pairwise weights: ``w[a, b]`` weighs items a and b (a, from the set
        picked, selects the row) and ``w[a, a]`` is the weight of item a.
        A vector of L item weights means ``np.diag(w)``, with the bits
        ``np.diag(w)`` gives in 8*L bytes.
        @include sparse_weights w
    lambda_ : float, default 0.75
        The trade-off, used unchanged (a number, or an array of one element).
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    Ranking
        Named tuple ``(order, scores)``: `order`, ndarray of intp, shape
        (M,), the 0-based candidates in the order picked; `scores`, ndarray
        of float64, shape (M,), the score of each when it was picked.

    @include native_raises
        @include id_not_whole
        - ``tooFewValues``: `relevance` holds fewer than M values
        - ``idOutOfRange``: an id >= ``w.shape[0]`` or ``w.shape[1]`` (inf
          too)
        - ``idNotANumber``: an id is NaN
        - ``dimensionsNotCoherent``: `w` has more than two dimensions
        - ``badSparseStructure``: a sparse `w` whose column starts or row
          indices are out of range, or whose row indices do not strictly
          ascend in a column (unsorted or repeated entries)
        @include integer_too_large
        - ``outOfMemory``: no memory left for the item lists
    @include native_type_errors

    See Also
    --------
    mexsets.octave.rank_diverse : The Octave-faithful form (1-based float
        order).
    suppress_overlaps : Keep the sets that overlap no kept set too much.

    Notes
    -----
    ``order`` is ``mexsets.octave.rank_diverse(...)[0] - 1`` as intp; the
    scores are the same bits.

    Examples
    --------
    Candidate 1 repeats the item of candidate 0, so candidate 2 comes before
    it:

    >>> import numpy as np
    >>> from mexsets import rank_diverse
    >>> rank_diverse([[0], [0], [1]], [1, 1, 0.9], np.eye(2), lambda_=0.5)
    Ranking(order=array([0, 2, 1]), scores=array([0.5 , 0.45, 0.  ]))

    Ragged sets, and `w` as the vector of its diagonal:

    >>> rank_diverse([[0, 1], [1], []], [1, 1, 0.9], [1, 1], lambda_=0.5).order
    array([0, 2, 1])
    """
    if type(items) is not np.ndarray:
        items = _c.set_matrix("rank_diverse", "items", items)
    return Ranking(*_native.call_native(_PLAN, threads, items, relevance, w, lambda_))


# The extension checks the inputs as it reads them and gives the order as
# 0-based np.intp.
_PLAN = _native.native_plan(
    (_c.sets_in("items"), _c.array_in("relevance", 1), _c.as_is("w"), _c.scalar_in("lambda_")),
    ("one_based", "as_is"))
