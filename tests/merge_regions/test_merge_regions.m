% merge_regions in Octave: the tree of merge_neighbours.m (the plain Octave
% code it replaced) on the adjacency of a random label image, bases, and
% messages.
here = fileparts(mfilename('fullpath'));
folder = tempname();
mkdir(folder);
copyfile(fullfile(here, 'merge_neighbours.m'), folder);
addpath(folder);
confirm_recursive_rmdir(false);
cleanup = onCleanup(@() rmdir(folder, 's'));

% Regions: the cells nearest to random seeds, numbered 1..L, and three more
% regions that touch nothing (their areas distinct, so no ties).
rand('seed', 5);
[rows, cols] = ndgrid(1:40, 1:60);
seeds = [rand(90, 1) * 40, rand(90, 1) * 60];
[~, labels] = min((rows(:) - seeds(:, 1)').^2 + (cols(:) - seeds(:, 2)').^2, [], 2);
[~, ~, labels] = unique(labels);
labels = reshape(labels, size(rows));
n = max(labels(:));
leaf_area = [accumarray(labels(:), 1); 2.5; 7; 3000];
a = [reshape(labels(:, 1:end-1), [], 1); reshape(labels(1:end-1, :), [], 1)];
b = [reshape(labels(:, 2:end), [], 1); reshape(labels(2:end, :), [], 1)];
apart = a ~= b;
lo = min(a(apart), b(apart));
hi = max(a(apart), b(apart));
L = n + 3;
pair_length = accumarray([lo hi], 1, [L L]);
pair_strength = accumarray([lo hi], rand(numel(lo), 1), [L L]);
[expected, expected_area, expected_height] = merge_neighbours(pair_length, pair_strength, leaf_area);
[first, second, lengths] = find(pair_length);
strengths = pair_strength(sub2ind([L L], first, second));
[merges, areas, heights] = merge_regions(first, second, lengths, strengths, leaf_area);
expect_same(merges, expected, 'the tree of merge_neighbours');
expect_same(areas, expected_area, 'its node areas');
expect_same(heights, expected_height, 'its heights');
expect_same(merge_regions(second', first', lengths', strengths', leaf_area', 0), ...
            expected - 1, 'rows and base 0');

[merges, areas, heights] = merge_regions(zeros(0, 1), [], [], [], 4);
expect_same(merges, zeros(0, 3), 'one region');
expect_same(heights, zeros(0, 1), 'no height');
expect_same(areas, 4, 'one area');

id = 'mexsets:merge_regions:';
expect_error(@() merge_regions(1, 2, 1, 1), [id 'nargin'], ...
             'There should be 5 or 6 input parameters');
expect_error(@() merge_regions(1, 2, 1, 1, [1 1], -1), [id 'badBase'], ...
             'Base neither 0 nor 1: input 6 (base) holds -1');
expect_error(@() merge_regions([1 1; 2 2], [2 2; 3 2], ones(2), ones(2), [1 1 1]), ...
             [id 'selfPair'], ...
             'Second id names the first id''s region: input 2 at row 2, column 2 holds 2');
expect_error(@() merge_regions(1, 2, -0, 1, [1 1]), [id 'badLength'], ...
             'Boundary length not positive: input 3 at row 1, column 1 holds -0');
