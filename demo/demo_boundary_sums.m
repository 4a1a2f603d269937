function demo_boundary_sums()
  % A 2-by-2 pixel image with regions 1 (left column) and 2 (right column),
  % laid out as a 5-by-5 contour grid: pixels at the even-even cells (counted
  % from 1), edges between them and along the rim at the mixed-parity cells.
  % Keys: 12 is the boundary between regions 1 and 2, 10 and 20 are the
  % image borders of regions 1 and 2.
  labels = [ 0 10  0 20  0;
            10  1 12  2 20;
             0  0  0  0  0;
            10  1 12  2 20;
             0 10  0 20  0];
  strength = [0 0.5 0 0.25 0;
              0.5 0 0.9 0 0.25;
              0 0 0 0 0;
              0.5 0 0.7 0 0.25;
              0 0.5 0 0.25 0];
  keys   = [12 10 20];
  first  = [ 1  0  0];   % 0: the key's sum goes to the border vector
  second = [ 2  1  2];
  [P, B] = boundary_sums(2, first, second, keys, labels, strength);
  printf('contour grid labels (pixels hold their region, never read):\n'); disp(labels);
  printf('boundary strength between regions, P(a, b):\n'); disp(P);
  printf('border strength per region, B:\n'); disp(B);
end
