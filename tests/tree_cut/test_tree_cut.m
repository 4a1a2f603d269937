% tree_cut in Octave: the tree of region_graph and merge_regions over a
% random label image, cut by count and by height and checked against plain
% Octave relabelling; the help's one-step cut of the label image; messages.
rand('seed', 7);
labels = 10 * ceil(9 * rand(20, 30)) - 3;
[f, s, len, str, a] = region_graph(labels, rand(20, 30), 'weight', 'mean');
[merges, ~, heights] = merge_regions(f, s, len, str, a);
L = numel(a);
for h = [-Inf, heights(5), median(heights), Inf]
  applied = find(~(heights < h), 1) - 1;
  if isempty(applied)
    applied = L - 1;
  end
  holder = (1:L)';
  for r = 1:applied
    holder(ismember(holder, merges(r, 1:2))) = merges(r, 3);
  end
  [~, first_leaf, region] = unique(holder, 'first');
  [~, rank] = sort(first_leaf);
  number(rank) = 1:numel(rank);
  expected = reshape(number(region), [], 1);
  clear number;
  expect_same(tree_cut(merges, heights, 'height', h), expected, sprintf('cut at %g', h));
  expect_same(tree_cut(merges, heights, L - applied), expected, 'the same cut by count');
end

% The cut of the label image: one indexing step over the compact regions.
leaf_labels = tree_cut(merges, heights, 4);
[~, ~, region] = unique(labels);
cut = reshape(leaf_labels(region), size(labels));
expect_same(numel(unique(cut)), 4, 'four regions');
expect_same(unique(cut(labels == min(labels(:)))), 1, 'the least label value in region 1');

id = 'mexsets:tree_cut:';
expect_error(@() tree_cut(merges), [id 'nargin'], ...
             'Two or three input arguments required, then name-value pairs.');
expect_error(@() tree_cut([1 2], 1, 1), [id 'badMergeShape'], ...
             'Merge matrix not 3 columns wide: input 1 is 1-by-2');
expect_error(@() tree_cut([1 2 3], 1, [], 'height', []), [id 'noCut'], ...
             'Neither count nor height given: give one of input 3 (count) and option ''height''');
expect_error(@() tree_cut([1 3 3], 1, 1), [id 'childNotMade'], ...
             'Child not made by an earlier row: input 1 at row 1, column 2 holds 3');
