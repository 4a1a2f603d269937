#!/usr/bin/env bash
# Sets up and builds mexsets, then runs every function on a built-in example
# in GNU Octave.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
build=${MEXSETS_BUILD:-$root/build}
octave-cli --norc --quiet --no-window-system --eval \
  "addpath('$build/octave'); addpath('$root/demo'); mexsets_demo; clear mex"
