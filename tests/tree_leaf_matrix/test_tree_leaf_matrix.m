% tree_leaf_matrix in Octave: worked example in both bases, empty shapes,
% its own messages, and rows equal to tree_leaf_sets padded by hand.
m = [1 2 4; 4 3 5];
s = [5 0; 2 4; 3 0];
expect_same(tree_leaf_matrix(m, s), [1 2 3; 1 2 2; 3 0 0], 'base 1 by default');
expect_same(tree_leaf_matrix(m, s, 1), [1 2 3; 1 2 2; 3 0 0], 'base 1');
expect_same(tree_leaf_matrix(m, s, int8(0)), [0 1 2; 0 1 1; 2 -1 -1], 'base 0');
expect_same(tree_leaf_matrix(m, zeros(0, 2)), zeros(0, 0), 'no node sets');
expect_same(tree_leaf_matrix(m, [0 5; 0 0], 0), zeros(2, 0), 'every set empty');

% Random trees (ids of any node, fractions, repeats, 0s) against the cells.
rand('seed', 3);
for round = 1:60
  leaves = floor(rand() * 6);
  rows = 1 + floor(rand() * 5);
  nodes = leaves + rows;
  merges = floor(rand(rows, 3) * nodes) + 1 + (rand(rows, 3) < 0.2) * 0.5;
  merges(rand(rows, 2) < 0.3) = 0;
  merges(:, end) = leaves + (1:rows)';
  sets = floor(rand(floor(rand() * 5), 3) * (nodes + 1));
  for base = [0 1]
    c = tree_leaf_sets(merges, sets);
    width = max([0; cellfun(@numel, c)]);
    expected = (base - 1) * ones(numel(c), width);
    for j = 1:numel(c)
      expected(j, 1:numel(c{j})) = double(c{j}) + base - 1;
    end
    expect_same(tree_leaf_matrix(merges, sets, base), expected, sprintf('round %d', round));
  end
end

id = 'mexsets:tree_leaf_matrix:';
expect_error(@() tree_leaf_matrix(m), [id 'nargin'], 'Two or three input arguments required.');
try
  [a, b] = tree_leaf_matrix(m, s);
  error('two outputs were accepted');
catch err
  assert(strcmp(err.identifier, [id 'nargout']), err.identifier);
end
expect_error(@() tree_leaf_matrix(m, s, 2), [id 'badBase'], ...
             'Expected a leaf numbering base of 0 or 1: input 3 (base) is 2');
expect_error(@() tree_leaf_matrix(m, s, {}), [id 'badScalar'], 'input 3 (base) is not numeric');
expect_error(@() tree_leaf_matrix(m, [1 2; 3 5.5; 6 0]), [id 'idOutOfRange'], ...
             'Node id outside 1..5: input 2 at row 3, column 1 holds 6');
