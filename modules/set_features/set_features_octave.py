"""set_features over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.set_features)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _set_features_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Optional, Scalar, Tuple, Union


def set_features(ids: ArrayLike, v: ArrayLike, mode: Scalar = 1,
                 w: Optional[ArrayLike] = None) -> Union[Doubles, Tuple[Doubles, Doubles]]:
    """Aggregate per set: minimum, ratio, perimeter, box.

    Row ``i`` of `ids` lists the **0-based** ids of set ``i`` (id ``a`` is
    row ``a`` of `v`) from its first column on, up to the first negative
    entry (NaN does not end a row) or the end of the row. Ids are truncated
    toward zero (2.9 is 2). Per row, `mode` selects:

    - 1: ``features`` = the minimum of ``v[a, 0]`` over the row's ids
    - 2: ``features`` = minimum / maximum of those values, ``extra`` = their
      sum
    - 3: ``extra`` = the sum, over every two positions ``j < k`` of a row, of
      ``w[id_j, id_k]`` (the id listed first gives the row of `w`), and
      ``features`` = the sum of the values - 2 * ``extra``: the perimeter of
      a region whose boundary lengths `v` and shared boundaries `w` describe
    - 4: ``extra`` = the (M, 4) box ``[min v[a, 0], min v[a, 1],
      max v[a, 2], max v[a, 3]]`` over the row's ids; ``features`` stays
      zeros
    - any other mode is refused (``badMode``); earlier releases returned
      zeros for it.

    A running minimum starts at the largest double and takes a value only
    when it is smaller, a maximum only when it is larger, so NaN values never
    enter them (sums do take NaN in). The mode 2 maximum starts at the
    smallest positive normal double (``np.finfo(float).tiny``), not at minus
    the largest: an empty row gives inf, and a row whose values are all
    ``<= tiny`` divides by ``tiny``. The box starts at ``[max, max, -max,
    -max]``. Sums run left to right from 0 and mode 3's ``features`` is
    computed as ``extra * -2 + (sum of values)``, so results are
    reproducible bit for bit.

    Parameters
    ----------
    ids : array_like, shape (M, N)
        0-based ids into the rows of `v`, each row ended by its first
        negative entry.
    v : array_like, shape (K, C)
        Values, one row per id: modes 1 to 3 read column 0 (C >= 1), mode 4
        columns 0 to 3 (C >= 4). A 1-D array is one row, so pass a column
        (``[[10], [12]]``) for several ids.
    mode : int or float, optional
        The aggregate, truncated toward zero (2.9 is 2, 0.5 is 0 and
        refused); NaN and inf are refused. Default 1.
    w : array_like, shape (K1, K2), or scipy.sparse; optional
        Pair weights, required in mode 3 and read only there. A vector is a
        matrix of one row (1-D) or one column here, not a diagonal: its
        diagonal would weigh only pairs of a repeated id.
        @include sparse_weights w
        A sparse `w` keeps its nonzero entries of the addressed square (12
        bytes each) and 48 bytes per addressable id.

    Every input may be of any real dtype; it is read as float64.

    Returns
    -------
    features : ndarray of float64, shape (M,)
        Returned alone in mode 1.
    extra : ndarray of float64, shape (M,), or shape (M, 4) in mode 4
        Modes 2, 3 and 4 only: the result is then the tuple
        ``(features, extra)``. The box of mode 4 is Fortran-ordered.

    `features` takes 8*M bytes, `extra` 8*M (modes 2 and 3) or 32*M (mode 4).

    @include raises
        - ``nargin``: mode 3 without `w`
        - ``dimensionsNotCoherent``: `ids`, `v` or `w` has more than two
          dimensions
        @include integer_too_large
        - ``badScalar``: `mode` is empty
        - ``badMode``: `mode` truncates to none of 1, 2, 3, 4
        - ``tooFewColumns``: `v` lacks a column the mode reads, and a row has
          ids
        - ``idOutOfRange``: an id >= ``v.shape[0]`` (mode 3: or a dimension
          of `w`)
        - ``idNotANumber``: an id is NaN
        - ``badSparseStructure``: a sparse `w` whose column starts or row
          indices are out of range, or whose row indices do not strictly
          ascend in a column (unsorted or repeated entries)
        - ``outOfMemory``: no memory left for the scratch of modes 3 and 4
    @include type_errors

    See Also
    --------
    mexsets.set_features : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.set_features``: the same ids,
    shapes and bits as the Octave and MATLAB function set_features, for porting
    their code.

    Examples
    --------
    >>> from mexsets.octave import set_features
    >>> perimeter, shared = set_features([0, 1, -1], [[10], [12]], 3, [[0, 3], [3, 0]])
    >>> shared
    array([3.])
    >>> perimeter
    array([16.])

    (10 + 12 - 2*3: the two regions share the boundary ``w[0, 1]``.)

    The same with a sparse `w`:

    >>> from scipy import sparse
    >>> set_features([0, 1, -1], [[10], [12]], 3, sparse.csr_array([[0, 3], [3, 0]]))
    (array([16.]), array([3.]))

    >>> ratio, total = set_features([[0, 1, 2], [2, -1, 0]], [[2], [4], [8]], mode=2)
    >>> ratio
    array([0.25, 1.  ])
    >>> total
    array([14.,  8.])
    >>> set_features([[0, 1, 2], [2, -1, 0]], [[2], [4], [8]])
    array([2., 8.])
    """
    return _native.call(ids, v, mode, w)
