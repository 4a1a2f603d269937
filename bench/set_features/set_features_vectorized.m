function varargout = set_features_vectorized(ids, values, mode, weights)
  % set_features as vectorized Octave. The ids before each row's first
  % negative entry are picked out by logical indexing (a cumulative count of
  % negatives along the rows); accumarray then gives each row's sum, minimum
  % and maximum, with realmax, realmin and -realmax as the start values the
  % running extremes never pass. The perimeter's pair sums are taken column
  % pair by column pair, j before k, over the rows that reach column k.
  if nargin < 3
    mode = 1;
  end
  mode = fix(mode);
  m = rows(ids);
  f = zeros(m, 1);
  g = [];
  if any(mode == [1 2 3 4])
    inside = cumsum(ids < 0, 2) == 0;
    [r, ~] = find(inside);
    r = r(:);
    k = fix(reshape(ids(inside), [], 1)) + 1;
    low = @(c) min(accumarray(r, values(k, c), [m 1], @min, realmax), realmax);
    high = @(c, start) max(accumarray(r, values(k, c), [m 1], @max, start), start);
    switch mode
      case 1
        f = low(1);
      case 2
        g = accumarray(r, values(k, 1), [m 1]);
        f = low(1) ./ high(1, realmin);
      case 3
        g = zeros(m, 1);
        n = columns(ids);
        for j = 1:n - 1
          for c = j + 1:n
            both = find(inside(:, c));
            if isempty(both)
              break;
            end
            both = both(:);
            at = sub2ind(size(weights), fix(ids(both, j)) + 1, fix(ids(both, c)) + 1);
            g(both) = g(both) + weights(at);
          end
        end
        f = g * -2 + accumarray(r, values(k, 1), [m 1]);
      case 4
        g = [low(1), low(2), high(3, -realmax), high(4, -realmax)];
    end
  end
  varargout{1} = f;
  if any(mode == [2 3 4])
    varargout{2} = g;
  end
end
