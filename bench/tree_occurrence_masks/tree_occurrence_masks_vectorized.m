function masks = tree_occurrence_masks_vectorized(labels, merges, sets)
  % tree_occurrence_masks as vectorized Octave: a node-by-set logical table
  % B, true where the node or a node above it is listed in the set, filled
  % from the listed nodes and handed down the merge rows from the last to the
  % first (a child created by a later row has already passed its marks on,
  % so it only takes the parent's for its own labels); then every position
  % looks up its label's row of B.
  [M, N] = size(labels);
  [R2, C2] = size(merges);
  L = fix(merges(1, C2) - 1);
  nodes = L + R2;
  K = rows(sets);
  listed = cumprod(sets ~= 0, 2) > 0;          % up to each row's first 0
  [k, ~] = find(listed);
  B = full(sparse(fix(sets(listed) - 1) + 1, k, 1, nodes, K)) > 0;
  for r = R2:-1:1
    ids = merges(r, 1:C2 - 1);
    stop = find(ids == 0, 1);
    if ~isempty(stop)
      ids = ids(1:stop - 1);
    end
    children = fix(ids - 1) + 1;
    B(children, :) = B(children, :) | B(L + r, :);
  end
  masks = reshape(B(fix(labels(:) - 1) + 1, :), M, N, K);
end
