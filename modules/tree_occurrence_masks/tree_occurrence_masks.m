%TREE_OCCURRENCE_MASKS Mark where each node set occurs in a label matrix.
%   MASKS = TREE_OCCURRENCE_MASKS(LABELS, MERGES, SETS) returns an M-by-N-by-K
%   logical array, LABELS being M-by-N and SETS having K rows. MASKS(:, :, k)
%   is true at the positions that belong to at least one node listed in row k
%   of SETS. With K = 1 the result is the M-by-N mask.
%
%   Nodes are numbered from 1. LABELS(i, j) names the node that position
%   (i, j) belongs to, normally a leaf; there is no background value, so 0 is
%   no valid label. MERGES (R2-by-C2) describes the merge tree, one merge per
%   row: row r creates node L + r from the child ids in columns 1 to C2-1,
%   listed up to the first 0 (negative entries and NaN do not end a row).
%   L = MERGES(1, end) - 1 is the number of leaves; the last column of the
%   other rows is not read. A position belongs to its label's node and to
%   every node above it. Rows are applied in order and a child is read as it
%   is at that moment, so a node must be created before a row names it as a
%   child (a later node contributes only its own labels). SETS (K-by-C3)
%   lists node ids in each row up to the first 0.
%
%   Ids, and L, are truncated toward zero (2.9 names node 2). All inputs are
%   real, full, two-dimensional double matrices. A message about an id names
%   its input, row, column and value.
%
%   MASKS takes M*N*K bytes (a byte a flag).
%@include memory
%
%@include errors
%     nargin                 not exactly three inputs
%     nargout                more than one output
%@include input_errors an input
%@include merge_tree_errors R2
%     idOutOfRange           a label, child or node-set id outside 1..L+R2
%     idNotANumber           such an id, or MERGES(1, end), is NaN
%     outputTooLarge         M*N*K flags exceed the address range or memory
%     outOfMemory            no memory left for the node links
%
%   Example:
%     m = tree_occurrence_masks([1 1 2; 3 3 2], [1 2 4; 4 3 0], [4 0; 3 1]);
%     % (L = 3; node 4 merges leaves 1 and 2, node 5 node 4 and leaf 3)
%     % m(:, :, 1) = logical([1 1 1; 0 0 1])
%     % m(:, :, 2) = logical([1 1 0; 1 1 0])
%     % (plane 1 is node 4, plane 2 nodes 3 and 1)
%
%   See also TREE_LEAF_SETS, TREE_OVERLAP_MATRIX.

%!demo
%! % A 2-by-3 label matrix with leaves 1 to 3; node 4 merges leaves 1 and 2.
%! % Plane 1 marks node 4, plane 2 leaves 3 and 1.
%! masks = tree_occurrence_masks ([1 1 2; 3 3 2], [1 2 4; 4 3 0], [4 0; 3 1])

%!test
%! m = tree_occurrence_masks ([1 1 2; 3 3 2], [1 2 4; 4 3 0], [4 0; 3 1]);
%! assert (m, cat (3, logical ([1 1 1; 0 0 1]), logical ([1 1 0; 1 1 0])));
%!test
%! % Random labels and tree: each mask marks the labels of its node's leaves.
%! rand ("state", 6);
%! labels = ceil (8 * rand (5, 7));
%! merges = [1 2 9; 9 3 10; 4 5 11; 10 11 12; 6 7 13; 13 8 14; 12 14 15];
%! masks = tree_occurrence_masks (labels, merges, (1:15)');
%! leaves = tree_leaf_sets (merges, (1:15)');
%! for k = 1:15
%!   assert (masks(:, :, k), ismember (labels, double (leaves{k})));
%! endfor
%!error id=mexsets:tree_occurrence_masks:idOutOfRange
%! tree_occurrence_masks ([0 1], [1 2 3], 3)
%!error id=mexsets:tree_occurrence_masks:emptyMergeMatrix
%! tree_occurrence_masks (1, [], 1)
