#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan + LeakSanitizer) of the
# functions of modules/functions.txt that have fuzz/<name>/, or of the
# functions named, and fuzzes each in turn through the stand-in host.
#   bash tools/fuzz.sh [SECONDS_PER_FUNCTION] [FUNCTION...]
# In build-fuzz/: corpus/<name> (kept between runs, seeded from the worked
# examples), logs/<name>.log (the last run's) and artifacts/ (inputs that
# found something). Exits non-zero on the first finding. MEXSETS_WERROR=1
# makes every compiler warning an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}; shift || true
build=$root/build-fuzz
source "$root/tools/project.sh"

fail() { echo "fuzz.sh: $*" >&2; exit 1; }
[[ $seconds =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || fail "SECONDS must be a positive whole number, not '$seconds'"

listed=$(mexsets_modules "$root")
[ -n "$listed" ] || fail "modules/functions.txt lists no function"
has_target() { compgen -G "$root/fuzz/$1/*.cpp" >/dev/null; }
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for name in $listed; do
    if has_target "$name"; then names+=("$name"); fi
  done
  [ ${#names[@]} -gt 0 ] || fail "no function of modules/functions.txt has fuzz/<name>/"
fi
for name in "${names[@]}"; do
  grep -qx "$name" <<<"$listed" || fail "$name is not a function of modules/functions.txt"
  has_target "$name" || fail "$name has no fuzz target (fuzz/$name/*.cpp)"
done

flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags" -DMEXSETS_FUZZ=ON -DMEXSETS_TESTS=OFF -DMEXSETS_BENCH=OFF \
  -DMEXSETS_OCTAVE=OFF -DMEXSETS_MATLAB=OFF -DMEXSETS_PYTHON=OFF "$(mexsets_werror_arg)" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${names[@]/#/fuzz_}" >/dev/null

mkdir -p "$build/logs" "$build/artifacts"
# intercept_tls_get_addr=0: as in tools/sanitize.sh (the leak check misreads
# some of glibc's thread-local blocks of loaded objects).
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:intercept_tls_get_addr=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for name in "${names[@]}"; do
  target=$build/fuzz_$name
  corpus=$build/corpus/$name
  log=$build/logs/$name.log
  mkdir -p "$corpus"
  MEXSETS_FUZZ_SEEDS=$corpus "$target" -runs=0 "$corpus" >"$log" 2>&1 ||
    { tail -30 "$log"; fail "fuzz_$name could not seed its corpus, log in $log"; }
  echo "fuzz_$name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$build/artifacts/" \
      "$corpus" >"$log" 2>&1; then
    grep -B5 -A30 -m1 -E "ERROR|runtime error|SUMMARY|abort" "$log" | head -60
    echo "fuzz_$name: finding, log in $log, input in $build/artifacts/"
    exit 1
  fi
  grep -E "stat::number_of_executed_units" "$log"
done
