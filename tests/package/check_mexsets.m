function check_mexsets(folder, names, extension)
%CHECK_MEXSETS Check an installed copy of the mexsets functions.
%   CHECK_MEXSETS(FOLDER, NAMES) checks that each function of the cellstr
%   NAMES (the functions of modules/functions.txt, see function_list.m)
%   resolves to its oct-file in FOLDER (to NAME.EXTENSION with
%   CHECK_MEXSETS(FOLDER, NAMES, EXTENSION), e.g. mexext() for MEX files)
%   and that `help` there shows its H1 line,
%   then calls each on its examples, modules/NAME/NAME_examples.txt of the
%   source tree (see examples.m), and runs the blocks of `test NAME` and
%   `demo NAME` there (see run_builtin_tests.m; tests/octave must be on the
%   path), and raises an error at the first difference, or for a name without
%   examples. Used by the package, build-script and install tests.

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
% Every example of NAME (see examples.m in tests/octave) gives its outputs.
calls = examples(name);
for e = 1:numel(calls)
  out = cell(1, calls(e).nargout);
  [out{:}] = feval(name, calls(e).inputs{:});
  for k = 1:numel(out)
    expect_equal(sprintf('%s example %d output %d', name, e, k), out{k}, calls(e).outputs{k});
  end
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
    || ~isequaln(got, expected)
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
