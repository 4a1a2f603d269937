#!/usr/bin/env bash
# Tiny calls before threads and now: builds every function's tiny-call
# benchmarks (bench/<name>/bench_<name>_tiny.cpp) at the commit before the
# threads came (MEXSETS_TINY_BEFORE, default 0cea8b3^) and at the working
# tree, each in a git worktree of its own under build/tiny/ with only the
# tiny benchmarks, then runs them in alternating rounds (bench/support/
# tiny_table.py) and prints one table.
#   bash bench/support/tiny_table.sh [--rounds N] [--min-time SECONDS] [--callgrind] [FUNCTION...]
# ccache is used when installed; MEXSETS_JOBS sets the build's jobs (2).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${MEXSETS_TINY_DIR:-$root/build/tiny}
before=$(git -C "$root" rev-parse --verify "${MEXSETS_TINY_BEFORE:-0cea8b3^}^{commit}")
# The working tree as a commit (tracked changes included), else HEAD.
now=$(git -C "$root" stash create 2>/dev/null || true)
now=${now:-$(git -C "$root" rev-parse HEAD)}

args=()
functions=()
while [ $# -gt 0 ]; do
  case $1 in
    --rounds | --min-time) args+=("$1" "$2"); shift 2 ;;
    --*) args+=("$1"); shift ;;
    *) functions+=("$1"); shift ;;
  esac
done

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# build SIDE REV: the tiny benchmarks of REV in $out/SIDE/build.
build() {
  local side=$1 rev=$2 src=$out/$1
  if [ ! -e "$src/.git" ]; then
    mkdir -p "$out"
    git -C "$root" worktree add --force --detach "$src" "$rev" >/dev/null
  elif [ "$(git -C "$src" rev-parse HEAD)" != "$rev" ] || [ -n "$(git -C "$src" status --porcelain --untracked-files=no)" ]; then
    git -C "$src" checkout --force --detach "$rev" >/dev/null
  fi
  # The same harness on both sides (it only measures).
  cmp -s "$root/bench/support/tiny_call.hpp" "$src/bench/support/tiny_call.hpp" ||
    cp "$root/bench/support/tiny_call.hpp" "$src/bench/support/tiny_call.hpp"
  # Only the tiny benchmarks: the others would cost most of the build, so
  # their files become the programs' main alone.
  local main='#include <benchmark/benchmark.h>
BENCHMARK_MAIN();'
  for file in "$src"/bench/*/bench_*.cpp; do
    case $file in *_tiny.cpp) continue ;; esac
    [ "$(cat "$file")" = "$main" ] || echo "$main" >"$file"
  done
  local names=() targets=()
  for file in "$src"/bench/*/bench_*_tiny.cpp; do
    local name
    name=$(basename "$(dirname "$file")")
    if [ ${#functions[@]} -gt 0 ] && [[ " ${functions[*]} " != *" $name "* ]]; then continue; fi
    grep -qx "$name" "$src/modules/functions.txt" || continue
    names+=("$name")
    targets+=("bench_$name")
  done
  [ ${#names[@]} -gt 0 ] || { echo "tiny_table.sh: no tiny benchmarks for ${functions[*]}" >&2; exit 1; }
  local only
  only=$(IFS=';'; echo "${names[*]}")
  echo "building $side ($(git -C "$src" log -1 --format='%h %s' | cut -c1-60))" >&2
  CCACHE_BASEDIR=$src cmake -S "$src" -B "$src/build" -DCMAKE_BUILD_TYPE=Release \
    -DMEXSETS_WERROR=ON -DMEXSETS_ONLY="$only" -DMEXSETS_PYTHON=OFF -DMEXSETS_OCTAVE=OFF \
    -DMEXSETS_MATLAB=OFF -DMEXSETS_TESTS=OFF "${launcher[@]}" >/dev/null
  CCACHE_BASEDIR=$src nice -n 10 cmake --build "$src/build" -j"${MEXSETS_JOBS:-2}" \
    --target "${targets[@]}" >/dev/null
}

build before "$before"
build now "$now"
exec python3 "$root/bench/support/tiny_table.py" --before "$out/before/build" \
  --now "$out/now/build" "${args[@]}" "${functions[@]}"
