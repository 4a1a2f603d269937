%TREE_CUT Label the leaves of a merge tree by the regions of a cut.
%   LEAF_LABELS = TREE_CUT(MERGES, HEIGHTS, COUNT) applies the first
%   L - COUNT merges of a merge tree over L leaves, in order, and gives the
%   region of every leaf: COUNT regions.
%   LEAF_LABELS = TREE_CUT(MERGES, HEIGHTS, 'height', HEIGHT) cuts at a
%   height instead: it applies the merges before the first
%   one whose height is HEIGHT or more, or NaN, the partition of greedy
%   merging that stops once the weakest boundary left is not below HEIGHT
%   (scikit-image's merge_hierarchical with thresh HEIGHT). Later merges
%   count for nothing, even if their heights fall below HEIGHT again.
%
%   MERGES is (L-1)-by-3 with 1-based node ids, as MERGE_REGIONS gives it:
%   row r is [C1 C2 L+r], the two nodes joined by merge r and the node it
%   makes; leaves are nodes 1..L. No row (zeros(0, 3) or []) is a tree of one
%   leaf. Every id must be a whole number in 1..2L-1, the third column
%   L+r, and each child a leaf or a node made by an earlier row, a child of
%   no other row. HEIGHTS (L-1 elements, any shape) holds each merge's
%   height, as MERGE_REGIONS gives it; only a cut at HEIGHT reads its
%   values. COUNT is a whole number in 1..L and HEIGHT any number but NaN;
%   give exactly one of them (an empty COUNT or HEIGHT is not given).
%
%   LEAF_LABELS (L-by-1) numbers the regions 1..K by first appearance in
%   leaf order: leaf 1 is in region 1, the first leaf outside it in region
%   2, and so on. With the regions of REGION_GRAPH, region n being the n-th
%   smallest label value, one indexing step cuts a label image:
%     [~, ~, region] = unique(labels);
%     cut = reshape(leaf_labels(region), size(labels));
%   All inputs are real, full, two-dimensional double matrices. A message
%   about an id names its row, column and value. Cost: linear in L; the
%   work takes 8 bytes a merge and 8 bytes a node, LEAF_LABELS 8*L bytes.
%@include memory
%
%@include errors
%     nargin                 not two or three inputs before the options
%     nargout                more than one output
%@include input_errors an input
%     badMergeShape          MERGES has rows but not 3 columns
%     tooManyMerges          MERGES has 2^31 rows or more
%     sizeMismatch           numel(HEIGHTS) ~= rows(MERGES)
%     badCount               COUNT is not one whole number in 1..L
%     badHeight              HEIGHT is NaN or more than one value
%     noCut                  neither COUNT nor HEIGHT given
%     twoCuts                both COUNT and HEIGHT given
%     idNotANumber           an id in MERGES is NaN
%     idOutOfRange           an id outside 1..2L-1 (Inf too)
%     idNotWhole             an id is not a whole number
%     badNewNode             MERGES(r, 3) is not L+r
%     childNotMade           a child is not a leaf or made by an earlier row
%     childReused            a child is a child of an earlier row too
%     outputTooLarge         LEAF_LABELS exceeds the memory
%     outOfMemory            no memory left for the tree
%
%   Example:
%     m = [1 2 6; 3 4 7; 6 7 8; 5 8 9];
%     h = [0.5; 1; 2.5; NaN];
%     c3 = tree_cut(m, h, 3);
%     % c3 = [1; 1; 2; 2; 3]
%     c2 = tree_cut(m, h, 'height', 2);
%     % c2 = [1; 1; 2; 2; 3]
%     ci = tree_cut(m, h, 'height', Inf);
%     % ci = [1; 1; 1; 1; 2]
%     % (m and h are MERGE_REGIONS' example tree; its last merge has
%     % height NaN, so no height reaches it)
%
%   See also MERGE_REGIONS, REGION_GRAPH, TREE_LEAF_SETS.

%!demo
%! % The tree of merge_regions' example, cut into 3 regions and at 2.
%! [merges, areas, heights] = merge_regions ([1 2 3 1], [2 3 4 3], ...
%!                                           [2 1 2 1], [1 3 2 2], [4 3 5 2 1]);
%! three = tree_cut (merges, heights, 3)
%! at_two = tree_cut (merges, heights, 'height', 2)

%!test
%! m = [1 2 6; 3 4 7; 6 7 8; 5 8 9];
%! h = [0.5; 1; 2.5; NaN];
%! assert (tree_cut (m, h, 5), (1:5)');
%! assert (tree_cut (m, h, 1), ones (5, 1));
%! assert (tree_cut (m, h, 2), [1; 1; 1; 1; 2]);
%! assert (tree_cut (m, h, 'height', 1), [1; 1; 2; 3; 4]);
%! assert (tree_cut (m, h, 'Height', 0.5), (1:5)');
%! assert (tree_cut (zeros (0, 3), [], 1), 1);
%!test
%! % Labels by first appearance: leaf 1 may join a region made late.
%! assert (tree_cut ([2 3 5; 4 5 6; 1 6 7], [1 2 3], 2), [1; 2; 2; 2]);
%!error id=mexsets:tree_cut:noCut tree_cut ([1 2 3], 1)
%!error id=mexsets:tree_cut:childReused tree_cut ([1 2 4; 1 4 5], [1 2], 1)
%!error id=mexsets:tree_cut:badNewNode tree_cut ([1 2 2], 1, 1)
