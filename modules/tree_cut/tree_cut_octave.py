"""tree_cut over NumPy arrays, as Octave and MATLAB number and shape its
inputs and results (mexsets.octave.tree_cut)."""
from __future__ import annotations

from typing import TYPE_CHECKING

from .. import _tree_cut_native as _native

if TYPE_CHECKING:
    from .._typing import ArrayLike, Doubles, Optional


def tree_cut(merges: ArrayLike, heights: ArrayLike, count: Optional[ArrayLike] = None,
             *, height: Optional[ArrayLike] = None) -> Doubles:
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
        **1-based** node ids, as `merge_regions` gives them: row ``r`` is
        ``[c1, c2, L + r + 1]``, the two nodes joined by merge ``r`` and the
        node it makes; leaves are nodes 1..L. No row (shape (0, 3), or an
        empty array) is a tree of one leaf. Every id must be a whole number
        in 1..2L-1, the third column ``L + r + 1``, and each child a leaf or
        a node made by an earlier row, a child of no other row.
    heights : array_like, L-1 elements
        Each merge's height, as `merge_regions` gives it; only a cut at
        `height` reads the values.
    count : int, optional
        Number of regions, a whole number in 1..L.
    height : float, optional
        Height to cut at, any number but NaN.

    Returns
    -------
    leaf_labels : ndarray of float64, shape (L,)
        Region of every leaf, numbered 1..K by first appearance in leaf
        order: leaf 1 is in region 1, the first leaf outside it in region
        2, and so on (``leaf_labels[n]`` is leaf ``n + 1``'s). With the
        regions of `region_graph`, region ``n + 1`` being the ``n``-th
        smallest label value (from 0), one indexing step cuts a label
        image::

            _, region = np.unique(labels, return_inverse=True)
            cut = leaf_labels[region].reshape(labels.shape)

        It takes 8 bytes a leaf, and the work 8 bytes a merge and 8 a node.
        @include memory

    @include raises
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
        - ``idOutOfRange``: an id outside 1..2L-1 (inf too)
        - ``idNotWhole``: an id is not a whole number
        - ``badNewNode``: ``merges[r, 2]`` is not ``L + r + 1``
        - ``childNotMade``: a child is not a leaf or made by an earlier row
        - ``childReused``: a child is a child of an earlier row too
        @include integer_too_large
        - ``outputTooLarge``: the labels exceed the memory available (or
          ``MEXSETS_MEMORY_LIMIT``)
        - ``outOfMemory``: no memory left for the tree
    @include type_errors

    See Also
    --------
    mexsets.tree_cut : The same computation in NumPy conventions (0-based ids).

    Notes
    -----
    This is the Octave-faithful form of ``mexsets.tree_cut``: the same ids,
    shapes and bits as the Octave and MATLAB function tree_cut, for porting
    their code.

    Examples
    --------
    The tree of `merge_regions`' example; its last merge has height NaN, so
    no height reaches it:

    >>> from mexsets.octave import tree_cut
    >>> merges = [[1, 2, 6], [3, 4, 7], [6, 7, 8], [5, 8, 9]]
    >>> heights = [0.5, 1, 2.5, float("nan")]
    >>> tree_cut(merges, heights, count=3)
    array([1., 1., 2., 2., 3.])
    >>> tree_cut(merges, heights, height=2)
    array([1., 1., 2., 2., 3.])
    >>> tree_cut(merges, heights, height=float("inf"))
    array([1., 1., 1., 1., 2.])
    """
    return _native.call(merges, heights, count, height)
