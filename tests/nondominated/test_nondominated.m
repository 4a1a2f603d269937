% nondominated in Octave: worked examples, edge cases, NaN, the synopsis,
% every message, and the definition of the front on random points.
expect_same(nondominated([3 1; 1 3; 2 2; 3 3]), logical([1; 1; 1; 0]), 'worked example');
expect_same(nondominated([2 2; 3 1; 1 3; 1 1]), logical([0; 0; 0; 1]), 'second sweep');
expect_same(nondominated([1 2; 1 2]), logical([1; 0]), 'identical rows');
expect_same(nondominated([1 2; 2 1]), logical([1; 1]), 'each better somewhere');
expect_same(nondominated([5; 4; 3; 2; 1]), logical([0; 0; 0; 0; 1]), 'one column');
expect_same(nondominated([3; 1; 1]), logical([0; 1; 0]), 'first minimum');
expect_same(nondominated([7 -3 2]), true, 'one row');
expect_same(nondominated(zeros(0, 3)), false(0, 1), 'no rows');
expect_same(nondominated(zeros(3, 0)), logical([1; 0; 0]), 'no columns');
expect_same(nondominated([0 1; -0 1]), logical([1; 0]), '-0 equals +0');
expect_same(nondominated(cat(3, [1 2; 2 1], [0 0; 0 0])), logical([1; 1]), 'first page only');
expect_same(nondominated([3 1; 1 3; 2 2; 3 3], 'ignored'), logical([1; 1; 1; 0]), 'extra input');

expect_same(nondominated([NaN NaN; 1 1]), logical([1; 0]), 'NaN row first');
expect_same(nondominated([1 1; NaN NaN]), logical([1; 0]), 'NaN row last');
expect_same(nondominated([1 NaN; 2 0]), logical([1; 0]), 'NaN order 1');
expect_same(nondominated([2 0; 1 NaN]), logical([0; 1]), 'NaN order 2');

% The synopsis, not an error, for no input or two or more outputs.
synopsis = sprintf('\nsynopsis:   front = nondominated(X)\n');
printed = evalc('r = nondominated();');
assert(strcmp(printed, synopsis), 'synopsis printed as "%s"', printed);
expect_same(r, zeros(0, 0), 'synopsis output');
printed = evalc('try, [a, b] = nondominated([1 2]); catch, end');
assert(strcmp(printed, synopsis), 'synopsis for two outputs printed as "%s"', printed);

% Anything but a real, full double array is refused, never read as doubles.
expect_error(@() nondominated(int32([1 2; 3 4])), 'mexsets:nondominated:notDouble', ...
             'Expected a double array: input 1 (X) is int32; pass double(X) instead');
expect_error(@() nondominated(single([1 2])), 'mexsets:nondominated:notDouble', ...
             'Expected a double array: input 1 (X) is single; pass double(X) instead');
expect_error(@() nondominated(true(3, 2)), 'mexsets:nondominated:notDouble', ...
             'Expected a double array: input 1 (X) is logical; pass double(X) instead');
expect_error(@() nondominated({1, 2}), 'mexsets:nondominated:notDouble', ...
             'Expected a double array: input 1 (X) is cell; pass double(X) instead');
expect_error(@() nondominated(sparse([1 2; 3 4])), 'mexsets:nondominated:sparseInput', ...
             'input 1 is sparse; pass full(...) instead');
expect_error(@() nondominated(complex([1 2; 3 4], 0)), 'mexsets:nondominated:complexInput', ...
             'input 1 is complex; pass real(...) instead');
expect_error(@() nondominated(zeros(2, 3, 0)), 'mexsets:nondominated:noFirstPage', ...
             'Expected an M-by-D page of points: input 1 (X) is 2-by-3-by-0 and holds no element');
expect_same(nondominated(zeros(3, 0, 0)), logical([1; 0; 0]), 'no columns, no pages');

% Random points without NaN against the definition, written with whole-row
% comparisons: no row dominates a marked row, and every other row is
% dominated or a later copy.
rand('seed', 5);
for trial = 1:40
  m = randi(300);
  d = randi(5);
  if mod(trial, 2)
    X = randi(3, m, d) - 1;  % ties and copies
  else
    X = -log(rand(m, d));
    X = X ./ sum(X, 2);      % nearly all on the front
  end
  expected = false(m, 1);
  for r = 1:m
    dominated = any(all(X <= X(r, :), 2) & any(X < X(r, :), 2));
    copied = any(all(X(1:r-1, :) == X(r, :), 2));
    expected(r) = ~dominated && ~copied;
  end
  expect_same(nondominated(X), expected, sprintf('random trial %d', trial));
end
