"""merge_regions in NumPy conventions (mexsets.merge_regions)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from . import _convert as _c
from . import _merge_regions_native as _native
from ._results import MergeTree

if TYPE_CHECKING:
    from ._typing import ArrayLike, Optional


def merge_regions(first: ArrayLike, second: ArrayLike, lengths: ArrayLike, strengths: ArrayLike,
                  areas: ArrayLike, *, threads: Optional[int] = None) -> MergeTree:
    """Build a merge tree by joining the weakest boundaries first.

    Builds the merge tree of L = ``areas.size`` regions by joining, L-1
    times, the two current nodes whose common boundary is weakest on average
    (strength sum over length sum). Listing ``k`` says that regions
    ``first[k]`` and ``second[k]`` touch along a boundary of length
    ``lengths[k]`` and strength sum ``strengths[k]``. Regions and nodes are
    numbered **from 0**: the regions are the leaves ``0 .. L-1``, merge
    ``r`` makes node ``L + r``.

    The new node touches every neighbour of its children: a neighbour
    touching both gets the two boundaries' length and strength sums added,
    and the boundary between the children disappears. Averages are compared
    exactly as the float64 quotients strength / length (NaN after every
    number). Equal averages go by the boundary's number: leaf boundaries are
    numbered in ascending order of (lower id, higher id); a boundary summed
    by a merge is numbered after all earlier ones, in ascending order of the
    neighbour's id; a boundary that passes unchanged to the new node keeps
    its number; the smallest number wins. When no boundary is left (parts
    that touch nothing else), each merge joins the two current nodes of
    smallest area, the smaller id among equal areas (NaN last).

    Heights never decrease in exact arithmetic: a summed boundary's average
    is a mean of the two averages it sums, weighted by their lengths, so it
    is at least the smaller, and every boundary left is at least as strong
    as the one just taken. `heights` then holds numbers in ascending order
    followed by NaNs (a NaN average comes after every number, its sums stay
    NaN, and the joins of nodes that touch nothing are NaN). Rounding a
    quotient keeps order, so when every sum is exact (whole lengths and
    strengths below 2**53, say) the computed heights never decrease either.
    They can decrease only where a length or strength sum is rounded: by a
    few units in the last place, or by any amount when a sum overflows (a
    length sum of inf makes the average 0 or NaN, a strength sum of negative
    numbers -inf).

    Parameters
    ----------
    first, second : array_like, shape (E,)
        **0-based** region ids, one touching pair per listing, in either
        order (`region_graph` gives them as they are needed). An id is a
        whole number of any integer or float dtype and must name a region
        in 0..L-1; the two ids of a listing name different regions.
    lengths : array_like, E elements
        Boundary length per listing, positive. A pair listed more than once
        is one boundary, its lengths and strengths added in listing order.
    strengths : array_like, E elements
        Boundary strength sum per listing, any number.
    areas : array_like, L >= 1 elements
        Area of each region.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    MergeTree
        A named tuple:

        merges : ndarray of intp, shape (L-1, 3)
            Row ``r`` is ``[c1, c2, L + r]``: the two nodes joined by merge
            ``r`` (``c1 < c2``) and the new node. ``merges[0, -1]`` is L:
            the form that `tree_cut`, `tree_leaf_sets`,
            `tree_occurrence_masks`, `tree_leaf_matrix` and
            `tree_overlap_matrix` read. Shape (0, 3) when L is 1.
        areas : ndarray of float64, shape (2L-1,)
            Area of every node, leaves first; a merge node's is the sum of
            its children's (`tree_overlap_matrix` reads them as its
            weights).
        heights : ndarray of float64, shape (L-1,)
            Height of every merge: the average of the boundary that merge
            ``r`` joined along, the quotient it won with, or NaN when it
            joined two nodes that touch nothing. `tree_cut` cuts the tree at
            a height.

    @include native_raises
        @include id_not_whole
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        - ``noRegions``: `areas` is empty
        - ``tooManyRegions``: `areas` holds more than 2**31 elements
        - ``tooManyPairs``: `first` holds 2**31 elements or more
        - ``sizeMismatch``: `second`, `lengths` or `strengths` differs from
          `first` in size
        - ``idOutOfRange``: an id outside 0..L-1 (inf too)
        - ``idNotANumber``: an id is NaN
        - ``selfPair``: ``first[k]`` and ``second[k]`` name the same region
        - ``badLength``: a length is not positive (or NaN)
        @include integer_too_large
        - ``outputTooLarge``: the results exceed the memory available (or
          ``MEXSETS_MEMORY_LIMIT``)
        - ``outOfMemory``: no memory left for the boundaries
    @include native_type_errors

    See Also
    --------
    region_graph : The touching pairs of a label image, as this reads them.
    tree_cut : The regions of a cut through the tree.
    tree_leaf_sets : The leaves below nodes of the tree.
    mexsets.octave.merge_regions : The Octave-faithful form (1-based ids).

    Notes
    -----
    Equals, to the bit, ``mexsets.octave.merge_regions(first + 1, second + 1,
    lengths, strengths, areas, base=0)`` with `merges` as intp.

    Examples
    --------
    Boundary 0-1 averages 0.5 and goes first, then 2-3 (1); node 5 meets
    region 2 along (3 + 2) / (1 + 1) = 2.5, as it meets node 6. Region 4
    touches nothing and joins last:

    >>> from mexsets import merge_regions
    >>> tree = merge_regions([0, 1, 2, 0], [1, 2, 3, 2], [2, 1, 2, 1], [1, 3, 2, 2],
    ...                      [4, 3, 5, 2, 1])
    >>> tree.merges
    array([[0, 1, 5],
           [2, 3, 6],
           [5, 6, 7],
           [4, 7, 8]])
    >>> tree.areas
    array([ 4.,  3.,  5.,  2.,  1.,  7.,  7., 14., 15.])
    >>> tree.heights
    array([0.5, 1. , 2.5, nan])
    """
    return MergeTree(*_native.call_native(_PLAN, threads, first, second, lengths, strengths,
                                          areas, 0))


# The extension shifts first and second as it reads them and gives merges
# (base 0) as np.intp.
_PLAN = _native.native_plan(
    (_c.ids_in("first", 1), _c.ids_in("second", 1), _c.as_is("lengths"),
     _c.as_is("strengths"), _c.as_is("areas"), _c.as_is("base")),
    ("zero_based", "as_is", "as_is"))
