function W = tree_overlap_matrix_vectorized(unused, merges, node_rows)
  % tree_overlap_matrix as vectorized Octave: the leaf lists of the nodes as
  % cell entries, grown by one loop over the merge rows, then a sparse
  % leaf-by-node count matrix A and W = A' * diag(w) * A. A leaf held a and b
  % times by two nodes counts min(a, b) times: the sum over t of the products
  % of the indicators (A >= t). Pairs of two leaves and the diagonal are 0.
  R = rows(node_rows);
  R2 = rows(merges);
  L = R - R2;
  C2 = columns(merges);
  lists = cell(1, R);
  lists(1:L) = num2cell(1:L);
  for r = 1:R2
    ids = merges(r, 1:C2 - 1);
    stop = find(ids < 0, 1);
    if ~isempty(stop)
      ids = ids(1:stop - 1);
    end
    p = fix(merges(r, C2)) + 1;
    lists{p} = [lists{p}, lists{fix(ids) + 1}];
  end

  % The node of every list entry: a run of each node's id, by cumsum.
  counts = cellfun('numel', lists);
  used = find(counts);
  marks = zeros(1, sum(counts));
  marks(cumsum(counts(used)) - counts(used) + 1) = diff([0, used]);
  A = sparse([lists{:}], cumsum(marks), 1, L, R);

  if columns(node_rows) > 0
    w = node_rows(1:L, 1);
  else
    w = zeros(L, 1);
  end
  D = spdiags(w, 0, L, L);
  shared = sparse(R, R);
  for t = 1:full(max([A(:); 0]))
    At = double(A >= t);
    shared = shared + At' * (D * At);
  end
  W = full(shared);
  W(1:L, 1:L) = 0;
  W(1:R + 1:end) = 0;
end
