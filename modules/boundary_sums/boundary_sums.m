%BOUNDARY_SUMS Per-label sums of a grid's mixed-parity cells, handed out by id pairs.
%   [P, B] = BOUNDARY_SUMS(N, FIRST, SECOND, KEYS, LABELS, WEIGHTS) sums, for
%   every key, the WEIGHTS of the cells of LABELS that hold that key, reading
%   only the mixed-parity cells (row and column indices, counted from 1, one
%   odd and one even). It returns the N-by-N double matrix P and the N-by-1
%   double column B: key k's sum goes to B(SECOND(k)) when FIRST(k) is 0, and
%   to P(FIRST(k), SECOND(k)) otherwise. P(SECOND(k), FIRST(k)) is not set,
%   cells that no key names stay 0, and when two keys name the same cell the
%   later key's sum is what remains.
%
%   N is a numeric scalar, truncated toward zero. KEYS is a double vector of
%   length L; FIRST and SECOND are double arrays read at the same L positions.
%   LABELS is an M-by-N double matrix; a cell value greater than 0 is a label
%   and must equal one of the KEYS (0, negative values and NaN add nothing).
%   WEIGHTS is a double matrix with at least as many rows and columns as
%   LABELS. All matrices must be real, full and two-dimensional.
%
%   Keys match by exact value (-0 equals 0); a key listed twice collects its
%   weights at its first position, so the later copy hands out 0. Weights are
%   added to each key's sum in a fixed order (first the odd rows at their even
%   columns, then the even rows at their odd columns, each row by row and left
%   to right), so results are reproducible bit for bit.
%
%   Errors, each with the identifier mexsets:boundary_sums:<reason> and a
%   message naming the input and, for an entry, its row, column and value:
%     sizeOutOfRange      N is NaN or truncates to a value outside 0..2^31-1
%     outOfMemory         N is too large for an N-by-N matrix
%     emptyKeyList        KEYS is empty but has a non-zero dimension (0-by-5)
%     tooFewIds           FIRST or SECOND holds fewer than L elements
%     weightGridTooSmall  WEIGHTS has fewer rows or columns than LABELS
%     keyNotANumber       a key is NaN
%     idOutOfRange        FIRST(k) is neither 0 nor in (0, N+1), or SECOND(k)
%                         is outside (0, N+1); ids are truncated toward zero
%                         after subtracting 1, so 2.5 addresses 2 and 0.5
%                         addresses 1
%     idNotANumber        an id is NaN
%     labelWithoutKey     a label equals none of the KEYS
%   plus nargin, typesNotCoherent, dimensionsNotCoherent, sparseInput,
%   complexInput and badScalar for the wrong number or kind of inputs.
%
%   Example:
%     labels  = [0 5 0; 7 0 5; 0 7 0];
%     weights = [0 1 0; 2 0 3; 0 4 0];
%     [P, B] = boundary_sums(2, [1 0], [2 1], [5 7], labels, weights)
%     % P = [0 4; 0 0]: key 5 (cells (1,2) and (2,3)) sums 1 + 3 into P(1,2)
%     % B = [6; 0]:     key 7 (cells (2,1) and (3,2)) sums 2 + 4 into B(1)
%
%   See also SET_FEATURES, ACCUMARRAY.
