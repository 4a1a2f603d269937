function [merges, area] = merge_neighbours(shared_length, shared_strength, leaf_area)
% Builds a merge tree over L regions by joining, L-1 times, the two
% neighbouring nodes whose common boundary is weakest on average (its
% strength sum over its length; ties go to the lowest node ids). Node L+r is
% made by merge r, and its boundaries are the sums of its children's.
% MERGES is (L-1)-by-3, row r = [child child L+r] with 1-based ids; AREA
% holds the pixel count of every node. Regions that touch nothing are joined
% last, smallest first.
  n_leaves = numel(leaf_area);
  n_nodes = 2 * n_leaves - 1;
  len = zeros(n_nodes);
  str = zeros(n_nodes);
  len(1:n_leaves, 1:n_leaves) = shared_length + shared_length';
  str(1:n_leaves, 1:n_leaves) = shared_strength + shared_strength';
  area = zeros(n_nodes, 1);
  area(1:n_leaves) = leaf_area(:);
  active = false(n_nodes, 1);
  active(1:n_leaves) = true;
  merges = zeros(n_leaves - 1, 3);
  for r = 1:n_leaves - 1
    ids = find(active);
    l = len(ids, ids);
    cost = str(ids, ids) ./ l;
    cost(l == 0) = inf;
    [lowest, at] = min(cost(:));
    if isinf(lowest)
      [~, by_size] = sort(area(ids));
      pair = ids(by_size(1:2));
    else
      [i, j] = ind2sub(size(cost), at);
      pair = ids([i j]);
    end
    node = n_leaves + r;
    merges(r, :) = [sort(pair(:))', node];
    len(node, :) = len(pair(1), :) + len(pair(2), :);
    len(:, node) = len(node, :)';
    str(node, :) = str(pair(1), :) + str(pair(2), :);
    str(:, node) = str(node, :)';
    len(node, node) = 0;
    str(node, node) = 0;
    area(node) = sum(area(pair));
    active(pair) = false;
    active(node) = true;
  end
end
