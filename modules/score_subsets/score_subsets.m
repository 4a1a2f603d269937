%SCORE_SUBSETS Sum two per-item value rows over every row of a subset matrix.
%   [SUMS_A, SUMS_B] = SCORE_SUBSETS(A, B, SUBSETS) returns two M-by-1 double
%   columns for the M-by-N double matrix SUBSETS. Row i of SUBSETS lists the
%   1-based ids of subset i's items from its first column on, up to the first
%   0 (entries after it are ignored) or the end of the row. SUMS_A(i) is the
%   sum of A(1, id) over those ids, SUMS_B(i) the same over B(1, id); only the
%   first rows of A and B are read, and a repeated id counts each time.
%
%   A, B and SUBSETS must be real, full, two-dimensional double matrices.
%   Ids are truncated toward zero (2.9 addresses item 2, 0.5 item 1) and must
%   lie strictly between 0 and K+1, K being the smaller column count of A and
%   B; an id outside that range, NaN or Inf ends the call with the error
%   mexsets:score_subsets:idOutOfRange (or :idNotANumber) naming its row and
%   column. Sums are accumulated left to right from +0, so results are
%   reproducible bit for bit.
%
%   Example:
%     [a, b] = score_subsets([10 20 30], [1 2 3], [3 1 0 2])
%     % a = 40, b = 4: the 2 after the 0 is ignored
%
%   See also SET_FEATURES, ACCUMARRAY.
