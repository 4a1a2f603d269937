%SCORE_SUBSETS Sum two per-item value rows over each subset.
%   [SUMS_A, SUMS_B] = SCORE_SUBSETS(A, B, SUBSETS) returns two M-by-1 double
%   columns for the M-by-N double matrix SUBSETS. Row i of SUBSETS lists the
%   1-based ids of subset i's items from its first column on, up to the first
%   0 (or -0; entries after it are ignored) or the end of the row. SUMS_A(i)
%   is the sum of A(1, id) over those ids and SUMS_B(i) the same over
%   B(1, id): only the first rows of A and B are read, a repeated id counts
%   each time, and a row without ids gives 0.
%
%   A, B and SUBSETS are real, full, two-dimensional double matrices. Ids are
%   truncated toward zero (2.9 is item 2, and every id between 0 and 1 is
%   item 1) and must lie strictly between 0 and K+1, K being the smaller
%   column count of A and B (no id is valid when A or B has no row). Each sum
%   is accumulated left to right from +0, so results are reproducible bit for
%   bit. A message about an id names its input, row, column and value. The
%   results take 8*M bytes each.
%
%@include errors
%     nargin                 not exactly three inputs
%     nargout                more than two outputs
%@include input_errors an input
%     idOutOfRange           an id not strictly between 0 and K+1 (Inf too)
%     idNotANumber           an id is NaN
%
%   Example:
%     [a, b] = score_subsets([10 20 30], [1 2 3], [3 1 0 2]);
%     % a = 40
%     % b = 4
%     % (the 2 after the 0 is ignored)
%     a = score_subsets([10 20 30], [1 2 3], [2 2 0; 0.5 2.9 0; 0 1 2]);
%     % a = [40; 30; 0]
%
%   See also SET_FEATURES, ACCUMARRAY.

%!demo
%! % The area and the brightness of three subsets of four items.
%! area = [10 20 30 40];
%! light = [1 2 3 4];
%! subsets = [1 2 0; 3 4 0; 4 0 0];
%! [total_area, total_light] = score_subsets (area, light, subsets)

%!test
%! [a, b] = score_subsets ([10 20 30], [1 2 3], [3 1 0 2; 2 2 2 2; 0 1 1 1]);
%! assert (a, [40; 80; 0]);
%! assert (b, [4; 8; 0]);
%!test
%! % Against indexing and sum on random subsets, a 0 ending some rows.
%! rand ("state", 1);
%! a = rand (1, 50);
%! b = rand (1, 50);
%! s = ceil (50 * rand (30, 8));
%! s(rand (30, 8) < 0.2) = 0;
%! [sa, sb] = score_subsets (a, b, s);
%! for i = 1:30
%!   ids = s(i, 1:find ([s(i, :) 0] == 0, 1) - 1);
%!   assert ([sa(i) sb(i)], [sum(a(ids)) sum(b(ids))]);
%! endfor
%!error id=mexsets:score_subsets:idOutOfRange score_subsets ([1 2], [1 2], 3)
%!error id=mexsets:score_subsets:idNotANumber score_subsets ([1 2], [1 2], NaN)
%!error id=mexsets:score_subsets:nargin score_subsets ([1 2], [1 2])
