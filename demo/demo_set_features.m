function demo_set_features()
  % Three regions made of items 0..3 (0-based ids, -1 ends a row), each item
  % with a boundary length and a box; shared boundary lengths between items.
  regions = [0  1 -1;
             1  2  3;
             3 -1 -1];
  len = [4; 6; 4; 8];
  box = [0 0 2 2;        % per item: [xmin ymin xmax ymax]
         2 0 4 3;
         0 2 2 4;
         2 3 5 5];
  shared = [0 2 1 0;
            2 0 1 3;
            1 1 0 2;
            0 3 2 0];
  shortest = set_features(regions, len);
  [ratio, total] = set_features(regions, len, 2);
  [perimeter, inner] = set_features(regions, len, 3, shared);
  [~, bounds] = set_features(regions, box, 4);
  printf('regions (0-based item ids, -1 ends a row):\n'); disp(regions);
  printf('region  shortest  min/max  total  perimeter  shared\n');
  printf('%6d  %8g  %7.3f  %5g  %9g  %6g\n', ...
         [(1:3)', shortest, ratio, total, perimeter, inner]');
  printf('bounding boxes [xmin ymin xmax ymax]:\n'); disp(bounds);
end
