function [sums_a, sums_b] = score_subsets_vectorized(a, b, subsets)
  % score_subsets as vectorized Octave: the ids before each row's first 0,
  % gathered with logical indexing and summed per row with accumarray.
  [m, n] = size(subsets);
  ended = cumsum(subsets == 0, 2) > 0;        % true from the first 0 on
  [rows, cols] = find(~ended);
  ids = subsets(sub2ind([m, n], rows, cols));
  k = fix(ids - 1) + 1;
  sums_a = accumarray(rows, a(1, k)', [m, 1]);
  sums_b = accumarray(rows, b(1, k)', [m, 1]);
end
