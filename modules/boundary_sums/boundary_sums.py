"""boundary_sums in NumPy conventions (mexsets.boundary_sums)."""
from __future__ import annotations

from typing import TYPE_CHECKING, Optional

import numpy as np

from . import _boundary_sums_native as _native
from . import _convert as _c
from ._results import BoundarySums

if TYPE_CHECKING:
    from ._typing import ArrayLike, Scalar


def boundary_sums(n: Scalar, first: ArrayLike, second: ArrayLike, keys: ArrayLike,
                  labels: ArrayLike, weights: ArrayLike, *,
                  threads: Optional[int] = None) -> BoundarySums:
    """Sum a grid's mixed-parity cell weights per key.

    For every key, sums the `weights` of the cells of `labels` that hold that
    key, reading only the mixed-parity cells (of the row and column index,
    one is odd and one even). Key ``k``'s sum goes to ``border[second[k]]``
    when ``first[k]`` is -1, and to ``pair[first[k], second[k]]`` otherwise:
    the ids are **0-based**. ``pair[second[k], first[k]]`` is not set, cells
    that no key names stay 0, and when two keys name the same cell the later
    key's sum is what remains. Keys match by exact value; a key listed twice
    collects its weights at its first position, and its later copies write
    nothing. Weights are added to each key's sum in a fixed order (first the
    rows ``0, 2, 4, ...`` at their columns ``1, 3, ...``, then the rows
    ``1, 3, ...`` at their columns ``0, 2, ...``, each row by row and left
    to right), so results are reproducible bit for bit.

    Parameters
    ----------
    n : int
        Size of both outputs, a whole number in 0 .. 2**31 - 1 (a number,
        or an array of one element; a fraction is truncated toward zero).
    first : array_like, shape (L,)
        First id per key: -1 selects `border`; else a 0-based row of `pair`.
    second : array_like, shape (L,)
        Second id per key: a 0-based column of `pair`, or the 0-based index
        into `border` when the first id is -1.
    keys : array_like, shape (L,)
        The keys, as `boundary_grid` gives them.
    labels : array_like, shape (M, N)
        Key grid. A cell value greater than 0 must equal one of the keys
        (0, negative values and NaN add nothing).
    weights : array_like, shape (M2, N2)
        Weight grid with ``M2 >= M`` and ``N2 >= N``; ``weights[i, j]`` is
        added for ``labels[i, j]``.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Ids (`first`, `second`) are whole numbers of any integer or float dtype.

    Returns
    -------
    BoundarySums
        Named tuple ``(pair, border)``: `pair`, ndarray of float64, shape
        (n, n), Fortran order; `border`, ndarray of float64, shape (n,).
        Both take 8*n**2 + 8*n bytes.
        @include memory

    @include native_raises
        @include id_not_whole
        - ``sizeOutOfRange``: `n` is NaN or truncates outside 0 .. 2**31 - 1
        - ``outOfMemory``: `n` is too large to address an n-by-n matrix, or
          no memory is left
        - ``tooManyKeys``: `keys` has 2**32 - 1 elements or more
        - ``tooFewIds``: `first` or `second` holds fewer than L elements
        - ``weightGridTooSmall``: `weights` has fewer rows or columns than
          `labels`
        - ``keyNotANumber``: a key is NaN
        - ``idOutOfRange``: ``second[k]``, or ``first[k]`` if not -1,
          outside 0 .. n-1
        - ``idNotANumber``: an id is NaN
        - ``labelWithoutKey``: a label equals none of the keys
        - ``outputTooLarge``: `pair` and `border` (8*n**2 + 8*n bytes) exceed
          the memory available
        @include integer_too_large
    @include native_type_errors

    See Also
    --------
    mexsets.octave.boundary_sums : The Octave-faithful form (1-based ids, 0
        for the border).
    boundary_grid : The key grid, the keys and their ids.
    region_graph : The region graph of a label image in one call.

    Notes
    -----
    Equals ``mexsets.octave.boundary_sums(n, first + 1, second + 1, keys,
    labels, weights)`` to the bit.

    Examples
    --------
    >>> from mexsets import boundary_sums
    >>> labels = [[0, 5, 0], [7, 0, 5], [0, 7, 0]]
    >>> weights = [[0, 1, 0], [2, 0, 3], [0, 4, 0]]
    >>> pair, border = boundary_sums(2, [0, -1], [1, 0], [5, 7], labels, weights)
    >>> pair
    array([[0., 4.],
           [0., 0.]])
    >>> border
    array([6., 0.])

    Key 5 sums cells ``[0, 1]`` and ``[1, 2]`` into ``pair[0, 1]``; key 7
    sums cells ``[1, 0]`` and ``[2, 1]`` into ``border[0]``.
    """
    plan = _PLAN
    if type(keys) is not np.ndarray or not keys.size:
        fn = "boundary_sums"
        keys = _c.vector(fn, "keys", keys)
        if keys.size == 0:   # no key: 0-by-0, as the computation reads an empty list
            _c.ids(fn, "first", first, 1)
            _c.ids(fn, "second", second, 1)
            keys = first = second = _EMPTY
            plan = _PLAN_NO_KEYS
    return BoundarySums(*_native.call_native(plan, threads, n, first, second, keys, labels,
                                             weights))


_EMPTY = np.zeros((0, 0))
# The extension checks the inputs and shifts first and second as it reads
# them.
_PLAN = _native.native_plan(
    (_c.scalar_in("n"), _c.ids_in("first", 1), _c.ids_in("second", 1), _c.array_in("keys", 1),
     _c.array_in("labels", 2), _c.array_in("weights", 2)), ())
_PLAN_NO_KEYS = _native.native_plan(
    (_c.scalar_in("n"), _c.as_is("first"), _c.as_is("second"), _c.as_is("keys"),
     _c.array_in("labels", 2), _c.array_in("weights", 2)), ())
