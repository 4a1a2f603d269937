"""region_graph in NumPy conventions (mexsets.region_graph)."""
from __future__ import annotations

from typing import TYPE_CHECKING

import numpy as np

from . import _convert as _c
from . import _region_graph_native as _native
from ._results import RegionGraph

if TYPE_CHECKING:
    from ._typing import ArrayLike, Optional


def region_graph(labels: ArrayLike, values: Optional[ArrayLike] = None, *,
                 background: Optional[ArrayLike] = None, weight: str = "step",
                 threads: Optional[int] = None) -> RegionGraph:
    """Boundary graph of a label image as lists, for merge_regions.

    Lists, in one pass, which regions of a label image (h, w) or label
    volume (h, w, d) touch, along how many cracks and how strongly, with
    each region's area and length along the image's rim: the inputs of
    ``merge_regions`` as they stand.

    Regions are label values, numbered **0-based** in ascending order:
    region ``k`` is ``np.unique(labels)[k]``, as
    ``np.unique(labels, return_inverse=True)`` numbers them, so labels may
    have gaps and start anywhere (scikit-image's start at 0 or 1). A crack
    is the common side of two 4-neighbours (in a volume: face neighbours).

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
        nor `border`). One value, or empty for none. The regions are then
        the other label values, numbered from 0.
    weight : {'step', 'mean', 'max'}, default 'step'
        ``'step'``: the step above. ``'mean'`` or ``'max'``: `values` is an
        edge map the size of `labels`, and a crack weighs the mean or the
        larger of its two pixels' values (NaN when either is NaN).
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    RegionGraph
        A named tuple:

        first, second : ndarray of intp, shape (P,)
            The touching pairs of 0-based regions, ``first < second``,
            sorted by (first, second).
        lengths : ndarray of float64, shape (P,)
            The number of cracks between them.
        strengths : ndarray of float64, shape (P,)
            The sum of their cracks' weights, from 0: the cracks between
            rows, then between columns, then between pages, each group row
            by row, within a row page by page, left to right (in an image:
            row-major order), which is ``boundary_sums``' order over
            ``boundary_grid``'s grids, so the sums are the same bits.
        areas : ndarray of float64, shape (L,)
            Each region's pixel count.
        border : ndarray of float64, shape (L,)
            Each region's cracks on the image's outer boundary.

    The lists take 8*(4*P + 2*L) bytes; the work is linear in the pixels
    besides sorting the distinct labels and the pairs.
    @include memory

    @include native_raises
        @include id_not_whole
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
    @include native_type_errors

    See Also
    --------
    merge_regions : The merge tree of the graph, ``merge_regions(*g[:5])``.
    boundary_grid : The contour grid of a label image.
    mexsets.octave.region_graph : The Octave-faithful form (1-based ids).

    Notes
    -----
    Equals, to the bit, ``mexsets.octave.region_graph(labels, values,
    background=background, weight=weight)`` with `first` and `second` less
    one, as intp.

    Examples
    --------
    Labels 0, 3, 7 are regions 0, 1, 2:

    >>> from mexsets import region_graph, merge_regions
    >>> g = region_graph([[0, 0, 7], [3, 7, 7]], [[1, 2, 4], [1, 3, 6]])
    >>> g.first, g.second, g.lengths, g.strengths
    (array([0, 0, 1]), array([1, 2, 2]), array([1., 2., 1.]), array([0., 3., 2.]))
    >>> g.areas, g.border
    (array([2., 1., 3.]), array([3., 2., 5.]))
    >>> merge_regions(*g[:5]).merges
    array([[0, 1, 3],
           [2, 3, 4]])

    Label 0 as the background:

    >>> region_graph([[0, 0, 7], [3, 7, 7]], [[1, 2, 4], [1, 3, 6]], background=0).areas
    array([1., 3.])

    An edge map, each crack weighing the larger of its two pixels' values:

    >>> region_graph([[1, 1, 2]], [[0, 5, 3]], weight="max").strengths
    array([5.])
    """
    if type(labels) is not np.ndarray:
        labels = np.asarray(_c.required("region_graph", "labels", labels))
    if labels.ndim not in (2, 3):
        raise _c.bad_shape("region_graph", "labels", "2-D (h, w) or 3-D (h, w, d)",
                           labels.shape)
    return RegionGraph(*_native.call_native(_PLAN, threads, labels, values, background,
                                            weight))


# The extension gives first and second as 0-based np.intp.
_PLAN = _native.native_plan(
    (_c.as_is("labels"), _c.as_is("values", False), _c.as_is("background", False),
     _c.as_is("weight", False)),
    ("one_based", "one_based", "as_is", "as_is", "as_is", "as_is"))
