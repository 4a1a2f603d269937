% Many calls of every function take no memory for good, in whichever host is
% on the path (oct-files or MEX files): valid calls asking for every output
% and for none, calls with arrays that Octave stores compactly (a range, a
% diagonal matrix), and calls that fail on their first input. heap_bytes
% (BUILD/octave-test) counts the bytes malloc has handed out.
build = getenv('MEXSETS_BUILD');
assert(~isempty(build), 'MEXSETS_BUILD must name the build folder');
addpath(fullfile(build, 'octave-test'));
built = function_list(fullfile(build, 'functions.txt'));
calls = 2000;

function grown = growth_per_call(f, args, n, calls)
  results = cell(1, n);
  for k = 1:200
    try
      [results{:}] = f(args{:});
    catch
    end
  end
  before = heap_bytes();
  for k = 1:calls
    try
      [results{:}] = f(args{:});
    catch
    end
  end
  grown = (heap_bytes() - before) / calls;
end

grew = {};
for k = 1:numel(built)
  name = built{k};
  valid = examples(name)(1);  % the valid call: the first example
  args = valid.inputs;
  failing = args;
  failing{1} = {};
  variants = {{args, valid.nargout}, {args, 0}, {failing, 1}};
  for v = 1:numel(variants)
    [call_args, n] = variants{v}{:};
    grown = growth_per_call(str2func(name), call_args, n, calls);
    if grown > 2
      grew{end + 1} = sprintf('%s (call %d): %.1f bytes a call', name, v, grown);
    end
  end
end
% Compact arrays: a diagonal W, and a range as a row of values.
compact_calls = {{'rank_diverse', {[0 1; 1 -1], [1; 0.5], eye(2)}, 2}, ...
                 {'suppress_overlaps', {[0 1; 1 -1], [1; 1], eye(2)}, 2}, ...
                 {'score_subsets', {1:3, 1:3, [1 2 0]}, 2}, ...
                 {'nondominated', {[1:3; 3:-1:1]'}, 1}};
for c = 1:numel(compact_calls)
  [name, args, n] = compact_calls{c}{:};
  if any(strcmp(built, name))
    grown = growth_per_call(str2func(name), args, n, calls);
    if grown > 2
      grew{end + 1} = sprintf('%s on compact arrays: %.1f bytes a call', name, grown);
    end
  end
end
assert(isempty(grew), 'memory taken for good: %s', strjoin(grew, '; '));
