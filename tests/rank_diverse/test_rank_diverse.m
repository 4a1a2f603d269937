% rank_diverse in Octave: worked example, edge cases and every message.
[o, s] = rank_diverse([0; 0; 1], [1; 1; 0.9], eye(2), 0.5);
expect_same(o, [1; 3; 2], 'worked example order');
expect_same(s, [0.5; 0.45; 0], 'worked example scores');

[o, s] = rank_diverse([0 1], 2, eye(2));            % default lambda 0.75
expect_same([o s], [1 1.5], 'single candidate');
[o, s] = rank_diverse(zeros(0, 3), [], []);
expect_same(o, zeros(0, 1), 'no candidates');
[o, s] = rank_diverse(zeros(4, 0), [1 3 3 2], [], 1);
expect_same([o s], [2 3; 3 3; 4 2; 1 1], 'no columns: by relevance');
[o, s] = rank_diverse([0 0; 0 -1], [1; 1], 1, 0.5);  % repeated id: ratio 2
expect_same(s, [0.5; -0.5], 'repeated ids');
[o, s] = rank_diverse([0; 1; 0], [2; 1; 0.5], [0.5 1; 1 0.5], 0.5);
expect_same([o s], [1 1; 3 -0.25; 2 -Inf], 'infinite ratio');
[o, s] = rank_diverse([0; 0; 1], [1; 5; 3], eye(2), NaN);
expect_same(o, [1; 2; 3], 'NaN lambda still orders every candidate');
assert(all(isnan(s)), 'NaN lambda gives NaN scores');
[o, s] = rank_diverse([0; 0; 1], [-Inf; -Inf; 7], eye(2), 1);
expect_same([o s], [3 7; 1 -Inf; 2 -Inf], '-Inf relevance');
[o, s] = rank_diverse([0; 0; 1], [1; 1; 0.9], eye(2), single(0.5));
expect_same(o, [1; 3; 2], 'lambda of another class');
o = rank_diverse([0; 1], [1; 2], eye(2));          % one output
expect_same(o, [2; 1], 'single output');

expect_error(@() rank_diverse(0, 1), 'mexsets:rank_diverse:nargin', ...
             'There should be at least 3 input parameters');
expect_error(@() rank_diverse(0, 1, 1), 'mexsets:rank_diverse:nargout', ...
             'Too many output arguments: rank_diverse gives at most 2', 3);
expect_error(@() rank_diverse(int32(0), 1, 1), 'mexsets:rank_diverse:typesNotCoherent', ...
             'Data types not coherent');
expect_error(@() rank_diverse(0, 1, single(1)), 'mexsets:rank_diverse:typesNotCoherent', ...
             'Data types not coherent');
expect_error(@() rank_diverse(0, ones(1, 1, 2), 1), ...
             'mexsets:rank_diverse:dimensionsNotCoherent', 'Data dimensions not coherent');
expect_error(@() rank_diverse(sparse(0), 1, 1), 'mexsets:rank_diverse:sparseInput', ...
             ['Sparse input is not supported (rank_diverse has no sparse route): ' ...
              'input 1 is sparse; pass full(...) instead']);
expect_error(@() rank_diverse(0, 1, sparse(complex(1, 1))), 'mexsets:rank_diverse:complexInput', ...
             'input 3 is complex; pass real(...) instead');
expect_error(@() rank_diverse(0, 1, sparse(true)), 'mexsets:rank_diverse:typesNotCoherent', ...
             'Data types not coherent');
expect_error(@() rank_diverse([0 2], 1, [1 1]), 'mexsets:rank_diverse:idOutOfRange', ...
             'Item id outside 0..1 (input 3 holds 2 item weights): input 1 at row 1, column 2 holds 2');
expect_error(@() rank_diverse(0, complex(1, 1), 1), 'mexsets:rank_diverse:complexInput', ...
             'input 2 is complex; pass real(...) instead');
expect_error(@() rank_diverse(0, 1, 1, {}), 'mexsets:rank_diverse:badScalar', ...
             'Expected a numeric scalar: input 4 (lambda) is not numeric');
expect_error(@() rank_diverse([0; 1], 1, eye(2)), 'mexsets:rank_diverse:tooFewValues', ...
             'Too few relevance values: input 2 holds 1 for the 2 rows of input 1');
expect_error(@() rank_diverse([0 1; 1 2], [1; 1], eye(2)), ...
             'mexsets:rank_diverse:idOutOfRange', ...
             'Item id outside 0..1 (input 3 is 2-by-2): input 1 at row 2, column 2 holds 2');
expect_error(@() rank_diverse([0 2], 1, ones(3, 2)), 'mexsets:rank_diverse:idOutOfRange', ...
             'Item id outside 0..1 (input 3 is 3-by-2): input 1 at row 1, column 2 holds 2');
expect_error(@() rank_diverse([0 NaN], 1, 1), 'mexsets:rank_diverse:idNotANumber', ...
             'input 1 at row 1, column 2 holds NaN');
expect_error(@() rank_diverse(0, 1, []), 'mexsets:rank_diverse:idOutOfRange', ...
             'Item id with no item to address (input 3 is 0-by-0): input 1 at row 1, column 1 holds 0');

% W sparse, and W as the vector of its diagonal (dense or sparse, row or
% column), give the bits of the dense W with the same entries.
same_bits = @(a, b) isequal(size(a), size(b)) && ...
                    isequal(typecast(a(:), 'uint64'), typecast(b(:), 'uint64'));
rand('seed', 3);
for round = 1:20
  L = 1 + floor(rand() * 25);
  items = floor(rand(40, 6) * L);
  items(rand(40, 6) < 0.2) = -1;
  relevance = rand(40, 1);
  W = rand(L) .* (rand(L) < 0.2);
  W(rand(L) < 0.05) = NaN;
  W(1:L+1:end) = rand(1, L) + 0.5;
  [o, s] = rank_diverse(items, relevance, W, 0.6);
  [os, ss] = rank_diverse(items, relevance, sparse(W), 0.6);
  assert(same_bits(o, os) && same_bits(s, ss), 'sparse W, round %d', round);
  w = rand(1, L);
  w(rand(1, L) < 0.3) = 0;
  [o, s] = rank_diverse(items, relevance, diag(w), 0.6);
  for form = {w, w', sparse(w), sparse(w')}
    [ov, sv] = rank_diverse(items, relevance, form{1}, 0.6);
    assert(same_bits(o, ov) && same_bits(s, sv), 'vector W, round %d', round);
  end
end
