% Runs every case of a .mat file through the built Octave functions.
% Usage: octave-cli run_cases.m MODULE_DIR CASES_MAT RESULTS_MAT
% CASES_MAT holds `cases`, a cell of {name, {inputs...}, nargout} cells.
% RESULTS_MAT gets `results`, one {identifier, message, classes, outputs} cell
% per case: '' and the outputs, or the error's identifier and message and no
% outputs.
args = argv();
addpath(args{1});
load(args{2}, 'cases');
results = cell(size(cases));
for i = 1:numel(cases)
  [name, inputs, count] = cases{i}{:};
  outputs = cell(1, count);
  try
    [outputs{:}] = feval(name, inputs{:});
    results{i} = {'', '', cellfun(@class, outputs, 'UniformOutput', false), outputs};
  catch err
    results{i} = {err.identifier, err.message, {}, {}};
  end
end
save('-v7', args{3}, 'results');
clear mex;  % unload the modules before exit, or Octave 7 complains
exit(0);
