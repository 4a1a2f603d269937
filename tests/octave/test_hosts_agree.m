% The oct-files (BUILD/octave) and the MEX files (BUILD/octave-mex) of every
% function this build has give the same bits, or the same identifier and
% message, on the same calls: the examples of each function, its valid call
% (the first example) with each input replaced by another class, shape or
% value, with an input too few or too many and an output too many, and random
% variations of its inputs (most of them valid, some at a larger size). Both
% folders define the same names, so every call runs first with one folder on
% the path, then with the other. Where the hosts differ by design (the
% copies of a result each holds, and a result the machine cannot give) is
% checked at the end when both functions it uses are built. A function
% handle is among the replacements: the MEX layer of Octave 7 aborts Octave
% when a MEX file asks for its data, so the class must be refused first.
build = getenv('MEXSETS_BUILD');
assert(~isempty(build), 'MEXSETS_BUILD must name the build folder');
folders = {fullfile(build, 'octave'), fullfile(build, 'octave-mex')};
extensions = {'.oct', '.mex'};
built = function_list(fullfile(build, 'functions.txt'));

% Replacements of an input x: classes, sparse and complex storage, shapes,
% and values (sparse rows whose first stored element is not their first).
replacements = {@single, @int32, @(x) @sin, @(x) logical(x ~= 0), @sparse, @(x) complex(x, 1), ...
                @complex, @(x) {x}, @(x) struct('a', x), @(x) char(x + 48), ...
                @(x) cat(3, x, x), @(x) zeros(2, 0, 3), @(x) [], @(x) x(:, []), ...
                @(x) sparse([0 x(1)]), @(x) sparse([0 x(1) + 2i]), ...
                @(x) sparse([0 x(1)] ~= 0), @(x) 1:3, @(x) x', @(x) x + 0.5, @(x) -x, ...
                @(x) NaN(size(x)), @(x) 1e10 * x, @(x) int64(2^62) + 0 * int64(x)};

rand('twister', 7);
cases = {};  % {name, inputs, nargout}
for k = 1:numel(built)
  name = built{k};
  calls = examples(name);  % an error for a function without examples
  for e = 2:numel(calls)
    cases(end + 1, :) = {name, calls(e).inputs, calls(e).nargout};
  end
  call = calls(1).inputs;
  n = calls(1).nargout;
  cases(end + 1, :) = {name, call, n};
  cases(end + 1, :) = {name, call, 0};
  cases(end + 1, :) = {name, call, n + 1};
  cases(end + 1, :) = {name, call(1:end - 1), 1};
  cases(end + 1, :) = {name, [call {1}], 1};
  for j = 1:numel(call)
    for r = 1:numel(replacements)
      changed = call;
      changed{j} = replacements{r}(call{j});
      cases(end + 1, :) = {name, changed, n};
    end
  end
  % Random inputs drawn from the values of the valid call (and 0), some at a
  % larger size, one or all inputs at a time.
  for round = 1:40
    changed = call;
    for j = unique(randi(numel(call), 1, randi(2) * 2 - 1))
      x = call{j};
      values = [unique(x(:)); 0];
      m = size(x, 1); n = size(x, 2);
      if rand() < 0.3 && numel(x) > 1
        m = m * randi(20); n = n * randi(3);
      end
      changed{j} = reshape(values(randi(numel(values), m * n, 1)), m, n);
    end
    cases(end + 1, :) = {name, changed, calls(1).nargout};
  end
end
if ismember('nondominated', built)
  cases(end + 1, :) = {'nondominated', {}, 1};  % the synopsis
  cases(end + 1, :) = {'nondominated', {}, 0};
end

% Each case in each folder: the outputs (or what the call printed when it asked
% for none), or the error.
results = cell(rows(cases), 2);
for f = 1:2
  addpath(folders{f});
  for k = 1:numel(built)
    [~, ~, found] = fileparts(which(built{k}));
    assert(strcmp(found, extensions{f}), '%s resolves to "%s" with %s on the path', ...
           built{k}, which(built{k}), folders{f});
  end
  for c = 1:rows(cases)
    [name, inputs, count] = cases{c, :};
    try
      out = cell(1, count);
      % What the call prints (the synopsis; ans when it asks for no output)
      % is part of its result.
      if count == 0
        printed = evalc('feval(name, inputs{:})');
      else
        printed = evalc('[out{:}] = feval(name, inputs{:});');
      end
      results{c, f} = {'', [out {printed}]};
    catch err
      results{c, f} = {err.identifier, err.message};
    end
  end
  rmpath(folders{f});
