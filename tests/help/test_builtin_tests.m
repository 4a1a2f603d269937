% `test <name>` and `demo <name>` for every function this build has (all of
% modules/functions.txt, or MEXSETS_BUILD/functions.txt): the blocks at the
% end of each help file pass, from the copy beside its MEX file, and `help`
% does not show them. The checker itself reports a failing block, a file
% without blocks, a failing demo and blocks that the help shows.
root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
built = function_list(fullfile(root, 'modules', 'functions.txt'));
if ~isempty(getenv('MEXSETS_BUILD'))
  built = function_list(fullfile(getenv('MEXSETS_BUILD'), 'functions.txt'));
end
module_dir = fileparts(which(built{1}));
assert(~isempty(module_dir), '%s is not on the path', built{1});

%% The checker, on small help files of its own.
fake_dir = tempname();
mkdir(fake_dir);
cleanup = onCleanup(@() system(['rm -rf ' fake_dir]));
cases = {'%!test\n%! assert (1 + 1, 3);\n%!demo\n%! x = 1\n', '1 of 1 blocks';
         '%!demo\n%! x = 1\n', 'no %!test or %!error block';
         '%!test\n%! assert (true);\n', 'no %!demo block';
         '%!test\n%! assert (true);\n%!demo\n%! no_such_function_in_mexsets (1)\n', ...
         'demo 1 fails';
         '%!test\n%! assert (true);\n%!demo\n%! x = 1\n', 'shows the test blocks'};
for k = 1:rows(cases)
  fid = fopen(fullfile(fake_dir, sprintf('mexsets_fake_blocks_%d.m', k)), 'w');
  blank = repmat('\n', 1, k < rows(cases));  % the last case: no blank line
  fputs(fid, strrep(['%MEXSETS_FAKE_BLOCKS Help.\n' blank cases{k, 1}], '\n', "\n"));
  fclose(fid);
end
addpath(fake_dir);
for k = 1:rows(cases)
  name = sprintf('mexsets_fake_blocks_%d', k);
  try
    run_builtin_tests(name, fake_dir);
    error('run_builtin_tests passes case %d', k);
  catch err
    assert(~isempty(strfind(err.message, cases{k, 2})), 'case %d: "%s" lacks "%s"', ...
           k, err.message, cases{k, 2});
  end
end

%% Every function.
failures = {};
for k = 1:numel(built)
  try
    printf('%s\n', run_builtin_tests(built{k}, module_dir));
  catch err
    failures{end + 1} = err.message;
  end
end
if ~isempty(failures)
  error('%d functions fail their own tests:\n%s', numel(failures), strjoin(failures, "\n"));
end
