#!/usr/bin/env bash
# Everything that names the functions against the one list,
# modules/functions.txt: its own format, the module folders, Contents.m, the
# per-function folders of tests/, bench/ and fuzz/, the example tables; then
# what BUILD holds: its functions.txt (the list, or the part of it that
# MEXSETS_ONLY picks), the stand-in modules, and, when given, the Octave
# folder's .oct and help files, the Python package (its native _<name>.py
# and faithful octave/_<name>.py wrappers, native modules and the functions
# that `import mexsets` and `import mexsets.octave` export, with the given
# interpreter) and the Octave MEX folder's .mex and help files.
# Reports every disagreement, then exits 1 if there was any.
# Usage: bash test_function_list.sh ROOT BUILD [OCTAVE_DIR] [PYTHON] [OCTAVE_MEX_DIR]
set -euo pipefail
root=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
octave_dir=${3:-}
python=${4:-}
octave_mex_dir=${5:-}
source "$root/tools/project.sh"
list=$root/modules/functions.txt
problems=0
problem() { echo "test_function_list: $*" >&2; problems=$((problems + 1)); }

# Compares the names on stdin, one a line, with EXPECTED (one a line); WHAT
# names the place and HINT, if any, what to do about extra names. Feed it
# with < <(...), not a pipe, so that it counts in this shell.
same_names() {
  local what=$1 expected=$2 hint=${3:-} found extra missing
  found=$(sort -u)
  missing=$(comm -23 <(sort -u <<<"$expected") <(echo "$found") | grep . | tr '\n' ' ' || true)
  extra=$(comm -13 <(sort -u <<<"$expected") <(echo "$found") | grep . | tr '\n' ' ' || true)
  [ -z "$missing" ] || problem "$what lacks: $missing"
  [ -z "$extra" ] || problem "$what has, beyond the list: $extra$hint"
}

# The list itself: names alone on their lines, each once. Any other line would
# be skipped by every reader, so it is an error here.
listed=$(mexsets_modules "$root")
[ -n "$listed" ] || problem "$list names no function"
odd=$(grep -nvE '^([a-z_]+|#.*|)$' "$list" || true)
[ -z "$odd" ] || problem "$list has lines that are neither a name, a # comment nor blank: $odd"
twice=$(sort <<<"$listed" | uniq -d | tr '\n' ' ')
[ -z "$twice" ] || problem "$list names more than once: $twice"

# The sources.
same_names "modules/ (folders)" "$listed" \
  < <(find "$root/modules" -mindepth 1 -maxdepth 1 -type d -printf '%f\n')
for name in $listed; do
  for part in "$name.m" "${name}_contract.hpp" "${name}_mex.cpp" "${name}_oct.cpp" \
              "${name}_python.cpp" "${name}_octave.py"; do
    [ -f "$root/modules/$name/$part" ] || problem "modules/$name/$part is missing"
  done
done
# Contents.m also lists the demos, demo/*.m.
demos=$(find "$root/demo" -maxdepth 1 -name '*.m' -printf '%f\n' 2>/dev/null | sed 's/\.m$//')
same_names "modules/Contents.m" "$listed"$'\n'"$demos" \
  < <(sed -n 's/^%[ \t]\{1,\}\([a-z_0-9]*\)[ \t]\{1,\}- .*/\1/p' "$root/modules/Contents.m")
# The README's two tables (what each function does; the ids each reads) and
# the package's description name every function.
same_names "README.md's table of functions" "$listed" \
  < <(awk '/^## The functions/ { on = 1; next } /^## / { on = 0 } on' "$root/README.md" |
      sed -n 's/^| `\([a-z_]*\)` | [a-z].*/\1/p')
same_names "README.md's table of ids" "$listed" \
  < <(awk '/^\*\*Ids are 0-based/ { on = 1; next } /^## / { on = 0 } on' "$root/README.md" |
      sed -n 's/^| `\([a-z_]*\)` | `.*/\1/p; s/^| `\([a-z_]*\)` | result .*/\1/p')
for name in $listed; do
  grep -qw "$name" "$root/package/DESCRIPTION.in" ||
    problem "package/DESCRIPTION.in does not name $name"
