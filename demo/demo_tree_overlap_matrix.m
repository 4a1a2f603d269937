function demo_tree_overlap_matrix()
  % Four regions with their areas as leaf weights (leaves 0..3), merged into
  % node 4 = {0, 1}, node 5 = {2, 3} and the root 6 = {4, 5}. Ids are 0-based;
  % -1 ends a row's list of children, the last column is the new node.
  area   = [10; 20; 30; 40];
  merges = [0 1 4;
            2 3 5;
            4 5 6];
  node_rows = [area; zeros(3, 1)];   % one row per node, leaves first
  W = tree_overlap_matrix([], merges, node_rows);
  printf('merges (children..., new node; 0-based ids):\n'); disp(merges);
  printf('shared area of every pair of nodes (row/column k+1 is node k):\n');
  printf('       '); printf('%6d', 0:6); printf('\n');
  for k = 1:7
    printf('node %d', k - 1); printf('%6g', W(k, :)); printf('\n');
  end
end
