#!/usr/bin/env bash
# Installs what mexsets needs on Debian 12 (only the missing packages), then
# configures and builds into build/. Used by demo.sh, test.sh and bench.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MEXSETS_BUILD:-$root/build}

packages=(build-essential cmake libboost-dev libgtest-dev libbenchmark-dev
          octave liboctave-dev clang libclang-rt-14-dev)
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

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release ${MEXSETS_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
