function labels = superpixel_labels(img, count)
% About COUNT compact regions that follow the colours of IMG: a few rounds of
% local k-means in (row, column, colour) from seeds on a regular grid, then
% connected pieces of one cluster become regions of their own and pieces
% smaller than a quarter of a cell join their largest neighbour. LABELS is
% h-by-w double, regions numbered 1..L in column-major order of first pixel.
  [h, w, ~] = size(img);
  step = sqrt(h * w / count);
  ny = max(1, round(h / step));
  nx = max(1, round(w / step));
  [py, px] = ndgrid(1:h, 1:w);
  py = py(:);
  px = px(:);
  colours = reshape(img, h * w, 3);
  % Each pixel is compared with the seeds of its own grid cell and the
  % eight around it; seeds keep their cell while they move.
  cell_row = min(ny, max(1, ceil(py * ny / h)));
  cell_col = min(nx, max(1, ceil(px * nx / w)));
  [sy, sx] = ndgrid(((1:ny) - 0.5) * h / ny, ((1:nx) - 0.5) * w / nx);
  seed_pos = [sy(:), sx(:)];
  seed_colour = colours(sub2ind([h w], round(seed_pos(:, 1)), round(seed_pos(:, 2))), :);
  colour_weight = 40;   % how much colour counts against distance
  for round_ = 1:5
    best = inf(h * w, 1);
    cluster = ones(h * w, 1);
    for dy = -1:1
      for dx = -1:1
        r = cell_row + dy;
        c = cell_col + dx;
        ok = r >= 1 & r <= ny & c >= 1 & c <= nx;
        k = (min(max(c, 1), nx) - 1) * ny + min(max(r, 1), ny);
        d = ((py - seed_pos(k, 1)).^2 + (px - seed_pos(k, 2)).^2) / step^2 ...
            + colour_weight * sum((colours - seed_colour(k, :)).^2, 2);
        d(~ok) = inf;
        closer = d < best;
        best(closer) = d(closer);
        cluster(closer) = k(closer);
      end
    end
    n = accumarray(cluster, 1, [ny * nx, 1]);
    used = n > 0;
    position = [py, px];
    for dim = 1:2
      total = accumarray(cluster, position(:, dim), [ny * nx, 1]);
      seed_pos(used, dim) = total(used) ./ n(used);
    end
    for c = 1:3
      total = accumarray(cluster, colours(:, c), [ny * nx, 1]);
      seed_colour(used, c) = total(used) ./ n(used);
    end
  end
  labels = connected_pieces(reshape(cluster, h, w));
  labels = absorb_small(labels, step^2 / 4);
  [~, ~, labels] = unique(labels(:));
  labels = reshape(labels, h, w);
end

function pieces = connected_pieces(clusters)
% Numbers the 4-connected pieces of every cluster: each pixel takes the
% smallest number among its neighbours of the same cluster until none moves.
  [h, w] = size(clusters);
  pieces = reshape(1:h * w, h, w);
  down = clusters(1:end - 1, :) == clusters(2:end, :);
  right = clusters(:, 1:end - 1) == clusters(:, 2:end);
  moved = true;
  while moved
    before = pieces;
    m = min(pieces(1:end - 1, :), pieces(2:end, :));
    above = pieces(1:end - 1, :);  above(down) = m(down);  pieces(1:end - 1, :) = above;
    below = pieces(2:end, :);      below(down) = m(down);  pieces(2:end, :) = below;
    m = min(pieces(:, 1:end - 1), pieces(:, 2:end));
    left = pieces(:, 1:end - 1);   left(right) = m(right);  pieces(:, 1:end - 1) = left;
    rite = pieces(:, 2:end);       rite(right) = m(right);  pieces(:, 2:end) = rite;
    moved = ~isequal(before, pieces);
  end
end

function labels = absorb_small(labels, smallest)
% Joins each piece below SMALLEST pixels to the neighbour it shares the
% longest border with, smallest pieces first.
  while true
    [ids, ~, index] = unique(labels(:));
    sizes = accumarray(index, 1);
    [size_, k] = min(sizes);
    if size_ >= smallest || numel(ids) == 1
      return
    end
    inside = labels == ids(k);
    grown = inside;
    grown(1:end - 1, :) = grown(1:end - 1, :) | inside(2:end, :);
    grown(2:end, :) = grown(2:end, :) | inside(1:end - 1, :);
    grown(:, 1:end - 1) = grown(:, 1:end - 1) | inside(:, 2:end);
    grown(:, 2:end) = grown(:, 2:end) | inside(:, 1:end - 1);
    around = labels(grown & ~inside);
    labels(inside) = mode(around);
  end
end
