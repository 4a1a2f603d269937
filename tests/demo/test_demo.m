% The demo's pipeline, checked against what its masks say directly: areas,
% perimeters, boxes and contrasts recomputed from pixels, the kept candidates'
% overlaps, the Pareto front by brute force, the picture it writes, its
% report, and that a seed gives the same run twice.
root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
% The demo calls nearly every function: a build with only some (MEXSETS_ONLY)
% has nothing to run it with.
if ~isempty(getenv('MEXSETS_BUILD')) && ...
    numel(function_list(fullfile(getenv('MEXSETS_BUILD'), 'functions.txt'))) < ...
    numel(function_list(fullfile(root, 'modules', 'functions.txt')))
  printf('this build has only some of the functions: the demo is not run\n');
  return;
end
addpath(fullfile(root, 'demo'));
png = [tempname() '.png'];
cleanup = onCleanup(@() delete(png));

r = mexsets_demo('size', [72 96], 'regions', 60, 'seed', 3, 'png', png, 'quiet', true);
[h, w] = size(r.labels);
n_cand = numel(r.nodes);
assert(n_cand > 5, 'too few candidates: %d', n_cand);
assert(isequal(size(r.masks), [h w n_cand]));

% Every candidate: its leaves are sorted, its mask is exactly its leaves'
% pixels, and its features match what the mask shows.
luma = 0.299 * r.image(:, :, 1) + 0.587 * r.image(:, :, 2) + 0.114 * r.image(:, :, 3);
strength_right = sqrt(sum(diff(r.image, 1, 2).^2, 3));
strength_down = sqrt(sum(diff(r.image, 1, 1).^2, 3));
for k = 1:n_cand
  leaves = double(r.leaves{k});
  assert(all(diff(leaves) > 0), 'candidate %d: leaves not sorted and distinct', k);
  mask = r.masks(:, :, k);
  assert(isequal(mask, ismember(r.labels, leaves)), 'candidate %d: mask is not its leaves', k);
  assert(r.area(k) == nnz(mask));
  assert(abs(r.brightness(k) - mean(luma(mask))) < 1e-12, 'candidate %d: brightness', k);
  [rows, cols] = find(mask);
  assert(isequal(r.box(k, :), [min(rows) min(cols) max(rows) max(cols)]), 'candidate %d: box', k);
  across = mask(:, 1:end - 1) ~= mask(:, 2:end);
  down = mask(1:end - 1, :) ~= mask(2:end, :);
  rim = nnz(mask(:, 1)) + nnz(mask(:, end)) + nnz(mask(1, :)) + nnz(mask(end, :));
  edges = nnz(across) + nnz(down) + rim;
  assert(r.perimeter(k) == edges, 'candidate %d: perimeter %g, mask says %d', k, r.perimeter(k), edges);
  contour = sum(strength_right(across)) + sum(strength_down(down));
  assert(abs(r.contrast(k) - contour / edges) < 1e-12, 'candidate %d: contrast', k);
end

% Shared areas of the tree's nodes agree with the masks.
for pair = [1 2; 1 n_cand; 2 3; n_cand - 1 n_cand]'
  a = r.nodes(pair(1));
  b = r.nodes(pair(2));
  both = nnz(r.masks(:, :, pair(1)) & r.masks(:, :, pair(2)));
  assert(r.shared(a, b) == both && r.shared(b, a) == both, 'shared area of nodes %d and %d', a, b);
end

