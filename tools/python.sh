#!/usr/bin/env bash
# Finds the Python interpreter that builds and runs the mexsets package: the
# first of $MEXSETS_PYTHON, /usr/bin/python3 and python3 on PATH that imports
# NumPy, has its C headers (Python.h) and for which pybind11's CMake files are
# found (from its own pybind11 module or a system install such as Debian's
# pybind11-dev). Other interpreters, like a pyenv python3 without NumPy,
# are passed over.
#   bash tools/python.sh           prints the interpreter's path
#   bash tools/python.sh --cmake   prints the CMake arguments for it, one a line
# Exits 1, naming what is missing, when no interpreter qualifies.
set -euo pipefail

mode=${1:-}
case $mode in "" | --cmake) ;; *) echo "usage: bash tools/python.sh [--cmake]" >&2; exit 2 ;; esac

# pybind11's CMake folder for interpreter $1: its own module's first, then
# a system one.
pybind11_dir() {
  local dir
  if dir=$("$1" -c 'import pybind11; print(pybind11.get_cmake_dir())' 2>/dev/null) &&
     [ -f "$dir/pybind11Config.cmake" ]; then
    echo "$dir"; return 0
  fi
  for dir in ${pybind11_DIR:-} /usr/lib/cmake/pybind11 /usr/share/cmake/pybind11 \
             /usr/local/lib/cmake/pybind11 /usr/local/share/cmake/pybind11; do
    if [ -f "$dir/pybind11Config.cmake" ]; then echo "$dir"; return 0; fi
  done
  return 1
}

candidates=()
[ -z "${MEXSETS_PYTHON:-}" ] || candidates+=("$MEXSETS_PYTHON")
candidates+=(/usr/bin/python3)
on_path=$(command -v python3 || true)
[ -z "$on_path" ] || candidates+=("$on_path")

report=()
for py in "${candidates[@]}"; do
  if ! [ -x "$py" ] && ! command -v "$py" >/dev/null 2>&1; then
    report+=("$py: not found"); continue
  fi
  missing=()
  "$py" -c 'import numpy' >/dev/null 2>&1 || missing+=("NumPy")
  "$py" -c 'import os, sysconfig, sys
sys.exit(not os.path.isfile(os.path.join(sysconfig.get_paths()["include"], "Python.h")))' \
    >/dev/null 2>&1 || missing+=("its C headers (Python.h)")
  dir=$(pybind11_dir "$py") || missing+=("pybind11's CMake files")
  if [ ${#missing[@]} -eq 0 ]; then
    path=$("$py" -c 'import sys; print(sys.executable)')
    if [ -n "${MEXSETS_PYTHON:-}" ] && [ "$py" != "$MEXSETS_PYTHON" ]; then
      echo "mexsets: MEXSETS_PYTHON ${report[0]}; using $path" >&2
    fi
    if [ "$mode" = --cmake ]; then
      echo "-DMEXSETS_PYTHON_EXECUTABLE=$path"
      echo "-Dpybind11_DIR=$dir"
    else
      echo "$path"
    fi
    exit 0
  fi
  report+=("$py: lacks $(IFS=,; echo "${missing[*]}" | sed 's/,/, /g')")
done

{
  echo "mexsets: no Python interpreter can build the Python package:"
  printf '  %s\n' "${report[@]}"
  echo "  Needed: Python 3.8 or newer with NumPy, its headers and pybind11"
  echo "  (Debian: apt-get install python3-dev python3-numpy pybind11-dev),"
  echo "  or MEXSETS_PYTHON=/path/to/python naming one that has them."
} >&2
exit 1
