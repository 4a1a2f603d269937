function build(outdir, varargin)
%BUILD Compile the mexsets functions with MEX and put them, with their help, in one folder.
%   BUILD compiles every mexsets function (the list modules/functions.txt)
%   with MEX into <root>/build/matlab, <root> being the folder of this file,
%   and writes each function's help file (with the shared sections of
%   <root>/help put in) and copies the toolbox index Contents.m beside the
%   compiled files. Each function is its MEX gateway
%   <name>_mex.cpp and its computation, the other .cpp files of its folder
%   (its Python binding <name>_python.cpp and its Octave gateway
%   <name>_oct.cpp are left out). Then
%       addpath('<root>/build/matlab')
%   makes the functions and their help available (savepath keeps the path for
%   later sessions).
%
%   BUILD(OUTDIR) puts everything into OUTDIR instead (created when missing).
%
%   BUILD(OUTDIR, NAME, VALUE, ...) takes these options:
%     'BoostRoot'  folder holding the Boost headers, as boost/multi_array.hpp
%                  or include/boost/multi_array.hpp below it. Default: the
%                  environment variable BOOST_ROOT when it is set; without
%                  either, the compiler's own include path is searched.
%     'Modules'    cell array of the function names to build (default: all).
%     'Verbose'    true to show the compiler commands (default false).
%   Pass [] as OUTDIR to keep the default folder.
%
%   From MATLAB (R2018a or newer), with a C++17 compiler chosen by
%   mex -setup C++ (GCC 8, Clang 7, Visual Studio 2017 or newer) and the
%   Boost headers at hand (Linux: the libboost-dev package or the like; macOS
%   and Windows: unpack a Boost release anywhere, nothing needs compiling)
%   and oneTBB where the compiler finds it (Linux: libtbb-dev):
%       cd /path/to/mexsets
%       build([], 'BoostRoot', '/path/to/boost_1_83_0')
%       addpath(fullfile(pwd, 'build', 'matlab'))
%   The modules are built with -R2018a (the interleaved complex API) and
%   optimisation on, in C++17, and linked with MATLAB's libut (-lut), through
%   which Ctrl-C stops a long call.
%
%   In GNU Octave, BUILD does the same with mkoctfile --mex (CXXFLAGS
%   -O2 -std=c++17 and the CMake build's warnings -Wall -Wextra -Wconversion),
%   making .mex files. The Octave package (tools/package.sh, then pkg
%   install) and cmake --install are the other ways to install mexsets.
%
%   Example:
%     build('/tmp/mexsets');          % compile every function
%     addpath('/tmp/mexsets');
%     [a, b] = score_subsets([10 20 30], [1 2 3], [3 1 0 2])   % a = 40, b = 4
%
%   See also MEX, ADDPATH, SAVEPATH.

root = fileparts(mfilename('fullpath'));
if nargin < 1 || isempty(outdir)
  outdir = fullfile(root, 'build', 'matlab');
end
if ~ischar(outdir)
  error('mexsets:build:badOutdir', 'build: OUTDIR must be a folder name (char)');
end
options = read_options(varargin, root);
on_octave = exist('OCTAVE_VERSION', 'builtin') ~= 0;

if ~exist(outdir, 'dir')
  [made, message] = mkdir(outdir);
  if ~made
    error('mexsets:build:badOutdir', 'build: cannot create %s: %s', outdir, message);
  end
end
outdir = absolute_folder(outdir);

includes = {['-I' fullfile(root, 'include')], ['-I' root]};
for k = 1:numel(options.boost)
  includes{end + 1} = ['-I' options.boost{k}];
end

if on_octave
  % mkoctfile reads its compiler flags from the environment only.
  saved_flags = getenv('CXXFLAGS');
  restore = onCleanup(@() setenv('CXXFLAGS', saved_flags));
  setenv('CXXFLAGS', '-O2 -std=c++17 -Wall -Wextra -Wconversion');
  % MEX files in Octave read their inputs through Octave's own values
  % (include/mexsets/octave_mex_inputs.cpp; mexsets/mex_host.hpp says why).
  host_flags = {'-DMEXSETS_OCTAVE_MEX', '-ltbb'};
  if options.verbose
    host_flags{end + 1} = '--verbose';
  end
else
  % libut offers utIsInterruptPending, through which Ctrl-C stops a long call.
  % libtbb (oneTBB) holds the pool of threads that every call shares.
  host_flags = [{'-R2018a', '-O', '-outdir', outdir, '-lut', '-ltbb'}, cxx17_flag()];
  if options.verbose
    host_flags{end + 1} = '-v';
  end
end

for k = 1:numel(options.modules)
  name = options.modules{k};
  dir_of = fullfile(root, 'modules', name);
  gateway = fullfile(dir_of, [name '_mex.cpp']);
  sources = dir(fullfile(dir_of, '*.cpp'));
  sources = setdiff(sort({sources.name}), ...
                    {[name '_mex.cpp'], [name '_python.cpp'], [name '_oct.cpp']});
  sources = cellfun(@(file) fullfile(dir_of, file), sources, 'UniformOutput', false);
  % Every function takes every common/*.cpp: the computations that several
  % functions share.
  common = dir(fullfile(root, 'common', '*.cpp'));
  common = cellfun(@(file) fullfile(root, 'common', file), sort({common.name}), ...
                   'UniformOutput', false);
  sources = [sources, common];
  if on_octave
    sources{end + 1} = fullfile(root, 'include', 'mexsets', 'octave_mex_inputs.cpp');
    output = {'-o', fullfile(outdir, [name '.' mexext()])};
  else
    output = {'-output', name};
  end
  fprintf('mexsets: compiling %s\n', name);
  try
    mex(host_flags{:}, includes{:}, ['-I' dir_of], output{:}, gateway, sources{:});
  catch err
    hint = '';
    if isempty(options.boost)
      hint = ' (if boost/multi_array.hpp was not found, pass ''BoostRoot'' or set BOOST_ROOT)';
    end
    error('mexsets:build:compileFailed', 'build: compiling %s failed%s: %s', ...
          name, hint, err.message);
  end
  write_help(root, name, fullfile(outdir, [name '.m']));
end
copy_into(fullfile(root, 'modules', 'Contents.m'), outdir);
% The demo that Contents.m lists, with its private helpers.
copy_into(fullfile(root, 'demo', 'mexsets_demo.m'), outdir);
if ~exist(fullfile(outdir, 'private'), 'dir')
  mkdir(fullfile(outdir, 'private'));
end
helpers = dir(fullfile(root, 'demo', 'private', '*.m'));
for k = 1:numel(helpers)
  copy_into(fullfile(root, 'demo', 'private', helpers(k).name), fullfile(outdir, 'private'));
end

fprintf('mexsets: built %d function(s) into %s\n', numel(options.modules), outdir);
fprintf('mexsets: to use them, run  addpath(''%s'')\n', outdir);
end

function options = read_options(args, root)
% Name/value options, names in any letter case.
options.boost = {};
options.modules = module_list(root);
options.verbose = false;
boost_root = getenv('BOOST_ROOT');
if mod(numel(args), 2) ~= 0
  error('mexsets:build:badOption', 'build: options come in name/value pairs');
end
for k = 1:2:numel(args)
  name = args{k};
  value = args{k + 1};
  if ~ischar(name)
    error('mexsets:build:badOption', 'build: option %d is not a name', (k + 1) / 2);
  end
  switch lower(name)
    case 'boostroot'
      if ~ischar(value)
        error('mexsets:build:badOption', 'build: BoostRoot must be a folder name');
      end
      boost_root = value;
    case 'modules'
      if ischar(value)
        value = {value};
      end
      if ~iscellstr(value) || isempty(value)
        error('mexsets:build:badOption', 'build: Modules must be a cell array of names');
      end
      unknown = setdiff(value, options.modules);
      if ~isempty(unknown)
        error('mexsets:build:badOption', 'build: no function named %s in mexsets', unknown{1});
      end
      options.modules = value(:)';
    case 'verbose'
      options.verbose = logical(value(1));
    otherwise
      error('mexsets:build:badOption', 'build: unknown option ''%s''', name);
  end
end
if ~isempty(boost_root)
  candidates = {fullfile(boost_root, 'include'), boost_root};
  found = cellfun(@(folder) exist(fullfile(folder, 'boost', 'multi_array.hpp'), 'file') == 2, ...
                  candidates);
  if ~any(found)
    error('mexsets:build:noBoost', ...
          'build: no boost/multi_array.hpp in %s or in its include folder', boost_root);
  end
  options.boost = candidates(find(found, 1));
end
end

function names = module_list(root)
% The functions of modules/functions.txt, the one list of them: the lines
% that are a name alone (blank lines and # comments are skipped).
file = fullfile(root, 'modules', 'functions.txt');
if exist(file, 'file') ~= 2
  error('mexsets:build:noModuleList', 'build: no function list %s', file);
end
names = regexp(fileread(file), '^[a-z_]+\r?$', 'match', 'lineanchors');
names = regexprep(names, '\r$', '');
if isempty(names)
  error('mexsets:build:noModuleList', 'build: %s lists no function', file);
end
end

function flag = cxx17_flag()
% MATLAB keeps its own C++ flags; the standard is added to them.
compiler = mex.getCompilerConfigurations('C++', 'Selected');
if ~isempty(compiler) && ~isempty(strfind(lower(compiler(1).Manufacturer), 'microsoft'))
  flag = {'COMPFLAGS=$COMPFLAGS /std:c++17'};
else
  flag = {'CXXFLAGS=$CXXFLAGS -std=c++17'};
end
end

function folder = absolute_folder(folder)
here = pwd();
back = onCleanup(@() cd(here));
cd(folder);
folder = pwd();
end

function write_help(root, name, target)
% The help file modules/NAME/NAME.m as TARGET, with the shared sections put in
% as help/expand_help.py does for the other builds: each marker line
% <prefix>@include <section>[ <argument>] becomes the lines of
% help/octave/<section>.txt, each appended to the prefix (trailing blanks
% dropped), with @NAME@ replaced by NAME and @ARG@ by the argument.
source = fullfile(root, 'modules', name, [name '.m']);
lines = regexp(fileread(source), '\r?\n', 'split');
out = {};
for k = 1:numel(lines)
  marker = regexp(lines{k}, '^([%\s]*)@include ([a-z_]+) ?(.*)$', 'tokens', 'once');
  if isempty(marker)
    out{end + 1} = lines{k};
    continue;
  end
  section = fullfile(root, 'help', 'octave', [marker{2} '.txt']);
  if exist(section, 'file') ~= 2
    error('mexsets:build:noHelpSection', 'build: %s line %d names no section in %s', ...
          source, k, fileparts(section));
  end
  text = strrep(strrep(fileread(section), '@NAME@', name), '@ARG@', marker{3});
  parts = regexp(text, '\r?\n', 'split');
  for j = 1:numel(parts) - 1
    out{end + 1} = regexprep([marker{1} parts{j}], '\s+$', '');
  end
end
[fid, message] = fopen(target, 'w');
if fid < 0
  error('mexsets:build:copyFailed', 'build: cannot write %s: %s', target, message);
end
fwrite(fid, strjoin(out, sprintf('\n')));
fclose(fid);
end

function copy_into(file, outdir)
[copied, message] = copyfile(file, outdir);
if ~copied
  error('mexsets:build:copyFailed', 'build: cannot copy %s to %s: %s', file, outdir, message);
end
end
