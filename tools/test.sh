#!/usr/bin/env bash
# Sets up and builds mexsets, then runs every test (C++ and Octave) with ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
build=${MEXSETS_BUILD:-$root/build}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
