% score_subsets in Octave: worked example, edge cases and every message.
[a, b] = score_subsets([10 20 30], [1 2 3], [3 1 0 2]);
expect_same(a, 40, 'sum of A');
expect_same(b, 4, 'sum of B');

[a, b] = score_subsets([10 20 30; 7 7 7], [1 2 3], [1 2 3; 0 1 2; 2 2 0; 0.5 2.9 0]);
expect_same(a, [60; 0; 40; 30], 'rows of A');
expect_same(b, [6; 0; 4; 3], 'rows of B');

[a, b] = score_subsets(1, 1, zeros(0, 4));
expect_same(a, zeros(0, 1), 'no rows');
[a, b] = score_subsets(1, 1, zeros(3, 0));
expect_same(b, zeros(3, 1), 'no columns');

a = score_subsets([1 2], [3 4], [2 1]);   % one output requested
expect_same(a, 3, 'single output');

expect_error(@() score_subsets(1, 1), 'mexsets:score_subsets:nargin', ...
             'There should be 3 input parameters');
expect_error(@() score_subsets(1, 1, 1, 1), 'mexsets:score_subsets:nargin', ...
             'There should be 3 input parameters');
expect_error(@() score_subsets(1, 1, 1), 'mexsets:score_subsets:nargout', ...
             'Too many output arguments: score_subsets gives at most 2', 3);
expect_error(@() score_subsets(true, 1, 1), 'mexsets:score_subsets:typesNotCoherent', ...
             'Data types not coherent');
expect_error(@() score_subsets(1, single(1), 1), 'mexsets:score_subsets:typesNotCoherent', ...
             'Data types not coherent');
expect_error(@() score_subsets(1, 1, ones(1, 2, 2)), ...
             'mexsets:score_subsets:dimensionsNotCoherent', 'Data dimensions not coherent');
expect_error(@() score_subsets([1 2 3], [1 2], [1 3]), 'mexsets:score_subsets:idOutOfRange', ...
             'Item id outside 1..2: input 3 at row 1, column 2 holds 3');
expect_error(@() score_subsets([1 2], [1 2], [1; NaN]), 'mexsets:score_subsets:idNotANumber', ...
             'Item id outside 1..2: input 3 at row 2, column 1 holds NaN');
expect_error(@() score_subsets(sparse([1 2]), [1 2], 1), 'mexsets:score_subsets:sparseInput', ...
             'input 1 is sparse; pass full(...) instead');
expect_error(@() score_subsets([1 2], [1 2], complex(1, 1)), ...
             'mexsets:score_subsets:complexInput', 'input 3 is complex; pass real(...) instead');
