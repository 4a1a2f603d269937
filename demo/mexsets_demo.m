% Runs each function of mexsets on a small built-in example and prints what it
% returns. Each function's part lives in demo_<name>.m beside this file.
names = {'score_subsets', 'rank_diverse', 'suppress_overlaps', ...
         'tree_overlap_matrix', 'tree_leaf_sets', 'tree_occurrence_masks', ...
         'boundary_sums', 'set_features', 'nondominated'};
here = fileparts(mfilename('fullpath'));
for k = 1:numel(names)
  if exist(names{k}) == 3 && exist(fullfile(here, ['demo_' names{k} '.m']), 'file')
    printf('\n==== %s ====\n', names{k});
    feval(['demo_' names{k}]);
  end
end
