"""nondominated over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.nondominated)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _nondominated_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, NDArray, np


def nondominated(x: ArrayLike) -> NDArray[np.bool_]:
    """Mark the non-dominated rows (Pareto front).

    The rows of `x` are points with one coordinate per column, smaller being
    better in every column. ``front[i]`` is True when no other row dominates
    row ``i`` (is no greater in every column and smaller in one) and no
    earlier row is identical to row ``i``: of several identical front rows
    only the first is marked. -0 and +0 count as equal; inf and -inf are
    ordinary values.

    NaN: a comparison with NaN is false, so a NaN coordinate counts as
    neither better nor worse. When `x` holds a NaN the result is that of the
    candidate sweep (each remaining row in turn is the champion, later rows
    that are nowhere better are eliminated, a later row that dominates it
    takes over) and depends on the row order, as the examples show. Without
    NaN the result is exactly the definition above, in O(M log M) time for
    D <= 3. With NaN it takes about O(M log M) while few rows hold NaN; each
    row holding NaN that becomes champion costs a pass over the rows left,
    so many such rows take up to O(M**2 D).

    Parameters
    ----------
    x : array_like, shape (M, D) or (M, D, ...)
        Points, one per row, of any real dtype (read as float64). Of an
        array with more dimensions only the first page ``x[:, :, 0, ...]``
        is read. A 1-D array is one row (one point). An (M, 0) array marks
        row 0 only; a single column marks the first row holding its minimum.

    Returns
    -------
    front : ndarray of bool, shape (M,)
        ``front[i]`` for row ``i`` of `x`; M bytes.

    @include raises
        - ``noFirstPage``: `x` is (M, D, 0) with M and D not 0
        @include integer_too_large
        - ``outOfMemory``: no memory left for the scratch
    @include type_errors

    See Also
    --------
    mexsets.nondominated : The same computation in NumPy conventions (2-D points).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.nondominated``: the same ids,
    shapes and bits as the Octave and MATLAB function nondominated, for porting
    their code.

    Examples
    --------
    >>> import numpy as np
    >>> from mexsets.octave import nondominated
    >>> nondominated([[3, 1], [1, 3], [2, 2], [3, 3]])
    array([ True,  True,  True, False])

    (Row 3 is dominated by row 2.)

    >>> nondominated([[1, np.nan], [2, 0]])
    array([ True, False])
    >>> nondominated([[2, 0], [1, np.nan]])
    array([False,  True])
    """
    return _native.call(x)
