#!/usr/bin/env bash
# A result that passes the available-memory check but that the machine then
# cannot give ends with outOfMemory in the oct-files and the MEX files alike:
# Octave runs with its address space limited to 4 GiB, under which a 25,000
# squared overlap matrix (5 GB) cannot be allocated.
#   bash test_out_of_memory.sh ROOT BUILD
set -euo pipefail
build=$2
if ! grep -qx tree_overlap_matrix "$build/functions.txt"; then
  echo "PASS: this build has no tree_overlap_matrix to run out of memory with"
  exit 0
fi
for folder in octave octave-mex; do
  out=$( (ulimit -v 4194304; MEXSETS_MEMORY_LIMIT=18446744073709551615 octave-cli --norc --quiet \
    --no-window-system --eval "addpath('$build/$folder');
      try
        tree_overlap_matrix([], [0 1 -1 2], ones(25000, 1));
        disp('no error');
      catch err
        disp(err.identifier);
      end" 2>&1) || true)
  if ! grep -qx "mexsets:tree_overlap_matrix:outOfMemory" <<<"$out"; then
    echo "FAIL $folder: expected mexsets:tree_overlap_matrix:outOfMemory, got: $out"
    exit 1
  fi
  echo "PASS $folder: outOfMemory"
done
