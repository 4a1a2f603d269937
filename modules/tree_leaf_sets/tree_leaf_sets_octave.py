"""tree_leaf_sets over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.tree_leaf_sets)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _tree_leaf_sets_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, List, NDArray, np


def tree_leaf_sets(merges: ArrayLike, sets: ArrayLike) -> List[NDArray[np.uint32]]:
    """List the sorted leaves below each node set of a merge tree.

    Nodes and leaves are numbered **from 1**. The leaves are ``1 .. L`` with
    L = trunc(``merges[0, -1]`` - 1), and there are L + R1 nodes in all.
    Rows of `merges` are applied in order and a child is read as it is at
    that moment, so a node must be created before a row names it as a child;
    a merge node that no row creates holds no leaf.

    Parameters
    ----------
    merges : array_like, shape (R1, N1)
        1-based node ids, one merge per row: columns ``0 .. N1-2`` list
        child ids, each row ended by 0 (negative entries and NaN do not end
        it); column ``N1-1`` holds the 1-based id of the node the row adds
        them to. Ids, and L, are truncated toward zero (2.9 names node 2).
    sets : array_like, shape (R2, C2)
        1-based node ids, each row ended by 0. A 1-D array is one row.

    Returns
    -------
    leaves : list of R2 ndarrays of uint32, each 1-D
        ``leaves[j]`` holds, in ascending order, the 1-based ids of the
        leaves below the nodes that row ``j`` of `sets` names (empty when it
        names none). It is a multiset: a leaf below two listed nodes (or
        copied twice into one) appears twice. The lists take 4 bytes a leaf
        plus a small array header (about 128 bytes) each; no list is made
        before the whole result is known to fit.
        @include memory

    @include raises
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        @include merge_tree_errors R1
        - ``idOutOfRange``: a node id in `merges` or `sets` outside
          1..L+R1 (inf too)
        - ``idNotANumber``: such an id, or ``merges[0, -1]``, is NaN
        - ``resultTooLarge``: a list would hold more leaves than can be
          addressed
        - ``outputTooLarge``: all the lists together exceed the memory
          available
        @include integer_too_large
        - ``outOfMemory``: no memory left for the tree
    @include type_errors

    See Also
    --------
    mexsets.tree_leaf_sets : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.tree_leaf_sets``: the same ids,
    shapes and bits as the Octave and MATLAB function tree_leaf_sets, for porting
    their code.

    Examples
    --------
    L = 3; node 4 holds leaves 1 and 2, node 5 holds leaves 1, 2 and 3. Row
    1 of `sets` names leaf 2 and node 4, which holds it again, so 2 appears
    twice:

    >>> from mexsets.octave import tree_leaf_sets
    >>> tree_leaf_sets([[1, 2, 4], [4, 3, 5]], [[5, 0], [2, 4], [3, 0]])
    [array([1, 2, 3], dtype=uint32), array([1, 2, 2], dtype=uint32), array([3], dtype=uint32)]
    """
    return _native.call(merges, sets)
