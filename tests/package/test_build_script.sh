#!/usr/bin/env bash
# Runs the MATLAB/Octave build script build.m in octave-cli: its option errors,
# a verbose build of one function (flags, folder contents), then a build of
# every function of modules/functions.txt into a temporary folder: exactly
# their MEX files and help (the same as help/expand_help.py writes) and the
# index, checked by check_mexsets.m.
# Exits non-zero at the first failure.
# Usage: bash test_build_script.sh ROOT [BUILD]
set -euo pipefail
root=$(cd "$1" && pwd)
here=$root/tests/package
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The help as help/expand_help.py (the other builds' expander) writes it.
source "$root/tools/project.sh"
for m in $(mexsets_modules "$root"); do
  python3 "$root/help/expand_help.py" "$root/modules/$m/$m.m" "$tmp/help/$m.m"
done

octave-cli --norc --quiet --no-window-system --eval "
  addpath('$root');
  addpath('$here');
  addpath('$root/tests/octave');
  tmp = '$tmp';
  names = function_list('$root/modules/functions.txt');

  help_text = evalc('help build');
  if isempty(strfind(help_text, 'Compile the mexsets functions with MEX')) ...
      || isempty(strfind(help_text, 'addpath'))
    error('help build does not show its H1 line and usage:\n%s', help_text);
  end

  % Wrong options are refused before anything is compiled.
  bad = {{[tmp '/x'], 'Bogus', 1}, 'mexsets:build:badOption';
         {[tmp '/x'], 'Modules'}, 'mexsets:build:badOption';
         {[tmp '/x'], 'Modules', {'no_such_function'}}, 'mexsets:build:badOption';
         {[tmp '/x'], 'BoostRoot', [tmp '/nowhere']}, 'mexsets:build:noBoost';
         {42}, 'mexsets:build:badOutdir'};
  for k = 1:rows(bad)
    try
      build(bad{k, 1}{:});
      error('build accepted bad arguments %d', k);
    catch err
      if ~strcmp(err.identifier, bad{k, 2})
        error('bad arguments %d: got \"%s\" (%s), expected %s', k, ...
              err.identifier, err.message, bad{k, 2});
      end
    end
  end
  if ~isempty(dir([tmp '/x/*.mex']))
    error('build compiled something for bad arguments');
  end

  % One function, verbose, Boost from a given prefix: the flags of the CMake
  % build, CXXFLAGS given back afterwards, only that function and the index.
  setenv('CXXFLAGS', 'callers-own-flags');
  log = evalc('build([tmp ''/one''], ''Modules'', {''score_subsets''}, ''BoostRoot'', ''/usr'', ''Verbose'', true)');
  if ~strcmp(getenv('CXXFLAGS'), 'callers-own-flags')
    error('build left CXXFLAGS as \"%s\"', getenv('CXXFLAGS'));
  end
  for flag = {'-O2', '-std=c++17', '-Wall', ['-I' '$root/include'], ...
              ['-I' '$root/modules/score_subsets'], '-I/usr/include'}
    if isempty(strfind(log, flag{1}))
      error('the compiler command lacks %s:\n%s', flag{1}, log);
    end
  end
  if isempty(strfind(log, ['addpath(''' tmp '/one'')']))
    error('build does not say how to addpath its folder:\n%s', log);
  end
  made = sort({dir([tmp '/one']).name});
  expected = sort({'.', '..', 'Contents.m', 'mexsets_demo.m', 'private', 'score_subsets.m', ...
                   ['score_subsets.' mexext()]});
  if ~isequal(made, expected)
    error('build of one function made: %s', strjoin(made, ' '));
  end

  % Everything, then every function checked from that folder.
  build([tmp '/all']);
  made = sort({dir([tmp '/all']).name});
  expected = sort([{'.', '..', 'Contents.m', 'mexsets_demo.m', 'private'}, strcat(names, '.m'), ...
                   strcat(names, ['.' mexext()])]);
  if ~isequal(made, expected)
    error('build of every function made: %s', strjoin(made, ' '));
  end
  for k = 1:numel(names)
    if ~strcmp(fileread([tmp '/all/' names{k} '.m']), fileread([tmp '/help/' names{k} '.m']))
      error('build.m and help/expand_help.py write different help for %s', names{k});
    end
  end
  addpath([tmp '/all']);
  check_mexsets([tmp '/all'], names, mexext());
  clear mex;
" 2> >(grep -v 'ignoring const execution_exception' >&2) || { echo "FAIL test_build_script" >&2; exit 1; }
echo "PASS test_build_script"
