#!/usr/bin/env bash
# Every module exports mexFunction and nothing else, under the version MEX.
set -eu
dir=$1; shift
status=0
for name in "$@"; do
  so="$dir/$name.standin.so"
  exports=$(readelf --dyn-syms --wide "$so" | awk '$1 ~ /^[0-9]+:$/ && $7 != "UND" && $5 != "LOCAL" && $8 != "" && $4 != "SECTION" {print $8}' | grep -v '^MEX$' | sort -u)
  if [ "$exports" != "mexFunction@@MEX" ]; then
    echo "$name exports: $exports"; status=1
  fi
done
exit $status
