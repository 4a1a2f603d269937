#!/usr/bin/env bash
# Compiles what users build (each function's computation, its stand-in MEX
# module and its Python extension module) with warnings as errors in the two
# configurations that the other builds lack: GCC at -O2 with debug
# information, and clang at -O3. The main build has GCC at -O3, the Octave
# modules GCC at -O2 through mkoctfile, the sanitizer build clang at -O1 (the
# tests and benchmarks are compiled there). Some warnings appear only at some
# optimisation levels or with one compiler. Nothing is run.
#   bash tools/warnings.sh
# Builds in build-warnings/gcc-O2 and build-warnings/clang-O3.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/project.sh"
python_args=()
found=$(bash "$root/tools/python.sh" --cmake)
mapfile -t python_args <<<"$found"
configure() {  # FOLDER COMPILER BUILD_TYPE
  cmake -S "$root" -B "$root/build-warnings/$1" -DCMAKE_CXX_COMPILER="$2" \
    -DCMAKE_BUILD_TYPE="$3" -DMEXSETS_OCTAVE=OFF -DMEXSETS_MATLAB=OFF -DMEXSETS_WERROR=ON \
    -DMEXSETS_TESTS=OFF -DMEXSETS_BENCH=OFF "${python_args[@]}" >/dev/null
  echo "== warnings as errors: $2, $3 =="
  cmake --build "$root/build-warnings/$1" -j"$(nproc)" >/dev/null
}
configure gcc-O2 g++ RelWithDebInfo
configure clang-O3 clang++ Release
