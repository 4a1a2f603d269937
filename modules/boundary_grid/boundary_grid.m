%BOUNDARY_GRID Contour grid of a label image, ready for BOUNDARY_SUMS.
%   [GRID, STRENGTH, KEYS, FIRST, SECOND] = BOUNDARY_GRID(LABELS)
%   [GRID, STRENGTH, KEYS, FIRST, SECOND] = BOUNDARY_GRID(LABELS, VALUES)
%   describes the boundaries between the regions of the h-by-w label image
%   LABELS, whose entries are 1-based region ids; L is the largest of them.
%
%   GRID is (2h+1)-by-(2w+1) double. Pixel (i, j) sits at cell (2i, 2j);
%   the cell between two horizontally or vertically neighbouring pixels, and
%   the cell between a rim pixel and the outside, has one odd and one even
%   index. Such a cell holds the key a*(L+1) + b of the two regions a < b
%   that it separates, 0 when both pixels are of the same region, and on the
%   image's rim the region b alone (a = 0). Pixels and corners hold 0.
%   STRENGTH, the same size, holds at every cell between two pixels the
%   Euclidean distance of their VALUES, sqrt(sum over channels of the
%   squared difference), and 0 elsewhere (all zeros without VALUES). KEYS
%   lists the distinct keys in use, ascending, as a column; FIRST and SECOND
%   are their two regions (FIRST is 0 for a rim key). These are the inputs
%   of BOUNDARY_SUMS: BOUNDARY_SUMS(L, FIRST, SECOND, KEYS, GRID, W) with
%   W = ones(size(GRID)) counts the pixel edges between each pair of regions
%   and along each region's rim; with W = STRENGTH it sums their strengths.
%
%   LABELS is a real, full, two-dimensional double matrix. Ids are truncated
%   toward zero (2.9 is region 2) and must lie between 1 and 94906264, so
%   that every key and its quotient by L+1 are exact. VALUES is a real, full
%   h-by-w-by-C double array (C channels, a colour image say). Each strength
%   adds the squared differences (next pixel minus this one) over the
%   channels in order from 0 before the square root, exactly as
%   sqrt(sum(diff(VALUES, 1, dim).^2, 3)) does, so results are reproducible
%   bit for bit. A message about a label names its input, row, column and
%   value (the first bad one in column order).
%
%   GRID and STRENGTH take 8*(2h+1)*(2w+1) bytes each.
%@include memory
%
%@include errors
%     nargin                 not one or two inputs
%     nargout                more than five outputs
%     typesNotCoherent       an input is not double
%     dimensionsNotCoherent  LABELS beyond two dimensions, VALUES beyond three
%     sparseInput            an input is sparse (pass full(...))
%     complexInput           an input is complex (pass real(...))
%     idOutOfRange           a label truncates outside 1..94906264 (Inf too)
%     idNotANumber           a label is NaN
%     valueSizeMismatch      VALUES is not h-by-w(-by-C)
%     outputTooLarge         GRID and STRENGTH exceed the memory available
%     outOfMemory            no memory left, or grids beyond the address space
%
%   Example:
%     [G, S, keys, first, second] = boundary_grid([1 2; 1 1], [0 3; 4 0]);
%     % G(2, :) = [1 0 5 0 2]
%     % G(3, :) = [0 0 0 5 0]
%     % S(2:4, 2:4) = [0 3 0; 4 0 3; 0 4 0]
%     % keys = [1; 2; 5]
%     % first = [0; 0; 1]
%     % second = [1; 2; 2]
%     % (L = 2: key 5 = 1*3 + 2 separates regions 1 and 2)
%     [P, B] = boundary_sums(2, first, second, keys, G, ones(size(G)));
%     % P = [0 2; 0 0]
%     % B = [6; 2]
%     % (two edges between regions 1 and 2; rims of 6 and 2 edges)
%     P = boundary_sums(2, first, second, keys, G, S);
%     % P = [0 6; 0 0]
%
%   See also BOUNDARY_SUMS, SET_FEATURES.

%!demo
%! % Regions 1 and 2 (L = 2) meet at key 5 = 1*3 + 2; the rim holds 1 and 2.
%! [G, S, keys, first, second] = boundary_grid ([1 2; 1 1], [0 3; 4 0])
%! [P, B] = boundary_sums (2, first, second, keys, G, ones (size (G)))

%!test
%! [G, S, keys, first, second] = boundary_grid ([1 2; 1 1], [0 3; 4 0]);
%! assert (G(2:3, :), [1 0 5 0 2; 0 0 0 5 0]);
%! assert (S(2:4, 2:4), [0 3 0; 4 0 3; 0 4 0]);
%! assert ([keys first second], [1 0 1; 2 0 2; 5 1 2]);
%!test
%! % Strengths of a colour image against its channel differences.
%! rand ("state", 3);
%! img = rand (6, 7, 3);
%! [~, S] = boundary_grid (ceil (4 * rand (6, 7)), img);
%! assert (S(2:2:end, 3:2:end-1), sqrt (sum (diff (img, 1, 2) .^ 2, 3)));
%!error id=mexsets:boundary_grid:idOutOfRange boundary_grid ([1 0])
%!error id=mexsets:boundary_grid:valueSizeMismatch
%! boundary_grid ([1 2], [1 2 3])
