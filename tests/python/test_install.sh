#!/usr/bin/env bash
# Installs the package as a user would, offline: the commands of the
# README's Python install block after its apt-get lines, pasted into a shell
# with HOME in a temporary folder, run in a copy of the source tree, with
# PYTHON in place of /usr/bin/python3. The build must say which extension it
# compiles, each of the list's. Then checks every function from outside the
# tree, uninstalls the package and checks that it is gone. Nothing outside
# the temporary folder is written, and nothing outside it is compared.
#   bash test_install.sh ROOT PYTHON
set -euo pipefail
root=$(cd "$1" && pwd)
python=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/tools/project.sh"

# The source as a clean clone would have it (tracked and new files, no builds).
mkdir "$work/src"
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$root" && git ls-files -co --exclude-standard -z | xargs -0 tar cf - --) | tar xf - -C "$work/src"
else
  (cd "$root" && tar cf - --exclude=./build --exclude='./build-*' --exclude=./.git .) | tar xf - -C "$work/src"
fi

# The README's block: continued lines joined, the apt-get lines left out.
awk '/^\*\*Install\.\*\*/ { on = 1 } on && /^```sh/ { block = 1; next }
     block && /^```/ { exit } block' "$root/README.md" |
  sed -e ':a' -e '/\\$/N; s/\\\n//; ta' | grep -v 'apt-get' |
  sed "s#/usr/bin/python3#$python#g" > "$work/commands.sh"
grep -q 'pip install' "$work/commands.sh" ||
  { echo "no pip install in the README's install block"; exit 1; }
unset PYTHONPATH
if ! (cd "$work/src" && HOME=$work PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 \
      bash -euo pipefail "$work/commands.sh") > "$work/install.log" 2>&1; then
  tail -40 "$work/install.log"; exit 1
fi
names=$(mexsets_modules "$root")
count=$(wc -w <<<"$names")
for name in $names; do
  # Other jobs' output may share the line (parallel builds write to one stream).
  grep -Eq "\[[0-9]+/$count\] mexsets\._${name}_native([^A-Za-z0-9_]|\$)" "$work/install.log" ||
    { echo "the build did not say when it compiled _${name}_native"; exit 1; }
done
env=$work/mexsets-env

cd "$work"
"$env/bin/python" - "$env" <<'PY'
import sys, mexsets
assert mexsets.__file__.startswith(sys.argv[1]), f"imported {mexsets.__file__}"
PY
"$env/bin/python" "$root/tests/python/check_mexsets.py"
expected=$(sed -n 's/^project(mexsets VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
got=$("$env/bin/python" -c 'import mexsets; print(mexsets.__version__)')
[ "$got" = "$expected" ] || { echo "version $got, CMakeLists.txt says $expected"; exit 1; }

"$env/bin/python" -m pip --disable-pip-version-check --no-input -q uninstall -y mexsets
if "$env/bin/python" -c 'import mexsets' 2>/dev/null; then
  echo "mexsets still imports after pip uninstall"
  exit 1
fi
echo "install test: installed as the README says ($count extensions), checked and uninstalled"
