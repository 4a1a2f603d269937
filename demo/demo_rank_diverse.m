function demo_rank_diverse()
  % Five search results over six topics (0-based ids, -1 ends a row). Results
  % 1 and 2 cover the same topics, so the second of them drops down the list.
  results = [0  1  2 -1;
             0  1  2 -1;
             3  4 -1 -1;
             1  5 -1 -1;
             5 -1 -1 -1];
  relevance = [0.95; 0.94; 0.80; 0.70; 0.30];
  W = eye(6);                  % each topic weighs 1; topics share nothing
  [order, scores] = rank_diverse(results, relevance, W, 0.5);
  printf('results (0-based topic ids, -1 ends a row):\n'); disp(results);
  printf('rank  result  relevance  score\n');
  printf('%4d  %6d  %9.2f  %5.3f\n', [(1:5)', order, relevance(order), scores]');
end
