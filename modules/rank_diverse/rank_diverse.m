%RANK_DIVERSE Order candidates greedily by relevance against redundancy.
%   [ORDER, SCORES] = RANK_DIVERSE(ITEMS, RELEVANCE, W) ranks the M candidates
%   given by the rows of ITEMS. Row c of the M-by-N matrix ITEMS lists the
%   0-based item ids of candidate c from its first column on, up to its first
%   negative entry (which, with everything after it, is ignored) or the end of
%   the row; 0 is item 0, ids are truncated toward zero and a repeated id
%   counts each time. RELEVANCE(c) is the relevance of candidate c (at least M
%   values, read in column order). W is the pairwise weight matrix: W(a+1,b+1)
%   weighs items a and b, and W(a+1,a+1) is the weight of item a.
%
%   [ORDER, SCORES] = RANK_DIVERSE(ITEMS, RELEVANCE, W, LAMBDA) sets the
%   trade-off (default 0.75). Each step picks, among the candidates not yet
%   picked, the one with the highest score
%       LAMBDA*RELEVANCE(c) - (1-LAMBDA)*REDUNDANCY(c),
%   the lowest-numbered one among equal scores. REDUNDANCY(c) starts at 0 and
%   becomes the largest overlap ratio between c's list Q and the list P of any
%   candidate picked before it:
%       S / (w(P) + w(Q) - S),  S = sum of W(a+1,b+1) over a in P and b in Q,
%   w(L) = sum of W(a+1,a+1) over a in L (NaN ratios are ignored). ORDER(k) is
%   the 1-based number of the candidate picked at step k and SCORES(k) its
%   score then; both are M-by-1 doubles, and ORDER is always a permutation of
%   1:M: a step in which no score is larger than -realmax (all NaN or -Inf,
%   e.g. with a NaN LAMBDA) picks the lowest-numbered remaining candidate.
%   Sums are accumulated in a fixed order, so results are reproducible bit for
%   bit.
%
%   ITEMS, RELEVANCE and W must be real, full, two-dimensional double
%   matrices; LAMBDA is any numeric scalar. Every id before a row's end must be
%   below both dimensions of W and not NaN: otherwise the call fails with
%   mexsets:rank_diverse:idOutOfRange or :idNotANumber, naming its row and
%   column. Fewer than M relevance values fail with
%   mexsets:rank_diverse:tooFewValues.
%
%   Example:
%     [order, scores] = rank_diverse([0; 0; 1], [1; 1; 0.9], eye(2), 0.5)
%     % order = [1; 3; 2], scores = [0.5; 0.45; 0]: candidate 2 repeats
%     % candidate 1's item, so candidate 3 comes before it
%
%   See also SUPPRESS_OVERLAPS, SORT.
