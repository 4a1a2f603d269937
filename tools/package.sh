#!/usr/bin/env bash
# Makes the GNU Octave package OUTDIR/mexsets-<version>.tar.gz (default
# OUTDIR: build/), to be installed with  pkg install mexsets-<version>.tar.gz
# (which compiles the modules) and used after  pkg load mexsets.
#
# The version comes from project(mexsets VERSION ...) in CMakeLists.txt and
# the functions from modules/functions.txt; the package gathers package/
# (DESCRIPTION template, src/Makefile), COPYING, the shared headers, the
# computations several functions share (common/), each function's
# computation, contract, Octave gateway (which pkg install compiles) and MEX
# gateway (not its Python binding or wrapper), the help files,
# modules/Contents.m (also turned into the INDEX) and every .m under demo/,
# subfolders kept. The help files are written with the shared sections of
# help/ put in (help/expand_help.py). Needs only bash, coreutils, sed, tar,
# gzip and Python 3 ($MEXSETS_HELP_PYTHON or python3).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
outdir=${1:-$root/build}

fail() { echo "package.sh: $*" >&2; exit 1; }

source "$root/tools/project.sh"
version=$(mexsets_version "$root")
[ -n "$version" ] || fail "no 'project(mexsets VERSION x.y.z' line in CMakeLists.txt"
modules=$(mexsets_modules "$root")
[ -n "$modules" ] || fail "modules/functions.txt lists no function"
python=${MEXSETS_HELP_PYTHON:-python3}
command -v "$python" >/dev/null || fail "no $python for the help (help/expand_help.py)"

# The time of the last commit (outside a git checkout, of the newest source)
# dates the package and its entries, so the same sources give the same bytes.
newest_source() {
  find "$root/CMakeLists.txt" "$root/COPYING" "$root/package" "$root/include" "$root/common" \
       "$root/help" \
       "$root/modules" "$root/demo" -type f -printf '%T@\n' 2>/dev/null |
    sort -n | tail -1 | cut -d. -f1 || true
}
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || newest_source)}
[ -n "$epoch" ] || epoch=$(date +%s)
date=$(date -u -d "@$epoch" +%Y-%m-%d)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
name=mexsets-$version
pkg=$stage/$name
mkdir -p "$pkg/inst" "$pkg/src/include" "$pkg/src/modules"

sed -e "s/@VERSION@/$version/g" -e "s/@DATE@/$date/g" "$root/package/DESCRIPTION.in" > "$pkg/DESCRIPTION"
cp "$root/COPYING" "$pkg/COPYING"
cp "$root/package/src/Makefile" "$pkg/src/Makefile"
cp -r "$root/include/mexsets" "$pkg/src/include/mexsets"
mkdir "$pkg/src/common"
cp "$root"/common/*.hpp "$root"/common/*.cpp "$pkg/src/common/"

for m in $modules; do
  dir=$root/modules/$m
  for f in "$dir/${m}_oct.cpp" "$dir/${m}_mex.cpp" "$dir/${m}_contract.hpp" "$dir/$m.m"; do
    [ -f "$f" ] || fail "missing $f"
  done
  mkdir "$pkg/src/modules/$m"
  for f in "$dir"/*.cpp "$dir"/*.hpp; do
    [ "$f" = "$dir/${m}_python.cpp" ] || cp "$f" "$pkg/src/modules/$m/"
  done
  "$python" "$root/help/expand_help.py" "$dir/$m.m" "$pkg/inst/$m.m"
done

contents=$root/modules/Contents.m
[ -f "$contents" ] || fail "missing $contents"
cp "$contents" "$pkg/inst/Contents.m"

# The demo as it stands, with its subfolders (private/ helpers stay private
# to the demo functions beside them).
demos=()
if [ -d "$root/demo" ]; then
  while IFS= read -r -d '' f; do
    rel=${f#"$root/demo/"}
    mkdir -p "$pkg/inst/$(dirname "$rel")"
    cp "$f" "$pkg/inst/$rel"
    [[ $rel == */* ]] || demos+=("$(basename "$rel" .m)")
  done < <(find "$root/demo" -name '*.m' -type f -print0 | sort -z)
fi
for d in "${demos[@]}"; do
  for m in $modules Contents; do
    [ "$d" != "$m" ] || fail "demo/$d.m would hide a function of the same name"
  done
done

# INDEX: the title, then the headings of Contents.m (a "% Heading" line after a
# blank "%" line) with the functions and demos listed below each
# ("%   name - summary"), then any demo function that Contents.m lacks.
{
  echo "mexsets >> $(sed -n 's/^Title: *//p' "$root/package/DESCRIPTION.in")"
  awk '/^%[ \t]*$/ { blank = 1; next }
       blank && /^% [^ ]/ { print substr($0, 3) }
       /^%   [a-z_][a-z0-9_]* +- / { print " " $2 }
       { blank = 0 }' "$contents"
} > "$pkg/INDEX"
unlisted=()
for d in "${demos[@]}"; do
  grep -qx " $d" "$pkg/INDEX" || unlisted+=("$d")
done
if [ ${#unlisted[@]} -gt 0 ]; then
  { echo "Demonstrations"; printf ' %s\n' "${unlisted[@]}"; } >> "$pkg/INDEX"
fi
for m in $modules; do
  grep -qx " $m" "$pkg/INDEX" || fail "modules/Contents.m does not list $m"
done

mkdir -p "$outdir"
tarball=$(cd "$outdir" && pwd)/$name.tar.gz
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" \
    -cf - "$name" | gzip -n > "$tarball"
echo "$tarball"
