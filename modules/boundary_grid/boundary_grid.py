"""boundary_grid in NumPy conventions (mexsets.boundary_grid)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from . import _boundary_grid_native as _native
from . import _convert as _c
from ._results import BoundaryGrid

if TYPE_CHECKING:
    from ._typing import ArrayLike, Optional


def boundary_grid(labels: ArrayLike, values: Optional[ArrayLike] = None, *,
                  threads: Optional[int] = None) -> BoundaryGrid:
    """Contour grid of a label image, ready for boundary_sums.

    `labels` holds **0-based** region ids; L is the largest plus one, the
    number of regions. Pixel ``(i, j)`` sits at cell ``(2i+1, 2j+1)`` of the
    grid; the cell between two horizontally or vertically neighbouring
    pixels, and the cell between a rim pixel and the outside, has one odd
    and one even index. Such a cell holds the key ``(a+1)*(L+1) + b+1`` of
    the two regions ``a < b`` it separates, 0 when both pixels are of the
    same region, and on the image's rim ``b+1`` for the region ``b`` alone.
    Pixels and corners hold 0. The keys are those of
    :func:`mexsets.octave.boundary_grid` over ``labels + 1``.

    Parameters
    ----------
    labels : array_like, shape (h, w)
        0-based region ids, whole numbers of any integer or float dtype from
        0 to 94906263, so that every key and its quotient by L+1 are exact.
    values : array_like, shape (h, w, C) or (h, w), optional
        Per-pixel values (a colour image, say), C channels.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    BoundaryGrid
        A named tuple:

        grid : ndarray of float64, shape (2h+1, 2w+1), Fortran order
            The keys as above.
        strength : ndarray of float64, shape (2h+1, 2w+1), Fortran order
            At every cell between two pixels, the Euclidean distance of
            their `values`: the squared differences (next pixel minus this
            one) added over the channels in order from 0, then the square
            root, so results are reproducible bit for bit (and equal
            Octave's ``sqrt(sum(diff(img, 1, 2).^2, 3))``). 0 elsewhere, and
            everywhere without `values`.
        keys : ndarray of float64, shape (K,)
            The distinct keys in use, ascending.
        first, second : ndarray of intp, shape (K,)
            The two 0-based regions of each key; `first` is -1 for a rim
            key. ``boundary_sums(L, first, second, keys, grid, w)`` with
            ``w`` all ones counts the pixel edges between each pair of
            regions and along each region's rim; with ``w = strength`` it
            sums their strengths.

    Both grids take 8*(2h+1)*(2w+1) bytes each.
    @include memory

    @include native_raises
        @include id_not_whole
        - ``dimensionsNotCoherent``: `values` has more than three
          dimensions
        - ``idOutOfRange``: a label outside 0..94906263 (inf too)
        - ``idNotANumber``: a label is NaN
        - ``valueSizeMismatch``: `values` is not (h, w) or (h, w, C)
        @include integer_too_large
        - ``outputTooLarge``: `grid` and `strength` exceed the memory
          available
        - ``outOfMemory``: no memory left, or the grids exceed the address
          space

        A message about a label locates the first bad one in column order.
    @include native_type_errors

    See Also
    --------
    boundary_sums : Sums a weight grid along the boundaries of each pair.
    region_graph : The boundary graph as lists, in one pass.
    mexsets.octave.boundary_grid : The Octave-faithful form (1-based ids).

    Notes
    -----
    Equals, to the bit, ``mexsets.octave.boundary_grid(labels + 1,
    values)`` with `first` and `second` less one, as intp.

    Examples
    --------
    L = 2, so key 5 = 1*3 + 2 separates regions 0 and 1:

    >>> from mexsets import boundary_grid
    >>> g = boundary_grid([[0, 1], [0, 0]], [[0, 3], [4, 0]])
    >>> g.grid[1:4]
    array([[1., 0., 5., 0., 2.],
           [0., 0., 0., 5., 0.],
           [1., 0., 0., 0., 1.]])
    >>> g.strength[1:4, 1:4]
    array([[0., 3., 0.],
           [4., 0., 3.],
           [0., 4., 0.]])
    >>> g.keys, g.first, g.second
    (array([1., 2., 5.]), array([-1, -1,  0]), array([0, 1, 1]))
    """
    return BoundaryGrid(*_native.call_native(_PLAN, threads, labels, values))


# The extension shifts the labels as it reads them and gives first and
# second as 0-based np.intp.
_PLAN = _native.native_plan(
    (_c.ids_in("labels", 1, 2), _c.as_is("values", False)),
    ("as_is", "as_is", "as_is", "one_based", "one_based"))
