%TREE_OVERLAP_MATRIX Sum the leaf weight shared by each pair of nodes.
%   W = TREE_OVERLAP_MATRIX(UNUSED, MERGES, NODE_ROWS) returns the R-by-R
%   double matrix W, R being the number of rows of NODE_ROWS (one row per
%   node). Node ids are 0-based: with R2 rows in MERGES, nodes 0..L-1 are the
%   leaves (L = R - R2) and node k is row and column k+1 of W. Inputs after
%   the third are ignored.
%
%   MERGES is the R2-by-C merge matrix. Row r lists the ids of the children
%   merged by that row in its first columns, up to the first negative entry
%   (-1, say; NaN and -0 do not end a row), and holds in column C the id of
%   the node that the row creates. Rows run from first to last; a node
%   gathers the leaves of its children as they stand when its row runs, so
%   list a merge node as a child only after the row that creates it. A child
%   listed twice counts twice, and a row whose new id already holds leaves (a
%   leaf, or an earlier row's node) adds to them. Ids are truncated toward
%   zero (2.7 is node 2) and must then lie in 0..R-1.
%
%   NODE_ROWS(k+1, 1) is the weight of leaf k; nothing else of NODE_ROWS is
%   read. UNUSED is not read either: any two-dimensional double array will do
%   (sparse and complex ones too). MERGES and NODE_ROWS are real, full,
%   two-dimensional double matrices.
%
%   For two distinct nodes of which at least one is a merge node, W holds the
%   total weight of the leaves that lie below both (a leaf held a times by one
%   node and b times by the other counts min(a, b) times). W is symmetric; its
%   diagonal and the entries between two leaves are 0. Each entry is summed
%   in ascending leaf order from +0, so results are reproducible bit for bit.
%   A message about an id names its row, column and value.
%
%   W takes 8*R^2 bytes.
%@include memory
%
%@include errors
%     nargin                 fewer than three inputs
%     nargout                more than one output
%     typesNotCoherent       an input is not double
%     dimensionsNotCoherent  an input has more than two dimensions
%     sparseInput            MERGES or NODE_ROWS is sparse (pass full(...))
%     complexInput           MERGES or NODE_ROWS is complex (pass real(...))
%     tooFewNodeRows         NODE_ROWS has fewer rows than MERGES
%     noNewIdColumn          MERGES has rows but no columns
%     tooManyNodes           NODE_ROWS has more than 2^32 rows
%     idOutOfRange           a new id or child id outside 0..R-1 (Inf too)
%     idNotANumber           a new id or child id is NaN
%     childIsNewNode         a row lists its own new node as a child
%     leafCountTooLarge      a node would hold one leaf 2^32 times or more
%     noLeafWeights          NODE_ROWS has no column but a merge node has leaves
%     outputTooLarge         W (8*R^2 bytes) exceeds the memory available
%     outOfMemory            no memory left for the leaf lists
%
%   Example:
%     merges = [0 1 -1 3; 3 2 -1 4];
%     % (node 3 merges leaves 0 and 1, node 4 merges node 3 and leaf 2)
%     W = tree_overlap_matrix([], merges, [2; 3; 5; 0; 0]);
%     % W = [0 0 0 2 2; 0 0 0 3 3; 0 0 0 0 5; 2 3 0 0 5; 2 3 5 5 0]
%     % (W(4, 5) = 5 is the weight 2 + 3 of leaves 0 and 1, held by both)
%
%   See also TREE_LEAF_SETS, TREE_OCCURRENCE_MASKS.

%!demo
%! % Node 3 merges leaves 0 and 1, node 4 merges node 3 and leaf 2; leaf
%! % weights 2, 3 and 5.
%! W = tree_overlap_matrix ([], [0 1 -1 3; 3 2 -1 4], [2; 3; 5; 0; 0])

%!function leaves = below (merges, n_leaves)
%! % The leaves below every node of a 0-based merge matrix, by brute force.
%! leaves = num2cell (0:n_leaves - 1);
%! for r = 1:rows (merges)
%!   leaves{merges(r, end) + 1} = [leaves{merges(r, 1:2) + 1}];
%! endfor
%!endfunction

%!test
%! W = tree_overlap_matrix ([], [0 1 -1 3; 3 2 -1 4], [2; 3; 5; 0; 0]);
%! assert (W, [0 0 0 2 2; 0 0 0 3 3; 0 0 0 0 5; 2 3 0 0 5; 2 3 5 5 0]);
%!test
%! % A random tree of 12 leaves against its leaf lists.
%! rand ("state", 4);
%! active = 0:11;
%! merges = zeros (11, 3);
%! for r = 1:11
%!   pick = randperm (numel (active), 2);
%!   merges(r, :) = [active(pick) 11 + r];
%!   active(pick) = [];
%!   active(end + 1) = 11 + r;
%! endfor
%! weight = [ceil(9 * rand(12, 1)); zeros(11, 1)];
%! W = tree_overlap_matrix ([], merges, weight);
%! leaves = below (merges, 12);
%! for i = 1:23
%!   for j = 1:23
%!     both = intersect (leaves{i}, leaves{j});
%!     expected = (i ~= j && max (i, j) > 12) * sum (weight(both + 1));
%!     assert (W(i, j), expected);
%!   endfor
%! endfor
%!error id=mexsets:tree_overlap_matrix:idOutOfRange
%! tree_overlap_matrix ([], [0 9 -1 3], [1; 1; 1; 0])
%!error id=mexsets:tree_overlap_matrix:childIsNewNode
%! tree_overlap_matrix ([], [0 3 -1 3], [1; 1; 1; 0])
