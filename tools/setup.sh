#!/usr/bin/env bash
# Installs what mexsets needs on Debian 12 (only the missing packages), then
# configures and builds into build/ (MEXSETS_BUILD), the Python package for
# the interpreter that tools/python.sh finds. Used by demo.sh, test.sh and
# bench.sh. MEXSETS_CMAKE_ARGS adds CMake arguments.
#   bash tools/setup.sh [TARGET...]
# builds only those targets (demo.sh: octave_modules, the Octave oct-files
# with their help), and everything without one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MEXSETS_BUILD:-$root/build}

packages=(build-essential cmake libboost-dev libtbb-dev libgtest-dev libbenchmark-dev
          octave liboctave-dev clang libclang-rt-14-dev
          python3-dev python3-numpy pybind11-dev python3-pytest python3-scipy
          python3-venv python3-pip python3-setuptools python3-wheel python3-hypothesis python3-skimage python3-matplotlib python3-distributed)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "mexsets: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The interpreter with NumPy (never simply the python3 first on PATH), unless
# MEXSETS_CMAKE_ARGS turns the Python package off.
python_args=()
if [[ " ${MEXSETS_CMAKE_ARGS:-} " != *" -DMEXSETS_PYTHON=OFF "* ]]; then
  found=$(bash "$root/tools/python.sh" --cmake)
  mapfile -t python_args <<<"$found"
fi
# shellcheck disable=SC2086  # MEXSETS_CMAKE_ARGS is split into arguments
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "${python_args[@]}" ${MEXSETS_CMAKE_ARGS:-} >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target "$@"
else
  cmake --build "$build" -j"$(nproc)"
fi
