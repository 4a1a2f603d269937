function summary = run_builtin_tests(name, folder)
  % Runs what `test NAME` and `demo NAME` run: the %!test, %!error and
  % %!demo blocks at the end of NAME's help file, which must be FOLDER/NAME.m
  % (the copy beside the MEX file being checked). Raises an error naming the
  % failed blocks, when the file has no test or no demo block, or when `help
  % NAME` shows the blocks (no blank line before them). Returns a
  % short summary, e.g. "score_subsets: 5 blocks, 1 demo".
  found = file_in_loadpath([name '.m']);
  expected = fullfile(folder, [name '.m']);
  if isempty(found) || ~strcmp(canonicalize_file_name(found), canonicalize_file_name(expected))
    error('%s: test would read "%s", not %s', name, found, expected);
  end
  if ~isempty(regexp(get_help_text(name), '^\s*!', 'once', 'lineanchors'))
    error('%s: help %s shows the test blocks (a blank line must come before them)', ...
          name, name);
  end
  log = [tempname() '.log'];
  cleanup = onCleanup(@() delete_if_there(log));
  [passed, total] = test(name, 'quiet', log);
  if total == 0
    error('%s: %s has no %%!test or %%!error block', name, expected);
  end
  if passed < total
    error('%s: %d of %d blocks of %s fail:\n%s', name, total - passed, total, ...
          expected, fileread(log));
  end
  [~, starts] = test(name, 'grabdemo');
  demos = numel(starts) - 1;
  if demos < 1
    error('%s: %s has no %%!demo block', name, expected);
  end
  for k = 1:demos
    shown = evalc('demo(name, k)');
    if ~isempty(strfind(shown, sprintf('%s example %d: failed', name, k)))
      error('%s: demo %d fails:\n%s', name, k, shown);
    end
  end
  summary = sprintf('%s: %d blocks, %d demo', name, total, demos);
end

function delete_if_there(file)
  if exist(file, 'file')
    delete(file);
  end
end
