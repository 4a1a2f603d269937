%TREE_LEAF_MATRIX List the leaves below each node set as a padded id matrix.
%   LEAVES = TREE_LEAF_MATRIX(MERGES, SETS) returns an R2-by-C double matrix
%   with one row per row of SETS: row j holds, in ascending order, the
%   1-based leaves below the nodes that row j of SETS names, followed by 0s.
%   C is the largest number of leaves of a row (0 when no row has any). This
%   is the form that SCORE_SUBSETS reads.
%   LEAVES = TREE_LEAF_MATRIX(MERGES, SETS, BASE) with BASE = 1 does the
%   same; with BASE = 0 the leaves are 0-based and the rows are padded with
%   -1, the form that RANK_DIVERSE, SUPPRESS_OVERLAPS and SET_FEATURES read.
%   BASE is any numeric scalar (its first element is read).
%
%   MERGES and SETS are read as TREE_LEAF_SETS reads them, and row j of
%   LEAVES holds the leaves of cell j of TREE_LEAF_SETS(MERGES, SETS):
%   nodes and leaves are numbered from 1; MERGES (R1-by-N1) describes the
%   tree, one merge per row, child ids in columns 1 to N1-1 up to the first
%   0 and the node they are added to in column N1; the leaves are 1..L,
%   L = MERGES(1, end) - 1. SETS (R2-by-C2) lists node ids in each row up to
%   the first 0. A leaf below two listed nodes (or copied twice into one)
%   appears twice. Ids, and L, are truncated toward zero. Both inputs are
%   real, full, two-dimensional double matrices. A message about an id names
%   its input, row, column and value.
%
%   LEAVES takes 8 bytes an entry.
%@include memory
%
%@include errors
%     nargin                 fewer than two or more than three inputs
%     nargout                more than one output
%@include input_errors MERGES or SETS
%     badScalar              BASE is empty or not numeric (a cell, say)
%     badBase                BASE is neither 0 nor 1
%@include merge_tree_errors R1
%     idOutOfRange           a node id in MERGES or SETS outside 1..L+R1
%     idNotANumber           such an id, or MERGES(1, end), is NaN
%     resultTooLarge         LEAVES holds more entries than can be addressed
%     outputTooLarge         LEAVES exceeds the memory available
%     outOfMemory            no memory left for the tree
%
%   Example:
%     merges = [1 2 4; 4 3 5];
%     leaves = tree_leaf_matrix(merges, [5 0; 2 4; 3 0]);
%     % leaves = [1 2 3; 1 2 2; 3 0 0]
%     % (L = 3; node 4 holds leaves 1 and 2, node 5 holds leaves 1, 2, 3;
%     % row 2 names leaf 2, and node 4 holds it again: it appears twice)
%     leaves = tree_leaf_matrix(merges, [5 0; 2 4; 3 0], 0);
%     % leaves = [0 1 2; 0 1 1; 2 -1 -1]
%
%   See also TREE_LEAF_SETS, SCORE_SUBSETS, RANK_DIVERSE.

%!demo
%! % Leaves 1 to 3; node 4 = {1, 2}, node 5 = {1, 2, 3}. The second row
%! % names leaf 2 and node 4, so leaf 2 appears twice.
%! leaves = tree_leaf_matrix ([1 2 4; 4 3 5], [5 0; 2 4; 3 0])
%! leaves = tree_leaf_matrix ([1 2 4; 4 3 5], [5 0; 2 4; 3 0], 0)

%!test
%! % Row j is cell j of tree_leaf_sets, padded.
%! merges = [1 2 5; 5 3 6; 6 4 7];
%! sets = [7 0; 0 0; 2 5; 6 3];
%! c = tree_leaf_sets (merges, sets);
%! m = tree_leaf_matrix (merges, sets, 0);
%! assert (size (m), [4 4]);
%! for j = 1:4
%!   assert (m(j, :), [double(c{j}) - 1, -ones(1, 4 - numel (c{j}))]);
%! endfor
%!error id=mexsets:tree_leaf_matrix:badBase tree_leaf_matrix ([1 2 4], 4, 2)
%!error id=mexsets:tree_leaf_matrix:idOutOfRange tree_leaf_matrix ([1 2 4], 9)
