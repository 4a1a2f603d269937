function [merges, area, height] = merge_neighbours(shared_length, shared_strength, leaf_area)
% Builds a merge tree over L regions by joining, L-1 times, the two
% neighbouring nodes whose common boundary is weakest on average (its
% strength sum over its length). Node L+r is made by merge r, and its
% boundaries are the sums of its children's. SHARED_LENGTH and
% SHARED_STRENGTH hold each touching pair (a, b) once, at a < b.
% MERGES is (L-1)-by-3, row r = [child child L+r] with 1-based ids; AREA
% holds the pixel count of every node and HEIGHT the average of the
% boundary each merge took (NaN for none). Parts of the picture that touch
% nothing else are joined last, smallest first.
  n_leaves = numel(leaf_area);
  area = [leaf_area(:); zeros(n_leaves - 1, 1)];
  active = [true(n_leaves, 1); false(n_leaves - 1, 1)];
  % One row per boundary between two current nodes: [a b length strength], a < b.
  [a, b] = find(shared_length);
  at = sub2ind(size(shared_length), a, b);
  edges = sortrows([min(a, b), max(a, b), shared_length(at), shared_strength(at)]);
  merges = zeros(n_leaves - 1, 3);
  height = NaN(n_leaves - 1, 1);
  for r = 1:n_leaves - 1
    node = n_leaves + r;
    if isempty(edges)
      ids = find(active);
      [~, by_size] = sort(area(ids));
      pair = sort(ids(by_size(1:2)))';
    else
      [height(r), weakest] = min(edges(:, 4) ./ edges(:, 3));
      pair = edges(weakest, 1:2);
    end
    merges(r, :) = [pair, node];
    area(node) = sum(area(pair));
    active(pair) = false;
    active(node) = true;
    % The children's other boundaries become the new node's, summed per
    % neighbour; the boundary between the children disappears.
    first_is = ismember(edges(:, 1), pair);
    second_is = ismember(edges(:, 2), pair);
    moved = edges(xor(first_is, second_is), :);
    other = moved(:, 1);
    other(ismember(other, pair)) = moved(ismember(other, pair), 2);
    edges = edges(~(first_is | second_is), :);
    [neighbours, ~, group] = unique(other);
    edges = [edges; neighbours, repmat(node, numel(neighbours), 1), ...
             accumarray(group, moved(:, 3), [numel(neighbours), 1]), ...
             accumarray(group, moved(:, 4), [numel(neighbours), 1])];
  end
end
