function check_mexsets(folder, names, extension)
%CHECK_MEXSETS Check an installed copy of the mexsets functions.
%   CHECK_MEXSETS(FOLDER, NAMES) checks that each function of the cellstr
%   NAMES (the functions of modules/functions.txt, see function_list.m)
%   resolves to its oct-file in FOLDER (to NAME.EXTENSION with
%   CHECK_MEXSETS(FOLDER, NAMES, EXTENSION), e.g. mexext() for MEX files)
%   and that `help` there shows its H1 line,
%   then calls each once on a small input whose result is worked out by hand
%   and runs the blocks of `test NAME` and `demo NAME` there (see
%   run_builtin_tests.m in tests/octave, which must be on the path), and
%   raises an error at the first difference, or for a name without such a
%   check. Used by the package, build-script and install tests.

if ~iscellstr(names) || isempty(names)
  error('check_mexsets: NAMES must be a non-empty cellstr of function names');
end
if nargin < 3
  extension = 'oct';
end
folder = canonicalize_file_name(folder);
for k = 1:numel(names)
  name = names{k};
  found = which(name);
  expected = fullfile(folder, [name '.' extension]);
  if ~strcmp(canonicalize_file_name(found), expected)
    error('check_mexsets: %s resolves to "%s", not to %s', name, found, expected);
  end
  h1 = help_h1(fullfile(folder, [name '.m']));
  shown = evalc(sprintf('help %s', name));
  if isempty(strfind(shown, h1))
    error('check_mexsets: help %s does not show "%s"; it shows:\n%s', name, h1, shown);
  end
  check_results(name);
  run_builtin_tests(name, folder);  % test NAME and demo NAME, from FOLDER
end

% Errors come through with their identifiers.
if ismember('score_subsets', names)
  try
    score_subsets([1 2], [1 2], 3);
    error('check_mexsets: score_subsets accepted id 3 of 2 items');
  catch err
    if ~strcmp(err.identifier, 'mexsets:score_subsets:idOutOfRange')
      error('check_mexsets: score_subsets raised "%s" (%s)', err.identifier, err.message);
    end
  end
end
printf('check_mexsets: the %d functions in %s give the expected results\n', numel(names), folder);
end

