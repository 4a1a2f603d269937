%SET_FEATURES Per-set minimum, min/max ratio and sum, perimeter, or box.
%   F = SET_FEATURES(IDS, V) returns, for every row of the M-by-N double
%   matrix IDS, the minimum of V(id+1, 1) over the row's ids (mode 1).
%   [F, G] = SET_FEATURES(IDS, V, MODE) selects the aggregate:
%     1  F = minimum of the values                          (no G)
%     2  F = minimum / maximum of the values, G = their sum
%     3  needs W: SET_FEATURES(IDS, V, 3, W). G = the pair sum, over every
%        two positions j < k of the row, of W(id_j+1, id_k+1) (the id listed
%        first gives the row); F = the sum of the values - 2*G, the
%        perimeter of a region whose boundary lengths V and shared boundaries
%        W describe
%     4  G = the M-by-4 box [min V(:,1), min V(:,2), max V(:,3), max V(:,4)]
%        over the row's ids; F stays zeros
%   Any other MODE returns F = zeros(M, 1) and no G. MODE is a numeric
%   scalar truncated toward zero (2.9 is 2); NaN and Inf count as other
%   values.
%
%   Row i of IDS lists 0-based ids (0 is the first row of V) from its first
%   column on, up to the first negative entry (entries after it are ignored)
%   or the end of the row. Ids are truncated toward zero (2.9 is 2). IDS, V
%   and W must be real, full, two-dimensional double matrices; V needs one
%   column (four in mode 4).
%
%   A running minimum starts at realmax and takes a value only when it is
%   smaller, a maximum only when it is larger, so NaN values never enter them
%   (sums do take NaN in). The mode 2 maximum starts at realmin, not at
%   -realmax: an empty row gives realmax/realmin = Inf, and a row whose values
%   are all <= realmin divides by realmin. The box starts at [realmax realmax
%   -realmax -realmax]. Sums run left to right from 0 and F in mode 3 is
%   computed as G*(-2) + (sum of values), so results are reproducible bit for
%   bit.
%
%   Errors, each with the identifier mexsets:set_features:<reason> and a
%   message naming the input and, for an id, its row, column and value:
%     idOutOfRange   an id is not below the row count of V (in mode 3, nor
%                    below the row and column counts of W)
%     idNotANumber   an id is NaN
%     tooFewColumns  V has fewer columns than the mode reads while some row
%                    holds an id
%   plus nargin ("There should be at least 2 input parameters", "For
%   perimeter we need 4 parameters"), typesNotCoherent,
%   dimensionsNotCoherent, sparseInput, complexInput and badScalar for the
%   wrong number or kind of inputs. G is returned only when asked for.
%
%   Example:
%     [perimeter, shared] = set_features([0 1 -1], [10; 12], 3, [0 3; 3 0])
%     % shared = 3 (W(1,2)), perimeter = 10 + 12 - 2*3 = 16
%     [ratio, total] = set_features([0 1 2; 2 -1 0], [2; 4; 8], 2)
%     % ratio = [0.25; 1], total = [14; 8]
%
%   See also BOUNDARY_SUMS, SCORE_SUBSETS, MIN, MAX.
