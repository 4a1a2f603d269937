% suppress_overlaps in Octave: worked examples, edge cases and every message.
items = [0 1 -1; 1 0 -1; 2 -1 -1; 0 2 -1];
expect_same(suppress_overlaps(items, [1; 1; 1], eye(3)), [1 2 0; 3 0 0; 1 3 0], ...
            'worked example');
expect_same(suppress_overlaps(items, [1; 1; 1], eye(3), 0.5), [1 2 0; 3 0 0], 'threshold 0.5');
expect_same(suppress_overlaps(items, [1 1 1], eye(3), NaN), [1 2 0; 2 1 0; 3 0 0; 1 3 0], ...
            'NaN threshold keeps every row');
expect_same(suppress_overlaps(items, [1; 1; 1], eye(3), 0), [1 2 0], 'threshold 0');
% KEPT: the kept rows' numbers, also where kept rows repeat (row 3 = row 1).
[accepted, kept] = suppress_overlaps([0 -1; 0 0; 0 -1; 1 -1], [1 1], eye(2), 2);
expect_same(accepted, [1 0; 1 0; 2 0], 'repeated rows kept');
expect_same(kept, [1; 3; 4], 'their row numbers');
[accepted, kept] = suppress_overlaps(zeros(0, 3), 1, 1);
expect_same(kept, zeros(0, 1), 'no rows kept');

expect_same(suppress_overlaps(zeros(0, 3), 1, 1), zeros(0, 3), 'no rows');
expect_same(suppress_overlaps(zeros(4, 0), [], []), zeros(4, 0), 'no columns');
expect_same(suppress_overlaps([2.7 -1 -0.5 7.9 -3.2], [1 1 1], eye(3)), [3 0 1 8 -2], ...
            'truncation');
expect_same(suppress_overlaps([1 -0.5 -1; 1 0 -1], [1 1 1], eye(3)), [2 1 0], ...
            '-0.5 is item 0 once stored');
expect_same(suppress_overlaps([0 0; 0 -1], 1, 1, 2), [1 1], 'repeated ids: ratio 2');
expect_same(suppress_overlaps([0; 1], [0.5 0.5], [0.5 1; 1 0.5], Inf), 1, 'infinite ratio');
expect_same(suppress_overlaps([0 -1 2147483647], 1, 1), [1 0 2147483648], '32-bit maximum');
expect_same(suppress_overlaps(items, [1 1 1], eye(3), int8(0)), [1 2 0], 'integer threshold');

expect_error(@() suppress_overlaps(0, 1), 'mexsets:suppress_overlaps:nargin', ...
             'There should be at least 3 input parameters');
try
  [a, b, c] = suppress_overlaps(0, 1, 1);
  error('three outputs were accepted');
catch err
  assert(strcmp(err.identifier, 'mexsets:suppress_overlaps:nargout'), err.identifier);
end
expect_error(@() suppress_overlaps(0, true, 1), 'mexsets:suppress_overlaps:typesNotCoherent', ...
             'Data types not coherent');
expect_error(@() suppress_overlaps(ones(1, 1, 2), 1, 1), ...
             'mexsets:suppress_overlaps:dimensionsNotCoherent', 'Data dimensions not coherent');
expect_error(@() suppress_overlaps(sparse(0), 1, 1), 'mexsets:suppress_overlaps:sparseInput', ...
             ['Sparse input is not supported (suppress_overlaps has no sparse route): ' ...
              'input 1 is sparse; pass full(...) instead']);
expect_error(@() suppress_overlaps(0, complex(1, 1), 1), ...
             'mexsets:suppress_overlaps:complexInput', 'input 2 is complex; pass real(...) instead');
expect_error(@() suppress_overlaps(0, 1, 1, 'ab'(1:0)), 'mexsets:suppress_overlaps:badScalar', ...
             'Expected a numeric scalar: input 4 (threshold) is empty');
expect_error(@() suppress_overlaps([0 1; 2 -1], [1 1], eye(3)), ...
             'mexsets:suppress_overlaps:idOutOfRange', ...
             ['Item id outside 0..1 (input 2 holds 2 values, input 3 is 3-by-3): ' ...
              'input 1 at row 2, column 1 holds 2']);
expect_error(@() suppress_overlaps([0 -0.5 5 -1], [1 1 1], eye(3)), ...
             'mexsets:suppress_overlaps:idOutOfRange', 'input 1 at row 1, column 3 holds 5');
expect_error(@() suppress_overlaps([NaN 1], 1, 1), 'mexsets:suppress_overlaps:idNotANumber', ...
             'input 1 at row 1, column 1 holds NaN');
expect_error(@() suppress_overlaps([0 -1 2^31], 1, 1), 'mexsets:suppress_overlaps:entryNotInt32', ...
             'Entry does not fit a 32-bit integer: input 1 at row 1, column 3 holds 2147483648');

% W sparse, and W as the vector of its diagonal (dense or sparse, row or
% column), give the bits of the dense W with the same entries.
same_bits = @(a, b) isequal(size(a), size(b)) && ...
                    isequal(typecast(a(:), 'uint64'), typecast(b(:), 'uint64'));
rand('seed', 4);
for round = 1:20
  L = 1 + floor(rand() * 25);
  items = floor(rand(60, 5) * L);
  items(rand(60, 5) < 0.2) = -1;
  u = rand(L, 1) + 0.5;
  W = rand(L) .* (rand(L) < 0.2);
  W(rand(L) < 0.05) = NaN;
  [a, k] = suppress_overlaps(items, u, W, 0.3);
  [as, ks] = suppress_overlaps(items, u, sparse(W), 0.3);
  assert(same_bits(a, as) && same_bits(k, ks), 'sparse W, round %d', round);
  w = rand(1, L);
  w(rand(1, L) < 0.3) = 0;
  [a, k] = suppress_overlaps(items, u, diag(w), 0.3);
  for form = {w, w', sparse(w), sparse(w')}
    [av, kv] = suppress_overlaps(items, u, form{1}, 0.3);
    assert(same_bits(a, av) && same_bits(k, kv), 'vector W, round %d', round);
  end
end
expect_error(@() suppress_overlaps([0 2], [1 1 1], sparse([1 0])), ...
             'mexsets:suppress_overlaps:idOutOfRange', ...
             'input 3 holds 2 item weights): input 1 at row 1, column 2 holds 2');
