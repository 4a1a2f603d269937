"""tree_overlap_matrix over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.tree_overlap_matrix)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _tree_overlap_matrix_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles


def tree_overlap_matrix(unused: ArrayLike, merges: ArrayLike, node_rows: ArrayLike) -> Doubles:
    """Sum the leaf weight shared by each pair of nodes of a merge tree.

    Node ids are **0-based**. With R rows in `node_rows` (one per node) and
    R2 rows in `merges`, nodes ``0 .. L-1`` are the leaves (L = R - R2) and
    node ``k`` is row and column ``k`` of the result.

    Rows of `merges` run first to last; a node gathers the leaves of its
    children as they stand when its row runs, so list a merge node as a child
    only after the row that creates it. A child listed twice counts twice,
    and a row whose new id already holds leaves (a leaf, or an earlier row's
    node) adds to them.

    Parameters
    ----------
    unused : array_like
        Never read; any real numeric array of at most two dimensions will do
        (``[]``, say).
    merges : array_like, shape (R2, C)
        0-based node ids. Row ``r`` lists its children's ids in columns
        ``0 .. C-2``, ended by the first negative entry (-1, say; NaN and -0
        do not end a row); column ``C-1`` holds the 0-based id of the node
        the row creates. Ids are truncated toward zero (2.7 is node 2) and
        must then lie in ``0 .. R-1``.
    node_rows : array_like, shape (R, C1)
        One row per node; ``node_rows[k, 0]`` is the weight of leaf ``k``
        and nothing else is read. A 1-D array is one row, so pass weights as
        a column (shape (R, 1)).

    Returns
    -------
    overlaps : ndarray of float64, shape (R, R), Fortran order
        For two distinct nodes ``d`` and ``i`` (0-based) of which at least
        one is a merge node, ``overlaps[d, i]`` is the total weight of the
        leaves below both (a leaf held a times by one node and b times by the
        other counts min(a, b) times). The matrix is symmetric; its diagonal
        and the entries between two leaves are 0. Each entry is summed in
        ascending leaf order from +0, so results are reproducible bit for
        bit. It takes 8*R**2 bytes.
        @include memory

    @include raises
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        - ``tooFewNodeRows``: `node_rows` has fewer rows than `merges`
        - ``noNewIdColumn``: `merges` has rows but no columns
        - ``tooManyNodes``: `node_rows` has more than 2**32 rows
        - ``idOutOfRange``: a new id or child id outside 0..R-1 (inf too)
        - ``idNotANumber``: a new id or child id is NaN
        - ``childIsNewNode``: a row lists its own new node as a child
        - ``leafCountTooLarge``: a node would hold one leaf 2**32 times or
          more
        - ``noLeafWeights``: `node_rows` has no column but a merge node has
          leaves
        - ``outputTooLarge``: the result (8*R**2 bytes) exceeds the memory
          available
        @include integer_too_large
        - ``outOfMemory``: no memory left for the leaf lists
    @include type_errors

    See Also
    --------
    mexsets.tree_overlap_matrix : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.tree_overlap_matrix``: the same ids,
    shapes and bits as the Octave and MATLAB function tree_overlap_matrix, for porting
    their code.

    Examples
    --------
    Node 3 merges leaves 0 and 1, node 4 merges node 3 and leaf 2:

    >>> from mexsets.octave import tree_overlap_matrix
    >>> merges = [[0, 1, -1, 3], [3, 2, -1, 4]]
    >>> tree_overlap_matrix([], merges, [[2], [3], [5], [0], [0]])
    array([[0., 0., 0., 2., 2.],
           [0., 0., 0., 3., 3.],
           [0., 0., 0., 0., 5.],
           [2., 3., 0., 0., 5.],
           [2., 3., 5., 5., 0.]])

    ``overlaps[3, 4]`` is 5, the weight 2 + 3 of leaves 0 and 1, held by
    both.
    """
    return _native.call(unused, merges, node_rows)
