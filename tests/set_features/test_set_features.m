% set_features in Octave: the four modes, start values, mode selection,
% outputs offered and every message.
[f, g] = set_features([0 1 -1], [10; 12], 3, [0 3; 3 0]);
expect_same(f, 16, 'perimeter');
expect_same(g, 3, 'pair sum');
[f, g] = set_features([1 0], [10; 12], 3, [0 3; 5 0]);
expect_same(g, 5, 'earlier id gives the row of W');

f = set_features([2 0 1; -1 0 0; 1 -3 0; 2.9 -0 1], [5; NaN; -2]);
expect_same(f, [-2; realmax; realmax; -2], 'minimum, default mode');

v = [2; 4; 8; -1; 0; NaN; realmin / 4];
[f, g] = set_features([0 1 2; 3 -1 0; 4 4 -1; -1 0 0; 5 0 1; 3 6 6], v, 2);
expect_same(g, [14; -1; 0; 0; NaN; -1], 'sums');
expect_same(f, [0.25; -1 / realmin; 0; Inf; 0.5; -1 / realmin], 'ratios');

vb = [1 10 100 1000; -1 20 NaN 500; 3 -5 50 2000];
[f, g] = set_features([0 1 2; 1 -1 0; -2 0 0], vb, 4);
expect_same(f, zeros(3, 1), 'box leaves output 1 alone');
expect_same(g, [-1 -5 100 2000; -1 20 -realmax 500; realmax realmax -realmax -realmax], 'box');

[f, g] = set_features([0 1; 1 -1], [2; 4], 2.9);
expect_same(g, [6; 4], 'mode 2.9 is 2');
for mode = {0, 5, -1, 0.5, NaN, Inf, int8(7)}
  expect_error(@() set_features([0 1; 1 -1], [2; 4], mode{1}), 'mexsets:set_features:badMode', ...
               ['Mode must be 1, 2, 3 or 4 (truncated toward zero): input 3 (mode) is ' ...
                num2str(double(mode{1}))]);
end
expect_error(@() set_features([0 1; 1 -1], [2; 4], 1), 'mexsets:set_features:nargout', ...
             'Too many output arguments: set_features gives at most 1', 2);
f = set_features([0 1], [2; 4], true);
expect_same(f, 2, 'logical mode is 1');
[f, g] = set_features(zeros(0, 3), [], 4);
expect_same(g, zeros(0, 4), 'no rows');

expect_error(@() set_features(1), 'mexsets:set_features:nargin', ...
             'There should be at least 2 input parameters');
expect_error(@() set_features([0 1], [2; 4], 3), 'mexsets:set_features:nargin', ...
             'For perimeter we need 4 parameters');
expect_error(@() set_features([0 1], [2; 4], 3, ones(2)), 'mexsets:set_features:nargout', ...
             'Too many output arguments: set_features gives at most 2', 3);
expect_error(@() set_features([0 1], [2; 4]), 'mexsets:set_features:nargout', ...
             'Too many output arguments: set_features gives at most 1', 2);  % mode 1
expect_error(@() set_features(int32([0 1]), [2; 4]), 'mexsets:set_features:typesNotCoherent', ...
             'Data types not coherent');
expect_error(@() set_features([0 1], ones(2, 1, 2)), ...
             'mexsets:set_features:dimensionsNotCoherent', 'Data dimensions not coherent');
expect_error(@() set_features([0 1], [2; 4], 3, true(2)), ...
             'mexsets:set_features:typesNotCoherent', 'Data types not coherent');
expect_error(@() set_features([0 1], [2; 4], []), 'mexsets:set_features:badScalar', ...
             'input 3 (mode) is empty');
expect_error(@() set_features(sparse([0 1]), [2; 4]), 'mexsets:set_features:sparseInput', ...
             ['Sparse input is not supported (set_features has no sparse route): ' ...
              'input 1 is sparse; pass full(...) instead']);
expect_error(@() set_features([0 1], complex([2; 4])), 'mexsets:set_features:complexInput', ...
             'input 2 is complex; pass real(...) instead');
expect_error(@() set_features([0 2], [2; 4]), 'mexsets:set_features:idOutOfRange', ...
             'Id outside 0..1 (rows of input 2): input 1 at row 1, column 2 holds 2');
expect_error(@() set_features([0 1; NaN 0], [2; 4], 2), 'mexsets:set_features:idNotANumber', ...
             'Id outside 0..1 (rows of input 2): input 1 at row 2, column 1 holds NaN');
expect_error(@() set_features([0 1 2], [2; 4; 6], 3, [0 1; 1 0]), ...
             'mexsets:set_features:idOutOfRange', ...
             ['Id outside 0..1 (rows of input 2, rows and columns of input 4): ' ...
              'input 1 at row 1, column 3 holds 2']);
expect_error(@() set_features([0 1], [2 3 4; 4 5 6], 4), 'mexsets:set_features:tooFewColumns', ...
             'Too few value columns for mode 4, which reads 4: input 2 is 2-by-3');

% Mode 3 with w sparse gives the bits of the dense w with the same entries;
% a vector w is a 1-by-L matrix, sparse or not.
same_bits = @(a, b) isequal(size(a), size(b)) && ...
                    isequal(typecast(a(:), 'uint64'), typecast(b(:), 'uint64'));
rand('seed', 5);
for round = 1:20
  L = 1 + floor(rand() * 25);
  ids = floor(rand(50, 7) * L);
  ids(rand(50, 7) < 0.2) = -1;
  v = rand(L, 1) - 0.5;
  w = (rand(L) - 0.5) .* (rand(L) < 0.2);
  w(rand(L) < 0.05) = NaN;
  [f, p] = set_features(ids, v, 3, w);
  [fs, ps] = set_features(ids, v, 3, sparse(w));
  assert(same_bits(f, fs) && same_bits(p, ps), 'sparse w, round %d', round);
end
expect_error(@() set_features([0 1], [2; 4], 3, sparse([1 1])), ...
             'mexsets:set_features:idOutOfRange', ...
             ['Id outside 0..0 (rows of input 2, rows and columns of input 4): ' ...
              'input 1 at row 1, column 2 holds 1']);
