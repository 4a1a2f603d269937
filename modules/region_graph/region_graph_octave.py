"""region_graph over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.region_graph)."""
from __future__ import annotations

from typing import TYPE_CHECKING, NamedTuple

import numpy as np

from .. import _region_graph_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Optional, Tuple


class RegionGraph(NamedTuple):
    """The lists of region_graph, in the order merge_regions reads them."""

    first: np.ndarray
    second: np.ndarray
    lengths: np.ndarray
    strengths: np.ndarray
    areas: np.ndarray
    border: np.ndarray


def region_graph(labels: ArrayLike, values: Optional[ArrayLike] = None, *,
                 background: Optional[ArrayLike] = None, weight: str = "step"
                 ) -> Tuple[Doubles, Doubles, Doubles, Doubles, Doubles, Doubles]:
    """Boundary graph of a label image as lists, for merge_regions.

    Lists, in one pass, which regions of a label image (h, w) or label
    volume (h, w, d) touch, along how many cracks and how strongly, with
    each region's area and length along the image's rim: the inputs of
    ``merge_regions`` as they stand.

    Regions are label values, numbered **1-based** in ascending order:
    region ``k`` is ``np.unique(labels)[k - 1]``, so labels may have gaps
    and start at 0 or below (as scikit-image's do). A crack is the common
    side of two 4-neighbours (in a volume: face neighbours).

    Parameters
    ----------
    labels : array_like, shape (h, w) or (h, w, d)
        Whole numbers of magnitude at most 2**53. A volume of one page is an
        image.
    values : array_like, shape (h, w), (h, w, C) or (h, w, d), optional
        A crack's weight is the Euclidean step of `values` across it: the
        squared differences (next pixel minus this one, along the crack's
        axis) added over the channels in order from 0, then the square
        root, exactly as ``boundary_grid`` computes its strengths. An image
        takes C channels, a volume one. Left out or empty, every weight is 0.
    background : array_like, optional
        A label value that is no region: its pixels count in no area, and
        their cracks to region pixels count toward nothing (neither a pair
        nor `border`). One value, or empty for none.
    weight : {'step', 'mean', 'max'}, default 'step'
        ``'step'``: the step above. ``'mean'`` or ``'max'``: `values` is an
        edge map the size of `labels`, and a crack weighs the mean or the
        larger of its two pixels' values (NaN when either is NaN).

    Returns
    -------
    RegionGraph
        A named tuple of float64 arrays:

        first, second : shape (P,)
            The touching pairs of regions, ``first < second``, sorted by
            (first, second).
        lengths : shape (P,)
            The number of cracks between them.
        strengths : shape (P,)
            The sum of their cracks' weights, from 0: the cracks between
            rows, then between columns, then between pages, each group row
            by row, within a row page by page, left to right (in an image:
            row-major order), which is ``boundary_sums``' order over
            ``boundary_grid``'s grids, so the sums are the same bits.
        areas : shape (L,)
            Each region's pixel count.
        border : shape (L,)
            Each region's cracks on the image's outer boundary.

    The lists take 8*(4*P + 2*L) bytes; the work is linear in the pixels
    besides sorting the distinct labels and the pairs.
    @include memory

    @include raises
        - ``dimensionsNotCoherent``: `labels` or `values` has more than
          three dimensions
        - ``badChoice``: `weight` is none of the above
        - ``badBackground``: `background` holds more than one value
        - ``idNotANumber``: a label is NaN
        - ``idOutOfRange``: a label beyond 2**53 in magnitude (inf too)
        - ``labelNotWhole``: a label is not a whole number
        - ``valueSizeMismatch``: `values` does not fit `labels`
        - ``tooManyPixels``: `labels` holds 2**32 - 1 elements or more
        @include integer_too_large
        - ``outputTooLarge``: the lists exceed the memory available
        - ``outOfMemory``: no memory left

        A message about a label locates the first bad one in column order.
    @include type_errors

    See Also
    --------
    mexsets.region_graph : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.region_graph``: the same ids,
    shapes and bits as the Octave and MATLAB function region_graph, for porting
    their code.

    Examples
    --------
    Labels 0, 3, 7 are regions 1, 2, 3:

    >>> from mexsets.octave import region_graph, merge_regions
    >>> g = region_graph([[0, 0, 7], [3, 7, 7]], [[1, 2, 4], [1, 3, 6]])
    >>> g.first, g.second, g.lengths, g.strengths
    (array([1., 1., 2.]), array([2., 3., 3.]), array([1., 2., 1.]), array([0., 3., 2.]))
    >>> g.areas, g.border
    (array([2., 1., 3.]), array([3., 2., 5.]))
    >>> merges, node_areas, heights = merge_regions(*g[:5])
    >>> merges
    array([[1., 2., 4.],
           [3., 4., 5.]])

    Label 0 as the background:

    >>> region_graph([[0, 0, 7], [3, 7, 7]], [[1, 2, 4], [1, 3, 6]], background=0).areas
    array([1., 3.])

    An edge map, each crack weighing the larger of its two pixels' values:

    >>> region_graph([[1, 1, 2]], [[0, 5, 3]], weight="max").strengths
    array([5.])
    """
    return RegionGraph(*_native.call(labels, values, background, weight))
