function img = synthetic_picture(h, w)
% A colour picture of simple objects on a sky and a meadow, with mild noise:
% an h-by-w-by-3 double array in [0, 1]. The objects' places and the noise
% come from the current random state.
  [y, x] = ndgrid(((1:h) - 0.5) / h, ((1:w) - 0.5) / w);
  img = zeros(h, w, 3);
  sky = cat(3, 0.45 + 0.3 * y, 0.65 + 0.2 * y, 0.95 * ones(h, w));
  meadow = cat(3, 0.25 + 0.1 * x, 0.55 - 0.15 * y, 0.2 * ones(h, w));
  img = paint(img, true(h, w), sky);
  img = paint(img, y > 0.62 + 0.05 * sin(6 * x), meadow);
  % Where things stand varies with the random state.
  sun = [0.65 + 0.25 * rand, 0.12 + 0.1 * rand];
  house = 0.05 + 0.15 * rand;                 % left wall; the house is 0.28 wide
  tree = 0.56 + 0.1 * rand;
  pond = 0.72 + 0.12 * rand;
  img = paint(img, (x - sun(1)).^2 + ((y - sun(2)) * h / w).^2 < 0.07^2, [1.0 0.85 0.2]);
  % A house: walls, roof, door and window.
  img = paint(img, x > house & x < house + 0.28 & y > 0.42 & y < 0.78, [0.85 0.75 0.6]);
  img = paint(img, y <= 0.42 & y > 0.22 & abs(x - house - 0.14) < (y - 0.22) * 0.75, [0.6 0.15 0.1]);
  img = paint(img, x > house + 0.1 & x < house + 0.17 & y > 0.6 & y < 0.78, [0.35 0.2 0.1]);
  img = paint(img, x > house + 0.19 & x < house + 0.25 & y > 0.48 & y < 0.56, [0.3 0.5 0.8]);
  % A tree: trunk and crown.
  img = paint(img, abs(x - tree) < 0.015 & y > 0.5 & y < 0.8, [0.4 0.25 0.1]);
  img = paint(img, ((x - tree) / 0.09).^2 + ((y - 0.42) / 0.14).^2 < 1, [0.1 0.4 0.12]);
  % A pond.
  img = paint(img, ((x - pond) / 0.13).^2 + ((y - 0.85) / 0.06).^2 < 1, [0.15 0.35 0.7]);
  img = min(1, max(0, img + 0.02 * randn(h, w, 3)));
end

function img = paint(img, inside, colour)
% Linear indices into the whole array spare copying a plane per channel,
% which counts at millions of pixels.
  at = find(inside);
  plane = numel(inside);
  for c = 1:3
    if numel(colour) == 3
      img(at + (c - 1) * plane) = colour(c);
    else
      img(at + (c - 1) * plane) = colour(at + (c - 1) * plane);
    end
  end
end
