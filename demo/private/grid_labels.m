function labels = grid_labels(img, count)
% About COUNT regions from seeds on a regular grid, fast enough for pictures
% of millions of pixels: one round of the local k-means that
% SUPERPIXEL_LABELS runs five times, each pixel joining the nearest in
% (row, column, colour) of the seeds of its own grid cell and the eight
% around it, the seeds staying at the cells' centres with the colour found
% there. Regions need not be connected (a pixel can join a seed past a
% region of another colour); region_graph and merge_regions do not ask it.
% LABELS is h-by-w double, regions numbered 1..L in the order of their
% seeds (columns of the grid first), seeds that no pixel joined left out.
  [h, w, ~] = size(img);
  step = sqrt(h * w / count);
  ny = max(1, round(h / step));
  nx = max(1, round(w / step));
  colours = reshape(img, h * w, 3);
  [sy, sx] = ndgrid(((1:ny) - 0.5) * h / ny, ((1:nx) - 0.5) * w / nx);
  seed_colour = colours(sub2ind([h w], round(sy(:)), round(sx(:))), :);
  colour_weight = 40;   % as in superpixel_labels
  best = inf(h, w);
  labels = ones(h, w);
  % Column by column of the picture keeps the scratch at a few columns.
  cell_row = min(ny, max(1, ceil((1:h)' * ny / h)));
  for x = 1:w
    cell_col = min(nx, max(1, ceil(x * nx / w)));
    colour = colours((x - 1) * h + (1:h), :);
    for dy = -1:1
      for dx = -1:1
        r = cell_row + dy;
        c = cell_col + dx;
        ok = r >= 1 & r <= ny & c >= 1 & c <= nx;
        if ~any(ok)
          continue
        end
        k = (min(max(c, 1), nx) - 1) * ny + min(max(r, 1), ny);
        d = (((1:h)' - sy(k)).^2 + (x - sx(k)).^2) / step^2 ...
            + colour_weight * sum((colour - seed_colour(k, :)).^2, 2);
        d(~ok) = inf;
        closer = d < best(:, x);
        best(closer, x) = d(closer);
        labels(closer, x) = k(closer);
      end
    end
  end
  [~, ~, labels] = unique(labels(:));
  labels = reshape(labels, h, w);
end
