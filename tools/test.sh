#!/usr/bin/env bash
# Sets up and builds mexsets, then runs every test: the C++ and Octave tests
# (ctest), the C++ tests again under the sanitizers, and a short fuzz run of
# every function (about a minute in all). MEXSETS_QUICK=1 runs only the first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
build=${MEXSETS_BUILD:-$root/build}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
if [ "${MEXSETS_QUICK:-0}" != 1 ]; then
  echo "== sanitizer build =="
  bash "$root/tools/sanitize.sh"
  echo "== fuzz smoke run =="
  count=$(ls "$root"/fuzz | grep -vc '^support$')
  bash "$root/tools/fuzz.sh" $(( 60 / (count > 0 ? count : 1) ))
fi