end

% Same bits: class, size and every byte, in cells element by element. An
% output that a call asked for but did not get (the synopsis gives only the
% first) is undefined.
function same = same_bits(a, b)
  if ~exist('a', 'var') || ~exist('b', 'var')
    same = ~exist('a', 'var') && ~exist('b', 'var');
    return;
  end
  same = strcmp(class(a), class(b)) && isequal(size(a), size(b));
  if ~same
    return;
  elseif iscell(a)
    same = all(cellfun(@same_bits, a(:), b(:)));
  elseif ischar(a) || islogical(a)
    same = isequal(a, b);
  else
    same = isequal(typecast(a(:), 'uint8'), typecast(b(:), 'uint8'));
  end
end

% An outputTooLarge message without what differs by design: the copies the
% host holds, and the memory the machine had at that moment.
function message = without_copies(message)
  message = regexprep(message, ' \(\d+ with the 2 copies this host holds at once\)', '');
  message = regexprep(message, 'has \d+ bytes available', 'has N bytes available');
end

function text = describe(result)
  if isempty(result{1})
    text = 'succeeds';
  else
    text = sprintf('%s "%s"', result{1}, result{2});
  end
end

differences = {};
failed = 0;
for c = 1:rows(cases)
  [oct, mex] = results{c, :};
  failed = failed + ~isempty(oct{1});
  if ~strcmp(oct{1}, mex{1}) || (isempty(oct{1}) && ~same_bits(oct{2}, mex{2})) ...
      || (~isempty(oct{1}) && ~strcmp(without_copies(oct{2}), without_copies(mex{2})))
    what = sprintf('oct %s; mex %s', describe(oct), describe(mex));
    if isempty(oct{1}) && isempty(mex{1})
      what = 'the outputs differ';
    end
    differences{end + 1} = sprintf('case %d, %s with %d inputs, %d outputs: %s', c, ...
                                   cases{c, 1}, numel(cases{c, 2}), cases{c, 3}, what);
  end
end
assert(isempty(differences), '%d of %d calls differ:\n%s', numel(differences), rows(cases), ...
       strjoin(differences(1:min(end, 20)), "\n"));
% Both kinds of outcome are covered, for every function.
for k = 1:numel(built)
  mine = strcmp(cases(:, 1), built{k});
  outcomes = cellfun(@(r) isempty(r{1}), results(mine, 1));
  assert(any(outcomes) && ~all(outcomes), '%s: %d of %d calls succeed', built{k}, ...
         nnz(outcomes), numel(outcomes));
end

% The difference by design: an oct-file result is held once, a MEX result
% twice, so a limit between the two lets only the oct-file through. A result
% that the limit allows but the machine cannot give is outOfMemory in both.
if all(ismember({'tree_occurrence_masks', 'boundary_sums'}, built))
  errors = cell(2, 2);
  for f = 1:2
    addpath(folders{f});
    setenv('MEXSETS_MEMORY_LIMIT', '20');
    try
      tree_occurrence_masks([1 1 2; 3 3 2], [1 2 4; 4 3 0], [4 0; 3 1]);
      errors{f, 1} = '';
    catch err
      errors{f, 1} = err.message;
    end
    setenv('MEXSETS_MEMORY_LIMIT', '18446744073709551615');
    try
      boundary_sums(1e9, [1 0], [2 1], [5 7], [0 5 0; 7 0 5; 0 7 0], [0 1 0; 2 0 3; 0 4 0]);
    catch err
      errors{f, 2} = err;
    end
    unsetenv('MEXSETS_MEMORY_LIMIT');
    rmpath(folders{f});
  end
  assert(isempty(errors{1, 1}), 'the oct-file refuses 12 bytes under a limit of 20: %s', ...
         errors{1, 1});
  assert(~isempty(strfind(errors{2, 1}, '(24 with the 2 copies this host holds at once)')), ...
         'the MEX file: %s', errors{2, 1});
  for f = 1:2
    assert(strcmp(errors{f, 2}.identifier, 'mexsets:boundary_sums:outOfMemory') && ...
           strcmp(errors{f, 2}.message, 'boundary_sums: Out of memory'), '%s: %s (%s)', ...
           folders{f}, errors{f, 2}.message, errors{f, 2}.identifier);
  end
end
printf('%d calls (%d of them errors) agree in both folders\n', rows(cases), failed);