done
# A folder of function tests, benchmarks or fuzzers for an unlisted function
# would be skipped by the build without a word.
for area in tests bench fuzz; do
  for dir in "$root/$area"/*/; do
    name=$(basename "$dir")
    if compgen -G "$dir/reference_$name.hpp" >/dev/null || compgen -G "$dir/fuzz_$name.cpp" >/dev/null ||
       compgen -G "$dir/bench_$name*.cpp" >/dev/null || compgen -G "$dir/compare_$name.cpp" >/dev/null; then
      grep -qx "$name" <<<"$listed" || problem "$area/$name/ is for $name, which the list lacks"
    fi
  done
done
# Each function's examples, which every test that goes over the functions reads.
for name in $listed; do
  table=modules/$name/${name}_examples.txt
  [ -f "$root/$table" ] || problem "$table is missing"
done

# The build: its list is the list, or the part that MEXSETS_ONLY picks, in
# the list's order.
built=$(mexsets_list_names "$build/functions.txt")
only=$(sed -n 's/^MEXSETS_ONLY:[A-Z]*=//p' "$build/CMakeCache.txt" | tr ';' '\n')
if [ -n "$only" ]; then
  expected=$(grep -xF -f <(echo "$only") <<<"$listed" || true)
else
  expected=$listed
fi
[ "$built" = "$expected" ] ||
  problem "$build/functions.txt names $(echo $built), not $(echo $expected) (re-run cmake)"
stale=" (left by an earlier build? delete its files)"
# Lists the files of FOLDER named like PATTERN, each as the function name that
# SED_SCRIPT makes of it.
names_in() { find "$1" -maxdepth 1 -name "$2" -printf '%f\n' 2>/dev/null | sed "$3"; }
same_names "$build/standin" "$built" "$stale" \
  < <(names_in "$build/standin" '*.standin.so' 's/\.standin\.so$//')
# An Octave folder: its modules (*.EXTENSION), their help and the index.
octave_folder() {
  local folder=$1 extension=$2
  same_names "$folder (.$extension files)" "$built" "$stale" \
    < <(names_in "$folder" "*.$extension" "s/\.$extension\$//")
  same_names "$folder (help files)" "$built" "$stale" \
    < <(names_in "$folder" '*.m' '/^Contents\.m$/d; s/\.m$//')
  [ -f "$folder/Contents.m" ] || problem "$folder/Contents.m is missing"
}
if [ -n "$octave_dir" ]; then
  octave_folder "$octave_dir" oct
  [ -z "$(names_in "$octave_dir" '*.mex' 's/x/x/')" ] ||
    problem "$octave_dir holds .mex files (the MEX files are built into octave-mex)$stale"
fi
[ -z "$octave_mex_dir" ] || octave_folder "$octave_mex_dir" mex
if [ -n "$python" ]; then
  package=$build/python/mexsets
  # The package's own modules come from python/mexsets/ (and _version.py);
  # every other _<name>.py is a function's wrapper.
  # The native wrappers: those of the built functions that modules/ has
  # (mexsets imports without the others; mexsets.octave has every one).
  native=$(for name in $built; do
             [ ! -f "$root/modules/$name/$name.py" ] || echo "$name"; done)
  own=$(cd "$root/python/mexsets" && ls; echo _version.py)
  same_names "$package (_<name>.py wrappers)" "$native" "$stale" \
    < <(names_in "$package" '_*.py' 's/^_\(.*\)\.py$/\1/' | grep -vxF -f <(sed 's/^_\(.*\)\.py$/\1/' <<<"$own") || true)
  same_names "$package/octave (_<name>.py wrappers)" "$built" "$stale" \
    < <(names_in "$package/octave" '_*.py' '/^__init__\.py$/d; s/^_\(.*\)\.py$/\1/')
  same_names "$package (native modules)" "$built" "$stale" \
    < <(names_in "$package" '_*_native*.so' 's/^_\(.*\)_native.*/\1/')
  for layer in mexsets mexsets.octave; do
    expected=$built
    [ "$layer" = mexsets.octave ] || expected=$native
    if exported=$(cd "$build" && PYTHONPATH="$build/python" "$python" -c '
import importlib, inspect, sys
layer = importlib.import_module(sys.argv[1])
for name in layer.__all__:
    value = getattr(layer, name)
    if callable(value) and not inspect.isclass(value):
        print(name)
' "$layer" 2>"$build/list_import.log"); then
      same_names "the functions that import $layer exports" "$expected" <<<"$exported"
    else
      problem "import $layer fails with $python: $(tail -3 "$build/list_import.log")"
    fi
  done
fi

if [ "$problems" -gt 0 ]; then
  echo "FAIL test_function_list: $problems disagreements with $list" >&2
  exit 1
fi
echo "PASS test_function_list ($(wc -w <<<"$listed") functions listed, $(wc -w <<<"$built") built)"
