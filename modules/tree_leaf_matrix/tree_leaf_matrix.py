"""tree_leaf_matrix in NumPy conventions (mexsets.tree_leaf_matrix)."""
from __future__ import annotations

from typing import TYPE_CHECKING

import numpy as np

from . import _convert as _c
from . import _tree_leaf_matrix_native as _native

if TYPE_CHECKING:
    from ._typing import ArrayLike, Ids, Optional, Sets


def tree_leaf_matrix(merges: ArrayLike, sets: Sets, *, threads: Optional[int] = None) -> Ids:
    """List the leaves below each node set as a padded id matrix.

    `merges` and `sets` are read as :func:`mexsets.tree_leaf_sets` reads
    them, and row ``j`` of the result holds the leaves of
    ``tree_leaf_sets(merges, sets)[j]``, ascending, padded with -1 to the
    longest row: the form of sets that :func:`mexsets.rank_diverse`,
    :func:`mexsets.suppress_overlaps`, :func:`mexsets.score_subsets` and
    :func:`mexsets.set_features` read. Nodes and leaves are numbered
    **from 0**. The leaves are ``0 .. L-1`` with L = ``merges[0, -1]``, and
    there are L + R1 nodes in all.

    Parameters
    ----------
    merges : array_like, shape (R1, N1)
        0-based node ids, one merge per row: columns ``0 .. N1-2`` list
        child ids, each row ended by its first negative entry (-1, say; NaN
        does not end it); column ``N1-1`` holds the id of the node the row
        adds them to. ``merges[0, -1]``, the first new node, is L.
        `merge_regions` gives this form. Ids are whole numbers of any
        integer or float dtype.
    sets : array_like, shape (R2, C2), or a sequence of R2 1-D sets
        0-based node ids: a 2-D array whose rows end at their first negative
        entry (-1 padding), or a sequence of 1-D arrays or lists of any
        lengths (``[]`` is an empty set). For one set, pass ``[ids]``.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    leaves : ndarray of intp, shape (R2, C)
        Row ``j`` holds, in ascending order, the 0-based leaves below the
        nodes that set ``j`` names, then -1 padding. C is the largest number
        of leaves of a row (0 when no row has any). A leaf below two listed
        nodes (or copied twice into one) appears twice.

    @include native_raises
        @include id_not_whole
        - ``dimensionsNotCoherent``: `merges` or `sets` has more than two
          dimensions
        - ``emptyMergeMatrix``: `merges` is empty
        - ``badLeafCount``: L = ``merges[0, -1]`` is negative
        - ``tooManyNodes``: L + R1 exceeds 2**32-1, or `merges` is too large
        - ``idOutOfRange``: a node id in `merges` or `sets` outside
          0..L+R1-1 (inf too)
        - ``idNotANumber``: such an id, or ``merges[0, -1]``, is NaN
        - ``resultTooLarge``: the result would hold more entries than can
          be addressed
        - ``outputTooLarge``: the result would exceed the memory available
          (MemAvailable, or ``MEXSETS_MEMORY_LIMIT`` bytes when that
          environment variable is set)
        @include integer_too_large
        - ``outOfMemory``: no memory left for the tree
    @include native_type_errors

    See Also
    --------
    tree_leaf_sets : The same leaves as a list of arrays.
    merge_regions : The merge tree of a region graph.
    mexsets.octave.tree_leaf_matrix : The Octave-faithful form (1-based ids
        by default).

    Notes
    -----
    Equals ``mexsets.octave.tree_leaf_matrix(merges + 1, sets + 1, base=0)``
    with every negative entry of `merges` and `sets` (after packing) made 0,
    as intp.

    Examples
    --------
    L = 3; node 3 holds leaves 0 and 1, node 4 holds leaves 0, 1 and 2. Set
    1 names leaf 1 and node 3, which holds it again, so 1 appears twice:

    >>> from mexsets import tree_leaf_matrix
    >>> tree_leaf_matrix([[0, 1, 3], [3, 2, 4]], [[4], [1, 3], [2]])
    array([[ 0,  1,  2],
           [ 0,  1,  1],
           [ 2, -1, -1]])
    """
    if type(sets) is not np.ndarray:
        sets = _c.set_matrix("tree_leaf_matrix", "sets", sets)
    return _native.call_native(_PLAN, threads, merges, sets, 0)


# The extension shifts the ids as it reads them and gives the leaves (base
# 0) as np.intp.
_PLAN = _native.native_plan(
    (_c.ids_in("merges", 1, 2, clamp=True), _c.sets_in("sets", 1, clamp=True),
     _c.as_is("base")), ("zero_based",))
