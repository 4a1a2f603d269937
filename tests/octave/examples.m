function found = examples(name)
  % The examples of NAME, modules/NAME/NAME_examples.txt (the format is
  % described in tests/support/examples.hpp), as a struct array with fields
  % inputs (a cell row), nargout and outputs (a cell row of the expected
  % outputs with their classes); the valid call, the one the tests vary, comes
  % first. A missing or malformed table is an error: every function needs one.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  file = fullfile(root, 'modules', name, [name '_examples.txt']);
  if ~exist(file, 'file')
    error('examples: %s is missing: every function needs its examples', file);
  end
  lines = strsplit(fileread(file), "\n");
  found = struct('inputs', {}, 'nargout', {}, 'outputs', {});
  for k = 1:numel(lines)
    [kind, rest] = strtok(strtrim(lines{k}));
    if isempty(kind) || kind(1) == '#'
      continue;
    elseif strcmp(kind, 'call')
      found(end + 1) = struct('inputs', {{}}, 'nargout', str2double(rest), 'outputs', {{}});
    elseif isempty(found) || ~any(strcmp(kind, {'in', 'out'}))
      error('examples: %s line %d: neither "call N" nor an input or output of one', file, k);
    elseif strcmp(kind, 'in')
      found(end).inputs{end + 1} = value(rest);
    else
      [cls, rest] = strtok(rest);
      if ~any(strcmp(cls, {'double', 'logical', 'uint32'}))
        error('examples: %s line %d: unknown class %s', file, k, cls);
      end
      x = value(rest);
      if iscell(x)
        x = cellfun(@(row) feval(cls, row), x, 'UniformOutput', false);
      else
        x = feval(cls, x);
      end
      found(end).outputs{end + 1} = x;
    end
  end
  if isempty(found) || any(arrayfun(@(e) numel(e.outputs) ~= e.nargout, found))
    error('examples: %s: no example, or one with another number of outputs than it asks for', file);
  end
end

function x = value(text)
  % Only the forms of the format, so that the other readers read the same.
  text = strtrim(text);
  if ~isempty(regexp(text, "^'[^']*'$", 'once'))  % a char row
    x = text(2:end-1);
    return;
  end
  if isempty(regexp(text, '^([-+0-9.eNaInf \[\];,{}()]|zeros|reshape)*$', 'once'))
    error('examples: "%s" is not a value of the format', text);
  end
  x = eval(text);
end
