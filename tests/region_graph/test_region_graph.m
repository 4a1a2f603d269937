% region_graph in Octave: the lists equal the demo's boundary_grid and
% boundary_sums route to merge_regions, bit for bit, and merge alike; the
% messages of Octave-only failures.
rand('seed', 6);
labels = ceil(12 * rand(30, 40));
img = rand(30, 40, 3);
[f, s, len, str, a, b] = region_graph(labels, img);
n = max(labels(:));
[grid, strength, keys, first, second] = boundary_grid(labels, img);
pair_strength = boundary_sums(n, first, second, keys, grid, strength);
[pair_length, rim] = boundary_sums(n, first, second, keys, grid, ones(size(grid)));
[pf, ps, plen] = find(pair_length);
pstr = pair_strength(pair_length > 0);
[~, order] = sortrows([pf ps]);
expect_same([f s len str], [pf(order) ps(order) plen(order) pstr(order)], 'pairs');
expect_same([a b], [accumarray(labels(:), 1) rim], 'areas and border');
expect_same(merge_regions(f, s, len, str, a), ...
            merge_regions(pf, ps, plen, pstr, accumarray(labels(:), 1)), 'merges');

% Any label values, in a volume: regions in ascending order of value.
[f, s, ~, ~, a] = region_graph(cat(3, [-5 1e15], [1e15 0]));
expect_same([f s], [1 3; 2 3], 'volume pairs');
expect_same(a, [1; 1; 2], 'volume areas');

id = 'mexsets:region_graph:';
expect_error(@() region_graph(), [id 'nargin'], ...
             'One or two input arguments required, then name-value pairs.');
expect_error(@() region_graph(cat(3, [1 1], [2 0.5])), [id 'labelNotWhole'], ...
             'Label not a whole number: input 1 at row 1, column 4 holds 0.5');
expect_error(@() region_graph(ones(2, 2, 2, 2)), [id 'dimensionsNotCoherent'], ...
             'Data dimensions not coherent');
expect_error(@() region_graph(1, sparse(1)), [id 'sparseInput'], ...
             'input 2 is sparse; pass full(...) instead');
