% region_graph's name-value pairs as the oct-file and the MEX file read
% them: names and choices in any case, pairs in any order, defaults when
% left out, values left out or [] before them; and every refusal of the
% pairs with its message, after the positional inputs are counted.
labels = cat(3, [1 1], [2 5]);
edges = cat(3, [1 2], [3 8]);
[f, s, len, str, a, b] = region_graph(labels, edges, 'Weight', 'MEAN', 'BACKGROUND', 5);
expect_same([f s len str], [1 2 1 2], 'mean weights without label 5');
expect_same([a b], [2 8; 1 4], 'areas and border without label 5');
[~, ~, ~, str2] = region_graph(labels, edges, 'background', 5, 'weight', 'mean');
expect_same(str2, str, 'pairs in another order');
[~, ~, ~, str] = region_graph(labels, edges, "weight", "max");
expect_same(str, [3; 8; 8], 'max weights, double-quoted text');
[f, s, len, str] = region_graph(labels, edges);
[f2, s2, len2, str2] = region_graph(labels, edges, 'weight', 'step', 'background', []);
expect_same([f2 s2 len2 str2], [f s len str], 'the defaults given');
[~, ~, ~, ~, a] = region_graph(labels, 'background', 5);
[~, ~, ~, ~, a2] = region_graph(labels, [], 'background', 5);
expect_same([a a2], [2 2; 1 1], 'values left out or []');

id = 'mexsets:region_graph:';
takes = 'region_graph takes ''background'' and ''weight''';
expect_error(@() region_graph(labels, edges, 0, 'max'), [id 'badOptionName'], ...
             ['Expected an option name: input 3 is double; ' takes]);
expect_error(@() region_graph(labels, edges, {'weight'}, 'max'), [id 'badOptionName'], ...
             ['Expected an option name: input 3 is cell; ' takes]);
expect_error(@() region_graph(labels, 'weights', 'max'), [id 'unknownOption'], ...
             ['Unknown option ''weights'' at input 2; ' takes]);
expect_error(@() region_graph(labels, edges, 'weight'), [id 'optionWithoutValue'], ...
             'Option ''weight'' at input 3 has no value');
expect_error(@() region_graph(labels, 'weight', 'max', 'WEIGHT', 'mean'), ...
             [id 'repeatedOption'], 'Option ''weight'' given twice: at inputs 2 and 4');
expect_error(@() region_graph(labels, 'weight', 'average'), [id 'badChoice'], ...
             'Expected ''step'', ''mean'' or ''max'': option ''weight'' is ''average''');
expect_error(@() region_graph(labels, 'weight', 2), [id 'badChoice'], ...
             'option ''weight'' is double, not text');
expect_error(@() region_graph(labels, 'background', [1 2]), [id 'badBackground'], ...
             'Background not one value or empty: option ''background'' holds 2 elements');
expect_error(@() region_graph('weight', 'max'), [id 'unknownOption'], ...
             ['Unknown option ''max'' at input 2; ' takes]);
