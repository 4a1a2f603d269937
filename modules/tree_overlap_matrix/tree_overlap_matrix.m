%TREE_OVERLAP_MATRIX Shared leaf weight of every pair of nodes of a merge tree.
%   W = TREE_OVERLAP_MATRIX(UNUSED, MERGES, NODE_ROWS) returns the R-by-R
%   double matrix W, R being the number of rows of NODE_ROWS (one row per
%   node). Node ids are 0-based: with R2 rows in MERGES, nodes 0..L-1 are the
%   leaves (L = R - R2) and node id k is row and column k+1 of W.
%
%   MERGES is the R2-by-C merge matrix. Row r lists the ids of the children
%   merged by that row in its first columns, up to the first negative entry
%   (e.g. -1; NaN and -0 do not end a row), and holds in its last column the
%   id of the node that the row creates. Rows run from first to last; a node
%   gathers the leaves of its children as they stand when its row runs, so
%   list a merge node as a child only after the row that creates it. A child
%   listed twice counts twice, and a row whose new id already holds leaves (a
%   leaf, or an id used by an earlier row) adds to them.
%
%   NODE_ROWS(k+1, 1) is the weight of leaf k; the rest of NODE_ROWS is not
%   read. UNUSED is not read either: any two-dimensional double array will do.
%
%   For two distinct nodes of which at least one is a merge node, W holds the
%   total weight of the leaves that lie below both (a leaf held a times by
%   one node and b times by the other counts min(a, b) times). W is
%   symmetric; its diagonal and the entries between two leaves are 0. Each
%   entry is summed in ascending leaf order from +0, so results are
%   reproducible bit for bit.
%
%   MERGES and NODE_ROWS must be real, full, two-dimensional double
%   matrices, and UNUSED a two-dimensional double array. Ids are truncated
%   toward zero and must lie in 0..R-1; errors name the argument, row, column
%   and value:
%     mexsets:tree_overlap_matrix:idOutOfRange     id outside 0..R-1 (or Inf)
%     mexsets:tree_overlap_matrix:idNotANumber     NaN id
%     mexsets:tree_overlap_matrix:childIsNewNode   row lists its own new node
%     mexsets:tree_overlap_matrix:tooFewNodeRows   fewer rows in NODE_ROWS
%                                                  than in MERGES
%     mexsets:tree_overlap_matrix:noNewIdColumn    MERGES has rows, no columns
%     mexsets:tree_overlap_matrix:noLeafWeights    NODE_ROWS has no columns
%                                                  but a merge node has leaves
%     mexsets:tree_overlap_matrix:tooManyNodes     more than 2^32 nodes
%     mexsets:tree_overlap_matrix:leafCountTooLarge  a leaf held 2^32 times
%
%   Example:
%     merges = [0 1 -1 3;    % node 3 = leaves 0 and 1
%               3 2 -1 4];   % node 4 = node 3 and leaf 2
%     W = tree_overlap_matrix([], merges, [2; 3; 5; 0; 0])
%     % W(1,4) = 2, W(2,4) = 3, W(3,5) = 5, W(4,5) = 5 (= 2 + 3), and the
%     % same mirrored; everything else is 0.
%
%   See also TREE_LEAF_SETS, TREE_OCCURRENCE_MASKS.
