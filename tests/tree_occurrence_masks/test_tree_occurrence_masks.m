% tree_occurrence_masks in Octave: worked example, one plane, edge cases and
% every message. (expect_same prints with mat2str, which takes 2-D arrays
% only: 3-D results are compared with same_planes.)
same_planes = @(actual, expected, what) assert(islogical(actual) && ...
    isequal(size(actual), size(expected)) && isequal(actual, expected), ...
    '%s: got class %s, size %s', what, class(actual), mat2str(size(actual)));
labels = [1 1 2; 3 3 2];
merges = [1 2 4; 4 3 0];
m = tree_occurrence_masks(labels, merges, [4 0; 3 1]);
same_planes(m, logical(cat(3, [1 1 1; 0 0 1], [1 1 0; 1 1 0])), 'worked example');

m = tree_occurrence_masks(labels, merges, [4 0]);           % one node set
expect_same(m, logical([1 1 1; 0 0 1]), 'one plane is an M-by-N logical');
m = tree_occurrence_masks(labels, merges, [5 2]);
expect_same(m, true(2, 3), 'node 5 covers every position');
same_planes(tree_occurrence_masks(labels, merges, zeros(0, 2)), false(2, 3, 0), 'no node sets');
m = tree_occurrence_masks(labels, merges, [0 1; 2.9 0]);    % leading 0, fraction
same_planes(m, logical(cat(3, zeros(2, 3), [0 0 1; 0 0 1])), 'leading 0 and 2.9');
m = tree_occurrence_masks([1 4 2], [1 2 4; 4 3 0], [1; 4]); % label naming a merge node
same_planes(m, logical(cat(3, [1 0 0], [1 1 1])), 'label naming node 4');
m = tree_occurrence_masks([1 2 3 5], [1 5 4; 2 3 0], [4; 5]); % node 5 read before it is built
same_planes(m, logical(cat(3, [1 0 0 1], [0 1 1 1])), 'later node gives its labels only');
m = tree_occurrence_masks([1 3 4], [3; 9], [3; 4]);         % one merge column
same_planes(m, logical(cat(3, [0 1 0], [0 0 1])), 'no children');
m = tree_occurrence_masks([1 7; 2999999999 3e9], [1 2999999999 3e9], [3e9; 7]);
same_planes(m, logical(cat(3, [1 0; 1 1], [0 1; 0 0])), 'huge leaf count');

% Masks of 4 MiB and more are made of pages that read as zeros until
% written: unmarked flags are false, also right after as much memory held
% trues and was freed.
for round = 1:3
  dirty = {true(1024, 1024, 8), true(1024, 1024, 8)};
  clear dirty
  m = tree_occurrence_masks([ones(1024, 512) 2 * ones(1024, 512)], [1 2 3], ones(8, 1));
  assert(all(m(:, 1:512, :)(:)) && !any(m(:, 513:end, :)(:)), 'large masks, round %d', round);
end

id = 'mexsets:tree_occurrence_masks:';
expect_error(@() tree_occurrence_masks(labels, merges, [4 0]), [id 'nargout'], ...
             'Too many output arguments.', 2);
% M*N*K bytes, times the copies Octave holds (held_copies), against
% MEXSETS_MEMORY_LIMIT.
[copies, clause] = held_copies('tree_occurrence_masks', 12);
setenv('MEXSETS_MEMORY_LIMIT', num2str(12 * copies - 1));
expect_error(@() tree_occurrence_masks(labels, merges, [4 0; 3 1]), [id 'outputTooLarge'], ...
             ['Output too large: the 2-by-3-by-2 logical masks for input 3 (sets) would ' ...
              'take 12 bytes' clause ', but MEXSETS_MEMORY_LIMIT allows ' ...
              num2str(12 * copies - 1) ' bytes; ask for fewer node sets (rows of sets) ' ...
              'per call']);
setenv('MEXSETS_MEMORY_LIMIT', num2str(12 * copies));
same_planes(tree_occurrence_masks(labels, merges, [4 0; 3 1]), ...
            logical(cat(3, [1 1 1; 0 0 1], [1 1 0; 1 1 0])), 'limit met');
unsetenv('MEXSETS_MEMORY_LIMIT');
expect_error(@() tree_occurrence_masks(labels, merges), [id 'nargin'], ...
             'Three input arguments required.');
expect_error(@() tree_occurrence_masks(labels, merges, 1, 1), [id 'nargin'], ...
             'Three input arguments required.');
try
  [a, b, c, d] = tree_occurrence_masks(labels, merges, 1);
  error('four outputs were accepted');
catch err
  assert(strcmp(err.identifier, [id 'nargout']), err.identifier);
  assert(!isempty(strfind(err.message, 'Too many output arguments.')), err.message);
end
expect_error(@() tree_occurrence_masks(int32(labels), merges, 1), [id 'typesNotCoherent'], ...
             'Data types not coherent');
expect_error(@() tree_occurrence_masks(labels, merges, ones(1, 1, 2)), ...
             [id 'dimensionsNotCoherent'], 'Data dimensions not coherent');
expect_error(@() tree_occurrence_masks(labels, [], 1), [id 'emptyMergeMatrix'], ...
             'Merge matrix is empty: input 2 is 0-by-0; its first row''s last entry fixes the leaf count');
expect_error(@() tree_occurrence_masks(labels, [1 0.5], 1), [id 'badLeafCount'], ...
             'First row''s last entry (leaf count + 1) is below 1: input 2 at row 1, column 2 holds 0.5');
expect_error(@() tree_occurrence_masks([1 0; 2 2], merges, 1), [id 'idOutOfRange'], ...
             'Label outside 1..5: input 1 at row 1, column 2 holds 0');
expect_error(@() tree_occurrence_masks([1 NaN], merges, 1), [id 'idNotANumber'], ...
             'Label outside 1..5: input 1 at row 1, column 2 holds NaN');
expect_error(@() tree_occurrence_masks(labels, [1 2 4; 4 7 0], 1), [id 'idOutOfRange'], ...
             'Child id outside 1..5: input 2 at row 2, column 2 holds 7');
expect_error(@() tree_occurrence_masks(labels, merges, [1 -1]), [id 'idOutOfRange'], ...
             'Node id outside 1..5: input 3 at row 1, column 2 holds -1');
expect_error(@() tree_occurrence_masks(sparse(labels), merges, 1), [id 'sparseInput'], ...
             ['Sparse input is not supported (tree_occurrence_masks has no sparse route): ' ...
              'input 1 is sparse; pass full(...) instead']);
expect_error(@() tree_occurrence_masks(labels, merges, complex(1, 1)), [id 'complexInput'], ...
             'Complex input is not supported: input 3 is complex; pass real(...) instead');
