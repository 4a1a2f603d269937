%NONDOMINATED Mark the non-dominated rows (Pareto front).
%   FRONT = NONDOMINATED(X) returns an M-by-1 logical column for the M-by-D
%   double matrix X, whose rows are points with one coordinate per column,
%   smaller being better in every column. FRONT(i) is true when no other row
%   dominates row i (is no greater in every column and smaller in one) and no
%   earlier row is identical to row i: of several identical front rows only
%   the first is marked. -0 and +0 count as equal; Inf and -Inf are ordinary
%   values. Inputs after the first are ignored.
%
%   NONDOMINATED with no input, or with two or more outputs requested, prints
%   its synopsis and returns a 0-by-0 double as first output instead.
%
%   X is a real, full double array and is never read as another type. Rows
%   are the first dimension and columns the second; of an array with more
%   dimensions only the first M-by-D page is read. A 0-by-D X gives a 0-by-1
%   logical; an M-by-0 X marks row 1 only; a single column marks the first
%   row holding its minimum. FRONT takes M bytes.
%
%   NaN: a comparison with NaN is false, so a NaN coordinate counts as neither
%   better nor worse. When X holds a NaN the result is that of the candidate
%   sweep (each remaining row in turn is the champion, later rows that are
%   nowhere better are eliminated, a later row that dominates it takes over)
%   and depends on the row order, as the example shows. Without NaN the
%   result is exactly the definition above, in O(M log M) time for D <= 3.
%   With NaN it takes about O(M log M) while few rows hold NaN; each row
%   holding NaN that becomes champion costs a pass over the rows left, so
%   many such rows take up to O(M^2 D).
%
%@include errors
%     notDouble              X is not double (pass double(X))
%     sparseInput            X is sparse (pass full(X))
%     complexInput           X is complex (pass real(X))
%     noFirstPage            X is M-by-D-by-0 with M and D not 0
%     outOfMemory            no memory left for the scratch
%
%   Example:
%     front = nondominated([3 1; 1 3; 2 2; 3 3]);
%     % front = [true; true; true; false]
%     % (row 4 is dominated by row 3)
%     f1 = nondominated([1 NaN; 2 0]);
%     f2 = nondominated([2 0; 1 NaN]);
%     % f1 = [true; false]
%     % f2 = [false; true]
%
%   See also RANK_DIVERSE, SUPPRESS_OVERLAPS, SORTROWS.

%!demo
%! % Rows are points, smaller is better in both columns; row 4 is dominated
%! % by row 3.
%! front = nondominated ([3 1; 1 3; 2 2; 3 3])

%!test
%! assert (nondominated ([3 1; 1 3; 2 2; 3 3]), logical ([1; 1; 1; 0]));
%! assert (nondominated ([1 NaN; 2 0]), logical ([1; 0]));
%! assert (nondominated ([2 0; 1 NaN]), logical ([0; 1]));
%!test
%! % Random points with ties against the definition, checked pair by pair.
%! rand ("state", 9);
%! for d = 1:4
%!   x = floor (5 * rand (60, d));
%!   front = nondominated (x);
%!   for i = 1:60
%!     beaten = all (x <= x(i, :), 2) & any (x < x(i, :), 2);
%!     twin = all (x(1:i - 1, :) == x(i, :), 2);
%!     assert (front(i), ~any (beaten) && ~any (twin));
%!   endfor
%! endfor
%!error id=mexsets:nondominated:notDouble nondominated (single ([1 2]))
%!error id=mexsets:nondominated:sparseInput nondominated (sparse ([1 2]))
