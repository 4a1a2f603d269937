%SET_FEATURES Aggregate per set: minimum, ratio, perimeter, box.
%   F = SET_FEATURES(IDS, V) returns, for every row of the M-by-N double
%   matrix IDS, the minimum of V(id+1, 1) over the row's ids (mode 1).
%   [F, G] = SET_FEATURES(IDS, V, MODE) selects the aggregate:
%     1  F = minimum of the values                          (no G)
%     2  F = minimum / maximum of the values, G = their sum
%     4  G = the M-by-4 box [min V(:,1), min V(:,2), max V(:,3), max V(:,4)]
%        over the row's ids; F stays zeros
%   [F, G] = SET_FEATURES(IDS, V, 3, W) gives G = the sum, over every two
%   positions j < k of a row, of W(id_j+1, id_k+1) (the id listed first
%   gives the row of W), and F = the sum of the values - 2*G: the perimeter
%   of a region whose boundary lengths V and shared boundaries W describe.
%   Any other MODE is refused (badMode) before any output exists; asking
%   for G in mode 1 fails with nargout. MODE is a numeric scalar truncated
%   toward zero (2.9 is 2, 0.5 is 0 and refused); NaN and Inf are refused.
%   W is read in mode 3 only; other extra inputs are ignored.
%
%   Row i of IDS lists 0-based ids (0 is the first row of V) from its first
%   column on, up to the first negative entry (NaN does not end a row) or the
%   end of the row. Ids are truncated toward zero (2.9 is 2). IDS, V and W
%   are real, two-dimensional double matrices, IDS and V full; V needs one
%   column (four in mode 4). A vector W is a 1-by-L (L-by-1) matrix here, not
%   a diagonal: its diagonal would weigh only pairs of a repeated id.
%@include sparse_weights W
%   A sparse W keeps its nonzero entries of the addressed square (12 bytes
%   each) and 48 bytes per addressable id.
%
%   A running minimum starts at realmax and takes a value only when it is
%   smaller, a maximum only when it is larger, so NaN values never enter them
%   (sums do take NaN in). The mode 2 maximum starts at realmin, not at
%   -realmax: an empty row gives realmax/realmin = Inf, and a row whose values
%   are all <= realmin divides by realmin. The box starts at [realmax realmax
%   -realmax -realmax]. Sums run left to right from 0 and F in mode 3 is
%   computed as G*(-2) + (sum of values), so results are reproducible bit for
%   bit. A message about an id names its row, column and value. F takes 8*M
%   bytes, G 8*M (modes 2 and 3) or 32*M (mode 4).
%
%@include errors
%     nargin                 fewer than two inputs, or mode 3 without W
%     nargout                more than two outputs, or two in mode 1
%     badMode                MODE truncated is not 1-4 (once gave zeros)
%@include input_errors IDS, V or W
%     badScalar              MODE is empty or not numeric (a cell, say)
%     tooFewColumns          V lacks a column the mode reads, and a row has ids
%     idOutOfRange           an id >= size(V, 1) (mode 3: or a dimension of W)
%     idNotANumber           an id is NaN
%     badSparseStructure     sparse W with bad column starts or row indices
%     outOfMemory            no memory left for the scratch of modes 3 and 4
%
%   Example:
%     [perimeter, shared] = set_features([0 1 -1], [10; 12], 3, [0 3; 3 0]);
%     % shared = 3
%     % perimeter = 16
%     % (10 + 12 - 2*3: the two regions share the boundary W(1, 2))
%     [perimeter, shared] = set_features([0 1 -1], [10; 12], 3, ...
%                                        sparse([0 3; 3 0]));
%     % shared = 3
%     % perimeter = 16
%     % (the same with a sparse W)
%     [ratio, total] = set_features([0 1 2; 2 -1 0], [2; 4; 8], 2);
%     % ratio = [0.25; 1]
%     % total = [14; 8]
%     smallest = set_features([0 1 2; 2 -1 0], [2; 4; 8]);
%     % smallest = [2; 8]
%
%   See also BOUNDARY_SUMS, SCORE_SUBSETS, MIN, MAX.

%!demo
%! % The perimeter of regions 0 and 1 together: their boundary lengths 10 and
%! % 12 less twice the boundary of length 3 that they share.
%! [perimeter, shared] = set_features ([0 1 -1], [10; 12], 3, [0 3; 3 0])
%! [ratio, total] = set_features ([0 1 2; 2 -1 0], [2; 4; 8], 2)

%!test
%! [perimeter, shared] = set_features ([0 1 -1], [10; 12], 3, [0 3; 3 0]);
%! assert ([perimeter shared], [16 3]);
%! [~, box] = set_features ([0 1; 1 -1], [1 2 3 4; 0 5 2 9], 4);
%! assert (box, [0 2 3 9; 0 5 2 9]);
%!test
%! % Modes 1 and 2 against min, max and sum on random rows.
%! rand ("state", 8);
%! v = rand (20, 1);
%! ids = floor (20 * rand (25, 6));
%! ids(rand (25, 6) < 0.15) = -1;
%! smallest = set_features (ids, v);
%! [ratio, total] = set_features (ids, v, 2);
%! for i = 1:25
%!   x = v(ids(i, 1:find ([ids(i, :) -1] < 0, 1) - 1) + 1);
%!   if isempty (x)
%!     assert ([smallest(i) ratio(i) total(i)], [realmax Inf 0]);
%!   else
%!     assert ([smallest(i) ratio(i) total(i)], [min(x) min(x)/max(x) sum(x)]);
%!   endif
%! endfor
%!test
%! % A sparse W gives the bits of the full W.
%! rand ("state", 5);
%! ids = floor (30 * rand (50, 6)); v = rand (30, 1); W = sprand (30, 30, 0.1);
%! [f, g] = set_features (ids, v, 3, full (W));
%! [fs, gs] = set_features (ids, v, 3, W);
%! assert (isequal (typecast ([f; g], "uint64"),
%!                  typecast ([fs; gs], "uint64")));
%!error id=mexsets:set_features:idOutOfRange set_features ([0 5], [1; 2])
%!error id=mexsets:set_features:badScalar set_features ([0 1], [1; 2], {})
