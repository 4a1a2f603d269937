"""nondominated in NumPy conventions (mexsets.nondominated)."""
from __future__ import annotations

from typing import TYPE_CHECKING, Optional

from . import _convert as _c
from . import _nondominated_native as _native

if TYPE_CHECKING:
    from ._typing import ArrayLike, NDArray, np


def nondominated(points: ArrayLike, *, threads: Optional[int] = None) -> NDArray[np.bool_]:
    """Mark the non-dominated points (Pareto front).

    The rows of `points` are points with one coordinate per column, smaller
    being better in every column. ``front[i]`` is True when no other point
    dominates point ``i`` (is no greater in every coordinate and smaller in
    one) and no earlier point is identical to it: of several identical front
    points only the first is marked. -0 and +0 count as equal; inf and -inf
    are ordinary values.

    NaN: a comparison with NaN is false, so a NaN coordinate counts as
    neither better nor worse. When `points` holds a NaN the result is that of
    the candidate sweep (each remaining point in turn is the champion, later
    points that are nowhere better are eliminated, a later point that
    dominates it takes over) and depends on the order of the points. Without
    NaN the result is exactly the definition above, in O(M log M) time for
    D <= 3; many points holding NaN take up to O(M**2 D).

    Parameters
    ----------
    points : array_like, shape (M, D)
        One point per row, of any real dtype (read as float64). An (M, 0)
        array marks point 0 only; a single column marks the first point
        holding its minimum.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    front : ndarray of bool, shape (M,)
        ``front[i]`` for point ``i``; M bytes.

    @include native_raises
        @include integer_too_large
        - ``outOfMemory``: no memory left for the scratch
    @include native_type_errors

    See Also
    --------
    mexsets.octave.nondominated : The Octave-faithful form (a 1-D array is
        one point, pages beyond the first ignored).

    Notes
    -----
    Equals ``mexsets.octave.nondominated(points)`` for every 2-D `points`.
    For one point, pass ``[point]``.

    Examples
    --------
    >>> import numpy as np
    >>> from mexsets import nondominated
    >>> nondominated([[3, 1], [1, 3], [2, 2], [3, 3]])
    array([ True,  True,  True, False])

    (Point 3 is dominated by point 2.)

    >>> nondominated([[1, np.nan], [2, 0]])
    array([ True, False])
    """
    return _native.call_native(_PLAN, threads, points)


# The extension checks the input as it reads it.
_PLAN = _native.native_plan((_c.array_in("points", 2),), ())
