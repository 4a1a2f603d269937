function [P, B] = boundary_sums_vectorized(n, first, second, keys, labels, weights)
  % boundary_sums as vectorized Octave. The mixed-parity cells are taken in
  % visiting order from the transposed grids (whose columns are the grid's
  % rows): odd rows at even columns, then even rows at odd columns (counting
  % from 1). Their positive labels are looked up among the keys' first
  % occurrences with unique and ismember, summed per key by accumarray (in
  % visiting order), and the sums handed out by linear indexing, where a
  % later key overwrites an earlier one.
  n = fix(n);
  L = max(size(keys));
  [M, N] = size(labels);
  Lt = labels.';
  Wt = weights(1:M, 1:N).';
  lab = [reshape(Lt(2:2:end, 1:2:end), [], 1); reshape(Lt(1:2:end, 2:2:end), [], 1)];
  w = [reshape(Wt(2:2:end, 1:2:end), [], 1); reshape(Wt(1:2:end, 2:2:end), [], 1)];
  labelled = lab > 0;
  [unique_keys, first_at] = unique(keys(1:L), 'first');
  [~, at] = ismember(lab(labelled), unique_keys);
  S = accumarray(reshape(first_at(at), [], 1), w(labelled), [L 1]);
  a = reshape(first(1:L), [], 1);
  b = reshape(second(1:L), [], 1);
  P = zeros(n);
  B = zeros(n, 1);
  border = a == 0;
  B(fix(b(border) - 1) + 1) = S(border);
  P(sub2ind([n n], fix(a(~border) - 1) + 1, fix(b(~border) - 1) + 1)) = S(~border);
end
