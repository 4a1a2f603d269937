% The Octave side of the comparison benchmark. For every workload written by
% mexsets_compare into DIR, times the vectorized Octave code
% (<name>_vectorized) and the module itself on the same inputs, best of up to
% three runs, and writes DIR/octave.tsv.
% Usage: octave-cli compare_octave.m DIR MODULE_DIR BENCH_DIR
args = argv();
dir = args{1};
addpath(args{2});
bench = args{3};
list = fopen(fullfile(dir, 'workloads.tsv'));
out = fopen(fullfile(dir, 'octave.tsv'), 'w');
while true
  line = fgetl(list);
  if ~ischar(line), break; end
  fields = strsplit(line, "\t");
  k = fields{1}; name = fields{2}; count = str2double(fields{3});
  addpath(fullfile(bench, name));
  inputs = cell(1, count);
  for j = 1:count
    f = fopen(fullfile(dir, k, sprintf('%d.bin', j)));
    dims = fread(f, 2, 'double')';
    inputs{j} = reshape(fread(f, prod(dims), 'double'), dims);
    fclose(f);
  end
  vectorized = [name '_vectorized'];
  outputs = max(1, nargout(vectorized));
  times = [Inf Inf];
  functions = {vectorized, name};
  for w = 1:2
    spent = 0;
    for run = 1:3
      results = cell(1, outputs);
      t = tic;
      [results{:}] = feval(functions{w}, inputs{:});
      elapsed = toc(t);
      times(w) = min(times(w), elapsed);
      spent = spent + elapsed;
      if spent > 2, break; end
    end
    clear results;
  end
  fprintf(out, '%s\t%.9g\t%.9g\n', k, times(1), times(2));
  fprintf(stderr, '%-22s vectorized %.4f s, module %.4f s\n', name, times(1), times(2));
end
fclose(list);
fclose(out);
clear mex;
exit(0);
