#!/usr/bin/env bash
# Builds every function's libFuzzer target (clang, ASan + UBSan + LeakSanitizer)
# and fuzzes each in turn through the stand-in host.
#   bash tools/fuzz.sh [SECONDS_PER_FUNCTION] [FUNCTION...]
# Corpora persist in build-fuzz/corpus/<name>, seeded from the worked examples.
# Exits non-zero on the first finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}; shift || true
build=$root/build-fuzz
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags" -DMEXSETS_FUZZ=ON -DMEXSETS_TESTS=OFF -DMEXSETS_BENCH=OFF \
  -DMEXSETS_OCTAVE=OFF -DMEXSETS_MATLAB=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$build"/fuzz_*; do names+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for name in "${names[@]}"; do
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  MEXSETS_FUZZ_SEEDS=$corpus "$build/fuzz_$name" -runs=0 "$corpus" >/dev/null 2>&1
  echo "fuzz_$name: ${seconds}s"
  log=$build/fuzz_$name.log
  if ! "$build/fuzz_$name" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$build/" "$corpus" >"$log" 2>&1; then
    grep -B5 -A30 -m1 -E "ERROR|runtime error|SUMMARY|abort" "$log" | head -60
    echo "fuzz_$name: finding, log in $log"
    exit 1
  fi
  grep -E "stat::number_of_executed_units" "$log"
done
