"""boundary_grid over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.boundary_grid)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _boundary_grid_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Optional, Tuple


def boundary_grid(labels: ArrayLike, values: Optional[ArrayLike] = None
                  ) -> Tuple[Doubles, Doubles, Doubles, Doubles, Doubles]:
    """Contour grid of a label image, ready for boundary_sums.

    `labels` holds **1-based** region ids; L is the largest. Pixel ``(i, j)``
    (0-based) sits at cell ``(2i+1, 2j+1)`` of the grid; the cell between
    two horizontally or vertically neighbouring pixels, and the cell between
    a rim pixel and the outside, has one odd and one even index. Such a cell
    holds the key ``a*(L+1) + b`` of the two regions ``a < b`` it separates,
    0 when both pixels are of the same region, and on the image's rim the
    region ``b`` alone (``a = 0``). Pixels and corners hold 0.

    Parameters
    ----------
    labels : array_like, shape (h, w)
        1-based region ids, truncated toward zero (2.9 is region 2); each
        must lie between 1 and 94906264, so that every key and its quotient
        by L+1 are exact. A 1-D array is one row.
    values : array_like, shape (h, w, C) or (h, w), optional
        Per-pixel values (a colour image, say), C channels.

    Returns
    -------
    grid : ndarray of float64, shape (2h+1, 2w+1), Fortran order
        The keys as above; 8*(2h+1)*(2w+1) bytes.
    strength : ndarray of float64, shape (2h+1, 2w+1), Fortran order
        At every cell between two pixels, the Euclidean distance of their
        `values`: the squared differences (next pixel minus this one) added
        over the channels in order from 0, then the square root, so
        results are reproducible bit for bit (and equal Octave's
        ``sqrt(sum(diff(img, 1, 2).^2, 3))``). 0 elsewhere, and everywhere
        without `values`. 8*(2h+1)*(2w+1) bytes.
    keys : ndarray of float64, shape (K,)
        The distinct keys in use, ascending.
    first, second : ndarray of float64, shape (K,)
        The two 1-based regions of each key; `first` is 0 for a rim key.
        ``boundary_sums(L, first, second, keys, grid, w)`` with ``w`` all
        ones counts the pixel edges between each pair of regions and along
        each region's rim; with ``w = strength`` it sums their strengths.

    Both grids take 8*(2h+1)*(2w+1) bytes each.
    @include memory

    @include raises
        - ``dimensionsNotCoherent``: `labels` has more than two dimensions,
          or `values` more than three
        - ``idOutOfRange``: a label truncates outside 1..94906264 (inf too)
        - ``idNotANumber``: a label is NaN
        - ``valueSizeMismatch``: `values` is not (h, w) or (h, w, C)
        @include integer_too_large
        - ``outputTooLarge``: `grid` and `strength` exceed the memory
          available
        - ``outOfMemory``: no memory left, or the grids exceed the address
          space

        A message about a label locates the first bad one in column order.
    @include type_errors

    See Also
    --------
    mexsets.boundary_grid : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.boundary_grid``: the same ids,
    shapes and bits as the Octave and MATLAB function boundary_grid, for porting
    their code.

    Examples
    --------
    L = 2, so key 5 = 1*3 + 2 separates regions 1 and 2:

    >>> from mexsets.octave import boundary_grid, boundary_sums
    >>> grid, strength, keys, first, second = boundary_grid([[1, 2], [1, 1]],
    ...                                                     [[0, 3], [4, 0]])
    >>> grid[1:4]
    array([[1., 0., 5., 0., 2.],
           [0., 0., 0., 5., 0.],
           [1., 0., 0., 0., 1.]])
    >>> strength[1:4, 1:4]
    array([[0., 3., 0.],
           [4., 0., 3.],
           [0., 4., 0.]])
    >>> keys, first, second
    (array([1., 2., 5.]), array([0., 0., 1.]), array([1., 2., 2.]))
    >>> boundary_sums(2, first, second, keys, grid, 1 + 0 * grid)
    (array([[0., 2.],
           [0., 0.]]), array([6., 2.]))
    """
    return _native.call(labels, values)
