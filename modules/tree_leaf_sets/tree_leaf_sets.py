"""tree_leaf_sets in NumPy conventions (mexsets.tree_leaf_sets)."""
from __future__ import annotations

from typing import TYPE_CHECKING

import numpy as np

from . import _convert as _c
from . import _tree_leaf_sets_native as _native

if TYPE_CHECKING:
    from ._typing import ArrayLike, List, NDArray, Optional, Sets


def tree_leaf_sets(merges: ArrayLike, sets: Sets, *,
                   threads: Optional[int] = None) -> List[NDArray[np.uint32]]:
    """List the sorted leaves below each node set of a merge tree.

    Nodes and leaves are numbered **from 0**. The leaves are ``0 .. L-1``
    with L = ``merges[0, -1]``, and there are L + R1 nodes in all. Rows of
    `merges` are applied in order and a child is read as it is at that
    moment, so a node must be created before a row names it as a child; a
    merge node that no row creates holds no leaf.

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
    leaves : list of R2 ndarrays of uint32, each 1-D
        ``leaves[j]`` holds, in ascending order, the 0-based leaves below the
        nodes that set ``j`` names (empty when it names none). It is a
        multiset: a leaf below two listed nodes (or copied twice into one)
        appears twice. The lists take 4 bytes a leaf plus a small array
        header (about 128 bytes) each; no list is made before the whole
        result is known to fit.
        @include memory

    @include native_raises
        @include id_not_whole
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        - ``emptyMergeMatrix``: `merges` is empty
        - ``badLeafCount``: L = ``merges[0, -1]`` is negative
        - ``tooManyNodes``: L + R1 exceeds 2**32-1, or `merges` is too large
        - ``idOutOfRange``: a node id in `merges` or `sets` outside
          0..L+R1-1 (inf too)
        - ``idNotANumber``: such an id, or ``merges[0, -1]``, is NaN
        - ``resultTooLarge``: a list would hold more leaves than can be
          addressed
        - ``outputTooLarge``: all the lists together exceed the memory
          available
        @include integer_too_large
        - ``outOfMemory``: no memory left for the tree
    @include native_type_errors

    See Also
    --------
    tree_occurrence_masks : Where the leaves of each set lie in a label image.
    tree_leaf_matrix : The same leaves as one padded matrix.
    tree_overlap_matrix : The leaf weight each pair of nodes shares.
    merge_regions : The merge tree of a region graph.
    mexsets.octave.tree_leaf_sets : The Octave-faithful form (1-based ids).

    Notes
    -----
    Equals, to the bit, ``mexsets.octave.tree_leaf_sets(merges + 1, sets +
    1)`` with every negative entry of `merges` and `sets` (after packing) made
    0, each list less one; the extension shifts the ids as it reads them and
    the lists once they are filled.

    Examples
    --------
    L = 3; node 3 holds leaves 0 and 1, node 4 holds leaves 0, 1 and 2. Set
    1 names leaf 1 and node 3, which holds it again, so 1 appears twice:

    >>> from mexsets import tree_leaf_sets
    >>> merges = [[0, 1, 3], [3, 2, 4]]
    >>> tree_leaf_sets(merges, [[4], [1, 3], [2]])
    [array([0, 1, 2], dtype=uint32), array([0, 1, 1], dtype=uint32), array([2], dtype=uint32)]

    The same sets padded with -1, and an empty set:

    >>> import numpy as np
    >>> tree_leaf_sets(merges, np.array([[4, -1], [1, 3], [-1, -1]]))
    [array([0, 1, 2], dtype=uint32), array([0, 1, 1], dtype=uint32), array([], dtype=uint32)]
    """
    if type(sets) is not np.ndarray:
        sets = _c.set_matrix("tree_leaf_sets", "sets", sets)
    return _native.call_native(_PLAN, threads, merges, sets)


# The extension shifts the ids as it reads them and makes the lists' leaves
# 0-based.
_PLAN = _native.native_plan(
    (_c.ids_in("merges", 1, 2, clamp=True), _c.sets_in("sets", 1, clamp=True)),
    ("leaf_lists",))
