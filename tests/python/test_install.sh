#!/usr/bin/env bash
# Installs the package as a user would, offline: a wheel built with pip from a
# copy of the source tree (no build isolation), installed into a fresh virtual
# environment that sees the system's NumPy. Checks every function from outside
# the tree, uninstalls it, and checks that it is gone. Nothing outside a
# temporary folder is written, and nothing outside it is compared.
#   bash test_install.sh ROOT PYTHON
set -euo pipefail
root=$(cd "$1" && pwd)
python=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The source as a clean clone would have it (tracked and new files, no builds).
mkdir "$work/src"
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$root" && git ls-files -co --exclude-standard -z | xargs -0 tar cf - --) | tar xf - -C "$work/src"
else
  (cd "$root" && tar cf - --exclude=./build --exclude='./build-*' --exclude=./.git .) | tar xf - -C "$work/src"
fi

"$python" -m venv --system-site-packages "$work/env"
pip=("$work/env/bin/python" -m pip --disable-pip-version-check --no-input -q)
unset PYTHONPATH
"${pip[@]}" wheel --no-build-isolation --no-index --no-deps -w "$work/wheels" "$work/src"
wheel=$(ls "$work"/wheels/mexsets-*.whl)
"${pip[@]}" install --no-index "$wheel"

cd "$work"
"$work/env/bin/python" - "$work/env" <<'PY'
import sys, mexsets
assert mexsets.__file__.startswith(sys.argv[1]), f"imported {mexsets.__file__}"
PY
"$work/env/bin/python" "$root/tests/python/check_mexsets.py"
expected=$(sed -n 's/^project(mexsets VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
got=$("$work/env/bin/python" -c 'import mexsets; print(mexsets.__version__)')
[ "$got" = "$expected" ] || { echo "version $got, CMakeLists.txt says $expected"; exit 1; }

"${pip[@]}" uninstall -y mexsets
if "$work/env/bin/python" -c 'import mexsets' 2>/dev/null; then
  echo "mexsets still imports after pip uninstall"
  exit 1
fi
echo "install test: wheel built, installed, checked and uninstalled"
