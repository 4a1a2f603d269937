"""set_features in NumPy conventions (mexsets.set_features)."""
from __future__ import annotations

from typing import TYPE_CHECKING, Optional, Union, overload

import numpy as np

from . import _convert as _c
from . import _set_features_native as _native
from ._results import Perimeter, Ratio

if TYPE_CHECKING:
    from ._typing import ArrayLike, Doubles, Literal, Sets

_MODES = {"min": 1, "ratio": 2, "perimeter": 3, "box": 4}


@overload
def set_features(sets: Sets, v: ArrayLike, mode: Literal["min"] = "min", *,
                 w: Optional[ArrayLike] = None, threads: Optional[int] = None) -> Doubles: ...
@overload
def set_features(sets: Sets, v: ArrayLike, mode: Literal["ratio"], *,
                 w: Optional[ArrayLike] = None, threads: Optional[int] = None) -> Ratio: ...
@overload
def set_features(sets: Sets, v: ArrayLike, mode: Literal["perimeter"], *,
                 w: Optional[ArrayLike] = None, threads: Optional[int] = None) -> Perimeter: ...
@overload
def set_features(sets: Sets, v: ArrayLike, mode: Literal["box"], *,
                 w: Optional[ArrayLike] = None, threads: Optional[int] = None) -> Doubles: ...


def set_features(sets: Sets, v: ArrayLike, mode: str = "min", *,
                 w: Optional[ArrayLike] = None,
                 threads: Optional[int] = None) -> Union[Doubles, Ratio, Perimeter]:
    """Aggregate per set: minimum, ratio, perimeter, box.

    Set ``i`` lists **0-based** ids (id ``a`` is entry or row ``a`` of
    `v`). Per set, `mode` selects one result:

    - ``'min'``: ndarray (M,), the minimum of ``v[a]`` over the set's ids
    - ``'ratio'``: named tuple ``Ratio(ratio, total)``: minimum / maximum
      of those values, and their sum
    - ``'perimeter'``: named tuple ``Perimeter(perimeter, shared)``:
      `shared` is the sum, over every two positions ``j < k`` of a set, of
      ``w[id_j, id_k]`` (the id listed first gives the row of `w`), and
      `perimeter` the sum of the values - 2 * `shared`: the perimeter of a
      region whose boundary lengths `v` and shared boundaries `w` describe
    - ``'box'``: ndarray (M, 4), the box ``[min v[a, 0], min v[a, 1],
      max v[a, 2], max v[a, 3]]`` over the set's ids

    A running minimum starts at the largest double and takes a value only
    when it is smaller, a maximum only when it is larger, so NaN values never
    enter them (sums do take NaN in). The ``'ratio'`` maximum starts at the
    smallest positive normal double (``np.finfo(float).tiny``): an empty set
    gives inf. The box starts at ``[max, max, -max, -max]``. Sums run left to
    right from 0 and the perimeter is computed as ``shared * -2 + (sum of
    values)``, so results are reproducible bit for bit.

    Parameters
    ----------
    sets : array_like, shape (M, N), or sequence of 1-D array_like
        0-based ids: a 2-D array whose rows end at their first negative
        entry (pad with -1), or a sequence of 1-D sets (ragged). Ids are
        whole numbers of any integer or float dtype, below K.
    v : array_like, shape (K,), or (K, 4) for ``'box'``
        One value per id (``'box'``: one box ``[x0, y0, x1, y1]`` per id).
    mode : {'min', 'ratio', 'perimeter', 'box'}, default 'min'
        The aggregate.
    w : array_like, shape (K1, K2), or scipy.sparse; optional
        Pair weights, required by ``'perimeter'`` and read only there.
        @include sparse_weights w
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    ndarray of float64, shape (M,)
        ``'min'``: the minimum per set.
    Ratio
        ``'ratio'``: ``(ratio, total)``, each ndarray of float64, shape (M,).
    Perimeter
        ``'perimeter'``: ``(perimeter, shared)``, each ndarray of float64,
        shape (M,).
    ndarray of float64, shape (M, 4), Fortran order
        ``'box'``: the box per set.

    @include native_raises
        @include id_not_whole
        - ``badChoice``: `mode` is not one of the four names
        - ``tooFewColumns``: `v` has fewer than 4 columns in ``'box'`` and
          a set has ids
        - ``idOutOfRange``: an id >= K (``'perimeter'``: or a dimension of
          `w`)
        - ``idNotANumber``: an id is NaN
        - ``dimensionsNotCoherent``: `w` has more than two dimensions
        - ``badSparseStructure``: a sparse `w` whose column starts or row
          indices are out of range, or whose row indices do not strictly
          ascend in a column (unsorted or repeated entries)
        @include integer_too_large
        - ``outOfMemory``: no memory left for the scratch of ``'perimeter'``
          and ``'box'``
    @include native_type_errors

    See Also
    --------
    mexsets.octave.set_features : The Octave-faithful form (numeric modes,
        `v` as a column).
    score_subsets : Sums of two value vectors per set.
    region_graph : Boundary lengths and areas of the regions of a label image.

    Notes
    -----
    Equals ``mexsets.octave.set_features(sets, v.reshape(-1, 1), k, w)``
    to the bit, k = 1, 2, 3, 4 for the four modes (``'box'``: its second
    result).

    Examples
    --------
    >>> from mexsets import set_features
    >>> set_features([[0, 1, 2], [2]], [2, 4, 8])
    array([2., 8.])
    >>> set_features([[0, 1, 2], [2], []], [2, 4, 8], 'ratio')
    Ratio(ratio=array([0.25, 1.  ,  inf]), total=array([14.,  8.,  0.]))

    Two regions with boundary lengths 10 and 12 sharing 3 of them:

    >>> set_features([[0, 1]], [10, 12], 'perimeter', w=[[0, 3], [3, 0]])
    Perimeter(perimeter=array([16.]), shared=array([3.]))
    >>> set_features([[0, 1]], [[0, 0, 2, 2], [1, -1, 3, 1]], 'box')
    array([[ 0., -1.,  3.,  2.]])
    """
    fn = "set_features"
    code = _MODES.get(mode) if type(mode) is str else None
    if code is None:
        raise _c.Error(f"{fn}: mode must be 'min', 'ratio', 'perimeter' or 'box'; got {mode!r}",
                       f"mexsets:{fn}:badChoice")
    if type(sets) is not np.ndarray:
        sets = _c.set_matrix(fn, "sets", sets)
    out = _native.call_native(_PLANS[code], threads, sets, v, code, w if code == 3 else None)
    if code == 1:
        return out
    if code == 2:
        return Ratio(*out)
    if code == 3:
        return Perimeter(*out)
    return out[1]


# One plan per mode: the extension checks the inputs as it reads them (v as
# one column but in 'box'; w required in 'perimeter').
_PLANS = {code: _native.native_plan(
    (_c.sets_in("sets"), _c.array_in("v", 2) if code == 4 else _c.column_in("v"),
     _c.as_is("mode"), _c.as_is("w", code == 3)), ()) for code in _MODES.values()}
