"""tree_occurrence_masks over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.tree_occurrence_masks)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _tree_occurrence_masks_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, NDArray, np


def tree_occurrence_masks(labels: ArrayLike, merges: ArrayLike,
                          sets: ArrayLike) -> NDArray[np.bool_]:
    """Mark where each node set of a merge tree occurs in a label matrix.

    Nodes are numbered **from 1**; L = trunc(``merges[0, -1]`` - 1) is the
    number of leaves and there are L + R2 nodes. A position belongs to its
    label's node and to every node above it. Rows of `merges` are applied in
    order and a child is read as it is at that moment, so a node must be
    created before a row names it as a child (a later node contributes only
    its own labels).

    Parameters
    ----------
    labels : array_like, shape (M, N)
        1-based node ids: ``labels[i, j]`` names the node that position
        ``(i, j)`` belongs to, normally a leaf. There is no background
        value, so 0 is no valid label.
    merges : array_like, shape (R2, C2)
        1-based node ids, one merge per row: row ``r`` (0-based) creates
        node L + r + 1 from the child ids in columns ``0 .. C2-2``, each row
        ended by 0 (negative entries and NaN do not end it). Of the last
        column only ``merges[0, -1]`` (L + 1) is read.
    sets : array_like, shape (K, C3)
        1-based node ids, each row ended by 0. A 1-D array is one row.

    Ids, and L, are truncated toward zero (2.9 names node 2).

    Returns
    -------
    masks : ndarray of bool, shape (M, N, K), Fortran order
        ``masks[:, :, k]`` is True at the positions that belong to at least
        one node listed in row ``k`` of `sets`. It takes M*N*K bytes.
        @include memory

    @include raises
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        @include merge_tree_errors R2
        - ``idOutOfRange``: a label, child or node-set id outside 1..L+R2
          (inf too)
        - ``idNotANumber``: such an id, or ``merges[0, -1]``, is NaN
        - ``outputTooLarge``: M*N*K flags exceed the address range or the
          memory available
        @include integer_too_large
        - ``outOfMemory``: no memory left for the node links
    @include type_errors

    See Also
    --------
    mexsets.tree_occurrence_masks : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.tree_occurrence_masks``: the same ids,
    shapes and bits as the Octave and MATLAB function tree_occurrence_masks, for porting
    their code.

    Examples
    --------
    L = 3; node 4 merges leaves 1 and 2, node 5 node 4 and leaf 3. Plane 0
    is node 4, plane 1 nodes 3 and 1:

    >>> from mexsets.octave import tree_occurrence_masks
    >>> m = tree_occurrence_masks([[1, 1, 2], [3, 3, 2]], [[1, 2, 4], [4, 3, 0]],
    ...                           [[4, 0], [3, 1]])
    >>> m.shape
    (2, 3, 2)
    >>> m[:, :, 0]
    array([[ True,  True,  True],
           [False, False,  True]])
    >>> m[:, :, 1]
    array([[ True,  True, False],
           [ True,  True, False]])
    """
    return _native.call(labels, merges, sets)
