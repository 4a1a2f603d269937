function [grid, strength, keys, first, second] = contour_grid(labels, img)
% The (2h+1)-by-(2w+1) contour grid of an h-by-w label matrix. Pixel (i, j)
% sits at cell (2i, 2j); the cell between two neighbouring pixels, and the
% cell between a rim pixel and the outside, has one odd and one even index.
% Such a cell holds the key of the two regions it separates, a*(L+1) + b with
% a < b, or b alone (a = 0) on the rim of region b; cells inside a region,
% pixels and corners hold 0. STRENGTH holds at each edge cell the colour
% distance of the two pixels (0 on the rim). KEYS lists the keys in use and
% FIRST, SECOND their two regions, ready for boundary_sums.
  [h, w] = size(labels);
  n = max(labels(:));
  key = @(a, b) min(a, b) * (n + 1) + max(a, b);
  grid = zeros(2 * h + 1, 2 * w + 1);
  strength = zeros(size(grid));

  % Between (i, j) and (i, j+1): cell (2i, 2j+1).
  a = labels(:, 1:end - 1);
  b = labels(:, 2:end);
  grid(2:2:2 * h, 3:2:2 * w - 1) = key(a, b) .* (a ~= b);
  strength(2:2:2 * h, 3:2:2 * w - 1) = sqrt(sum(diff(img, 1, 2).^2, 3));
  % Between (i, j) and (i+1, j): cell (2i+1, 2j).
  a = labels(1:end - 1, :);
  b = labels(2:end, :);
  grid(3:2:2 * h - 1, 2:2:2 * w) = key(a, b) .* (a ~= b);
  strength(3:2:2 * h - 1, 2:2:2 * w) = sqrt(sum(diff(img, 1, 1).^2, 3));
  % The rim.
  grid(2:2:2 * h, 1) = labels(:, 1);
  grid(2:2:2 * h, end) = labels(:, end);
  grid(1, 2:2:2 * w) = labels(1, :);
  grid(end, 2:2:2 * w) = labels(end, :);

  keys = unique(grid(grid > 0));
  first = floor(keys / (n + 1));
  second = keys - first * (n + 1);
end
