function demo_tree_leaf_sets()
  % A merge tree over four leaves: node 5 = leaves 1 and 2, node 6 = leaves
  % 3 and 4, node 7 = nodes 5 and 6 (the root). Ids are 1-based, 0 ends a row.
  merges = [1 2 5;
            3 4 6;
            5 6 7];
  sets = [7 0;     % the root
          5 3;     % node 5 and leaf 3
          5 1;     % leaf 1 lies below node 5 too: it appears twice
          0 6];    % a row starting with 0 names no node
  leaves = tree_leaf_sets(merges, sets);
  printf('merges (children..., new node):\n'); disp(merges);
  for j = 1:numel(leaves)
    printf('node set %d = [%s]  ->  leaves [%s]  (%s)\n', j, num2str(sets(j, :)), ...
           num2str(leaves{j}), class(leaves{j}));
  end
end
