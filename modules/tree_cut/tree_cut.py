"""tree_cut in NumPy conventions (mexsets.tree_cut)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from . import _convert as _c
from . import _tree_cut_native as _native

if TYPE_CHECKING:
    from ._typing import ArrayLike, Ids, Optional


def tree_cut(merges: ArrayLike, heights: ArrayLike, count: Optional[ArrayLike] = None,
             *, height: Optional[ArrayLike] = None, threads: Optional[int] = None) -> Ids:
    """Label the leaves of a merge tree by the regions of a cut.

    Applies the first L - `count` merges of a merge tree over L leaves, in
    order, and gives the region of every leaf: `count` regions. Or cuts at
    `height`: applies the merges before the first one whose height is
    `height` or more, or NaN, the partition of greedy merging that stops
    once the weakest boundary left is not below `height` (scikit-image's
    ``merge_hierarchical`` with ``thresh=height``). Later merges count for
    nothing, even if their heights fall below `height` again. Give exactly
    one of `count` and `height`.

    Parameters
    ----------
    merges : array_like, shape (L-1, 3)
        **0-based** node ids, as `merge_regions` gives them: row ``r`` is
        ``[c1, c2, L + r]``, the two nodes joined by merge ``r`` and the
        node it makes; leaves are nodes 0..L-1. No row (shape (0, 3), or an
        empty array) is a tree of one leaf. Every id must be a whole number
        in 0..2L-2, the third column ``L + r``, and each child a leaf or a
        node made by an earlier row, a child of no other row.
    heights : array_like, L-1 elements
        Each merge's height, as `merge_regions` gives it; only a cut at
        `height` reads the values.
    count : int, optional
        Number of regions, a whole number in 1..L.
    height : float, optional
        Height to cut at, any number but NaN.
    threads : int, optional
        Worker threads of the computation (default: the extension's own).

    Returns
    -------
    leaf_labels : ndarray of intp, shape (L,)
        Region of every leaf, numbered 0..K-1 by first appearance in leaf
        order: leaf 0 is in region 0, the first leaf outside it in region
        1, and so on. With the regions of `region_graph` (the numbering of
        ``np.unique(labels, return_inverse=True)``), one indexing step cuts
        a label image::

            _, region = np.unique(labels, return_inverse=True)
            cut = leaf_labels[region].reshape(labels.shape)

        It takes 8 bytes a leaf, and the work 8 bytes a merge and 8 a node.
        @include memory

    @include native_raises
        @include id_not_whole
        - ``dimensionsNotCoherent``: an input has more than two dimensions
        - ``badMergeShape``: `merges` has rows but not 3 columns
        - ``tooManyMerges``: `merges` has 2**31 rows or more
        - ``sizeMismatch``: `heights` does not hold one element per row of
          `merges`
        - ``badCount``: `count` is not one whole number in 1..L
        - ``badHeight``: `height` is NaN or more than one value
        - ``noCut``: neither `count` nor `height` given
        - ``twoCuts``: both `count` and `height` given
        - ``idNotANumber``: an id in `merges` is NaN
        - ``idOutOfRange``: an id outside 0..2L-2 (inf too)
        - ``badNewNode``: ``merges[r, 2]`` is not ``L + r``
        - ``childNotMade``: a child is not a leaf or made by an earlier row
        - ``childReused``: a child is a child of an earlier row too
        @include integer_too_large
        - ``outputTooLarge``: the labels exceed the memory available (or
          ``MEXSETS_MEMORY_LIMIT``)
        - ``outOfMemory``: no memory left for the tree
    @include native_type_errors

    See Also
    --------
    merge_regions : The merge tree and heights this cuts.
    tree_leaf_sets : The leaves below nodes of the tree.
    region_graph : The regions of a label image, numbered as the leaves.
    mexsets.octave.tree_cut : The Octave-faithful form (1-based ids).

    Notes
    -----
    Equals ``mexsets.octave.tree_cut(merges + 1, heights, count,
    height=height) - 1``, as intp.

    Examples
    --------
    The tree of `merge_regions`' example; its last merge has height NaN, so
    no height reaches it:

    >>> from mexsets import tree_cut
    >>> merges = [[0, 1, 5], [2, 3, 6], [5, 6, 7], [4, 7, 8]]
    >>> heights = [0.5, 1, 2.5, float("nan")]
    >>> tree_cut(merges, heights, 3)
    array([0, 0, 1, 1, 2])
    >>> tree_cut(merges, heights, height=2)
    array([0, 0, 1, 1, 2])
    >>> tree_cut(merges, heights, height=float("inf"))
    array([0, 0, 0, 0, 1])
    """
    return _native.call_native(_PLAN, threads, merges, heights, count, height)


# The extension shifts the merges as it reads them and gives the regions as
# 0-based np.intp.
_PLAN = _native.native_plan(
    (_c.ids_in("merges", 1, 2), _c.as_is("heights"), _c.as_is("count", False),
     _c.as_is("height", False)), ("one_based",))
