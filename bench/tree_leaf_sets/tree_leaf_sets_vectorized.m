function leaves = tree_leaf_sets_vectorized(merges, sets)
  % tree_leaf_sets as vectorized Octave: the leaf lists of the nodes as cell
  % entries, grown child by child over the merge rows, turned into a sparse
  % leaf-by-node count matrix A; the node sets as a sparse node-by-set count
  % matrix S; A * S counts every leaf of every set, and find lists them per
  % set in ascending leaf order, each repeated as often as it is counted.
  [R1, N1] = size(merges);
  L = fix(merges(1, N1) - 1);
  nodes = L + R1;
  lists = cell(1, nodes);
  lists(1:L) = num2cell(1:L);
  for r = 1:R1
    p = fix(merges(r, N1) - 1) + 1;
    for k = 1:N1 - 1
      e = merges(r, k);
      if e == 0, break; end
      lists{p} = [lists{p}, lists{fix(e - 1) + 1}];
    end
  end
  counts = cellfun('numel', lists);
  used = find(counts);
  marks = zeros(1, sum(counts));
  marks(cumsum(counts(used)) - counts(used) + 1) = diff([0, used]);
  A = sparse([lists{:}], cumsum(marks), 1, max(L, 1), nodes);

  R2 = rows(sets);
  listed = cumprod(sets ~= 0, 2) > 0;          % up to each row's first 0
  [j, ~] = find(listed);
  S = sparse(fix(sets(listed) - 1) + 1, j, 1, nodes, R2);
  [leaf, set, times] = find(A * S);
  if isempty(times)
    leaves = repmat({zeros(1, 0, 'uint32')}, R2, 1);
    return;
  end
  per_set = accumarray(set(:), times(:), [R2, 1]);
  leaves = mat2cell(uint32(repelem(leaf(:), times(:)))', 1, per_set')';
end
