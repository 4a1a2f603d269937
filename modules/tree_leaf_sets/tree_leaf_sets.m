%TREE_LEAF_SETS Sorted leaves below the nodes of each node set of a merge tree.
%   LEAVES = TREE_LEAF_SETS(MERGES, SETS) returns a cell array with one cell
%   per row of SETS; cell j is a 1-by-n uint32 row holding, in ascending
%   order, the leaves below the nodes that row j of SETS names.
%
%   MERGES (R1-by-N1) describes the tree, one merge per row: columns 1 to N1-1
%   list child node ids up to the first 0, and column N1 holds the id of the
%   node the row adds them to. Nodes are numbered from 1: the leaves are
%   1..L, with L = MERGES(1, end) - 1, and there are L + R1 nodes in all.
%   Rows are applied in order and a child is read as it is at that moment, so
%   a node must be created before a row names it as a child.
%   SETS (R2-by-C2) lists node ids in each row up to the first 0.
%
%   The result is a multiset: a leaf below two listed nodes (or copied twice
%   into one) appears twice. Ids are truncated toward zero (2.9 names
%   node 2). Both inputs must be real, full, two-dimensional double
%   matrices.
%
%   Errors (identifier mexsets:tree_leaf_sets:<reason>):
%     nargin, nargout        not two inputs, or more than one output
%     typesNotCoherent       an input is not double
%     dimensionsNotCoherent  an input has more than two dimensions
%     sparseInput            an input is sparse (pass full(...))
%     complexInput           an input is complex (pass real(...))
%     emptyMergeMatrix       MERGES is empty
%     badLeafCount           MERGES(1, end) is below 1
%     tooManyNodes           L + R1 exceeds 2^32-1
%     idOutOfRange           an id (up to its row's 0) outside 1..L+R1
%     idNotANumber           such an id is NaN
%     resultTooLarge         a cell would hold more leaves than memory can
%                            address (repeated children multiply leaves)
%   The message names the input, row, column and value.
%
%   Example:
%     c = tree_leaf_sets([1 2 4; 4 3 5], [5 0; 2 4; 3 0]);
%     % L = 3; node 4 = {1, 2}, node 5 = {1, 2, 3}
%     % c{1} = [1 2 3], c{2} = [1 2 2], c{3} = 3 (all uint32)
%
%   See also TREE_OCCURRENCE_MASKS, TREE_OVERLAP_MATRIX.
