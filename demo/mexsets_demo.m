function result = mexsets_demo(varargin)
%MEXSETS_DEMO Find objects in a generated picture with mexsets.
%   MEXSETS_DEMO runs a small object-proposal pipeline on a generated picture
%   and prints a report of what each step found:
%     1. the picture is cut into a few hundred regions (leaves);
%     2. REGION_GRAPH lists every two touching regions with the length of
%        their common boundary and the sum of the colour steps along it;
%     3. MERGE_REGIONS merges neighbours, weakest common boundary first,
%        into a merge tree whose nodes are the candidate objects (those of
%        0.5% to 50% of the picture; in large trees only those that are
%        parts of cuts into 2, 4, ..., 1024, so that memory stays linear in
%        the regions);
%     4. TREE_LEAF_SETS and TREE_OCCURRENCE_MASKS give each candidate's
%        regions and pixel mask, SCORE_SUBSETS its area (checked against
%        the masks) and brightness, TREE_OVERLAP_MATRIX the shared area of
%        every two nodes (in small trees only, as a check);
%     5. SET_FEATURES gives perimeter and contour contrast (mode 3, over
%        the sparse matrix of shared boundaries), colour uniformity (mode 2)
%        and bounding box (mode 4);
%     6. RANK_DIVERSE orders the candidates by contrast against overlap,
%        SUPPRESS_OVERLAPS drops those that overlap a better one (both with
%        the vector of region areas as W), and NONDOMINATED finds the front
%        of contrast against irregularity.
%   It prints the seconds and the peak memory of each step, writes a PNG
%   showing the picture, its regions and the best masks, and prints its
%   path.
%
%   MEXSETS_DEMO(NAME, VALUE, ...) sets options:
%     'size'     picture size [rows cols]                  (default [180 240])
%     'seed'     random seed of the picture's noise          (default 1)
%     'regions'  about how many regions to cut it into       (default 300)
%     'lambda'   relevance weight of RANK_DIVERSE             (default 0.75)
%     'overlap'  overlap ratio at which a candidate is dropped (default 0.5)
%     'top'      how many masks to show                       (default 6)
%     'png'      where to write the picture  (default mexsets_demo.png in tempdir)
%     'quiet'    true: print nothing                          (default false)
%     'superpixels' 'kmeans' (five rounds of local k-means, connected
%                pieces) or 'grid' (one round from grid seeds, for millions
%                of pixels)       (default 'kmeans' up to 2^20 pixels)
%   A 5-megapixel picture of 50,000 regions runs in a few GB:
%     mexsets_demo('size', [1936 2592], 'regions', 50000)
%   A bad option fails at once with the identifier mexsets:mexsets_demo:options,
%   more regions than pixels with mexsets:mexsets_demo:tooManyRegions, and a
%   png that cannot be written with mexsets:mexsets_demo:pngNotWritable.
%
%   RESULT = MEXSETS_DEMO(...) also returns every intermediate result in a
%   struct (labels, merges, candidate nodes, leaf sets, masks, features,
%   ranking, kept nodes, front, the steps' seconds and memory). When not all
%   candidates' masks fit in 128 MB, MASKS holds the masks shown only, and
%   SHARED is [] past 2896 nodes.
%
%   Example:
%     r = mexsets_demo('size', [90 120], 'regions', 80, 'quiet', true);
%     % r.png names the picture written
%
%   See also CONTENTS.
  opts = demo_options(varargin{:});
  say = @(varargin) opts.quiet || fprintf(varargin{:});
  h = opts.size(1);
  w = opts.size(2);
  time = struct();
  steps = {};                    % name, seconds, extra peak bytes, one row a step
  clock = step_clock();

  %% 1. Picture and regions.
  rng(opts.seed);
  img = synthetic_picture(h, w);
  steps(end + 1, :) = clock('picture');
  if strcmp(opts.superpixels, 'kmeans')
    labels = superpixel_labels(img, opts.regions);
  else
    labels = grid_labels(img, opts.regions);
  end
  n_leaves = max(labels(:));
  leaf_area = accumarray(labels(:), 1, [n_leaves 1]);
  luma = 0.299 * img(:, :, 1) + 0.587 * img(:, :, 2) + 0.114 * img(:, :, 3);
  leaf_luma = accumarray(labels(:), luma(:), [n_leaves 1]) ./ leaf_area;
  clear luma
  leaf_box = [accumarray(labels(:), repmat((1:h)', w, 1), [], @min), ...
              accumarray(labels(:), kron((1:w)', ones(h, 1)), [], @min), ...
              accumarray(labels(:), repmat((1:h)', w, 1), [], @max), ...
              accumarray(labels(:), kron((1:w)', ones(h, 1)), [], @max)];
  steps(end + 1, :) = clock(['superpixels (' opts.superpixels ')']);

  say('mexsets demo: a %d-by-%d synthetic picture (seed %g)\n\n', h, w, opts.seed);
  say(' 1 regions     %d regions of %d to %d pixels\n', n_leaves, min(leaf_area), max(leaf_area));

  %% 2. Boundaries between regions, as lists of touching pairs.
  % region_graph gives each touching pair once (first < second, sorted),
  % with the count of pixel edges between them and the sum of the colour
  % steps across those edges, in one pass over the pixels: the same bits as
  % boundary_grid and boundary_sums over the contour grid, in memory linear
  % in pixels and pairs instead of an L-by-L matrix.
  t = tic;
  [pair_first, pair_second, lengths, strengths, ~, rim_length] = region_graph(labels, img);
  time.region_graph = toc(t);
  steps(end + 1, :) = clock('region_graph');
  say(' 2 boundaries  region_graph: %d pairs of regions touch along\n', numel(pair_first));
  say('               %d pixel edges; %d regions touch the picture''s rim\n', ...
      sum(lengths), nnz(rim_length));

  %% 3. Merge tree and candidates.
  t = tic;
  [merges, node_area] = merge_regions(pair_first, pair_second, lengths, strengths, leaf_area);
  time.merge_regions = toc(t);
  steps(end + 1, :) = clock('merge_regions');
  n_nodes = numel(node_area);
  [nodes, rule] = candidate_nodes(merges, node_area, n_leaves, h * w);
  n_cand = numel(nodes);
  steps(end + 1, :) = clock('candidates');
  say(' 3 merge tree  merge_regions: %d merges of neighbours, weakest mean boundary first;\n', ...
      size(merges, 1));
  say('               %d of its %d nodes %s: the candidates\n', n_cand, n_nodes, rule);

  %% 4. Leaf sets, masks, areas and overlaps of the candidates.
  t = tic;
  leaves = tree_leaf_sets(merges, nodes);
  time.tree_leaf_sets = toc(t);
  counts = cellfun(@numel, leaves);
  subsets = zeros(n_cand, max([counts; 1]));          % 1-based region ids, 0 ends a row
  for k = 1:n_cand
    subsets(k, 1:counts(k)) = leaves{k};
  end
  steps(end + 1, :) = clock('tree_leaf_sets');
  % Every candidate's mask while they fit in 128 MB (the default size takes
  % 13 MB); past that only the masks shown, once the ranking is known.
  all_masks = n_cand * h * w <= 2^27;
  if all_masks
    t = tic;
    masks = tree_occurrence_masks(labels, merges, nodes);
    time.tree_occurrence_masks = toc(t);
    steps(end + 1, :) = clock('tree_occurrence_masks');
  end
  t = tic;
  [area, luma_sum] = score_subsets(leaf_area', (leaf_luma .* leaf_area)', subsets);
  time.score_subsets = toc(t);
  steps(end + 1, :) = clock('score_subsets');
  brightness = luma_sum ./ area;                  % mean luminance of the candidate's pixels
  say(' 4 leaf sets   tree_leaf_sets: %d to %d regions per candidate\n', min(counts), max(counts));
  if all_masks
    mask_area = reshape(sum(sum(masks, 1), 2), [], 1);
    say('   masks       tree_occurrence_masks: %s logical, %.1f MB\n', ...
        strjoin(arrayfun(@num2str, size(masks), 'UniformOutput', false), '-by-'), ...
        numel(masks) / 2^20);
    say('   areas       score_subsets: pixel counts agree with the masks and the tree: %s\n', ...
        yes_no(isequal(area, mask_area, node_area(nodes))));
  else
    say('   masks       tree_occurrence_masks: of the candidates shown only (all: %.0f MB)\n', ...
        n_cand * h * w / 2^20);
    say('   areas       score_subsets: pixel counts agree with the tree: %s\n', ...
        yes_no(isequal(area, node_area(nodes))));
  end
  % The shared area of every two nodes takes 8*n_nodes^2 bytes: worked out
  % as a check while that stays under 64 MB (2896 nodes), not at scale.
  % Suppression below needs no node-by-node matrix.
  if 8 * n_nodes^2 <= 2^26
    t = tic;
    shared = tree_overlap_matrix([], merges - 1, [leaf_area; zeros(n_nodes - n_leaves, 1)]);
    time.tree_overlap_matrix = toc(t);
    steps(end + 1, :) = clock('tree_overlap_matrix');
    say('   overlaps    tree_overlap_matrix: %d-by-%d shared areas; %d candidate pairs overlap\n', ...
        n_nodes, n_nodes, nnz(triu(shared(nodes, nodes), 1)));
  else
    shared = [];
    say('   overlaps    tree_overlap_matrix: not run, %d-by-%d would take %.1f GB\n', ...
        n_nodes, n_nodes, 8 * n_nodes^2 / 2^30);
  end

  %% 5. Features.
  % Shared boundaries as a sparse symmetric L-by-L matrix (one entry per
  % touching pair and direction), and each region's boundary totals
  % summed over its neighbours in ascending order of their ids, as the
  % rows of the dense matrices were.
  ids = subsets - 1;                              % 0-based region ids, -1 ends a row
  shared_length = sparse([pair_first; pair_second], [pair_second; pair_first], ...
                         [lengths; lengths], n_leaves, n_leaves);
  shared_strength = sparse([pair_first; pair_second], [pair_second; pair_first], ...
                           [strengths; strengths], n_leaves, n_leaves);
  ends = [pair_first, pair_second; pair_second, pair_first];
  [ends, by_neighbour] = sortrows(ends);
  both_lengths = [lengths; lengths];
  both_strengths = [strengths; strengths];
  leaf_length = accumarray(ends(:, 1), both_lengths(by_neighbour), [n_leaves 1]);
  leaf_strength = accumarray(ends(:, 1), both_strengths(by_neighbour), [n_leaves 1]);
  t = tic;
  perimeter = set_features(ids, leaf_length + rim_length, 3, shared_length);
  contour = set_features(ids, leaf_strength, 3, shared_strength);
  uniformity = set_features(ids, leaf_luma, 2);
  [~, box] = set_features(ids, leaf_box, 4);
  time.set_features = toc(t);
  steps(end + 1, :) = clock('set_features');
  contrast = contour ./ perimeter;                % mean colour step along the outline
  irregularity = perimeter.^2 ./ (4 * pi * area); % 4/pi for a square, more for ragged shapes
  say(' 5 features    set_features: perimeter, contour contrast, uniformity, box\n');

  %% 6. Ranking, suppression, Pareto front.
  % Overlaps are areas of shared regions: W is the vector of region areas
  % (region a and b share area(a) when a == b, nothing otherwise), so no
  % L-by-L matrix is needed. Suppression reads the ranked candidates' region
  % lists with the same W: the shared area of two candidates, summed over
  % the regions they share, is what tree_overlap_matrix gives for their
  % nodes, whole numbers either way, so the ratios are the same bits.
  relevance = contrast / max(contrast);
  t = tic;
  [order, scores] = rank_diverse(ids, relevance, leaf_area, opts.lambda);
  time.rank_diverse = toc(t);
  steps(end + 1, :) = clock('rank_diverse');
  t = tic;
  [~, kept_rank] = suppress_overlaps(ids(order, :), leaf_area, leaf_area, opts.overlap);
  time.suppress_overlaps = toc(t);
  steps(end + 1, :) = clock('suppress_overlaps');
  kept = nodes(order(kept_rank));                  % kept(k) = nodes(order(kept_rank(k)))
  t = tic;
  front = nondominated([-contrast, irregularity]);
  time.nondominated = toc(t);
  steps(end + 1, :) = clock('nondominated');
  say(' 6 ranking     rank_diverse (lambda %g): relevance = contrast, redundancy = overlap ratio\n', ...
      opts.lambda);
  say('   suppression suppress_overlaps at overlap %g keeps %d of %d candidates\n', ...
      opts.overlap, numel(kept), n_cand);
  say('   front       nondominated on (-contrast, irregularity): %d candidates\n', nnz(front));

  show = kept_rank(1:min(opts.top, numel(kept)));
  say('\nbest candidates that overlap no better one (tiles 3 on in the picture)\n');
  say(' tile  rank  node  pixels  rows     cols     contrast  perimeter  irregular  uniform  bright  score\n');
  for k = 1:numel(show)
    c = order(show(k));
    say(' %4d  %4d  %4d  %6d  %3d-%-3d  %3d-%-3d  %8.3f  %9d  %9.2f  %7.2f  %6.2f  %5.3f\n', k + 2, ...
        show(k), nodes(c), area(c), box(c, 1), box(c, 3), box(c, 2), box(c, 4), contrast(c), ...
        perimeter(c), irregularity(c), uniformity(c), brightness(c), scores(show(k)));
  end
  on_front = find(front);
  [~, by_contrast] = sort(-contrast(on_front));
  on_front = on_front(by_contrast);
  say('\nPareto front: no other candidate has higher contrast and a more regular outline\n');
  say('  node  pixels  contrast  irregular\n');
  for c = on_front(:)'
    say('  %4d  %6d  %8.3f  %9.2f\n', nodes(c), area(c), contrast(c), irregularity(c));
  end

  %% The picture.
  if all_masks
    shown_masks = masks(:, :, order(show));
  else
    t = tic;
    shown_masks = tree_occurrence_masks(labels, merges, nodes(order(show)));
    time.tree_occurrence_masks = toc(t);
    steps(end + 1, :) = clock('tree_occurrence_masks');
  end
  % Tiles of at most 640 pixels a side: a large picture is shown every
  % few pixels.
  every = ceil(max(h, w) / 640);
  png = opts.png;
  try
    imwrite(demo_montage(img(1:every:end, 1:every:end, :), labels(1:every:end, 1:every:end), ...
                         shown_masks(1:every:end, 1:every:end, :), 4), png, 'png');
  catch err
    error('mexsets:mexsets_demo:pngNotWritable', 'mexsets_demo: png cannot be written (%s): %s', ...
          err.message, png);
  end
  steps(end + 1, :) = clock('png');
  names = fieldnames(time);
  ms = 1000 * cellfun(@(name) time.(name), names);
  [~, slowest] = sort(-ms);
  pairs = [names(slowest)'; num2cell(ms(slowest))'];
  each = sprintf('%s %.1f, ', pairs{:});
  say('\ntime in the mexsets calls: %.1f ms\n  (%s)\n', sum(ms), each(1:end - 2));
  say('\nsteps: seconds and peak memory above the memory in use before the step\n');
  for k = 1:size(steps, 1)
    say('  %-24s %8.2f s  %9.1f MB\n', steps{k, 1}, steps{k, 2}, steps{k, 3} / 2^20);
  end
  if isempty(show)
    say('the picture (tile 1) and its regions (tile 2) written to\n  %s\n', png);
  else
    say('the picture (tile 1), its regions (tile 2) and the masks of tiles 3 to %d written to\n  %s\n', ...
        numel(show) + 2, png);
  end

  if nargout > 0
    if ~all_masks
      masks = shown_masks;
    end
    result = struct('image', img, 'labels', labels, 'merges', merges, 'nodes', nodes, ...
      'leaves', {leaves}, 'masks', masks, 'area', area, 'shared', shared, 'perimeter', perimeter, ...
      'contrast', contrast, 'irregularity', irregularity, 'uniformity', uniformity, ...
      'brightness', brightness, 'box', box, ...
      'order', order, 'scores', scores, 'kept', kept, 'front', front, 'png', png, 'time', time, ...
      'steps', {steps});
  end
end

function [nodes, rule] = candidate_nodes(merges, node_area, n_leaves, pixels)
% The candidates: the tree's nodes that cover 0.5% to 50% of the picture,
% as long as their region lists (one padded row each, n_cand-by-widest)
% take at most 256 entries per region. Past that (a region grown one
% small neighbour at a time puts a node per merge in the range: n_cand and
% the widest list both grow with L), only the nodes in the range that are
% whole parts of the picture when the tree is cut into 2, 4, ..., 1024
% parts (the roots left after the first L-2, L-4, ... merges). A cut has at
% most 200 parts of 0.5% or more, so at most 2000 candidates, and each cut's
% lists hold each region once: at most 10 entries per region plus the
% padding of the rows.
  in_range = node_area >= 0.005 * pixels & node_area <= 0.5 * pixels;
  leaf_count = [ones(n_leaves, 1); zeros(size(merges, 1), 1)];
  for r = 1:size(merges, 1)
    leaf_count(merges(r, 3)) = leaf_count(merges(r, 1)) + leaf_count(merges(r, 2));
  end
  nodes = find(in_range);
  rule = 'cover 0.5% to 50% of the picture';
  if numel(nodes) * max([leaf_count(nodes); 0]) <= 256 * n_leaves
    return
  end
  n_nodes = numel(node_area);
  parent = inf(n_nodes, 1);
  parent(merges(:, 1)) = merges(:, 3);
  parent(merges(:, 2)) = merges(:, 3);
  id = (1:n_nodes)';
  root = false(n_nodes, 1);
  for parts = 2.^(1:10)
    newest = 2 * n_leaves - parts;              % the last node made by then
    root = root | (id <= newest & parent > newest);
  end
  nodes = find(root & in_range);
  rule = 'cover 0.5% to 50% of the picture and are parts of cuts into 2, 4, ..., 1024';
end

function clock = step_clock()
% A function that returns {name, seconds, bytes} for the step that ends at
% its call: the seconds since the last call and how far the peak resident
% memory (VmHWM) rose above the memory in use when that step began, the
% peak being reset at each call (Linux: /proc/self/clear_refs, 5). Bytes are
% NaN where /proc is missing.
  started = tic;
  base = reset_peak();
  clock = @stop;
  function row = stop(name)
    row = {name, toc(started), proc_kb('VmHWM') * 1024 - base};
    base = reset_peak();
    started = tic;
  end
end

function rss = reset_peak()
  fid = fopen('/proc/self/clear_refs', 'w');
  if fid >= 0
    fprintf(fid, '5');
    fclose(fid);
  end
  rss = proc_kb('VmRSS') * 1024;
end

function kb = proc_kb(field)
  kb = NaN;
  fid = fopen('/proc/self/status', 'r');
  if fid < 0
    return
  end
  text = fread(fid, Inf, '*char')';
  fclose(fid);
  found = regexp(text, [field ':\s*(\d+)'], 'tokens', 'once');
  if ~isempty(found)
    kb = str2double(found{1});
  end
end

function opts = demo_options(varargin)
  opts = struct('size', [180 240], 'seed', 1, 'regions', 300, 'lambda', 0.75, ...
                'overlap', 0.5, 'top', 6, 'png', fullfile(tempdir, 'mexsets_demo.png'), ...
                'quiet', false, 'superpixels', '');
  if mod(numel(varargin), 2) ~= 0
    error('mexsets:mexsets_demo:options', 'mexsets_demo: options come in NAME, VALUE pairs');
  end
  for k = 1:2:numel(varargin)
    name = lower(varargin{k});
    if ~ischar(name) || ~isfield(opts, name)
      error('mexsets:mexsets_demo:options', 'mexsets_demo: unknown option %s', ...
            num2str(varargin{k}));
    end
    opts.(name) = varargin{k + 1};
  end
  if ~isnumeric(opts.size) || numel(opts.size) ~= 2 || any(opts.size < 16)
    error('mexsets:mexsets_demo:options', ...
          'mexsets_demo: size must be [rows cols], each at least 16');
  end
  opts.size = floor(double(opts.size(:)'));
  if ~isnumeric(opts.regions) || ~isscalar(opts.regions) || ~(opts.regions >= 4)
    error('mexsets:mexsets_demo:options', 'mexsets_demo: regions must be at least 4');
  end
  % More regions than pixels would put region seeds outside the picture.
  pixels = prod(opts.size);
  if opts.regions > pixels
    error('mexsets:mexsets_demo:tooManyRegions', ...
          'mexsets_demo: regions is %g, more than the %d-by-%d picture''s %d pixels', ...
          opts.regions, opts.size(1), opts.size(2), pixels);
  end
  % Five rounds of local k-means and connected pieces take minutes past a
  % megapixel; one round from fixed grid seeds takes seconds.
  if isempty(opts.superpixels)
    opts.superpixels = 'kmeans';
    if pixels > 2^20
      opts.superpixels = 'grid';
    end
  end
  if ~any(strcmp(opts.superpixels, {'kmeans', 'grid'}))
    error('mexsets:mexsets_demo:options', 'mexsets_demo: superpixels must be ''kmeans'' or ''grid''');
  end
  if ~ischar(opts.png) || isempty(opts.png) || size(opts.png, 1) ~= 1
    error('mexsets:mexsets_demo:options', 'mexsets_demo: png must be a file name');
  end
  check_writable(opts.png);
end

function check_writable(png)
% Fails at once, not after the pipeline, when the picture cannot be written:
% opens PNG for appending (which leaves an existing file as it is) and
% removes it again if it did not exist.
  if isfolder(png)
    error('mexsets:mexsets_demo:pngNotWritable', ...
          'mexsets_demo: png names a folder, not a file: %s', png);
  end
  existed = exist(png, 'file') ~= 0;
  [fid, reason] = fopen(png, 'a');
  if fid < 0
    error('mexsets:mexsets_demo:pngNotWritable', 'mexsets_demo: png cannot be written (%s): %s', ...
          reason, png);
  end
  fclose(fid);
  if ~existed
    delete(png);
  end
end

function text = yes_no(flag)
  if flag
    text = 'yes';
  else
    text = 'NO';
  end
end
