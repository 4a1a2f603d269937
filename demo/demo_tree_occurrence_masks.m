function demo_tree_occurrence_masks()
  % A 4-by-6 label matrix of four regions (leaves 1-4) and a merge tree over
  % them: node 5 = regions 1 and 2, node 6 = regions 3 and 4, node 7 = all.
  labels = [1 1 1 2 2 2;
            1 1 2 2 2 2;
            3 3 3 4 4 4;
            3 3 4 4 4 4];
  merges = [1 2 5;
            3 4 6;
            5 6 7];
  sets = [5 0;     % node 5: the top half
          2 3;     % regions 2 and 3
          7 0];    % the root: everything
  masks = tree_occurrence_masks(labels, merges, sets);
  printf('labels:\n'); disp(labels);
  for k = 1:size(masks, 3)
    printf('plane %d, node set [%s] (%s):\n', k, num2str(sets(k, :)), class(masks));
    disp(double(masks(:, :, k)));
  end
  one = tree_occurrence_masks(labels, merges, [6 0]);
  printf('one node set gives a %d-by-%d mask (node 6, the bottom half):\n', size(one));
  disp(double(one));
end
