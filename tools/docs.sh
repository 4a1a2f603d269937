#!/usr/bin/env bash
# Builds the documentation site offline into build/docs/html (MEXSETS_BUILD
# chooses the build folder), warnings as errors: first the Python package and
# the Octave functions (tools/setup.sh, which also installs the missing Debian
# packages), then the pages with Sphinx, running the gallery's examples and
# the README's first examples, then the doctests of the pages' code blocks
# and docstrings (Sphinx's doctest builder).
#   bash tools/docs.sh            set up, build, then make the site
#   bash tools/docs.sh --built    make the site from the build as it is
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MEXSETS_BUILD:-$root/build}
case ${1:-} in
  "") bash "$root/tools/setup.sh" python_package octave_modules ;;
  --built) ;;
  *) echo "usage: bash tools/docs.sh [--built]" >&2; exit 2 ;;
esac
python=$(bash "$root/tools/python.sh")
out=$build/docs
export MEXSETS_BUILD=$build PYTHONPATH=$build/python${PYTHONPATH:+:$PYTHONPATH}
# Matplotlib draws into files and keeps its caches in the build.
export MPLBACKEND=Agg MPLCONFIGDIR=$out/matplotlib
# Sphinx and the gallery write beside their sources: they work on a copy
# in the build, with the README and the recorded benchmarks where the pages
# include them from (../README.md, ../bench/results.md).
rm -rf "$out/src" "$out/bench"
mkdir -p "$out/bench"
cp -r "$root/docs" "$out/src"
cp "$root/README.md" "$out/README.md"
cp "$root/bench/results.md" "$out/bench/results.md"
export MEXSETS_ROOT=$root
start=$SECONDS
# -E: every page is read again, so the README's examples run on this build.
"$python" -m sphinx -b html -E -W --keep-going -q -d "$out/doctrees" "$out/src" "$out/html"
echo "mexsets: site in $out/html ($((SECONDS - start)) s)"
start=$SECONDS
# The gallery ran above; plot_gallery=0 keeps the doctest run from running it again.
"$python" -m sphinx -b doctest -W --keep-going -q -D plot_gallery=0 \
  -d "$out/doctrees-doctest" "$out/src" "$out/doctest"
echo "mexsets: doctests passed ($((SECONDS - start)) s)"
