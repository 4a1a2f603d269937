function demo_score_subsets()
  % Three shopping baskets over four items with a price and a weight each.
  price  = [2.50 1.20 4.00 0.80];
  weight = [1.0  0.5  2.0  0.1];
  baskets = [1 2 0 0;     % items 1 and 2
             3 3 4 0;     % item 3 twice and item 4
             4 1 2 3];    % everything
  [total_price, total_weight] = score_subsets(price, weight, baskets);
  printf('baskets (1-based item ids, 0 ends a row):\n'); disp(baskets);
  printf('basket  price  weight\n');
  printf('%6d  %5.2f  %6.2f\n', [(1:3)', total_price, total_weight]');
end
