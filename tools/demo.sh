#!/usr/bin/env bash
# Sets up mexsets and builds what the demo needs (the Octave modules and
# their help; tools/test.sh builds the rest), then runs the demo in GNU
# Octave: an object proposal pipeline over a synthetic picture that uses the
# mexsets functions, prints its report and writes build/mexsets_demo.png.
#   bash tools/demo.sh [SEED] [ROWS COLS] [REGIONS]
# A 5-megapixel picture of 50,000 regions: bash tools/demo.sh 1 1936 2592 50000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/steps.sh"
mexsets_step bash "$root/tools/setup.sh" octave_modules
build=${MEXSETS_BUILD:-$root/build}
seed=${1:-1}
size="[${2:-180} ${3:-240}]"
regions=${4:-300}
# Octave 7.3 prints "error: ignoring const execution_exception& while
# preparing to exit" when it unloads any MEX file at exit (exit status 0);
# that line is filtered out.
mexsets_step octave-cli --norc --quiet --no-window-system --eval \
  "addpath('$build/octave'); addpath('$root/demo'); mexsets_demo('seed', $seed, 'size', $size, 'regions', $regions, 'png', '$build/mexsets_demo.png');" \
  2> >(grep -v 'ignoring const execution_exception' >&2)
