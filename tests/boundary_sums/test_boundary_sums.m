% boundary_sums in Octave: worked example, scanning and distribution rules and
% every message.
labels = [0 5 0; 7 0 5; 0 7 0];
weights = [0 1 0; 2 0 3; 0 4 0];
[P, B] = boundary_sums(2, [1 0], [2 1], [5 7], labels, weights);
expect_same(P, [0 4; 0 0], 'pair matrix');
expect_same(B, [6; 0], 'border vector');

% Same-parity cells are never read; n from any numeric class, truncated.
[P, B] = boundary_sums(int32(2), [1 0], [2 1], [5 7], [9 5 9; 7 9 5; 9 7 9], ...
                       [NaN 1 NaN; 2 NaN 3; NaN 4 NaN]);
expect_same(P, [0 4; 0 0], 'same-parity cells ignored');
[P, B] = boundary_sums(2.9, [1 0], [2 1], [5 7], labels, weights);
expect_same(B, [6; 0], 'n truncated');

% Later keys win a shared cell; P(b, a) stays 0; a repeated key sums at its
% first position and its copies write nothing.
P = boundary_sums(2, [1 1], [2 2], [5 7], labels, weights);
expect_same(P, [0 6; 0 0], 'later key wins');
[P, B] = boundary_sums(2, [1 0 0], [2 1 2], [5 7 5], labels, weights);
expect_same(B, [6; 0], 'repeated key');
P = boundary_sums(2, [1 0 1], [2 1 2], [5 7 5], labels, weights);
expect_same(P, [0 4; 0 0], 'a repeated key keeps its first sum');
[P, B] = boundary_sums(2, [0 0 0 0], [1 2 2 1], [7 -3 5 -3], labels, weights);
expect_same(B, [6; 4], 'a repeat of a key no label matches writes nothing');

% One-row grid: pass over columns 2, 4, ... only; one-column grid: rows 2, 4.
[P, B] = boundary_sums(2, [0 0], [1 2], [1 2], [2 1 2 1 2], [100 1 100 2 100]);
expect_same(B, [3; 0], 'one row');
[P, B] = boundary_sums(2, [0 0], [1 2], [1 2], [2; 2; 1; 2], [100; 5; 100; 6]);
expect_same(B, [0; 11], 'one column');
[P, B] = boundary_sums(0, [], [], [], [], []);
expect_same(P, zeros(0, 0), 'n = 0');
expect_same(B, zeros(0, 1), 'n = 0 border');
P = boundary_sums(2, [1 0], [2 1], [5 7], labels, weights);   % one output
expect_same(P, [0 4; 0 0], 'single output');

id = 'mexsets:boundary_sums:';
expect_error(@() boundary_sums(2, [1 0], [2 1], [5 7], labels), [id 'nargin'], ...
             'There should be 6 input parameters');
expect_error(@() boundary_sums(2, [1 0], [2 1], [5 7], labels, weights), [id 'nargout'], ...
             'Too many output arguments: boundary_sums gives at most 2', 3);
% 8*n^2 + 8*n bytes, times the copies Octave holds (held_copies), against
% MEXSETS_MEMORY_LIMIT (or the machine's memory: a million squared doubles
% fit no machine today).
[copies, clause] = held_copies('boundary_sums', 48);
setenv('MEXSETS_MEMORY_LIMIT', num2str(48 * copies - 1));
expect_error(@() boundary_sums(2, [1 0], [2 1], [5 7], labels, weights), [id 'outputTooLarge'], ...
             ['Output too large: the 2-by-2 pair matrix and the 2-by-1 border sums for ' ...
              'input 1 (n) would take 48 bytes' clause ', but MEXSETS_MEMORY_LIMIT allows ' ...
              num2str(48 * copies - 1) ' bytes; pass a smaller n (the largest id in first ' ...
              'and second is enough)']);
setenv('MEXSETS_MEMORY_LIMIT', num2str(48 * copies));
[P, B] = boundary_sums(2, [1 0], [2 1], [5 7], labels, weights);
expect_same(B, [6; 0], 'limit met');
unsetenv('MEXSETS_MEMORY_LIMIT');
expect_error(@() boundary_sums(1e6, [1 0], [2 1], [5 7], labels, weights), ...
             [id 'outputTooLarge'], '(the largest id in first and second is enough)');
expect_error(@() boundary_sums(2, [1 0], int8([2 1]), [5 7], labels, weights), ...
             [id 'typesNotCoherent'], 'Data types not coherent');
expect_error(@() boundary_sums(2, [1 0], [2 1], [5 7], labels, ones(3, 3, 2)), ...
             [id 'dimensionsNotCoherent'], 'Data dimensions not coherent');
expect_error(@() boundary_sums({2}, [1 0], [2 1], [5 7], labels, weights), ...
             [id 'badScalar'], 'input 1 (n) is not numeric');
expect_error(@() boundary_sums(2, [1 0], [2 1], sparse([5 7]), labels, weights), ...
             [id 'sparseInput'], 'input 4 is sparse; pass full(...) instead');
expect_error(@() boundary_sums(-1, [1 0], [2 1], [5 7], labels, weights), ...
             [id 'sizeOutOfRange'], 'Size n outside 0..2147483647: input 1 (n) holds -1');
expect_error(@() boundary_sums(NaN, [1 0], [2 1], [5 7], labels, weights), ...
             [id 'sizeOutOfRange'], 'Size n outside 0..2147483647: input 1 (n) holds NaN');
expect_error(@() boundary_sums(2, [1 0], [2 1], zeros(0, 2), labels, weights), ...
             [id 'emptyKeyList'], 'Key list empty but 2 keys long: input 4 is 0-by-2');
expect_error(@() boundary_sums(2, 1, [2 1], [5 7], labels, weights), [id 'tooFewIds'], ...
             'Too few first ids: input 2 holds 1 element, the key list (input 4) 2');
expect_error(@() boundary_sums(2, [1 0], [2 1], [5 7], labels, weights(1:2, :)), ...
             [id 'weightGridTooSmall'], ...
             'Weight grid smaller than the label grid: input 6 is 2-by-3, input 5 is 3-by-3');
expect_error(@() boundary_sums(2, [1 0], [2 1], [5 NaN], labels, weights), ...
             [id 'keyNotANumber'], 'Key is NaN: input 4 at row 1, column 2 holds NaN');
expect_error(@() boundary_sums(2, [3 0], [2 1], [5 7], labels, weights), [id 'idOutOfRange'], ...
             'First id neither 0 nor in 1..2: input 2 at row 1, column 1 holds 3');
expect_error(@() boundary_sums(2, [1 0], [2 0], [5 7], labels, weights), [id 'idOutOfRange'], ...
             'Second id outside 1..2: input 3 at row 1, column 2 holds 0');
expect_error(@() boundary_sums(2, [1 NaN], [2 1], [5 7], labels, weights), ...
             [id 'idNotANumber'], 'input 2 at row 1, column 2 holds NaN');
expect_error(@() boundary_sums(2, [1 0], [2 1], [5 7], [0 5 0; 7 0 5; 0 6 0], weights), ...
             [id 'labelWithoutKey'], 'Label matches no key: input 5 at row 3, column 2 holds 6');
