%NONDOMINATED Mark the rows of a matrix on its Pareto front (smaller is better).
%   FRONT = NONDOMINATED(X) returns an M-by-1 logical column for the M-by-D
%   double matrix X, whose rows are points with one coordinate per column,
%   smaller being better in every column. FRONT(i) is true when no other row
%   dominates row i (is no greater in every column and smaller in one) and no
%   earlier row is identical to row i: of several identical front rows only
%   the first is marked. -0 and +0 count as equal; Inf and -Inf are ordinary
%   values.
%
%   X must be a real, full double array; any other class (single, integers,
%   logical, char, cell, ...) ends the call with mexsets:nondominated:notDouble,
%   a sparse X with :sparseInput and a complex X with :complexInput (pass
%   full(X) or real(X)). X is never read as another type. Rows are the first
%   dimension and columns the second; of an array with more dimensions only
%   the first M-by-D page is read, and an M-by-D-by-0 array (M and D not 0),
%   which has no such page, ends the call with :noFirstPage. Inputs after the
%   first are ignored.
%
%   Edge cases: an empty 0-by-D X gives a 0-by-1 logical; an M-by-0 X marks
%   row 1 only; a single column marks the first row holding its minimum.
%
%   NaN: a comparison with NaN is false, so a NaN coordinate counts as neither
%   better nor worse. When X holds a NaN the result is that of the candidate
%   sweep (each remaining row in turn is the champion, later rows that are
%   nowhere better are eliminated, a later row that dominates it takes over)
%   and depends on the row order: NONDOMINATED([1 NaN; 2 0]) is [1; 0] while
%   NONDOMINATED([2 0; 1 NaN]) is [0; 1]. Without NaN the result is exactly
%   the definition above, in O(M log M) time for D <= 3. With NaN the sweep's
%   result is reached in about O(M log M) while few rows hold NaN; each row
%   holding NaN that becomes champion costs a pass over the rows left, so
%   many such rows take up to O(M^2 D).
%
%   Called with no input, or with two or more outputs requested, NONDOMINATED
%   prints its synopsis and returns a 0-by-0 double instead.
%
%   Example:
%     front = nondominated([3 1; 1 3; 2 2; 3 3])
%     % front = [1; 1; 1; 0]: row 4 is dominated by row 3
%
%   See also SORTROWS, MIN, ALL.
