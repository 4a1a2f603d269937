% The user help of every function as built (the shared sections of help/
% put in): its layout, an Errors section, an Example whose checks hold when it
% runs, and the toolbox index Contents.m agreeing with the H1 lines.
% Every problem found is reported, then the test fails.
help_dir = fileparts(mfilename('fullpath'));
addpath(help_dir);
root = fileparts(fileparts(help_dir));
nl = sprintf('\n');
as_text = @(lines) [strjoin(lines, nl) nl];
has = @(problems, part) any(~cellfun(@isempty, strfind(problems, part)));

% The functions: the one list, modules/functions.txt; the help of those that
% this build has (MEXSETS_BUILD/functions.txt, all of them without it) is
% checked, and the index must name every listed one.
modules = function_list(fullfile(root, 'modules', 'functions.txt'));
built = modules;
if ~isempty(getenv('MEXSETS_BUILD'))
  built = function_list(fullfile(getenv('MEXSETS_BUILD'), 'functions.txt'));
end
module_dir = fileparts(which(built{1}));
assert(~isempty(module_dir), '%s is not on the path', built{1});

%% The checker itself: a correct example passes; wrong checks, failing code,
%% a missing check and a broken layout are all reported.
good = {'FAKE Synthetic help.', '   Y = FAKE(X) does nothing.', '', ...
        '   Errors (identifier mexsets:fake:<reason>):', ...
        '     nargin                 not one input', '', '   Example:', ...
        '     x = 1 + 1;', '     % x = 2', '     % (prose: x = 3 is no check)', ...
        '     v = [1; ...  % continued', '          2];', '     % v = [1; 2]', ...
        '     c = {uint32(7)};', '     % c{1} = uint32(7)', '', ...
        '   See also SCORE_SUBSETS, SORT.'};
[p, checks, code] = help_example_problems('fake', as_text(good));
assert(isempty(p), 'a correct example is reported: %s', strjoin(p, '; '));
assert(checks == 3, 'the correct example counts %d checks, expected 3', checks);
assert(numel(code) == 3 && strcmp(code{2}, 'v = [1;  2];'), 'code lines: %s', ...
       strjoin(code, ' | '));
[p, summary, reasons] = help_structure_problems('fake', as_text(good), {'score_subsets'});
assert(isempty(p), 'a correct layout is reported: %s', strjoin(p, '; '));
assert(strcmp(summary, 'Synthetic help.') && isequal(reasons, {'nargin'}), 'summary or reasons');

wrong = good;
wrong{9} = '     % x = 3';
p = help_example_problems('fake', as_text(wrong));
assert(numel(p) == 1 && has(p, 'fake: check "x = 3" fails: x is 2'), 'wrong value: %s', ...
       strjoin(p, '; '));
wrong = good;
wrong{15} = '     % c{1} = 7';
p = help_example_problems('fake', as_text(wrong));
assert(has(p, 'c{1} is uint32(7)'), 'wrong class passes: %s', strjoin(p, '; '));
wrong = good;
wrong{13} = '     % v = [1 2]';
p = help_example_problems('fake', as_text(wrong));
assert(has(p, 'v is [1;2]'), 'wrong size passes: %s', strjoin(p, '; '));
wrong = good;
wrong{9} = '     % x = 2, and v comes next';
p = help_example_problems('fake', as_text(wrong));
assert(has(p, 'cannot evaluate 2, and v comes next'), 'bad check: %s', strjoin(p, '; '));
wrong = good;
wrong{8} = '     x = no_such_function_in_mexsets(1);';
p = help_example_problems('fake', as_text(wrong));
assert(has(p, 'example code "x = no_such_function_in_mexsets(1);" fails'), ...
       'failing code: %s', strjoin(p, '; '));
p = help_example_problems('fake', as_text(good([1:8 10:12 14 16:end])));
assert(has(p, 'no check line'), 'an example without checks passes');
p = help_example_problems('fake', as_text(good([1:6 16:end])));
assert(has(p, 'no "Example:" line'), 'a help without an example passes');
p = help_example_problems('fake', as_text(good(1:15)));
assert(has(p, 'no "See also" line'), 'an example without an end passes');
wrong = good;
wrong([1 4 5 17]) = {'Fake Synthetic help', '   Errors:', '     nargin', ...
                     '   See also fake, NO_SUCH_FUNCTION_IN_MEXSETS.'};
