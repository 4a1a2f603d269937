% The Octave side of the comparison benchmark. For every workload written by
% mexsets_compare into DIR, times the vectorized Octave code
% (<name>_vectorized), the oct-file and, when MEX_DIR holds it, the MEX file
% on the same inputs, and writes DIR/octave.tsv (workload, vectorized,
% oct-file, MEX file; the MEX column NaN without one).
%
% Every call takes its turn: each round calls every side on every workload,
% one call each, and a time is the best of three rounds (a side that has
% spent two seconds on a workload sits out the later rounds). After the first
% round the process is warm: it has plenty of freed, paged-in heap. With SIDE
% (vectorized, oct or mex) only that side runs, one call per workload: run in
% a new process for one workload, that is the fresh-process time.
% The MEX file is called through a renamed copy, <name>_mex, so that both
% modules of a function are on the path at once.
% Usage: octave-cli compare_octave.m DIR MODULE_DIR BENCH_DIR [MEX_DIR [SIDE]]
% (MEX_DIR defaults to the octave-mex folder beside MODULE_DIR.)
args = argv();
dir = args{1};
addpath(args{2});
bench = args{3};
mex_dir = fullfile(fileparts(canonicalize_file_name(args{2})), 'octave-mex');
if numel(args) > 3
  mex_dir = args{4};
end
sides = {'vectorized', 'oct', 'mex'};
only = '';
if numel(args) > 4
  only = args{5};
  assert(any(strcmp(only, sides)), 'SIDE is vectorized, oct or mex, not %s', only);
end
renamed = tempname();
mkdir(renamed);
addpath(renamed);

% The workloads: inputs and the functions that run them.
workloads = struct('k', {}, 'name', {}, 'inputs', {}, 'functions', {}, 'outputs', {});
list = fopen(fullfile(dir, 'workloads.tsv'));
while true
  line = fgetl(list);
  if ~ischar(line), break; end
  fields = strsplit(line, "\t");
  w.k = fields{1}; w.name = fields{2}; count = str2double(fields{3});
  addpath(fullfile(bench, w.name));
  w.inputs = cell(1, count);
  for j = 1:count
    f = fopen(fullfile(dir, w.k, sprintf('%d.bin', j)));
    dims = fread(f, 2, 'double')';
    w.inputs{j} = reshape(fread(f, prod(dims), 'double'), dims);
    fclose(f);
  end
  w.functions = {[w.name '_vectorized'], w.name, ''};
  mex_file = fullfile(mex_dir, [w.name '.mex']);
  if exist(mex_file, 'file')
    w.functions{3} = [w.name '_mex'];
    copy = fullfile(renamed, [w.functions{3} '.mex']);
    if ~exist(copy, 'file')
      copyfile(mex_file, copy);
    end
  end
  w.outputs = max(1, nargout(w.functions{1}));
  workloads(end + 1) = w;
end
fclose(list);

running = false(numel(workloads), 3);
for i = 1:numel(workloads)
  running(i, :) = ~cellfun(@isempty, workloads(i).functions);
  if ~isempty(only)
    running(i, :) = running(i, :) & strcmp(sides, only);
  end
end
times = NaN(numel(workloads), 3);
times(running) = Inf;
spent = zeros(numel(workloads), 3);
for round = 1:(3 - 2 * ~isempty(only))
  for i = 1:numel(workloads)
    w = workloads(i);
    for s = find(running(i, :) & spent(i, :) <= 2)
      results = cell(1, w.outputs);
      t = tic;
      [results{:}] = feval(w.functions{s}, w.inputs{:});
      elapsed = toc(t);
      times(i, s) = min(times(i, s), elapsed);
      spent(i, s) = spent(i, s) + elapsed;
      clear results;
    end
  end
end

if isempty(only)
  out = fopen(fullfile(dir, 'octave.tsv'), 'w');
  for i = 1:numel(workloads)
    fprintf(out, '%s\t%.9g\t%.9g\t%.9g\n', workloads(i).k, times(i, :));
    fprintf(stderr, '%-3s %-22s vectorized %.4f s, oct %.4f s, mex %.4f s\n', ...
            workloads(i).k, workloads(i).name, times(i, :));
  end
  fclose(out);
else
  for i = 1:numel(workloads)
    fprintf(stderr, '%-3s %-22s %s %.4f s (one call)\n', workloads(i).k, workloads(i).name, ...
            only, times(i, running(i, :)));
  end
end
clear functions;
confirm_recursive_rmdir(false);
rmdir(renamed, 's');
exit(0);
