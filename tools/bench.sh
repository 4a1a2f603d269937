#!/usr/bin/env bash
# Sets up and builds mexsets, then runs every function on seeded, realistic
# workloads three ways (the plain transcription of its algorithm, the shipped
# kernel, and vectorized Octave code) and prints one table.
#   bash tools/bench.sh [SEED] [FUNCTION]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seed=${1:-1}
only=${2:-}
bash "$root/tools/setup.sh" >/dev/null
build=${MEXSETS_BUILD:-$root/build}
out=$build/bench-$seed
rm -rf "$out"
"$build/mexsets_compare" --seed "$seed" --out "$out" ${only:+--only "$only"}
octave-cli --norc --quiet --no-window-system "$root/bench/compare/compare_octave.m" \
  "$out" "$build/octave" "$root/bench" 2> >(grep -v 'ignoring const execution_exception' >&2)
"$build/mexsets_compare" --table "$out"