p = help_structure_problems('fake', as_text(wrong), {'score_subsets'});
for part = {'H1 line', 'no line "Errors (identifier', 'not an upper-case name', ...
            'NO_SUCH_FUNCTION_IN_MEXSETS, which does not exist', 'names no mexsets function'}
  assert(has(p, part{1}), 'a broken layout passes: "%s" not in %s', part{1}, strjoin(p, '; '));
end

%% Every function's help.
failures = {};
summaries = struct();
total_checks = 0;
for k = 1:numel(built)
  name = built{k};
  text = get_help_text(name);
  [p, summaries.(name)] = help_structure_problems(name, text, modules);
  failures = [failures p];

  [p, checks, code] = help_example_problems(name, text);
  failures = [failures p];
  total_checks = total_checks + checks;
  if ~any(~cellfun(@isempty, strfind(code, [name '('])))
    failures{end + 1} = sprintf('%s: the example never calls %s', name, name);
  end

  % The help as built holds comments only, in 80 columns, with every marker
  % replaced; it holds the lines of modules/NAME/NAME.m in their order (the
  % shared sections of help/octave between them), so it is current.
  built_file = fullfile(module_dir, [name '.m']);
  file_lines = regexp(fileread(built_file), '\r?\n', 'split');
  for j = find(~cellfun(@isempty, file_lines))
    if file_lines{j}(1) ~= '%'
      failures{end + 1} = sprintf('%s line %d is not a comment', built_file, j);
    end
    if numel(file_lines{j}) > 80
      failures{end + 1} = sprintf('%s line %d is longer than 80 columns', built_file, j);
    end
    if ~isempty(regexp(file_lines{j}, '^[%\s]*@include ', 'once'))
      failures{end + 1} = sprintf('%s line %d keeps a marker', built_file, j);
    end
  end
  source_file = fullfile(root, 'modules', name, [name '.m']);
  at = 0;
  for line = regexp(fileread(source_file), '\r?\n', 'split')
    if isempty(regexp(line{1}, '^[%\s]*@include ', 'once'))
      found = find(strcmp(file_lines(at + 1:end), line{1}), 1);
      if isempty(found)
        failures{end + 1} = sprintf(['%s: "%s" of %s is not in its order in %s (cmake ' ...
                                     '--build build --target octave_modules)'], name, ...
                                    line{1}, source_file, built_file);
        break;
      end
      at = at + found;
    end
  end
end

%% The toolbox index: exactly the functions and the demos (demo/*.m), each
%% with its H1 summary, and shown by help of the module folder.
index_file = fullfile(root, 'modules', 'Contents.m');
index = fileread(index_file);
entries = regexp(index, '(?m)^%\s+(\w+)\s+-\s+(.*?)\s*$', 'tokens');
names = cellfun(@(t) t{1}, entries, 'UniformOutput', false);
demos = dir(fullfile(root, 'demo', '*.m'));
demos = regexprep({demos.name}, '\.m$', '');
for k = 1:numel(demos)
  summaries.(demos{k}) = regexp(fileread(fullfile(root, 'demo', [demos{k} '.m'])), ...
                                '(?m)^%[A-Z_0-9]+ +(.*?)\s*$', 'tokens', 'once'){1};
end
if ~isequal(sort(names), sort([modules demos]))
  failures{end + 1} = sprintf('Contents.m lists {%s}, the modules and demos are {%s}', ...
                              strjoin(names, ', '), strjoin([modules demos], ', '));
end
for k = 1:numel(entries)
  [name, line_text] = deal(entries{k}{:});
  if isfield(summaries, name) && ~strcmp(line_text, summaries.(name))
    failures{end + 1} = sprintf('Contents.m says "%s - %s", the H1 line of %s "%s"', ...
                                name, line_text, name, summaries.(name));
  end
end
if ~strcmp(index, fileread(fullfile(module_dir, 'Contents.m')))
  failures{end + 1} = sprintf('%s differs from %s', fullfile(module_dir, 'Contents.m'), ...
                              index_file);
end
shown = evalc('help(module_dir)');
heading = regexp(index, '^%\s*([^\n]*)', 'tokens', 'once');
expected_parts = [heading cellfun(@(t) [t{1} ' '], entries, 'UniformOutput', false)];
for j = 1:numel(expected_parts)
  if isempty(strfind(shown, expected_parts{j}))
    failures{end + 1} = sprintf('help of %s does not show "%s"', module_dir, expected_parts{j});
  end
end

if ~isempty(failures)
  error('%d problems in the help:\n  %s', numel(failures), strjoin(failures, [nl '  ']));
end
printf('help of %d functions, %d example checks hold\n', numel(built), total_checks);
