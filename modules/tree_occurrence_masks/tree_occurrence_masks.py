"""tree_occurrence_masks in NumPy conventions (mexsets.tree_occurrence_masks)."""
from __future__ import annotations

from typing import TYPE_CHECKING

import numpy as np

from . import _convert as _c
from . import _tree_occurrence_masks_native as _native

if TYPE_CHECKING:
    from ._typing import ArrayLike, NDArray, Optional, Sets


def tree_occurrence_masks(labels: ArrayLike, merges: ArrayLike, sets: Sets, *,
                          threads: Optional[int] = None) -> NDArray[np.bool_]:
    """Mark where each node set of a merge tree occurs in a label matrix.

    Nodes are numbered **from 0**; L = ``merges[0, -1]`` is the number of
    leaves and there are L + R2 nodes. A position belongs to its label's
    node and to every node above it. Rows of `merges` are applied in order
    and a child is read as it is at that moment, so a node must be created
    before a row names it as a child (a later node contributes only its own
    labels).

    Parameters
    ----------
    labels : array_like, shape (M, N)
        0-based node ids: ``labels[i, j]`` names the node that position
        ``(i, j)`` belongs to, normally a leaf (the region numbers of
        ``np.unique(image_labels, return_inverse=True)``, reshaped). There
        is no background value.
    merges : array_like, shape (R2, C2)
        0-based node ids, one merge per row: row ``r`` creates node L + r
        from the child ids in columns ``0 .. C2-2``, each row ended by its
        first negative entry (-1, say; NaN does not end it). Of the last
        column only ``merges[0, -1]`` (L) is read. `merge_regions` gives
        this form.
    sets : array_like, shape (K, C3), or a sequence of K 1-D sets
        0-based node ids: a 2-D array whose rows end at their first negative
        entry (-1 padding), or a sequence of 1-D arrays or lists of any
        lengths (``[]`` is an empty set). For one set, pass ``[ids]``.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Ids are whole numbers of any integer or float dtype.

    Returns
    -------
    masks : ndarray of bool, shape (M, N, K), Fortran order
        ``masks[:, :, k]`` is True at the positions that belong to at least
        one node listed in set ``k``. It takes M*N*K bytes.
        @include memory

    @include native_raises
        @include id_not_whole
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        - ``emptyMergeMatrix``: `merges` is empty
        - ``badLeafCount``: L = ``merges[0, -1]`` is negative
        - ``tooManyNodes``: L + R2 exceeds 2**32-1, or `merges` is too large
        - ``idOutOfRange``: a label, child or node-set id outside
          0..L+R2-1 (inf too)
        - ``idNotANumber``: such an id, or ``merges[0, -1]``, is NaN
        - ``outputTooLarge``: M*N*K flags exceed the address range or the
          memory available
        @include integer_too_large
        - ``outOfMemory``: no memory left for the node links
    @include native_type_errors

    See Also
    --------
    tree_leaf_sets : The leaves below each node set.
    tree_overlap_matrix : The leaf weight each pair of nodes shares.
    merge_regions : The merge tree of a region graph.
    mexsets.octave.tree_occurrence_masks : The Octave-faithful form (1-based
        ids).

    Notes
    -----
    Equals ``mexsets.octave.tree_occurrence_masks(labels + 1, merges + 1,
    sets + 1)`` with every negative entry of `merges` and `sets` (after
    packing) made 0.

    Examples
    --------
    L = 3; node 3 merges leaves 0 and 1, node 4 node 3 and leaf 2. Plane 0
    is node 3, plane 1 nodes 2 and 0:

    >>> from mexsets import tree_occurrence_masks
    >>> m = tree_occurrence_masks([[0, 0, 1], [2, 2, 1]], [[0, 1, 3], [3, 2, 4]],
    ...                           [[3], [2, 0]])
    >>> m.shape
    (2, 3, 2)
    >>> m[:, :, 0]
    array([[ True,  True,  True],
           [False, False,  True]])
    >>> m[:, :, 1]
    array([[ True,  True, False],
           [ True,  True, False]])
    """
    if type(sets) is not np.ndarray:
        sets = _c.set_matrix("tree_occurrence_masks", "sets", sets)
    return _native.call_native(_PLAN, threads, labels, merges, sets)


# The extension checks the inputs and shifts the ids as it reads them.
_PLAN = _native.native_plan(
    (_c.ids_in("labels", 1, 2), _c.ids_in("merges", 1, 2, clamp=True),
     _c.sets_in("sets", 1, clamp=True)), ())
