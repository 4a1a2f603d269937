%SUPPRESS_OVERLAPS Drop the rows that overlap a kept row too much.
%   ACCEPTED = SUPPRESS_OVERLAPS(ITEMS, WEIGHTS, W) walks the rows of the
%   M-by-N matrix ITEMS from first to last and keeps a row unless its overlap
%   ratio with some row kept before it reaches 1.
%   ACCEPTED = SUPPRESS_OVERLAPS(ITEMS, WEIGHTS, W, THRESHOLD) drops a row as
%   soon as a ratio is >= THRESHOLD, any numeric scalar (its first element is
%   read). With W = diag(WEIGHTS), positive weights and no repeated ids, the
%   default 1 drops exactly the repeats of a kept item set. Inputs after the
%   fourth are ignored.
%   [ACCEPTED, KEPT] = SUPPRESS_OVERLAPS(...) also returns KEPT, a K-by-1
%   double column of the 1-based numbers of the kept rows of ITEMS, in
%   their order: ACCEPTED(k, :) comes from row KEPT(k), repeated rows
%   included.
%
%   Row i of ITEMS lists 0-based item ids from its first column on, up to its
%   first negative entry (NaN does not end a row) or the end of the row; 0 is
%   item 0, ids are truncated toward zero and a repeated id counts each time.
%   The overlap ratio of a kept row's list P and the tested row's list Q is
%       S / (w(P) + w(Q) - S),  S = sum of W(a+1, b+1) over a in P, b in Q,
%   w(L) = sum of WEIGHTS(a+1) over a in L (WEIGHTS read in column order). A
%   NaN ratio never reaches the threshold; +Inf reaches any threshold but
%   NaN. ITEMS, WEIGHTS and W are real, two-dimensional double matrices,
%   ITEMS and WEIGHTS full. Sums run in a fixed order, so results are
%   reproducible bit for bit.
%
%   W may also be a vector w of L item weights (1-by-L or L-by-1, full or
%   sparse), which means diag(w): rows then overlap only by the items they
%   share, each weighing w(a+1) in S (WEIGHTS still gives w(P) and w(Q));
%   ids must be below L. The results are the bits diag(w) gives, and a
%   vector takes 8*L bytes where diag(w) takes 8*L^2.
%@include sparse_weights W
%   For a sparse or vector W the sums walk its nonzero entries: 16 bytes per
%   nonzero entry and about 40 per item addressed.
%
%   ACCEPTED is K-by-N double: the kept rows in their order, every entry
%   truncated toward zero and raised by 1, so ids come back 1-based and an end
%   marker of -1 comes back as 0. A kept row is remembered as its truncated
%   entries, so its list ends at its first entry <= -1: an entry between -1
%   and 0 ends a row's list while the row is tested, but is item 0 once the
%   row is kept. Every entry up to a row's first entry <= -1 must be an id
%   below numel(WEIGHTS) and both dimensions of W; every later entry must fit
%   a 32-bit integer once truncated. A message about an entry names its row,
%   column and value. The results take 8*K*(N+1) bytes, never more than ITEMS
%   and a column.
%
%@include errors
%     nargin                 fewer than three inputs
%     nargout                more than two outputs
%@include input_errors ITEMS, WEIGHTS or W
%     badScalar              THRESHOLD is empty or not numeric (a cell, say)
%     idOutOfRange           an id >= numel(WEIGHTS), size(W, 1) or size(W, 2)
%     idNotANumber           an id is NaN
%     entryNotInt32          an entry after the first <= -1 does not fit int32
%     badSparseStructure     sparse W with bad column starts or row indices
%     outOfMemory            no memory left for the kept rows
%
%   Example:
%     items = [0 1 -1; 1 0 -1; 2 -1 -1; 0 2 -1];
%     [accepted, kept] = suppress_overlaps(items, [1; 1; 1], eye(3));
%     % accepted = [1 2 0; 3 0 0; 1 3 0]
%     % kept = [1; 3; 4]
%     % (row 2 holds the items of row 1 again; row 4 shares one of its two
%     % items with row 1 and with row 3, ratios 1/3 and 1/2)
%     [accepted, kept] = suppress_overlaps(items, [1; 1; 1], eye(3), 0.5);
%     % accepted = [1 2 0; 3 0 0]
%     % kept = [1; 3]
%     kept = suppress_overlaps(items, [1; 1; 1], [1 1 1], 0.5);
%     % kept = [1 2 0; 3 0 0]
%     % (W given as the vector of its diagonal; sparse W = speye(3) alike)
%
%   See also RANK_DIVERSE, UNIQUE.

%!demo
%! % Row 2 repeats row 1; row 4 shares one item with rows 1 and 3.
%! items = [0 1 -1; 1 0 -1; 2 -1 -1; 0 2 -1];
%! kept = suppress_overlaps (items, [1; 1; 1], eye (3))
%! kept = suppress_overlaps (items, [1; 1; 1], eye (3), 0.5)

%!test
%! items = [0 1 -1; 1 0 -1; 2 -1 -1; 0 2 -1];
%! kept = suppress_overlaps (items, [1; 1; 1], eye (3));
%! assert (kept, [1 2 0; 3 0 0; 1 3 0]);
%! assert (suppress_overlaps (items, [1; 1; 1], eye (3), 0.5), [1 2 0; 3 0 0]);
%!test
%! % With W = diag(WEIGHTS), the default threshold drops exactly the rows
%! % whose item set was kept before, in any order.
%! rand ("state", 3);
%! items = zeros (40, 2);
%! for i = 1:40
%!   items(i, :) = randperm (5, 2) - 1;
%! endfor
%! kept = suppress_overlaps (items, (1:5)', diag (1:5));
%! [~, first] = unique (sort (items, 2), "rows", "first");
%! assert (kept, items(sort (first), :) + 1);
%!test
%! % A sparse W and the vector of W's diagonal give the full W's results.
%! rand ("state", 4);
%! items = floor (30 * rand (60, 3)); u = rand (30, 1) + 0.5;
%! w = rand (1, 30); W = sprand (30, 30, 0.05) + diag (w);
%! assert (suppress_overlaps (items, u, W, 0.3),
%!         suppress_overlaps (items, u, full (W), 0.3));
%! assert (suppress_overlaps (items, u, w', 0.3),
%!         suppress_overlaps (items, u, diag (w), 0.3));
%!error id=mexsets:suppress_overlaps:idOutOfRange
%! suppress_overlaps ([0 5], [1; 1], eye (2))
%!error id=mexsets:suppress_overlaps:nargin suppress_overlaps ([0 1], [1; 1])
