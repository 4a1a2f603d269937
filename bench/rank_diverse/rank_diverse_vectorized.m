function [order, scores] = rank_diverse_vectorized(items, relevance, W, lambda)
  % rank_diverse as vectorized Octave: a sparse candidate-by-item count matrix
  % X, so that the shared weight of the picked list p with every candidate is
  % X * (W' restricted to p's items), one product per step.
  if nargin < 4
    lambda = 0.75;
  end
  [m, n] = size(items);
  k = min(size(W));
  ended = cumsum(items < 0, 2) > 0;
  [rows, cols] = find(~ended);
  ids = fix(items(sub2ind([m, n], rows, cols))) + 1;
  X = sparse(rows, ids, 1, m, k);
  diagonal = diag(W);
  weights = X * diagonal(1:k);
  weighted = relevance(1:m)(:) * lambda;
  keep = 1 - lambda;
  r = zeros(m, 1);
  remaining = true(m, 1);
  order = zeros(m, 1);
  scores = zeros(m, 1);
  for step = 1:m
    s = weighted - r * keep;
    s(~remaining) = -Inf;
    [best, p] = max(s);
    if ~(best > -realmax)
      p = find(remaining, 1);
      best = weighted(p) - r(p) * keep;
    end
    order(step) = p;
    scores(step) = best;
    remaining(p) = false;
    [~, picked, counts] = find(X(p, :));
    shared = X * (counts * W(picked, 1:k))';
    rho = shared ./ ((weights(p) + weights) - shared);
    update = remaining & rho > r;
    r(update) = rho(update);
  end
end
