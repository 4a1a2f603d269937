%REGION_GRAPH Boundary graph of a label image as lists, for MERGE_REGIONS.
%   [FIRST, SECOND, LENGTHS, STRENGTHS, AREAS, BORDER] = REGION_GRAPH(LABELS)
%   [FIRST, SECOND, LENGTHS, STRENGTHS, AREAS, BORDER] = REGION_GRAPH(LABELS,
%   VALUES)
%   [FIRST, SECOND, LENGTHS, STRENGTHS, AREAS, BORDER] = REGION_GRAPH(LABELS,
%   VALUES, 'background', B, 'weight', W)
%   lists, in one pass, which regions of the h-by-w label image (or
%   h-by-w-by-d label volume) LABELS touch, along how many cracks and how
%   strongly, with each region's area and length along the image's rim. The
%   outputs are the inputs of MERGE_REGIONS as they stand.
%
%   Regions are label values: region k is the k-th smallest value present,
%   unique(LABELS(:))(k), so ids may have gaps and start at 0 or below.
%   A crack is the common side of two pixels that are 4-neighbours (in a
%   volume: face neighbours). FIRST and SECOND (columns, P-by-1) list the
%   touching pairs, FIRST < SECOND, sorted by (FIRST, SECOND); LENGTHS
%   counts the cracks between them and STRENGTHS sums the cracks' weights.
%   AREAS (L-by-1) counts each region's pixels and BORDER its cracks on the
%   image's outer boundary (a 1-by-1 image has 4, a 1-by-1-by-1 volume 6;
%   a volume of one page is an image).
%
%   A crack's weight is the Euclidean step of VALUES across it: the squared
%   differences (next pixel minus this one, along the crack's axis) added
%   over the channels in order from 0, then the square root, exactly as
%   BOUNDARY_GRID computes its strengths. STRENGTHS add, from 0, the cracks
%   between rows, then those between columns, then those between pages, each
%   group row by row, within a row page by page and left to right (in an
%   image: row-major order), which is BOUNDARY_SUMS' order over
%   BOUNDARY_GRID's grids: the sums are the same bits. VALUES of an image
%   is h-by-w-by-C (C channels, a colour image say), of a volume
%   h-by-w-by-d; left out or [], every weight is 0.
%
%   Options, as name-value pairs after the inputs (names and choices in any
%   case, pairs in any order):
%     'weight'      'step' (the default): the step above. 'mean' or 'max':
%                   VALUES is an edge map instead (one channel, the size of
%                   LABELS), and a crack weighs the mean of its two pixels'
%                   values or the larger one (NaN when either is NaN).
%     'background'  a label value that is no region (default [], none): its
%                   pixels count in no area, and their cracks to region
%                   pixels count toward nothing, neither a pair nor BORDER.
%
%   Every label must be a whole number of magnitude at most 2^53. LABELS,
%   VALUES and B are real, full double arrays. A message about a label names
%   its input, row, column (in a volume the column counts w columns per
%   page, LABELS(i, j + (p-1)*w)) and value, the first bad one in column
%   order. Cost: linear in the pixels besides
%   sorting the L distinct labels and P pairs; the outputs take
%   8*(4*P + 2*L) bytes, the work 4 bytes per pixel and 32 per crack
%   between regions.
%@include memory
%
%@include errors
%     nargin                 not one or two inputs before the options
%     nargout                more than six outputs
%     badOptionName          an option name is not text
%     unknownOption          an option other than 'background' and 'weight'
%     optionWithoutValue     an option name without its value
%     repeatedOption         an option given twice
%     typesNotCoherent       LABELS or VALUES is not double
%     dimensionsNotCoherent  LABELS or VALUES beyond three dimensions
%     sparseInput            an input is sparse (pass full(...))
%     complexInput           an input is complex (pass real(...))
%     badBackground          'background' holds more than one element
%     badChoice              'weight' is neither 'step', 'mean' nor 'max'
%     idNotANumber           a label is NaN
%     idOutOfRange           a label beyond 2^53 in magnitude (Inf too)
%     labelNotWhole          a label is not a whole number
%     valueSizeMismatch      VALUES does not fit LABELS (see above)
%     tooManyPixels          LABELS holds 2^32 - 1 elements or more
%     outputTooLarge         the lists exceed the memory available
%     outOfMemory            no memory left
%
%   Example:
%     [f, s, len, str, a, b] = region_graph([0 0 7; 3 7 7], [1 2 4; 1 3 6]);
%     % f = [1; 1; 2]
%     % s = [2; 3; 3]
%     % len = [1; 2; 1]
%     % str = [0; 3; 2]
%     % a = [2; 1; 3]
%     % b = [3; 2; 5]
%     % (labels 0, 3, 7 are regions 1, 2, 3; regions 1 and 3 meet along
%     % two cracks of steps 1 and 2)
%     [f, s, len, str, a, b] = region_graph([0 0 7; 3 7 7], ...
%                                           [1 2 4; 1 3 6], 'background', 0);
%     % f = 1
%     % s = 2
%     % len = 1
%     % str = 2
%     % a = [1; 3]
%     % b = [2; 5]
%     [m, node_area] = merge_regions(f, s, len, str, a);
%     % m = [1 2 3]
%     % node_area = [1; 3; 4]
%
%   See also MERGE_REGIONS, BOUNDARY_GRID, BOUNDARY_SUMS.

%!demo
%! % Labels 0, 3, 7 become regions 1, 2, 3; the lists feed merge_regions.
%! [first, second, lengths, strengths, areas, border] = ...
%!   region_graph ([0 0 7; 3 7 7], [1 2 4; 1 3 6])
%! merges = merge_regions (first, second, lengths, strengths, areas)

%!test
%! [f, s, len, str, a, b] = region_graph ([0 0 7; 3 7 7], [1 2 4; 1 3 6]);
%! assert ([f s len str], [1 2 1 0; 1 3 2 3; 2 3 1 2]);
%! assert ([a b], [2 3; 1 2; 3 5]);
%!test
%! % Lengths and strengths as boundary_grid and boundary_sums give them.
%! rand ("state", 5);
%! labels = ceil (5 * rand (7, 9));
%! img = rand (7, 9, 3);
%! [f, s, len, str, a, b] = region_graph (labels, img);
%! [G, S, keys, first, second] = boundary_grid (labels, img);
%! [P, B] = boundary_sums (5, first, second, keys, G, ones (size (G)));
%! Q = boundary_sums (5, first, second, keys, G, S);
%! [pf, ps, plen] = find (P);
%! [~, order] = sortrows ([pf ps]);
%! assert ([f s len], [pf(order) ps(order) plen(order)]);
%! assert (str, Q(sub2ind ([5 5], f, s)));
%! assert (b, B);
%! assert (a, accumarray (labels(:), 1));
%!test
%! % A volume, edge maps, a background.
%! [f, s, len, str, a, b] = region_graph (cat (3, [1 1], [2 5]), ...
%!                                        cat (3, [1 2], [3 8]), ...
%!                                        'weight', 'max');
%! assert ([f s len str], [1 2 1 3; 1 3 1 8; 2 3 1 8]);
%! assert ([a b], [2 8; 1 4; 1 4]);
%! [f, s, len, str] = region_graph (cat (3, [1 1], [2 5]), ...
%!                                  cat (3, [1 2], [3 8]), 'Weight', 'Mean', ...
%!                                  'background', 5);
%! assert ([f s len str], [1 2 1 2]);
%!error id=mexsets:region_graph:labelNotWhole region_graph ([1 2.5])
%!error id=mexsets:region_graph:idNotANumber region_graph ([1 NaN])
%!error id=mexsets:region_graph:valueSizeMismatch region_graph ([1 2], [1 2 3])
%!error id=mexsets:region_graph:badChoice region_graph ([1 2], 'weight', 2)
%!error id=mexsets:region_graph:unknownOption region_graph ([1 2], 'size', 2)
