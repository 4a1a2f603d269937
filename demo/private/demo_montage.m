function tiles = demo_montage(img, labels, masks, columns)
% A uint8 RGB montage: the picture, its regions outlined, then one tile per
% page of MASKS showing the mask tinted over a dimmed picture. COLUMNS tiles
% a row, 6 white pixels between tiles; tiles are doubled when the picture is
% small.
  [h, w, ~] = size(img);
  scale = 1 + (max(h, w) <= 320);
  panels = {img, outline(img, labels, [0 0 0])};
  tints = [0.95 0.2 0.2; 0.2 0.6 1.0; 1.0 0.75 0.1; 0.6 0.3 0.9; 0.1 0.8 0.5; 1.0 0.4 0.8];
  for k = 1:size(masks, 3)
    inside = masks(:, :, k);
    tint = tints(mod(k - 1, size(tints, 1)) + 1, :);
    panel = img * 0.3 + 0.15;
    for c = 1:3
      plane = panel(:, :, c);
      picture = img(:, :, c);
      plane(inside) = 0.55 * picture(inside) + 0.45 * tint(c);
      panel(:, :, c) = plane;
    end
    panels{end + 1} = outline(panel, double(inside), tint);
  end
  gap = 6;
  rows = ceil(numel(panels) / columns);
  th = h * scale;
  tw = w * scale;
  tiles = ones(rows * th + (rows + 1) * gap, columns * tw + (columns + 1) * gap, 3);
  for k = 1:numel(panels)
    r = floor((k - 1) / columns);
    c = mod(k - 1, columns);
    top = gap + r * (th + gap);
    left = gap + c * (tw + gap);
    tiles(top + (1:th), left + (1:tw), :) = repelem(panels{k}, scale, scale, 1);
  end
  tiles = uint8(round(255 * min(1, max(0, tiles))));
end

function img = outline(img, labels, colour)
% Paints in COLOUR the pixels whose right or lower neighbour lies in
% another region (with a 0/1 mask: the border of the 1 part, both sides).
  edge = false(size(labels));
  across = labels(:, 1:end - 1) ~= labels(:, 2:end);
  edge(:, 1:end - 1) = edge(:, 1:end - 1) | across;
  down = labels(1:end - 1, :) ~= labels(2:end, :);
  edge(1:end - 1, :) = edge(1:end - 1, :) | down;
  for c = 1:3
    plane = img(:, :, c);
    plane(edge) = colour(c);
    img(:, :, c) = plane;
  end
end
