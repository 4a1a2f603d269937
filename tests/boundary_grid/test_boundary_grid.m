% boundary_grid in Octave: contour_grid.m (the vectorized Octave code it
% replaced in the demo) bit for bit,
% the strengths against diff, boundary_sums fed with the outputs against
% plain counts, and the messages of Octave-only failures.
root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
folder = tempname();
mkdir(folder);
copy = fullfile(folder, 'contour_grid.m');
copyfile(fullfile(root, 'tests', 'boundary_grid', 'contour_grid.m'), copy);
cleanup = onCleanup(@() cellfun(@(f) f(), {@() delete(copy), @() rmdir(folder)}));
addpath(folder);

rand('seed', 5);
for n = [1 3 40]
  labels = ceil(n * rand(23, 31));
  img = rand(23, 31, 3);
  [g, s, k, a, b] = boundary_grid(labels, img);
  [G, S, K, A, B] = contour_grid(labels, img);
  mine = {g, s, k, a, b};
  theirs = {G, S, K, A, B};
  for out = 1:5
    expect_same(mine{out}, theirs{out}, sprintf('output %d, %d regions', out, n));
  end
  expect_same(s(2:2:end, 3:2:end - 1), sqrt(sum(diff(img, 1, 2).^2, 3)), 'across');
  expect_same(s(3:2:end - 1, 2:2:end), sqrt(sum(diff(img, 1, 1).^2, 3)), 'down');

  % Boundary lengths and strength sums per touching pair, counted plainly.
  L = max(labels(:));
  [P, R] = boundary_sums(L, a, b, k, g, ones(size(g)));
  Q = boundary_sums(L, a, b, k, g, s);
  len = zeros(L);
  sum_s = zeros(L);
  rim = accumarray([labels(:, 1); labels(:, end); labels(1, :)'; labels(end, :)'], 1, [L 1]);
  right = sqrt(sum(diff(img, 1, 2).^2, 3));
  down = sqrt(sum(diff(img, 1, 1).^2, 3));
  for i = 1:23
    for j = 1:31
      if j < 31 && labels(i, j) ~= labels(i, j + 1)
        p = sort([labels(i, j) labels(i, j + 1)]);
        len(p(1), p(2)) += 1;
        sum_s(p(1), p(2)) += right(i, j);
      end
      if i < 23 && labels(i, j) ~= labels(i + 1, j)
        p = sort([labels(i, j) labels(i + 1, j)]);
        len(p(1), p(2)) += 1;
        sum_s(p(1), p(2)) += down(i, j);
      end
    end
  end
  expect_same(P, len, 'boundary lengths');
  expect_same(R, rim, 'rim lengths');
  assert(max(abs(Q(:) - sum_s(:))) < 1e-12, 'strength sums');
end

g = boundary_grid(2.5);   % one output, no values
expect_same(g, [0 2 0; 2 0 2; 0 2 0], 'single pixel');

% Grids of 4 MiB and more are made of pages that read as zeros until
% written (the computation's threads fault them in): the cells never
% written (pixels, corners, and every strength without values) are 0, also
% right after as much memory held other values and was freed.
labels = [ones(400, 200) 2 * ones(400, 200)];
G = contour_grid(labels, zeros(400, 400, 0));
for round = 1:3
  dirty = {ones(801), 2 * ones(801)};
  clear dirty
  [g, s] = boundary_grid(labels);
  assert(isequal(g, G) && !any(s(:)), 'large grids, round %d', round);
end

id = 'mexsets:boundary_grid:';
expect_error(@() boundary_grid(), [id 'nargin'], 'One or two input arguments required.');
expect_error(@() boundary_grid([1 2; 0 1]), [id 'idOutOfRange'], ...
             'Region id outside 1..94906264: input 1 at row 2, column 1 holds 0');
expect_error(@() boundary_grid(ones(2, 3), ones(3, 2, 3)), [id 'valueSizeMismatch'], ...
             'input 2 is 3-by-2-by-3, input 1 is 2-by-3');
expect_error(@() boundary_grid(ones(2, 2, 2)), [id 'dimensionsNotCoherent'], ...
             'Data dimensions not coherent');
expect_error(@() boundary_grid(1, sparse(1)), [id 'sparseInput'], ...
             'input 2 is sparse; pass full(...) instead');
expect_error(@() boundary_grid(1, complex(1, 1)), [id 'complexInput'], ...
             'input 2 is complex; pass real(...) instead');
