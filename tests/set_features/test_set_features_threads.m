% The 'threads', n pair that ends any call: the same results for any count,
% its checks, and the other arguments read as without it.
ids = floor(rand(5000, 12) * 40) - 3;
v = rand(40, 4);
w = rand(40); w = w + w';
for mode = 1:4
  outputs = 1 + (mode > 1);  % mode 1 gives one output
  first = cell(1, outputs);
  [first{:}] = set_features(ids, v, mode, w);
  for threads = [1 2 3 8]
    got = cell(1, outputs);
    [got{:}] = set_features(ids, v, mode, w, 'threads', threads);
    for k = 1:outputs
      expect_same(got{k}, first{k}, sprintf('mode %d, output %d, %d threads', mode, k, threads));
    end
  end
  got = cell(1, outputs);
  [got{:}] = set_features(ids, v, mode, w, 'Threads', int8(2));
  expect_same(got{1}, first{1}, 'name in any case, count of any class');
end
[s1, s2] = score_subsets([10 20 30], [1 2 3], [3 1 0 2], 'threads', 2);
expect_same([s1 s2], [40 4], 'a function of three inputs');
expect_error(@() set_features(ids, v, 1, w, 'threads', 0), 'mexsets:set_features:badThreads', ...
             'Expected a positive whole number of threads: threads is 0');
expect_error(@() set_features(ids, v, 1, w, 'threads', 1.5), 'mexsets:set_features:badThreads', ...
             'threads is 1.500000');
expect_error(@() set_features(ids, v, 1, w, 'threads', 'all'), ...
             'mexsets:set_features:badThreads', 'threads is a char');
expect_error(@() score_subsets(1, 1, 1, 'threads'), 'mexsets:score_subsets:nargin', ...
             'There should be 3 input parameters');
