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
%   Any other MODE returns F = zeros(M, 1) and no G, and reads no id. MODE
%   is a numeric scalar truncated toward zero (2.9 is 2); NaN and Inf count
%   as other values. W is read in mode 3 only; other extra inputs are
%   ignored.
%
%   Row i of IDS lists 0-based ids (0 is the first row of V) from its first
%   column on, up to the first negative entry (NaN does not end a row) or the
%   end of the row. Ids are truncated toward zero (2.9 is 2). IDS, V and W
%   are real, full, two-dimensional double matrices; V needs one column (four
%   in mode 4).
%
%   A running minimum starts at realmax and takes a value only when it is
%   smaller, a maximum only when it is larger, so NaN values never enter them
%   (sums do take NaN in). The mode 2 maximum starts at realmin, not at
%   -realmax: an empty row gives realmax/realmin = Inf, and a row whose values
%   are all <= realmin divides by realmin. The box starts at [realmax realmax
%   -realmax -realmax]. Sums run left to right from 0 and F in mode 3 is
%   computed as G*(-2) + (sum of values), so results are reproducible bit for
%   bit. A message about an id names its row, column and value.
%
%   Errors (identifier mexsets:set_features:<reason>):
%     nargin                 fewer than two inputs, or mode 3 without W
%     typesNotCoherent       IDS, V or W is not double
%     dimensionsNotCoherent  IDS, V or W has more than two dimensions
%     sparseInput            IDS, V or W is sparse (pass full(...))
%     complexInput           IDS, V or W is complex (pass real(...))
%     badScalar              MODE is empty or not numeric (a cell, say)
%     tooFewColumns          V lacks a column the mode reads, and a row has ids
%     idOutOfRange           an id >= size(V, 1) (mode 3: or a dimension of W)
%     idNotANumber           an id is NaN
%     outOfMemory            no memory left for the scratch of modes 3 and 4
%
%   Example:
%     [perimeter, shared] = set_features([0 1 -1], [10; 12], 3, [0 3; 3 0]);
%     % shared = 3
%     % perimeter = 16
%     % (10 + 12 - 2*3: the two regions share the boundary W(1, 2))
%     [ratio, total] = set_features([0 1 2; 2 -1 0], [2; 4; 8], 2);
%     % ratio = [0.25; 1]
%     % total = [14; 8]
%     smallest = set_features([0 1 2; 2 -1 0], [2; 4; 8]);
%     % smallest = [2; 8]
%
%   See also BOUNDARY_SUMS, SCORE_SUBSETS, MIN, MAX.
