function front = nondominated_vectorized(X)
  % nondominated as vectorized Octave, for inputs without NaN: row i is on
  % the front when no row dominates it and no earlier row is identical.
  % Sorted by (columns, row index), every row that dominates or copies row i
  % comes before it and is no greater in every column; so a row is on the
  % front when no row before it in that order is no greater everywhere.
  %   1 column:   the first row holding the minimum;
  %   2 columns:  sortrows, then cummin of the second column;
  %   3 or more:  blocks of sorted rows tested at once against the front
  %               found so far and against the earlier rows of their block.
  [m, d] = size(X);
  front = false(m, 1);
  if m == 0
    return;
  elseif d == 0
    front(1) = true;
    return;
  elseif d == 1
    [~, best] = min(X);
    front(best) = true;
    return;
  end
  [~, order] = sortrows([X, (1:m)']);
  S = X(order, :);
  if d == 2
    y = S(:, 2);
    front(order) = [true; y(2:end) < cummin(y(1:end-1))];
    return;
  end
  kept = zeros(0, d);           % front rows found so far, in sorted order
  on = false(m, 1);             % by sorted position
  first = 1;
  while first <= m
    % Up to 256 rows a block (the test within a block grows with its square),
    % fewer once the front is large: about 2e7 pairs a block.
    block = min(256, max(64, floor(2e7 / max(1, rows(kept)))));
    last = min(m, first + block - 1);
    B = S(first:last, :);
    n = rows(B);
    covered = false(n, 1);
    if ~isempty(kept)
      fits = true(n, rows(kept));
      for k = 1:d
        fits &= kept(:, k)' <= B(:, k);
      end
      covered = any(fits, 2);
    end
    fits = true(n, n);
    for k = 1:d
      fits &= B(:, k)' <= B(:, k);
    end
    covered |= any(tril(fits, -1), 2);
    on(first:last) = ~covered;
    kept = [kept; B(~covered, :)];
    first = last + 1;
  end
  front(order) = on;
end
