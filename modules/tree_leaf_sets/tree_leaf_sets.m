%TREE_LEAF_SETS List the sorted leaves below each node set.
%   LEAVES = TREE_LEAF_SETS(MERGES, SETS) returns an R2-by-1 cell array with
%   one cell per row of SETS; cell j is a 1-by-n uint32 row holding, in
%   ascending order, the leaves below the nodes that row j of SETS names
%   (1-by-0 when it names none).
%
%   Nodes and leaves are numbered from 1. MERGES (R1-by-N1) describes the
%   tree, one merge per row: columns 1 to N1-1 list child ids up to the first
%   0 (negative entries and NaN do not end a row), and column N1 holds the id
%   of the node the row adds them to. The leaves are 1..L, with
%   L = MERGES(1, end) - 1, and there are L + R1 nodes in all. Rows are
%   applied in order and a child is read as it is at that moment, so a node
%   must be created before a row names it as a child; a merge node that no
%   row creates holds no leaf. SETS (R2-by-C2) lists node ids in each row up
%   to the first 0.
%
%   The result is a multiset: a leaf below two listed nodes (or copied twice
%   into one) appears twice. Ids, and L, are truncated toward zero (2.9 names
%   node 2). Both inputs are real, full, two-dimensional double matrices. A
%   message about an id names its input, row, column and value.
%
%   LEAVES takes 4 bytes a leaf plus a small array header (about 128 bytes) a
%   cell; no cell is made before the whole result is known to fit.
%@include memory
%
%@include errors
%     nargin                 not exactly two inputs
%     nargout                more than one output
%@include input_errors an input
%@include merge_tree_errors R1
%     idOutOfRange           a node id in MERGES or SETS outside 1..L+R1
%     idNotANumber           such an id, or MERGES(1, end), is NaN
%     resultTooLarge         a cell would hold more leaves than can be addressed
%     outputTooLarge         all the cells together exceed the memory available
%     outOfMemory            no memory left for the tree
%
%   Example:
%     c = tree_leaf_sets([1 2 4; 4 3 5], [5 0; 2 4; 3 0]);
%     % (L = 3; node 4 holds leaves 1 and 2, node 5 holds leaves 1, 2, 3)
%     % c{1} = uint32([1 2 3])
%     % c{2} = uint32([1 2 2])
%     % c{3} = uint32(3)
%     % (row 2 names leaf 2, and node 4 holds it again: it appears twice)
%
%   See also TREE_OCCURRENCE_MASKS, TREE_OVERLAP_MATRIX.

%!demo
%! % Leaves 1 to 3; node 4 = {1, 2}, node 5 = {1, 2, 3}. The second row
%! % names leaf 2 and node 4, so leaf 2 appears twice.
%! leaves = tree_leaf_sets ([1 2 4; 4 3 5], [5 0; 2 4; 3 0])

%!test
%! c = tree_leaf_sets ([1 2 4; 4 3 5], [5 0; 2 4; 3 0; 0 5]);
%! assert (c, {uint32([1 2 3]); uint32([1 2 2]); uint32(3); ...
%!             zeros(1, 0, "uint32")});
%!test
%! % A random tree of 10 leaves: each node's leaves, from its pixels.
%! rand ("state", 5);
%! active = 1:10;
%! merges = zeros (9, 3);
%! for r = 1:9
%!   pick = randperm (numel (active), 2);
%!   merges(r, :) = [active(pick) 10 + r];
%!   active(pick) = [];
%!   active(end + 1) = 10 + r;
%! endfor
%! c = tree_leaf_sets (merges, (1:19)');
%! masks = tree_occurrence_masks (1:10, merges, (1:19)');
%! for k = 1:19
%!   assert (c{k}, uint32 (find (masks(:, :, k))));
%! endfor
%!error id=mexsets:tree_leaf_sets:badLeafCount tree_leaf_sets ([1 2 0], 1)
%!error id=mexsets:tree_leaf_sets:idOutOfRange tree_leaf_sets ([1 2 4], 9)
