%BOUNDARY_SUMS Sum a grid's mixed-parity cell weights per label.
%   [P, B] = BOUNDARY_SUMS(N, FIRST, SECOND, KEYS, LABELS, WEIGHTS) sums, for
%   every key, the WEIGHTS of the cells of LABELS that hold that key, reading
%   only the mixed-parity cells (of the row and column index, one is odd and
%   one even). It returns the N-by-N double matrix P and the N-by-1 double
%   column B: key k's sum goes to B(SECOND(k)) when FIRST(k) is 0 (or -0),
%   and to P(FIRST(k), SECOND(k)) otherwise. P(SECOND(k), FIRST(k)) is not
%   set, cells that no key names stay 0, and when two keys name the same cell
%   the later key's sum is what remains.
%
%   N is a numeric scalar (its first element is read), truncated toward zero.
%   The keys are the first L elements of the double array KEYS, L being the
%   larger of its dimensions (a vector's length); FIRST and SECOND are double
%   arrays read at the same L positions, all in column order. Ids are 1-based
%   and truncated toward zero after subtracting 1, so 2.5 addresses 2 and
%   every id between 0 and 1 addresses 1. LABELS is a double matrix; a cell
%   value greater than 0 is a label and must equal one of the KEYS (0,
%   negative values and NaN add nothing). WEIGHTS is a double matrix with at
%   least as many rows and columns as LABELS. All matrices are real, full and
%   two-dimensional.
%
%   Keys match by exact value; a key listed twice collects its weights at its
%   first position, and its later copies write nothing (earlier releases
%   wrote 0 into the cell a copy names, overwriting the sum there).
%   Weights are added to each key's sum in a fixed order (first the odd
%   rows at their even columns, then the even rows at their odd columns,
%   each row by row and left to right), so results are reproducible bit for
%   bit. A message about an entry names its input, row, column and value.
%
%   P and B take 8*N^2 + 8*N bytes.
%@include memory
%
%@include errors
%     nargin                 not exactly six inputs
%     nargout                more than two outputs
%     badScalar              N is empty or not numeric (a cell, say)
%@include input_errors an input after N
%     sizeOutOfRange         N is NaN or truncates outside 0..2^31-1
%     outOfMemory            N is too large to address N-by-N, or no memory
%     emptyKeyList           KEYS is empty but not 0-by-0 (0-by-5, say)
%     tooManyKeys            KEYS has 2^32-1 elements or more
%     tooFewIds              FIRST or SECOND holds fewer than L elements
%     weightGridTooSmall     WEIGHTS has fewer rows or columns than LABELS
%     keyNotANumber          a key is NaN
%     idOutOfRange           SECOND(k), or FIRST(k) if not 0, outside (0, N+1)
%     idNotANumber           an id is NaN
%     labelWithoutKey        a label equals none of the KEYS
%     outputTooLarge         P and B (8*N^2 + 8*N bytes) exceed the memory
%
%   Example:
%     labels  = [0 5 0; 7 0 5; 0 7 0];
%     weights = [0 1 0; 2 0 3; 0 4 0];
%     [P, B] = boundary_sums(2, [1 0], [2 1], [5 7], labels, weights);
%     % P = [0 4; 0 0]
%     % B = [6; 0]
%     % (key 5 sums cells (1,2) and (2,3) into P(1,2); key 7 sums cells
%     % (2,1) and (3,2) into B(1))
%
%   See also SET_FEATURES, ACCUMARRAY.

%!demo
%! % Key 5 separates labels 1 and 2; key 7 is the rim of label 1.
%! labels  = [0 5 0; 7 0 5; 0 7 0];
%! weights = [0 1 0; 2 0 3; 0 4 0];
%! [P, B] = boundary_sums (2, [1 0], [2 1], [5 7], labels, weights)

%!test
%! [P, B] = boundary_sums (2, [1 0], [2 1], [5 7], [0 5 0; 7 0 5; 0 7 0], ...
%!                         [0 1 0; 2 0 3; 0 4 0]);
%! assert (P, [0 4; 0 0]);
%! assert (B, [6; 0]);
%!test
%! % Random keys on a 9-by-11 grid against sums over the mixed-parity cells.
%! rand ("state", 7);
%! first = [0 0 1 1 2 3];
%! second = [1 3 2 4 3 4];
%! keys = first * 5 + second;
%! labels = keys(ceil (6 * rand (9, 11)));
%! weights = ceil (100 * rand (9, 11));
%! [r, c] = ndgrid (1:9, 1:11);
%! mixed = mod (r + c, 2) == 1;
%! [P, B] = boundary_sums (4, first, second, keys, labels, weights);
%! for k = 1:6
%!   total = sum (weights(mixed & labels == keys(k)));
%!   if first(k) == 0
%!     assert (B(second(k)), total);
%!   else
%!     assert (P(first(k), second(k)), total);
%!   endif
%! endfor
%!error id=mexsets:boundary_sums:labelWithoutKey
%! boundary_sums (2, 1, 2, 5, [0 6 0], [0 1 0])
%!error id=mexsets:boundary_sums:nargin boundary_sums (2)
