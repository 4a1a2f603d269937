%RANK_DIVERSE Rank candidates by relevance against redundancy.
%   [ORDER, SCORES] = RANK_DIVERSE(ITEMS, RELEVANCE, W) ranks the M candidates
%   given by the rows of the M-by-N matrix ITEMS with the trade-off 0.75.
%   [ORDER, SCORES] = RANK_DIVERSE(ITEMS, RELEVANCE, W, LAMBDA) sets the
%   trade-off: LAMBDA is any numeric scalar (its first element is read).
%   Inputs after the fourth are ignored.
%
%   Row c of ITEMS lists the 0-based item ids of candidate c from its first
%   column on, up to its first negative entry (NaN does not end a row) or the
%   end of the row; 0 is item 0, ids are truncated toward zero (2.9 is item 2)
%   and a repeated id counts each time. RELEVANCE(c) is the relevance of
%   candidate c (the first M elements of RELEVANCE, in column order). W is the
%   pairwise weight matrix: W(a+1, b+1) weighs items a and b, and W(a+1, a+1)
%   is the weight of item a. ITEMS, RELEVANCE and W are real, two-dimensional
%   double matrices, ITEMS and RELEVANCE full.
%
%   W may also be a vector w of L item weights (1-by-L or L-by-1, full or
%   sparse), which means diag(w): items then overlap only by the items they
%   share, each weighing w(a+1); ids must be below L. The results are the
%   bits diag(w) gives, and a vector takes 8*L bytes where diag(w) takes
%   8*L^2.
%@include sparse_weights W
%   For a sparse or vector W the sums walk its nonzero entries through
%   postings: about 12 bytes per nonzero W(a+1, b+1) for every occurrence
%   of b in the lists, 16 per nonzero entry and 8 per item addressed.
%
%   Each step picks, among the candidates not yet picked, the one with the
%   highest score LAMBDA*RELEVANCE(c) - (1-LAMBDA)*REDUNDANCY(c), the
%   lowest-numbered one among equal scores. REDUNDANCY(c) starts at 0 and
%   becomes the largest overlap ratio between the list Q of c and the list P
%   of any candidate picked before it (NaN ratios are ignored):
%       S / (w(P) + w(Q) - S),  S = sum of W(a+1, b+1) over a in P, b in Q,
%   w(L) = sum of W(a+1, a+1) over a in L. ORDER(k) is the 1-based number of
%   the candidate picked at step k and SCORES(k) its score then; both are
%   M-by-1 double. ORDER is always a permutation of 1:M: a step in which no
%   score is above -realmax (all NaN or -Inf, e.g. with a NaN LAMBDA) picks
%   the lowest-numbered candidate left. Sums run in a fixed order, so results
%   are reproducible bit for bit. A message about an id names its row, column
%   and value. ORDER and SCORES take 8*M bytes each.
%
%@include errors
%     nargin                 fewer than three inputs
%     nargout                more than two outputs
%@include input_errors ITEMS, RELEVANCE or W
%     badScalar              LAMBDA is empty or not numeric (a cell, say)
%     tooFewValues           RELEVANCE holds fewer than M values
%     idOutOfRange           an id >= size(W, 1) or size(W, 2)
%     idNotANumber           an id is NaN
%     badSparseStructure     sparse W with bad column starts or row indices
%     outOfMemory            no memory left for the item lists
%
%   Example:
%     [order, scores] = rank_diverse([0; 0; 1], [1; 1; 0.9], eye(2), 0.5);
%     % order = [1; 3; 2]
%     % scores = [0.5; 0.45; 0]
%     % (candidate 2 repeats the item of candidate 1, so candidate 3 comes
%     % before it)
%%     order = rank_diverse([0; 0; 1], [1; 1; 0.9], speye(2), 0.5);
%     % order = [1; 3; 2]
%     % (the same with a sparse W, or with the vector [1 1] of its diagonal)
%
%   See also SUPPRESS_OVERLAPS, SORT.

%!demo
%! % Candidates 1 and 2 share item 0; at LAMBDA 0.5 the unrelated candidate
%! % 3 comes second although it is the least relevant.
%! items = [0 1; 0 -1; 2 -1];
%! [order, scores] = rank_diverse (items, [1; 0.95; 0.6], eye (3), 0.5)

%!test
%! [order, scores] = rank_diverse ([0; 0; 1], [1; 1; 0.9], eye (2), 0.5);
%! assert (order, [1; 3; 2]);
%! assert (scores, [0.5; 0.45; 0]);
%!test
%! % LAMBDA 1 ignores redundancy: the order of a stable descending sort.
%! rand ("state", 2);
%! relevance = round (10 * rand (40, 1)) / 10;
%! items = floor (6 * rand (40, 3));
%! order = rank_diverse (items, relevance, rand (6), 1);
%! [~, expected] = sort (-relevance);
%! assert (order, expected);
%!test
%! % A sparse W and the vector of W's diagonal give the bits of the full W.
%! rand ("state", 3);
%! items = floor (30 * rand (50, 4)); relevance = rand (50, 1);
%! w = rand (1, 30); W = sprand (30, 30, 0.1) + diag (w);
%! [o, s] = rank_diverse (items, relevance, full (W));
%! [os, ss] = rank_diverse (items, relevance, W);
%! assert (isequal (o, os));
%! assert (isequal (typecast (s, "uint64"), typecast (ss, "uint64")));
%! assert (isequal (rank_diverse (items, relevance, w),
%!                  rank_diverse (items, relevance, diag (w))));
%!error id=mexsets:rank_diverse:idOutOfRange
%! rank_diverse ([0; 3], [1; 1], eye (2))
%!error id=mexsets:rank_diverse:tooFewValues rank_diverse ([0; 1], 1, eye (2))
%!error id=mexsets:rank_diverse:nargin rank_diverse ([0; 1], [1; 1])
