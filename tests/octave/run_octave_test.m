% Runs one Octave test script against the built modules; exits non-zero when
% the script raises an error. Usage: octave-cli run_octave_test.m MODULE_DIR SCRIPT
args = argv();
addpath(args{1});
addpath(fileparts(mfilename('fullpath')));
script = args{2};
try
  run(script);
  printf('PASS %s\n', script);
  clear mex;  % unload the modules before exit, or Octave 7 complains
  exit(0);
catch err
  printf('FAIL %s\n  %s\n', script, err.message);
  for k = 1:numel(err.stack)
    printf('    at %s line %d\n', err.stack(k).name, err.stack(k).line);
  end
  clear mex;
  exit(1);
end
