function demo_suppress_overlaps()
  % Five detected regions over six image cells (0-based ids, -1 ends a row),
  % each cell weighing its pixel count. Region 2 covers nearly the same
  % pixels as region 1 and region 5 nearly those of region 3.
  regions = [0  1  2 -1;
             0  1  2  3;
             4  5 -1 -1;
             2  3 -1 -1;
             4  5  1 -1];
  pixels = [40; 35; 50; 5; 30; 25];
  W = diag(pixels);            % cells share no pixels with one another
  for t = [0.9 0.5]
    kept = suppress_overlaps(regions, pixels, W, t);
    printf('threshold %.1f keeps %d of 5 regions (1-based cell ids, 0 ends a row):\n', ...
           t, rows(kept));
    disp(kept);
  end
end
