"""merge_regions over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.merge_regions)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _merge_regions_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Scalar, Tuple


def merge_regions(first: ArrayLike, second: ArrayLike, lengths: ArrayLike, strengths: ArrayLike,
                  region_areas: ArrayLike, base: Scalar = 1) -> Tuple[Doubles, Doubles, Doubles]:
    """Build a merge tree by joining the weakest boundaries first.

    Builds the merge tree of L = ``region_areas.size`` regions by joining, L-1
    times, the two current nodes whose common boundary is weakest on average
    (strength sum over length sum). Listing ``k`` says that regions
    ``first[k]`` and ``second[k]`` touch along a boundary of length
    ``lengths[k]`` and strength sum ``strengths[k]``.

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
    first, second : array_like, E elements each
        **1-based** region ids, one touching pair per listing, in either
        order; read in column-major (Fortran) order whatever the shape. An
        id is truncated toward zero after subtracting 1 (0.5 names region
        1) and must name a region in 1..L; the two ids of a listing name
        different regions.
    lengths : array_like, E elements
        Boundary length per listing, positive. A pair listed more than once
        is one boundary, its lengths and strengths added in listing order.
    strengths : array_like, E elements
        Boundary strength sum per listing, any number.
    region_areas : array_like, L >= 1 elements
        Area of each region.
    base : {1, 0}, default 1
        Numbering of the nodes in `merges`.

    Returns
    -------
    merges : ndarray of float64, shape (L-1, 3)
        Row ``r`` is ``[c1, c2, L + r + 1]`` with base 1: the two nodes
        joined by merge ``r`` (``c1 < c2``) and the new node. Leaves are
        nodes 1..L and ``merges[0, -1] - 1`` is L: the form that
        `tree_leaf_sets` and `tree_occurrence_masks` read. With base 0
        every id is one less: the form that `tree_overlap_matrix` reads (no
        end marker is needed; `areas` below serves as its `node_rows`).
        Shape (0, 3) when L is 1.
    areas : ndarray of float64, shape (2L-1,)
        Area of every node, leaves first; a merge node's is the sum of its
        children's.
    heights : ndarray of float64, shape (L-1,)
        Height of every merge: the average of the boundary that merge ``r``
        joined along, the quotient it won with, or NaN when it joined two
        nodes that touch nothing. `tree_cut` cuts the tree at a height.

    @include raises
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        - ``badScalar``: `base` is empty
        - ``badBase``: `base` is neither 0 nor 1
        - ``noRegions``: `region_areas` is empty
        - ``tooManyRegions``: `region_areas` holds more than 2**31 elements
        - ``tooManyPairs``: `first` holds 2**31 elements or more
        - ``sizeMismatch``: `second`, `lengths` or `strengths` differs from
          `first` in size
        - ``idOutOfRange``: an id outside 1..L (inf too)
        - ``idNotANumber``: an id is NaN
        - ``selfPair``: ``first[k]`` and ``second[k]`` name the same region
        - ``badLength``: a length is not positive (or NaN)
        @include integer_too_large
        - ``outputTooLarge``: the results exceed the memory available (or
          ``MEXSETS_MEMORY_LIMIT``)
        - ``outOfMemory``: no memory left for the boundaries
    @include type_errors

    See Also
    --------
    mexsets.merge_regions : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.merge_regions``: the same ids,
    shapes and bits as the Octave and MATLAB function merge_regions, for porting
    their code.

    Examples
    --------
    Boundary 1-2 averages 0.5 and goes first, then 3-4 (1); node 6 meets
    region 3 along (3 + 2) / (1 + 1) = 2.5, as it meets node 7. Region 5
    touches nothing and joins last:

    >>> from mexsets.octave import merge_regions
    >>> merges, areas, heights = merge_regions([1, 2, 3, 1], [2, 3, 4, 3],
    ...                                        [2, 1, 2, 1], [1, 3, 2, 2],
    ...                                        [4, 3, 5, 2, 1])
    >>> merges
    array([[1., 2., 6.],
           [3., 4., 7.],
           [6., 7., 8.],
           [5., 8., 9.]])
    >>> areas
    array([ 4.,  3.,  5.,  2.,  1.,  7.,  7., 14., 15.])
    >>> heights
    array([0.5, 1. , 2.5, nan])
    >>> merge_regions([1, 2, 3, 1], [2, 3, 4, 3], [2, 1, 2, 1],
    ...               [1, 3, 2, 2], [4, 3, 5, 2, 1], base=0)[0][:, 2]
    array([5., 6., 7., 8.])
    """
    return _native.call(first, second, lengths, strengths, region_areas, base)
