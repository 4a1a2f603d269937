% What a mexsets call costs on tiny inputs (the help's examples) from
% Octave: the time of one call against one call of the builtin size() on the
% same first input, the least any function call costs. Each function's
% oct-file and, when MEX_DIR holds it, its MEX file (called through a renamed
% copy, <name>_mex, so that both are on the path at once).
% Times are the best of 7 rounds of 5,000 calls; the rounds of all functions
% alternate, so that a change in the machine's speed touches them alike.
% Usage: octave-cli call_costs.m MODULE_DIR [MEX_DIR]
args = argv();
addpath(args{1});
mex_dir = fullfile(fileparts(canonicalize_file_name(args{1})), 'octave-mex');
if numel(args) > 1
  mex_dir = args{2};
end

calls = {
  'score_subsets', {[10 20 30], [1 2 3], [3 1 0 2]}, 2
  'rank_diverse', {[0; 0; 1], [1; 1; 0.9], eye(2), 0.5}, 2
  'suppress_overlaps', {[0 1 -1; 1 0 -1; 2 -1 -1; 0 2 -1], [1; 1; 1], eye(3)}, 2
  'tree_overlap_matrix', {[], [0 1 -1 3; 3 2 -1 4], [2; 3; 5; 0; 0]}, 1
  'tree_leaf_sets', {[1 2 4; 4 3 5], [5 0; 2 4; 3 0]}, 1
  'tree_occurrence_masks', {[1 1 2; 3 3 2], [1 2 4; 4 3 0], [4 0; 3 1]}, 1
  'boundary_sums', {2, [1 0], [2 1], [5 7], [0 5 0; 7 0 5; 0 7 0], [0 1 0; 2 0 3; 0 4 0]}, 2
  'set_features', {[0 1 2; 2 -1 0], [2; 4; 8], 2}, 2
  'nondominated', {[3 1; 1 3; 2 2; 3 3]}, 1
  'boundary_grid', {[1 2; 1 1], [0 3; 4 0]}, 5
  'merge_regions', {[1 2 3 1], [2 3 4 3], [2 1 2 1], [1 3 2 2], [4 3 5 2 1]}, 2
  'tree_leaf_matrix', {[1 2 4; 4 3 5], [5 0; 2 4; 3 0]}, 1
  'region_graph', {[0 0 7; 3 7 7], [1 2 4; 1 3 6]}, 6
  'region_graph', {[0 0 7; 3 7 7], [1 2 4; 1 3 6], 'background', 0, 'weight', 'mean'}, 6
};
renamed = tempname();
mkdir(renamed);
addpath(renamed);
has_mex = false(rows(calls), 1);
for f = 1:rows(calls)
  source = fullfile(mex_dir, [calls{f, 1} '.mex']);
  has_mex(f) = exist(source, 'file') ~= 0;
  if has_mex(f)
    copyfile(source, fullfile(renamed, [calls{f, 1} '_mex.mex']));
  end
end

n = 5000;
best = inf(rows(calls), 3);  % size(), oct-file, MEX file
for round = 1:7
  for f = 1:rows(calls)
    in = calls{f, 2};
    out = cell(1, calls{f, 3});
    x = in{1};
    t = tic;
    for k = 1:n
      s = size(x);
    end
    best(f, 1) = min(best(f, 1), toc(t) / n);
    handles = {str2func(calls{f, 1})};
    if has_mex(f)
      handles{end + 1} = str2func([calls{f, 1} '_mex']);
    end
    for h = 1:numel(handles)
      call = handles{h};
      t = tic;
      for k = 1:n
        [out{:}] = call(in{:});
      end
      best(f, 1 + h) = min(best(f, 1 + h), toc(t) / n);
    end
  end
end
confirm_recursive_rmdir(false, 'local');
rmdir(renamed, 's');

printf('Tiny inputs from Octave: one call against size() on its first input (best of 7 x %d calls)\n', n);
printf('%-22s %9s %9s %9s %12s %12s\n', 'function', 'size us', 'oct us', 'mex us', 'oct-size us', 'mex-size us');
for f = 1:rows(calls)
  printf('%-22s %9.2f %9.2f %9.2f %12.2f %12.2f\n', calls{f, 1}, 1e6 * best(f, :), ...
         1e6 * (best(f, 2) - best(f, 1)), 1e6 * (best(f, 3) - best(f, 1)));
end
