"""tree_leaf_matrix over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.tree_leaf_matrix)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _tree_leaf_matrix_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Scalar


def tree_leaf_matrix(merges: ArrayLike, sets: ArrayLike, base: Scalar = 1) -> Doubles:
    """List the leaves below each node set as a padded id matrix.

    `merges` and `sets` are read as :func:`mexsets.tree_leaf_sets` reads
    them, and row ``j`` of the result holds the leaves of
    ``tree_leaf_sets(merges, sets)[j]``, ascending, padded to the longest
    row. Nodes and leaves are numbered **from 1** in the inputs. The leaves
    are ``1 .. L`` with L = trunc(``merges[0, -1]`` - 1), and there are
    L + R1 nodes in all.

    Parameters
    ----------
    merges : array_like, shape (R1, N1)
        1-based node ids, one merge per row: columns ``0 .. N1-2`` list
        child ids, each row ended by 0 (negative entries and NaN do not end
        it); column ``N1-1`` holds the 1-based id of the node the row adds
        them to. Ids, and L, are truncated toward zero (2.9 names node 2).
    sets : array_like, shape (R2, C2)
        1-based node ids, each row ended by 0. A 1-D array is one row.
    base : {1, 0}, default 1
        1: the result holds 1-based leaf ids, rows padded with 0 (as
        :func:`mexsets.score_subsets` reads them). 0: 0-based leaf ids,
        rows padded with -1 (as :func:`mexsets.rank_diverse`,
        :func:`mexsets.suppress_overlaps` and :func:`mexsets.set_features`
        read them). Of an array, the first element is read.

    Returns
    -------
    leaves : ndarray of float64, shape (R2, C), Fortran order
        Row ``j`` holds, in ascending order, the leaves below the nodes that
        row ``j`` of `sets` names (numbered from `base`), then the padding.
        C is the largest number of leaves of a row (0 when no row has any).
        A leaf below two listed nodes (or copied twice into one) appears
        twice.

    @include raises
        - ``dimensionsNotCoherent``: `merges` or `sets` has more than two
          dimensions
        - ``badScalar``: `base` is empty
        - ``badBase``: `base` is neither 0 nor 1
        @include merge_tree_errors R1
        - ``idOutOfRange``: a node id in `merges` or `sets` outside
          1..L+R1 (inf too)
        - ``idNotANumber``: such an id, or ``merges[0, -1]``, is NaN
        - ``resultTooLarge``: the result would hold more entries than can
          be addressed
        - ``outputTooLarge``: the result would exceed the memory available
          (MemAvailable, or ``MEXSETS_MEMORY_LIMIT`` bytes when that
          environment variable is set)
        @include integer_too_large
        - ``outOfMemory``: no memory left for the tree
    @include type_errors

    See Also
    --------
    mexsets.tree_leaf_matrix : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.tree_leaf_matrix``: the same ids,
    shapes and bits as the Octave and MATLAB function tree_leaf_matrix, for porting
    their code.

    Examples
    --------
    L = 3; node 4 holds leaves 1 and 2, node 5 holds leaves 1, 2 and 3. Row
    1 of `sets` names leaf 2 and node 4, which holds it again, so 2 appears
    twice:

    >>> from mexsets.octave import tree_leaf_matrix
    >>> merges = [[1, 2, 4], [4, 3, 5]]
    >>> tree_leaf_matrix(merges, [[5, 0], [2, 4], [3, 0]])
    array([[1., 2., 3.],
           [1., 2., 2.],
           [3., 0., 0.]])
    >>> tree_leaf_matrix(merges, [[5, 0], [2, 4], [3, 0]], base=0)
    array([[ 0.,  1.,  2.],
           [ 0.,  1.,  1.],
           [ 2., -1., -1.]])
    """
    return _native.call(merges, sets, base)
