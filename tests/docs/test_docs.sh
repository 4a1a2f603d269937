#!/usr/bin/env bash
# The documentation site: tools/docs.sh builds it from this build (warnings
# as errors, the gallery and the README's examples run, the doctests pass),
# then check_site.py checks its links and opens five pages in headless
# Chromium (screenshots in BUILD/docs/screenshots). Exit 77 (skipped): no
# Chromium to open them.
#   bash test_docs.sh ROOT BUILD
set -euo pipefail
root=$1 build=$2
MEXSETS_BUILD=$build bash "$root/tools/docs.sh" --built
python=$(bash "$root/tools/python.sh")
exec "$python" "$root/tests/docs/check_site.py" "$build/docs/html" "$build/docs/screenshots"