% Ranking is a permutation; kept nodes come in ranked order and no two of
% them overlap by the demo's default ratio of 0.5 or more.
assert(isequal(sort(r.order), (1:n_cand)'));
ranked_nodes = r.nodes(r.order);
[found, at] = ismember(r.kept, ranked_nodes);
assert(all(found) && all(diff(at) > 0), 'kept nodes are not in ranked order');
assert(r.kept(1) == ranked_nodes(1), 'the best-ranked candidate must be kept');
kept_masks = r.masks(:, :, ismember(r.nodes, r.kept));
for i = 1:size(kept_masks, 3)
  for j = i + 1:size(kept_masks, 3)
    a = kept_masks(:, :, i);
    b = kept_masks(:, :, j);
    assert(nnz(a & b) / nnz(a | b) < 0.5, 'kept candidates overlap');
  end
end
% Every dropped candidate overlaps an earlier kept one by 0.5 or more.
for rank = 1:n_cand
  node = ranked_nodes(rank);
  if any(r.kept == node)
    continue
  end
  earlier = r.kept(ismember(r.kept, ranked_nodes(1:rank - 1)));
  mask = r.masks(:, :, r.nodes == node);
  ratios = arrayfun(@(e) nnz(mask & r.masks(:, :, r.nodes == e)) / ...
                         nnz(mask | r.masks(:, :, r.nodes == e)), earlier);
  assert(any(ratios >= 0.5), 'node %d dropped without an overlapping better one', node);
end

% The Pareto front, by brute force over (-contrast, irregularity).
points = [-r.contrast, r.irregularity];
for i = 1:n_cand
  beaten = all(points <= points(i, :), 2) & any(points < points(i, :), 2);
  twin_before = all(points(1:i - 1, :) == points(i, :), 2);
  assert(r.front(i) == ~(any(beaten) || any(twin_before)), 'front wrong at candidate %d', i);
end

% The picture: 2 rows of 4 tiles (picture, regions, 6 masks), doubled.
picture = imread(png);
gap = 6;
assert(isequal(size(picture), [2 * 2 * h + 3 * gap, 4 * 2 * w + 5 * gap, 3]));
first_tile = double(picture(gap + (1:2:2 * h), gap + (1:2:2 * w), :)) / 255;
assert(max(abs(first_tile(:) - r.image(:))) <= 0.5 / 255 + 1e-12, 'tile 1 is not the picture');

% Same seed, same run; another seed, another picture.
again = mexsets_demo('size', [72 96], 'regions', 60, 'seed', 3, 'png', png, 'quiet', true);
assert(isequal(again.order, r.order) && isequal(again.kept, r.kept) && isequal(again.masks, r.masks));
other = mexsets_demo('size', [72 96], 'regions', 60, 'seed', 4, 'png', png, 'quiet', true);
assert(~isequal(other.image, r.image));

% The report names every step and the file written.
report = evalc('mexsets_demo(''size'', [48 64], ''regions'', 30, ''png'', png);');
for text = {'region_graph', 'merge_regions', 'merge tree', 'tree_leaf_sets', ...
            'tree_occurrence_masks', ...
            'agree with the masks and the tree: yes', 'tree_overlap_matrix', 'set_features', ...
            'rank_diverse', 'suppress_overlaps', 'nondominated', 'Pareto front', ...
            'peak memory', png}
  assert(~isempty(strfind(report, text{1})), 'report lacks "%s"', text{1});
end

% Options are checked before the pipeline runs: more regions than pixels,
% and a picture that cannot be written (a missing folder, a folder), fail at
% once; one pixel a region is fine.
expect_error(@() mexsets_demo('size'), 'mexsets:mexsets_demo:options', 'NAME, VALUE pairs');
expect_error(@() mexsets_demo('colour', 1), 'mexsets:mexsets_demo:options', ...
             'unknown option colour');
expect_error(@() mexsets_demo('size', [8 8]), 'mexsets:mexsets_demo:options', 'at least 16');
expect_error(@() mexsets_demo('regions', 5000, 'size', [60 80]), ...
             'mexsets:mexsets_demo:tooManyRegions', ...
             'regions is 5000, more than the 60-by-80 picture''s 4800 pixels');
missing = fullfile(tempname(), 'demo.png');
expect_error(@() mexsets_demo('size', [16 16], 'regions', 4, 'png', missing, 'quiet', true), ...
             'mexsets:mexsets_demo:pngNotWritable', ['): ' missing]);
expect_error(@() mexsets_demo('png', tempdir(), 'quiet', true), ...
             'mexsets:mexsets_demo:pngNotWritable', ['png names a folder, not a file: ' tempdir()]);
delete(png);
r = mexsets_demo('size', [16 20], 'regions', 320, 'png', png, 'quiet', true);
assert(max(r.labels(:)) <= 320 && exist(png, 'file') == 2, 'one pixel a region');
