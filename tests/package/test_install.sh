#!/usr/bin/env bash
# Installs the build with cmake --install into a temporary prefix, checks the
# one folder it fills (the modules of the build's functions.txt, their help,
# Contents.m, nothing else), then runs check_mexsets.m in octave-cli with only
# that folder added to the path.
# Exits non-zero at the first failure.
# Usage: bash test_install.sh ROOT BUILD
set -euo pipefail
root=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL test_install: $*" >&2; exit 1; }

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
subdir=$(cached MEXSETS_INSTALL_DIR)
[ -n "$subdir" ] || fail "no MEXSETS_INSTALL_DIR in $build/CMakeCache.txt (re-run cmake)"
case $subdir in /*) folder=$subdir ;; *) folder=$tmp/prefix/$subdir ;; esac
[[ $folder == "$tmp"/* ]] || fail "MEXSETS_INSTALL_DIR is the absolute $subdir; cannot install it into a test prefix"

source "$root/tools/project.sh"
modules=$(mexsets_list_names "$build/functions.txt")
[ -n "$modules" ] || fail "$build/functions.txt lists no function (re-run cmake)"

cmake --install "$build" --prefix "$tmp/prefix" > "$tmp/install.log" ||
  { cat "$tmp/install.log"; fail "cmake --install failed"; }
grep -q "addpath('$folder')" "$tmp/install.log" ||
  { cat "$tmp/install.log"; fail "cmake --install does not say which folder to addpath"; }

# Exactly the modules, their help and the index, in the one folder.
{
  echo Contents.m
  (cd "$root/demo" && find . -name '*.m' | sed 's|^\./||')
  for m in $modules; do
    echo "$m.m"
    echo "$m.oct"
    if [ -e "$build/matlab/$m.mexa64" ]; then echo "$m.mexa64"; fi
  done
} | sort > "$tmp/expected"
(cd "$tmp/prefix" && find . -type f | sed 's|^\./||' | sort) > "$tmp/all_files"
sed "s|^|${folder#"$tmp/prefix/"}/|" "$tmp/expected" > "$tmp/expected_paths"
diff "$tmp/expected_paths" "$tmp/all_files" || fail "installed files differ from the list above (- expected, + found)"
for m in $modules; do
  cmp -s "$build/octave/$m.m" "$folder/$m.m" || fail "$m.m differs from the built one"
  cmp -s "$build/octave/$m.oct" "$folder/$m.oct" || fail "$m.oct differs from the built one"
done

# The help component alone: only the help files and the index.
cmake --install "$build" --prefix "$tmp/help_only" --component help > /dev/null
(cd "$tmp/help_only" && find . -type f \( -name '*.mex*' -o -name '*.oct' \)) | grep . &&
  fail "component help installed modules"
[ -f "$tmp/help_only/$subdir/Contents.m" ] || fail "component help lacks Contents.m"

octave-cli --norc --quiet --no-window-system --eval "
  addpath('$root/tests/package');
  addpath('$root/tests/octave');
  addpath('$folder');
  check_mexsets('$folder', function_list('$build/functions.txt'));
  clear mex;
" 2> >(grep -v 'ignoring const execution_exception' >&2) || fail "Octave reported an error"
echo "PASS test_install ($folder)"
