"""boundary_sums over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.boundary_sums)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _boundary_sums_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Scalar, Tuple


def boundary_sums(n: Scalar, first: ArrayLike, second: ArrayLike, keys: ArrayLike,
                  labels: ArrayLike, weights: ArrayLike) -> Tuple[Doubles, Doubles]:
    """Sum a grid's mixed-parity cell weights per label.

    For every key, sums the `weights` of the cells of `labels` that hold that
    key, reading only the mixed-parity cells (of the row and column index,
    one is odd and one even). Key ``k``'s sum goes to
    ``border[second[k] - 1]`` when ``first[k]`` is 0 (or -0), and to
    ``pair[first[k] - 1, second[k] - 1]`` otherwise: the ids are **1-based**.
    ``pair[second[k] - 1, first[k] - 1]`` is not set, cells that no key names
    stay 0, and when two keys name the same cell the later key's sum is what
    remains.

    Keys match by exact value; a key listed twice collects its weights at its
    first position, and its later copies write nothing (earlier releases
    wrote 0 into the cell a copy names, overwriting the sum there).
    Weights are added to each key's sum in a fixed order (first the rows
    ``0, 2, 4, ...`` at their columns ``1, 3, ...``, then the rows
    ``1, 3, ...`` at their columns ``0, 2, ...``, each row by row and left
    to right), so results are reproducible bit for bit.

    Parameters
    ----------
    n : int or float, or array_like
        Size of both outputs; its first element is read and truncated toward
        zero (2.9 is 2). Must lie in 0 .. 2**31 - 1.
    first : array_like
        First id per key: 0 selects the border vector; any other value is a
        1-based row of `pair`. Read at the same L positions as `keys`.
    second : array_like
        Second id per key: a 1-based column of `pair`, or the 1-based index
        into `border` when the first id is 0. Read at the same L positions as
        `keys`.
    keys : array_like
        The key list: its first L elements in column-major (Fortran) order,
        L being the larger of its two extents (a 1-D array's length; a 1-D
        array is one row).
    labels : array_like, shape (M, N)
        Label grid. A cell value greater than 0 is a label and must equal one
        of the keys (0, negative values and NaN add nothing).
    weights : array_like, shape (M2, N2)
        Weight grid with ``M2 >= M`` and ``N2 >= N``; ``weights[i, j]`` is
        added for ``labels[i, j]``.

    Ids (`first`, `second`) are truncated toward zero after subtracting 1,
    so 2.5 addresses index 1 (0-based) and every id between 0 and 1
    addresses index 0. Every input may be of any real dtype; it is read as
    float64. The entries of `first`, `second` and `keys` are located in
    messages as NumPy indexes them (``keys[3]``, or ``keys[r, c]`` for a 2-D
    array).

    Returns
    -------
    pair : ndarray of float64, shape (n, n)
        Fortran-ordered.
    border : ndarray of float64, shape (n,)

    Both take 8*n**2 + 8*n bytes.
    @include memory

    @include raises
        - ``badScalar``: `n` is empty
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        @include integer_too_large
        - ``sizeOutOfRange``: `n` is NaN or truncates outside 0 .. 2**31 - 1
        - ``outOfMemory``: `n` is too large to address an n-by-n matrix, or
          no memory is left
        - ``emptyKeyList``: `keys` is empty but not 0-by-0 (0-by-5, say)
        - ``tooManyKeys``: `keys` has 2**32 - 1 elements or more
        - ``tooFewIds``: `first` or `second` holds fewer than L elements
        - ``weightGridTooSmall``: `weights` has fewer rows or columns than
          `labels`
        - ``keyNotANumber``: a key is NaN
        - ``idOutOfRange``: ``second[k]``, or ``first[k]`` if not 0, outside
          (0, n+1)
        - ``idNotANumber``: an id is NaN
        - ``labelWithoutKey``: a label equals none of the keys
        - ``outputTooLarge``: `pair` and `border` (8*n**2 + 8*n bytes) exceed
          the memory available
    @include type_errors

    See Also
    --------
    mexsets.boundary_sums : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.boundary_sums``: the same ids,
    shapes and bits as the Octave and MATLAB function boundary_sums, for porting
    their code.

    Examples
    --------
    >>> from mexsets.octave import boundary_sums
    >>> labels = [[0, 5, 0], [7, 0, 5], [0, 7, 0]]
    >>> weights = [[0, 1, 0], [2, 0, 3], [0, 4, 0]]
    >>> pair, border = boundary_sums(2, [1, 0], [2, 1], [5, 7], labels, weights)
    >>> pair
    array([[0., 4.],
           [0., 0.]])
    >>> border
    array([6., 0.])

    Key 5 sums cells ``[0, 1]`` and ``[1, 2]`` into ``pair[0, 1]``; key 7
    sums cells ``[1, 0]`` and ``[2, 1]`` into ``border[0]``.
    """
    return _native.call(n, first, second, keys, labels, weights)
