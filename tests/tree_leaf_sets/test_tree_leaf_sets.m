% tree_leaf_sets in Octave: worked example, edge cases and every message.
c = tree_leaf_sets([1 2 4; 4 3 5], [5 0; 2 4; 3 0]);
assert(iscell(c) && isequal(size(c), [3 1]), 'one cell per node-set row');
expect_same(c{1}, uint32([1 2 3]), 'node 5');
expect_same(c{2}, uint32([1 2 2]), 'nodes 2 and 4 share leaf 2');
expect_same(c{3}, uint32(3), 'leaf 3');

c = tree_leaf_sets([1 2 0 4; 4.5 3 0 5], [0 5; 4 4]);   % padding, fractions, leading 0
expect_same(c{1}, zeros(1, 0, 'uint32'), 'row starting with 0');
expect_same(c{2}, uint32([1 1 2 2]), 'node listed twice');

c = tree_leaf_sets([1 5 4; 2 3 5], [4; 5]);               % node 5 read before it is built
expect_same(c{1}, uint32(1), 'later node read empty');
expect_same(c{2}, uint32([2 3]), 'node 5');
c = tree_leaf_sets([1 2 4 4], 4);                          % own node: appended again
expect_same(c{1}, uint32([1 1 2 2]), 'row naming its own node');

expect_same(size(tree_leaf_sets([1 2 4; 4 3 5], zeros(0, 2))), [0 1], 'no node sets');
c = tree_leaf_sets([1 2 4; 4 3 5], zeros(2, 0));
expect_same(c{2}, zeros(1, 0, 'uint32'), 'zero columns');
c = tree_leaf_sets([3; 4], [1 2 4]);                       % one column: no children
expect_same(c{1}, uint32([1 2]), 'merge matrix with one column');
c = tree_leaf_sets([0 1; 1 2], [1 2]);                     % L = 0
expect_same(c{1}, zeros(1, 0, 'uint32'), 'no leaves');
c = tree_leaf_sets([1 2 3e9], [3e9 2999999999]);           % huge leaf count
expect_same(c{1}, uint32([1 2 2999999999]), 'storage for named nodes only');

id = 'mexsets:tree_leaf_sets:';
m = [1 2 4; 4 3 5];
expect_error(@() tree_leaf_sets(m), [id 'nargin'], 'Two input arguments required.');
expect_error(@() tree_leaf_sets(m, 1, 1), [id 'nargin'], 'Two input arguments required.');
try
  [a, b] = tree_leaf_sets(m, 1);
  error('two outputs were accepted');
catch err
  assert(strcmp(err.identifier, [id 'nargout']), err.identifier);
  assert(!isempty(strfind(err.message, 'Too many output arguments.')), err.message);
end
expect_error(@() tree_leaf_sets(single(m), 1), [id 'typesNotCoherent'], 'Data types not coherent');
% 4 bytes a leaf and 128 a list, times the copies Octave holds
% (held_copies), against MEXSETS_MEMORY_LIMIT: 2 lists of 3 leaves take 280
% bytes.
[copies, clause] = held_copies('tree_leaf_sets', 280);
setenv('MEXSETS_MEMORY_LIMIT', num2str(280 * copies - 1));
expect_error(@() tree_leaf_sets(m, [5; 5]), [id 'outputTooLarge'], ...
             ['Output too large: the leaf lists of 2 node sets for input 2 (sets) would take ' ...
              '280 bytes' clause ', but MEXSETS_MEMORY_LIMIT allows ' ...
              num2str(280 * copies - 1) ' bytes; ask for fewer node sets (rows of sets) ' ...
              'per call']);
setenv('MEXSETS_MEMORY_LIMIT', num2str(280 * copies));
c = tree_leaf_sets(m, [5; 5]);
expect_same(c{2}, uint32([1 2 3]), 'limit met');
unsetenv('MEXSETS_MEMORY_LIMIT');
expect_error(@() tree_leaf_sets(m, true), [id 'typesNotCoherent'], 'Data types not coherent');
expect_error(@() tree_leaf_sets(ones(1, 2, 2), 1), [id 'dimensionsNotCoherent'], ...
             'Data dimensions not coherent');
expect_error(@() tree_leaf_sets(sparse(m), 1), [id 'sparseInput'], 'input 1 is sparse; pass full(...) instead');
expect_error(@() tree_leaf_sets(m, complex(5, 1)), [id 'complexInput'], 'Complex input is not supported: input 2 is complex; pass real(...) instead');
expect_error(@() tree_leaf_sets(zeros(0, 3), 1), [id 'emptyMergeMatrix'], ...
             'Merge matrix is empty: input 1 is 0-by-3; its first row''s last entry fixes the leaf count');
expect_error(@() tree_leaf_sets([1 0], 1), [id 'badLeafCount'], ...
             'First row''s last entry (leaf count + 1) is below 1: input 1 at row 1, column 2 holds 0');
expect_error(@() tree_leaf_sets([1 2^32], 1), [id 'tooManyNodes'], ...
             'Leaf count (first row''s last entry - 1) plus 1 merge rows exceeds 2^32-1 nodes: input 1 at row 1, column 2 holds 4294967296');
expect_error(@() tree_leaf_sets([1 2 4; 4 6 5], 1), [id 'idOutOfRange'], ...
             'Child id outside 1..5: input 1 at row 2, column 2 holds 6');
expect_error(@() tree_leaf_sets([1 2 4; NaN 3 5], 1), [id 'idNotANumber'], ...
             'Child id outside 1..5: input 1 at row 2, column 1 holds NaN');
expect_error(@() tree_leaf_sets([1 2 4; 4 3 -5], 1), [id 'idOutOfRange'], ...
             'New node id outside 1..5: input 1 at row 2, column 3 holds -5');
expect_error(@() tree_leaf_sets(m, [1 2; 3 5.5; 6 0]), [id 'idOutOfRange'], ...
             'Node id outside 1..5: input 2 at row 3, column 1 holds 6');
