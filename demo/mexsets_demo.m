function result = mexsets_demo(varargin)
%MEXSETS_DEMO Find objects in a generated picture with mexsets.
%   MEXSETS_DEMO runs a small object-proposal pipeline on a generated picture
%   and prints a report of what each step found:
%     1. the picture is cut into a few hundred regions (leaves);
%     2. BOUNDARY_GRID draws the contour grid of the regions, over which
%        BOUNDARY_SUMS totals the colour edges and the edge lengths between
%        every two touching regions;
%     3. MERGE_REGIONS merges neighbours, weakest common boundary first,
%        into a merge tree whose nodes are the candidate objects;
%     4. TREE_LEAF_SETS and TREE_OCCURRENCE_MASKS give each candidate's
%        regions and pixel mask, SCORE_SUBSETS its area (checked against
%        the masks) and brightness, TREE_OVERLAP_MATRIX the shared area of
%        every two nodes;
%     5. SET_FEATURES gives perimeter and contour contrast (mode 3), colour
%        uniformity (mode 2) and bounding box (mode 4);
%     6. RANK_DIVERSE orders the candidates by contrast against overlap,
%        SUPPRESS_OVERLAPS drops those that overlap a better one, and
%        NONDOMINATED finds the front of contrast against irregularity.
%   It writes a PNG showing the picture, its regions and the best masks, and
%   prints its path.
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
%   A bad option fails at once with the identifier mexsets:mexsets_demo:options,
%   more regions than pixels with mexsets:mexsets_demo:tooManyRegions, and a
%   png that cannot be written with mexsets:mexsets_demo:pngNotWritable.
%
%   RESULT = MEXSETS_DEMO(...) also returns every intermediate result in a
%   struct (labels, merges, candidate nodes, leaf sets, masks, features,
%   ranking, kept nodes, front).
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

  %% 1. Picture and regions.
  rng(opts.seed);
  img = synthetic_picture(h, w);
  labels = superpixel_labels(img, opts.regions);
  n_leaves = max(labels(:));
  leaf_area = accumarray(labels(:), 1, [n_leaves 1]);
  luma = 0.299 * img(:, :, 1) + 0.587 * img(:, :, 2) + 0.114 * img(:, :, 3);
  leaf_luma = accumarray(labels(:), luma(:), [n_leaves 1]) ./ leaf_area;
  [rows, cols] = ndgrid(1:h, 1:w);
  leaf_box = [accumarray(labels(:), rows(:), [], @min), accumarray(labels(:), cols(:), [], @min), ...
              accumarray(labels(:), rows(:), [], @max), accumarray(labels(:), cols(:), [], @max)];

  say('mexsets demo: a %d-by-%d synthetic picture (seed %g)\n\n', h, w, opts.seed);
  say(' 1 regions     %d regions of %d to %d pixels\n', n_leaves, min(leaf_area), max(leaf_area));

  %% 2. Boundaries between regions, over the contour grid.
  t = tic;
  [grid, strength, keys, first, second] = boundary_grid(labels, img);
  time.boundary_grid = toc(t);
  t = tic;
  pair_strength = boundary_sums(n_leaves, first, second, keys, grid, strength);
  [pair_length, rim_length] = boundary_sums(n_leaves, first, second, keys, grid, ones(size(grid)));
  time.boundary_sums = toc(t);
  say(' 2 boundaries  boundary_grid, boundary_sums: %d pairs of regions touch along\n', ...
      nnz(pair_length));
  say('               %d pixel edges; %d regions touch the picture''s rim\n', ...
      sum(pair_length(:)), nnz(rim_length));

  %% 3. Merge tree and candidates.
  [pair_first, pair_second, lengths] = find(pair_length);  % touching pairs (row < column)
  t = tic;
  [merges, node_area] = merge_regions(pair_first, pair_second, lengths, ...
                                      pair_strength(pair_length > 0), leaf_area);
  time.merge_regions = toc(t);
  n_nodes = numel(node_area);
  in_range = node_area >= 0.005 * h * w & node_area <= 0.5 * h * w;
  nodes = find(in_range);
  n_cand = numel(nodes);
  say(' 3 merge tree  merge_regions: %d merges of neighbours, weakest mean boundary first;\n', ...
      size(merges, 1));
  say('               %d of its %d nodes cover 0.5%% to 50%% of the picture: the candidates\n', ...
      n_cand, n_nodes);

  %% 4. Leaf sets, masks, areas and overlaps of the candidates.
  t = tic;
  leaves = tree_leaf_sets(merges, nodes);
  time.tree_leaf_sets = toc(t);
  t = tic;
  masks = tree_occurrence_masks(labels, merges, nodes);
  time.tree_occurrence_masks = toc(t);
  counts = cellfun(@numel, leaves);
  subsets = zeros(n_cand, max([counts; 1]));          % 1-based region ids, 0 ends a row
  for k = 1:n_cand
    subsets(k, 1:counts(k)) = leaves{k};
  end
  t = tic;
  [area, luma_sum] = score_subsets(leaf_area', (leaf_luma .* leaf_area)', subsets);
  time.score_subsets = toc(t);
  brightness = luma_sum ./ area;                  % mean luminance of the candidate's pixels
  mask_area = zeros(n_cand, 1);
  for k = 1:n_cand
    mask_area(k) = nnz(masks(:, :, k));
  end
  say(' 4 leaf sets   tree_leaf_sets: %d to %d regions per candidate\n', min(counts), max(counts));
  say('   masks       tree_occurrence_masks: %s logical, %.1f MB\n', ...
      strjoin(arrayfun(@num2str, size(masks), 'UniformOutput', false), '-by-'), numel(masks) / 2^20);
  say('   areas       score_subsets: pixel counts agree with the masks and the tree: %s\n', ...
      yes_no(isequal(area, mask_area, node_area(nodes))));
  t = tic;
  shared = tree_overlap_matrix([], merges - 1, [leaf_area; zeros(n_nodes - n_leaves, 1)]);
  time.tree_overlap_matrix = toc(t);
  node_weight = shared + diag(node_area);    % shared area, and each node's own area
  say('   overlaps    tree_overlap_matrix: %d-by-%d shared areas; %d candidate pairs overlap\n', ...
      n_nodes, n_nodes, nnz(triu(shared(nodes, nodes), 1)));

  %% 5. Features.
  ids = subsets - 1;                              % 0-based region ids, -1 ends a row
  shared_length = pair_length + pair_length';
  shared_strength = pair_strength + pair_strength';
  t = tic;
  perimeter = set_features(ids, sum(shared_length, 2) + rim_length, 3, shared_length);
  contour = set_features(ids, sum(shared_strength, 2), 3, shared_strength);
  uniformity = set_features(ids, leaf_luma, 2);
  [~, box] = set_features(ids, leaf_box, 4);
  time.set_features = toc(t);
  contrast = contour ./ perimeter;                % mean colour step along the outline
  irregularity = perimeter.^2 ./ (4 * pi * area); % 4/pi for a square, more for ragged shapes
  say(' 5 features    set_features: perimeter, contour contrast, uniformity, box\n');

  %% 6. Ranking, suppression, Pareto front.
  relevance = contrast / max(contrast);
  t = tic;
  [order, scores] = rank_diverse(ids, relevance, diag(leaf_area), opts.lambda);
  time.rank_diverse = toc(t);
  t = tic;
  kept = suppress_overlaps(nodes(order) - 1, node_area, node_weight, opts.overlap);
  time.suppress_overlaps = toc(t);
  [~, kept_rank] = ismember(kept, nodes(order));   % kept(k) = nodes(order(kept_rank(k)))
  t = tic;
  front = nondominated([-contrast, irregularity]);
  time.nondominated = toc(t);
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
  png = opts.png;
  try
    imwrite(demo_montage(img, labels, masks(:, :, order(show)), 4), png, 'png');
  catch err
    error('mexsets:mexsets_demo:pngNotWritable', 'mexsets_demo: png cannot be written (%s): %s', ...
          err.message, png);
  end
  names = fieldnames(time);
  ms = 1000 * cellfun(@(name) time.(name), names);
  [~, slowest] = sort(-ms);
  pairs = [names(slowest)'; num2cell(ms(slowest))'];
  each = sprintf('%s %.1f, ', pairs{:});
  say('\ntime in the mexsets calls: %.1f ms\n  (%s)\n', sum(ms), each(1:end - 2));
  if isempty(show)
    say('the picture (tile 1) and its regions (tile 2) written to\n  %s\n', png);
  else
    say('the picture (tile 1), its regions (tile 2) and the masks of tiles 3 to %d written to\n  %s\n', ...
        numel(show) + 2, png);
  end

  if nargout > 0
    result = struct('image', img, 'labels', labels, 'merges', merges, 'nodes', nodes, ...
      'leaves', {leaves}, 'masks', masks, 'area', area, 'shared', shared, 'perimeter', perimeter, ...
      'contrast', contrast, 'irregularity', irregularity, 'uniformity', uniformity, ...
      'brightness', brightness, 'box', box, ...
      'order', order, 'scores', scores, 'kept', kept, 'front', front, 'png', png, 'time', time);
  end
end

function opts = demo_options(varargin)
  opts = struct('size', [180 240], 'seed', 1, 'regions', 300, 'lambda', 0.75, ...
                'overlap', 0.5, 'top', 6, 'png', fullfile(tempdir, 'mexsets_demo.png'), ...
                'quiet', false);
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