function check_results(name)
% One call of NAME on a small input, against its result worked out by hand.
switch name
  case 'score_subsets'
    % Subsets: the id after the end marker 0 is not read.
    [a, b] = score_subsets([10 20 30], [1 2 3], [3 1 0 2; 2 2 2 2]);
    expect_equal('score_subsets A', a, [40; 80]);
    expect_equal('score_subsets B', b, [4; 8]);

  case 'rank_diverse'
    % Candidate 2 repeats candidate 1's item (redundancy 1), so candidate 3
    % (relevance 0.9, no shared item) comes second.
    [order, scores] = rank_diverse([0; 0; 1], [1; 1; 0.9], eye(2), 0.5);
    expect_equal('rank_diverse order', order, [1; 3; 2]);
    expect_equal('rank_diverse scores', scores, [0.5; 0.5 * 0.9; 0]);

  case 'suppress_overlaps'
    % Row 2 lists the items of row 1 again (ratio 2/(2+2-2) = 1 reaches the
    % default threshold); kept rows come back 1-based, -1 as 0.
    kept = suppress_overlaps([0 1 -1; 1 0 -1; 2 -1 -1; 0 2 -1], [1; 1; 1], eye(3));
    expect_equal('suppress_overlaps', kept, [1 2 0; 3 0 0; 1 3 0]);

  case 'tree_overlap_matrix'
    % Node 3 = leaves {0, 1}, node 4 = node 3 and leaf 2; leaf weights 2, 3, 5.
    W = tree_overlap_matrix([], [0 1 -1 3; 3 2 -1 4], [2; 3; 5; 0; 0]);
    expect_equal('tree_overlap_matrix', W, [0 0 0 2 2; 0 0 0 3 3; 0 0 0 0 5; ...
                                            2 3 0 0 5; 2 3 5 5 0]);

  case 'tree_leaf_sets'
    % L = 3 leaves; node 4 = {1, 2}, node 5 = {1, 2, 3}; a leaf below two listed
    % nodes appears twice.
    c = tree_leaf_sets([1 2 4; 4 3 5], [5 0; 2 4; 3 0]);
    expect_equal('tree_leaf_sets', c, {uint32([1 2 3]); uint32([1 2 2]); uint32(3)});

  case 'tree_occurrence_masks'
    % Node 4 covers labels 1 and 2; the second set is leaves 3 and 1.
    m = tree_occurrence_masks([1 1 2; 3 3 2], [1 2 4; 4 3 0], [4 0; 3 1]);
    expect_equal('tree_occurrence_masks', m, cat(3, logical([1 1 1; 0 0 1]), ...
                                                    logical([1 1 0; 1 1 0])));

  case 'boundary_sums'
    % Key 5 (cells (1,2), (2,3)) sums 1 + 3 into P(1,2); key 7 (cells (2,1),
    % (3,2)) sums 2 + 4 into B(1).
    [P, B] = boundary_sums(2, [1 0], [2 1], [5 7], [0 5 0; 7 0 5; 0 7 0], ...
                           [0 1 0; 2 0 3; 0 4 0]);
    expect_equal('boundary_sums P', P, [0 4; 0 0]);
    expect_equal('boundary_sums B', B, [6; 0]);

  case 'set_features'
    % Perimeter of the region {0, 1}: 10 + 12 - 2 * 3; and mode 2 ratios, sums.
    [perimeter, shared] = set_features([0 1 -1], [10; 12], 3, [0 3; 3 0]);
    expect_equal('set_features perimeter', perimeter, 16);
    expect_equal('set_features shared', shared, 3);
    [ratio, total] = set_features([0 1 2; 2 -1 0], [2; 4; 8], 2);
    expect_equal('set_features ratio', ratio, [0.25; 1]);
    expect_equal('set_features total', total, [14; 8]);

  case 'nondominated'
    % Row 4 is dominated by row 3.
    front = nondominated([3 1; 1 3; 2 2; 3 3]);
    expect_equal('nondominated', front, logical([1; 1; 1; 0]));

  case 'boundary_grid'
    % Regions 1 and 2 touch once (key 1*3+2 = 5); rims of 1 and 2.
    [G, S, k, f, s] = boundary_grid([1 2; 1 1], [0 3; 4 0]);
    expect_equal('boundary_grid keys', [k f s], [1 0 1; 2 0 2; 5 1 2]);
    expect_equal('boundary_grid row 2', G(2, :), [1 0 5 0 2]);
    expect_equal('boundary_grid strength', S(2, 3), 3);

  case 'merge_regions'
    % 1-2 average 0.5 goes first, then 3-4 at 1; region 5 touches nothing.
    [m, a] = merge_regions([1 2 3 1], [2 3 4 3], [2 1 2 1], [1 3 2 2], [4 3 5 2 1]);
    expect_equal('merge_regions merges', m, [1 2 6; 3 4 7; 6 7 8; 5 8 9]);
    expect_equal('merge_regions areas', a, [4; 3; 5; 2; 1; 7; 7; 14; 15]);

  case 'tree_leaf_matrix'
    % The leaf sets of tree_leaf_sets, 0-based and padded with -1.
    L = tree_leaf_matrix([1 2 4; 4 3 5], [5 0; 2 4; 3 0], 0);
    expect_equal('tree_leaf_matrix', L, [0 1 2; 0 1 1; 2 -1 -1]);

  otherwise
    error('check_mexsets: no worked example for %s; add one to check_results', name);
end
end

function h1 = help_h1(file)
% The first line of a help file, without its comment sign and upper-case name.
fid = fopen(file, 'r');
if fid < 0
  error('check_mexsets: no help file %s', file);
end
line = fgetl(fid);
fclose(fid);
h1 = strtrim(regexprep(line, '^%[A-Z_0-9]+', ''));
if isempty(h1)
  error('check_mexsets: %s has no H1 line', file);
end
end

function expect_equal(what, got, expected)
if ~isequal(class(got), class(expected)) || ~isequal(size(got), size(expected)) ...
    || ~isequal(got, expected)
  error('check_mexsets: %s gave %s %s, expected %s %s', what, class(got), ...
        mat2str_any(got), class(expected), mat2str_any(expected));
end
end

function s = mat2str_any(x)
if iscell(x)
  s = ['{' strjoin(cellfun(@mat2str_any, x(:)', 'UniformOutput', false), '; ') '}'];
elseif ndims(x) > 2
  s = mat2str(x(:)');
else
  s = mat2str(x);
end
end
