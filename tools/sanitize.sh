#!/usr/bin/env bash
# Builds the C++ tests and every module under AddressSanitizer, UndefinedBehavior-
# Sanitizer and LeakSanitizer (clang) in build-asan/ and runs them; any report
# fails the run. Neither the Octave modules nor the Python package are built.
# MEXSETS_WERROR=1 makes every compiler warning an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/project.sh"
build=$root/build-asan
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags" -DMEXSETS_OCTAVE=OFF -DMEXSETS_MATLAB=OFF -DMEXSETS_BENCH=OFF \
  -DMEXSETS_PYTHON=OFF "$(mexsets_werror_arg)" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
