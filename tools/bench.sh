#!/usr/bin/env bash
# Sets up and builds mexsets, then runs every function on seeded, realistic
# workloads three ways (the plain transcription of its algorithm, the shipped
# kernel, and vectorized Octave code) and prints one table.
#   bash tools/bench.sh [SEED] [FUNCTION]
# With --python, runs the Python package instead: each function, through
# mexsets.octave and the native layer, against vectorized NumPy code on the
# same workloads (bench/compare/compare_python.py), the native layer against
# the faithful one on tiny and large calls (bench/python/native_costs.py),
# then, for the whole list, the costs around a call from Python
# (bench/python/call_costs.py).
#   bash tools/bench.sh --python [SEED] [FUNCTION]
# With --scaling, runs every function's Scaling benchmark (five sizes over a
# factor of 16) and prints the exponents between neighbouring sizes and over
# the range, flagging steps above twice the expected growth
# (bench/support/scaling.py).
#   bash tools/bench.sh --scaling [FUNCTION]
# With --skimage, builds the Python package and times region_graph,
# merge_regions and tree_cut against scikit-image's rag_boundary and
# merge_hierarchical on SLIC labels of 400 to 50,000 regions
# (bench/compare/compare_skimage.py; its options follow).
#   bash tools/bench.sh --skimage [--sizes 400,2000] [--repeats N] [--huge REGIONS]
# With --threads, runs every function's Threads benchmarks and prints the best
# time on one and on two threads (bench/support/threads_table.py).
#   bash tools/bench.sh --threads [FUNCTION]
# With --record, runs all of the above (the comparisons on one thread) and
# writes them, with the machine they ran on, to bench/results.md.
#   bash tools/bench.sh --record [SEED]
# With --crossover, runs the Crossover benchmarks (a function's call on
# growing inputs around the size where it first splits, on one and on two
# threads) and prints, per function, the times, the speedup and the size
# where the call starts to split (bench/support/threads_table.py).
#   bash tools/bench.sh --crossover [FUNCTION]
# With --tiny, builds the tiny-call benchmarks at the commit before threads
# and at the working tree (under build/tiny/) and prints their times before
# and now on one and on two threads (bench/support/tiny_table.sh; --callgrind
# adds instructions per call, which the machine's load does not change).
#   bash tools/bench.sh --tiny [--rounds N] [--callgrind] [FUNCTION...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = --skimage ]; then
  shift
  bash "$root/tools/setup.sh" python_package >/dev/null
  exec "$(bash "$root/tools/python.sh")" "$root/bench/compare/compare_skimage.py" \
    --build "${MEXSETS_BUILD:-$root/build}" "$@"
fi
if [ "${1:-}" = --record ]; then
  exec bash "$root/bench/support/record.sh" "${2:-1}"
fi
if [ "${1:-}" = --threads ]; then
  bash "$root/tools/setup.sh" >/dev/null
  build=${MEXSETS_BUILD:-$root/build}
  programs=()
  for program in "$build"/bench_${2:-*}; do
    # bench_parallel times the parallel layer itself, no function.
    case $program in *_tiny | */bench_parallel) continue ;; esac
    [ -x "$program" ] && programs+=("$program")
  done
  exec python3 "$root/bench/support/threads_table.py" "${programs[@]}"
fi
if [ "${1:-}" = --tiny ]; then
  shift
  exec bash "$root/bench/support/tiny_table.sh" "$@"
fi
if [ "${1:-}" = --crossover ]; then
  build=${MEXSETS_BUILD:-$root/build}
  if [ -n "${2:-}" ]; then
    bash "$root/tools/setup.sh" "bench_$2" >/dev/null
  else
    bash "$root/tools/setup.sh" >/dev/null
  fi
  programs=()
  for program in "$build"/bench_${2:-*}; do
    [ -x "$program" ] && "$program" --benchmark_list_tests --benchmark_filter=^Crossover 2>/dev/null |
      grep -q . && programs+=("$program")
  done
  exec python3 "$root/bench/support/threads_table.py" --crossover "${programs[@]}"
fi
python_mode=false
if [ "${1:-}" = --scaling ]; then
  bash "$root/tools/setup.sh" >/dev/null
  build=${MEXSETS_BUILD:-$root/build}
  programs=()
  for program in "$build"/bench_${2:-*}; do
    case $program in */bench_parallel) continue ;; esac
    [ -x "$program" ] && programs+=("$program")
  done
  exec python3 "$root/bench/support/scaling.py" "${programs[@]}"
fi
if [ "${1:-}" = --python ]; then
  python_mode=true
  shift
fi
seed=${1:-1}
only=${2:-}
bash "$root/tools/setup.sh" >/dev/null
build=${MEXSETS_BUILD:-$root/build}
out=$build/bench-$seed
rm -rf "$out"
if $python_mode; then
  if [ ! -d "$build/python/mexsets" ]; then
    echo "bench.sh: $build has no Python package (see tools/python.sh)" >&2
    exit 1
  fi
  python=$(bash "$root/tools/python.sh")
  # mexsets_compare writes the workloads; its own timings are not used here.
  "$build/mexsets_compare" --seed "$seed" --out "$out" --skip-reference ${only:+--only "$only"} 2>/dev/null
  "$python" "$root/bench/compare/compare_python.py" --build "$build" --inputs "$out" \
    ${only:+--only "$only"}
  echo
  "$python" "$root/bench/python/native_costs.py" --build "$build" --inputs "$out" \
    ${only:+--only "$only"}
  if [ -z "$only" ]; then
    echo
    "$python" "$root/bench/python/call_costs.py" --build "$build"
  fi
  exit 0
fi
"$build/mexsets_compare" --seed "$seed" --out "$out" ${only:+--only "$only"}
octave-cli --norc --quiet --no-window-system "$root/bench/compare/compare_octave.m" \
  "$out" "$build/octave" "$root/bench" 2> >(grep -v 'ignoring const execution_exception' >&2)
"$build/mexsets_compare" --table "$out"
