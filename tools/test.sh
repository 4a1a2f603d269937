#!/usr/bin/env bash
# Sets up and builds mexsets, then runs every test: the C++, Octave and Python
# tests (ctest), the C++ tests again under the sanitizers, a short fuzz run
# of every function (about a minute in all), and the functions compiled with
# two more compilers' settings, warnings as errors. MEXSETS_QUICK=1 runs only
# the first. MEXSETS_WERROR=1 (CI) makes every compiler warning an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/project.sh"
source "$root/tools/steps.sh"
# Before the caller's own arguments, which may still override it.
MEXSETS_CMAKE_ARGS="$(mexsets_werror_arg) ${MEXSETS_CMAKE_ARGS:-}"
export MEXSETS_CMAKE_ARGS
mexsets_step bash "$root/tools/setup.sh"
build=${MEXSETS_BUILD:-$root/build}
mexsets_step ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
if [ "${MEXSETS_QUICK:-0}" != 1 ]; then
  echo "== sanitizer build =="
  mexsets_step bash "$root/tools/sanitize.sh"
  echo "== fuzz smoke run =="
  count=0
  for name in $(mexsets_modules "$root"); do
    if compgen -G "$root/fuzz/$name/*.cpp" >/dev/null; then count=$((count + 1)); fi
  done
  mexsets_step bash "$root/tools/fuzz.sh" $(( count > 60 ? 1 : 60 / (count > 0 ? count : 1) ))
  mexsets_step bash "$root/tools/warnings.sh"
fi
