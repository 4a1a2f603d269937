function accepted = suppress_overlaps_vectorized(items, weights, W, threshold)
  % suppress_overlaps as vectorized Octave: sparse row-by-item count matrices
  % for the lists under test and the lists kept, and for every kept row its
  % row of X_kept * W, so that one product gives the shared weights of a
  % tested row with all kept rows.
  if nargin < 4
    threshold = 1;
  end
  [m, n] = size(items);
  k = min([numel(weights), size(W)]);
  stored = fix(items);
  tested = incidence(items < 0, stored, m, n, k);
  kept_lists = incidence(stored < 0, stored, m, n, k);
  w_tested = tested * weights(1:k)(:);
  w_kept = kept_lists * weights(1:k)(:);
  shared_rows = zeros(m, k);   % row r: x_r' * W for the r-th kept row
  kept_weights = zeros(m, 1);
  keep = false(m, 1);
  count = 0;
  for i = 1:m
    if count > 0
      [~, ids, counts] = find(tested(i, :));
      shared = shared_rows(1:count, ids) * counts';
      rho = shared ./ ((kept_weights(1:count) + w_tested(i)) - shared);
      if any(rho >= threshold)
        continue;
      end
    end
    keep(i) = true;
    count = count + 1;
    [~, ids, counts] = find(kept_lists(i, :));
    shared_rows(count, :) = counts * W(ids, 1:k);
    kept_weights(count) = w_kept(i);
  end
  accepted = stored(keep, :) + 1;
end

function X = incidence(ends, stored, m, n, k)
  ended = cumsum(ends, 2) > 0;
  [rows, cols] = find(~ended);
  X = sparse(rows, stored(sub2ind([m, n], rows, cols)) + 1, 1, m, k);
end
