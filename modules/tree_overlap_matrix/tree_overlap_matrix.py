"""tree_overlap_matrix in NumPy conventions (mexsets.tree_overlap_matrix)."""
from __future__ import annotations

from typing import TYPE_CHECKING, Optional

import numpy as np

from . import _convert as _c
from . import _tree_overlap_matrix_native as _native

if TYPE_CHECKING:
    from ._typing import ArrayLike, Doubles


def tree_overlap_matrix(merges: ArrayLike, weights: ArrayLike, *,
                        threads: Optional[int] = None) -> Doubles:
    """Sum the leaf weight shared by each pair of nodes of a merge tree.

    Node ids are **0-based**. With R weights (one per node) and R2 rows in
    `merges`, nodes ``0 .. L-1`` are the leaves (L = R - R2) and node ``k``
    is row and column ``k`` of the result.

    Rows of `merges` run first to last; a node gathers the leaves of its
    children as they stand when its row runs, so list a merge node as a child
    only after the row that creates it. A child listed twice counts twice,
    and a row whose new id already holds leaves (a leaf, or an earlier row's
    node) adds to them.

    Parameters
    ----------
    merges : array_like, shape (R2, C)
        0-based node ids, as `merge_regions` gives them. Row ``r`` lists its
        children in columns ``0 .. C-2``, ended by the first negative entry
        (-1, say); column ``C-1`` holds the node the row creates. Ids are
        whole numbers (any integer or float dtype) in ``0 .. R-1``.
    weights : array_like, shape (R,)
        One weight per node; only the leaves' are read, so the `areas` of
        `merge_regions` serve as they are.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    overlaps : ndarray of float64, shape (R, R), Fortran order
        For two distinct nodes ``d`` and ``i`` of which at least one is a
        merge node, ``overlaps[d, i]`` is the total weight of the leaves
        below both (a leaf held a times by one node and b times by the other
        counts min(a, b) times). The matrix is symmetric; its diagonal and
        the entries between two leaves are 0. Each entry is summed in
        ascending leaf order from +0, so results are reproducible bit for
        bit. It takes 8*R**2 bytes.
        @include memory

    @include native_raises
        @include id_not_whole
        - ``tooFewNodeRows``: `weights` has fewer entries than `merges` rows
        - ``noNewIdColumn``: `merges` has rows but no columns
        - ``tooManyNodes``: `weights` has more than 2**32 entries
        - ``idOutOfRange``: a new id or child id outside 0..R-1 (inf too)
        - ``idNotANumber``: a new id or child id is NaN
        - ``childIsNewNode``: a row lists its own new node as a child
        - ``leafCountTooLarge``: a node would hold one leaf 2**32 times or
          more
        - ``outputTooLarge``: the result (8*R**2 bytes) exceeds the memory
          available
        @include integer_too_large
        - ``outOfMemory``: no memory left for the leaf lists
    @include native_type_errors

    See Also
    --------
    mexsets.octave.tree_overlap_matrix : The Octave-faithful form (an unused
        first argument, weights as a column).
    merge_regions : The merge tree of a region graph.
    tree_leaf_sets : The leaves below given nodes.

    Notes
    -----
    Equals ``mexsets.octave.tree_overlap_matrix([], merges,
    weights.reshape(-1, 1))`` to the bit.

    Examples
    --------
    Node 3 merges leaves 0 and 1, node 4 merges node 3 and leaf 2:

    >>> from mexsets import tree_overlap_matrix
    >>> tree_overlap_matrix([[0, 1, 3], [3, 2, 4]], [2, 3, 5, 0, 0])
    array([[0., 0., 0., 2., 2.],
           [0., 0., 0., 3., 3.],
           [0., 0., 0., 0., 5.],
           [2., 3., 0., 0., 5.],
           [2., 3., 5., 5., 0.]])

    ``overlaps[3, 4]`` is 5, the weight 2 + 3 of leaves 0 and 1, held by
    both.
    """
    return _native.call_native(_PLAN, threads, _EMPTY, merges, weights)


_EMPTY = np.zeros((0, 0))
# The extension checks the inputs as it reads them (merges are 0-based in
# both layers; weights are read as one column).
_PLAN = _native.native_plan(
    (_c.as_is("unused"), _c.ids_in("merges", ndim=2), _c.column_in("weights")), ())
