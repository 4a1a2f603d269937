function [problems, checks, code] = help_example_problems(name, text)
  % Runs the Example block of help TEXT (as get_help_text returns it, the
  % leading '%' of each line removed) and returns one message per problem
  % found, naming NAME, the number of checks evaluated and the code lines.
  %
  % The block starts after the line "Example:" (or "Examples:") and ends at
  % the "See also" line. In it, a line not starting with '%' is code (a line
  % ending in "..." continues on the next); a comment line "% LHS = RHS" whose
  % LHS is a variable, indexed or not, is a check: after the code above it,
  % LHS must equal RHS in class, size and value (NaN equal to NaN). Other
  % comment lines are prose. The code runs in a workspace of its own.
  checks = 0;
  [steps, problems] = example_steps(name, text);
  code = {steps(strcmp({steps.kind}, 'code')).text};
  if ~isempty(problems)
    return;
  end
  if ~any(strcmp({steps.kind}, 'check'))
    problems{end + 1} = sprintf('%s: the example has no check line', name);
    return;
  end
  if isempty(code)
    problems{end + 1} = sprintf('%s: the example has no code line', name);
    return;
  end
  [problems, checks] = run_example(name, steps);
end

function [steps, problems] = example_steps(name, text)
  steps = struct('kind', {}, 'text', {}, 'lhs', {}, 'rhs', {});
  problems = {};
  lines = regexp(text, '\r?\n', 'split');
  first = find(~cellfun(@isempty, regexp(lines, '^\s*Examples?:\s*$')), 1);
  if isempty(first)
    problems{end + 1} = sprintf('%s: no "Example:" line', name);
    return;
  end
  last = first + find(~cellfun(@isempty, regexp(lines(first + 1:end), '^\s*See also\>')), 1);
  if isempty(last)
    problems{end + 1} = sprintf('%s: no "See also" line after the example', name);
    return;
  end
  pending = '';  % code continued with "..."
  for k = first + 1:last - 1
    line = strtrim(lines{k});
    if isempty(line)
      continue;
    end
    if line(1) ~= '%'
      continued = regexp(line, '^(.*?)\.\.\.(\s*%.*)?$', 'tokens', 'once');
      if ~isempty(continued)
        pending = [pending continued{1} ' '];
        continue;
      end
      steps(end + 1) = struct('kind', 'code', 'text', [pending line], 'lhs', '', 'rhs', '');
      pending = '';
      continue;
    end
    if ~isempty(pending)
      problems{end + 1} = sprintf('%s: code continued with "..." runs into "%s"', name, line);
      return;
    end
    comment = strtrim(line(2:end));
    parts = regexp(comment, '^([^=<>~]*?)\s*=(?!=)\s*(.*)$', 'tokens', 'once');
    if ~isempty(parts) && ~isempty(regexp(parts{1}, '^[A-Za-z]\w*(\(.*\)|\{.*\})?$', 'once'))
      steps(end + 1) = struct('kind', 'check', 'text', comment, 'lhs', parts{1}, 'rhs', parts{2});
    end
  end
  if ~isempty(pending)
    problems{end + 1} = sprintf('%s: the example ends inside code continued with "..."', name);
  end
end

% Evaluates the steps in this function's own workspace; its variables are
% named hx__* so that the example's variables cannot clash with them.
function [hx__problems, hx__checks] = run_example(hx__name, hx__steps)
  hx__problems = {};
  hx__checks = 0;
  for hx__k = 1:numel(hx__steps)
    hx__step = hx__steps(hx__k);
    if strcmp(hx__step.kind, 'code')
      try
        evalc(hx__step.text);
      catch hx__err
        hx__problems{end + 1} = sprintf('%s: example code "%s" fails: %s', hx__name, ...
                                        hx__step.text, hx__err.message);
        return;
      end
      continue;
    end
    hx__checks = hx__checks + 1;
    try
      hx__actual = eval(hx__step.lhs);
    catch hx__err
      hx__problems{end + 1} = sprintf('%s: check "%s": cannot evaluate %s: %s', hx__name, ...
                                      hx__step.text, hx__step.lhs, hx__err.message);
      continue;
    end
    try
      hx__expected = eval(hx__step.rhs);
    catch hx__err
      hx__problems{end + 1} = sprintf('%s: check "%s": cannot evaluate %s: %s', hx__name, ...
                                      hx__step.text, hx__step.rhs, hx__err.message);
      continue;
    end
    if ~same_value(hx__actual, hx__expected)
      hx__problems{end + 1} = sprintf('%s: check "%s" fails: %s is %s', hx__name, ...
                                      hx__step.text, hx__step.lhs, value_text(hx__actual));
    end
  end
end

function same = same_value(a, b)
  same = strcmp(class(a), class(b)) && isequal(size(a), size(b));
  if ~same
    return;
  end
  if iscell(a)
    for k = 1:numel(a)
      if ~same_value(a{k}, b{k})
        same = false;
        return;
      end
    end
  else
    same = isequaln(a, b);
  end
end

function text = value_text(x)
  if (isnumeric(x) || islogical(x) || ischar(x)) && ndims(x) == 2
    if isa(x, 'double') || islogical(x) || ischar(x)
      text = mat2str(x, 17);
    else
      text = mat2str(x, 17, 'class');
    end
    if islogical(x) && isscalar(x)
      text = ['logical ' text];
    end
  elseif iscell(x)
    parts = cellfun(@value_text, x, 'UniformOutput', false);
    text = sprintf('%s cell {%s}', mat2str(size(x)), strjoin(parts(:).', ', '));
  else
    text = sprintf('%s %s: %s', mat2str(size(x)), class(x), strtrim(evalc('disp(x)')));
  end
end
