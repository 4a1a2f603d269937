function [problems, summary, reasons] = help_structure_problems(name, text, modules)
  % Checks the layout of help TEXT (as get_help_text returns it) for the
  % function NAME, one of the cellstr MODULES, and returns one message per
  % problem, the H1 summary and the error reasons the Errors section lists.
  %
  % Expected: an H1 line "NAME Summary." with NAME in upper case; a usage
  % line calling NAME(...); a section headed "Errors (identifier
  % mexsets:<name>:<reason>):" whose lines, up to the next blank line, each
  % read "reason  description"; an "Example:" line; a "See also" line naming
  % upper-case functions of MODULES or that exist, at least one from MODULES.
  problems = {};
  summary = '';
  reasons = {};
  lines = regexp(text, '\r?\n', 'split');
  upper_name = upper(name);

  h1 = regexp(lines{1}, '^(\S+) (\S.*\.)$', 'tokens', 'once');
  if isempty(h1) || ~strcmp(h1{1}, upper_name)
    problems{end + 1} = sprintf('%s: H1 line "%s" is not "%s Summary."', name, lines{1}, ...
                                upper_name);
  else
    summary = h1{2};
  end
  if ~any(~cellfun(@isempty, strfind(lines(2:end), [upper_name '('])))
    problems{end + 1} = sprintf('%s: no usage line calling %s(...)', name, upper_name);
  end

  header = sprintf('Errors (identifier mexsets:%s:<reason>):', name);
  at = find(strcmp(strtrim(lines), header), 1);
  if isempty(at)
    problems{end + 1} = sprintf('%s: no line "%s"', name, header);
  else
    for k = at + 1:numel(lines)
      if isempty(strtrim(lines{k}))
        break;
      end
      entry = regexp(lines{k}, '^\s+([a-z][A-Za-z0-9]*)\s\s+\S', 'tokens', 'once');
      if isempty(entry)
        problems{end + 1} = sprintf('%s: Errors line "%s" is not "reason  description"', ...
                                    name, strtrim(lines{k}));
      elseif any(strcmp(reasons, entry{1}))
        problems{end + 1} = sprintf('%s: reason %s listed twice', name, entry{1});
      else
        reasons{end + 1} = entry{1};
      end
    end
    if isempty(reasons)
      problems{end + 1} = sprintf('%s: the Errors section lists no reason', name);
    end
  end

  if ~any(~cellfun(@isempty, regexp(lines, '^\s*Examples?:\s*$')))
    problems{end + 1} = sprintf('%s: no "Example:" line', name);
  end

  see = regexp(text, '(?m)^\s*See also (.*)\.\s*$', 'tokens', 'once');
  if isempty(see)
    problems{end + 1} = sprintf('%s: no "See also NAME, ..." line', name);
  else
    related = strtrim(strsplit(see{1}, ','));
    for k = 1:numel(related)
      if isempty(regexp(related{k}, '^[A-Z][A-Z0-9_]*$', 'once'))
        problems{end + 1} = sprintf('%s: See also names "%s", not an upper-case name', ...
                                    name, related{k});
      elseif ~ismember(lower(related{k}), modules) && ~any(exist(lower(related{k})) == [2 3 5])
        problems{end + 1} = sprintf('%s: See also names %s, which does not exist', ...
                                    name, related{k});
      elseif strcmpi(related{k}, name)
        problems{end + 1} = sprintf('%s: See also names the function itself', name);
      end
    end
    if ~any(ismember(lower(related), modules))
      problems{end + 1} = sprintf('%s: See also names no mexsets function', name);
    end
  end
end
