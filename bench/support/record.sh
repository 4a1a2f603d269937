#!/usr/bin/env bash
# Runs every comparison and writes bench/results.md: the machine, then each
# table as its tool printed it. The comparisons with other code run on one
# thread (MEXSETS_NUM_THREADS=1), so that they compare algorithms; the
# threads table compares one thread with two.
#   bash tools/bench.sh --record [SEED]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seed=${1:-1}
build=${MEXSETS_BUILD:-$root/build}
out=$root/bench/results.md
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bash "$root/tools/setup.sh" python_package >/dev/null
python=$(bash "$root/tools/python.sh")

load() { cut -d' ' -f1-3 /proc/loadavg; }

# part TITLE COMMAND...: runs the command, keeping its output and the load
# average around it.
part() {
  local title=$1
  shift
  local before
  before=$(load)
  echo "recording: $title" >&2
  "$@" >"$tmp/part" 2>"$tmp/err" || {
    cat "$tmp/err" >&2
    exit 1
  }
  {
    echo
    echo "## $title"
    echo
    echo "Load average (1, 5, 15 min) before: $before; after: $(load)."
    echo
    if head -1 "$tmp/part" | grep -q '^|'; then
      cat "$tmp/part"
    else
      echo '```text'
      cat "$tmp/part"
      echo '```'
    fi
  } >>"$tmp/results.md"
}

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
memory=$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)
{
  echo "# Recorded benchmarks"
  echo
  echo "Made by \`bash tools/bench.sh --record $seed\` on $(date -u +%Y-%m-%d)," \
    "at commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)."
  echo
  echo "## Machine"
  echo
  echo "- CPU: $cpu, $(nproc) cores for this process, $memory of memory"
  echo "- System: $(. /etc/os-release && echo "$PRETTY_NAME"), Linux $(uname -r)"
  echo "- Compiler: $(g++ --version | head -1); oneTBB $(dpkg-query -W -f '${Version}' libtbb-dev 2>/dev/null || echo '?')"
  echo "- Octave $(octave-cli --version | head -1 | awk '{print $NF}');" \
    "Python $("$python" -c 'import platform; print(platform.python_version())')," \
    "$("$python" -c 'import numpy, scipy, skimage; print("NumPy %s, SciPy %s, scikit-image %s" % (numpy.__version__, scipy.__version__, skimage.__version__))')"
} >"$tmp/results.md"

export MEXSETS_NUM_THREADS=1
part "Against the plain algorithms and vectorized Octave (one thread)" \
  bash "$root/tools/bench.sh" "$seed"
part "Against vectorized NumPy (one thread)" bash "$root/tools/bench.sh" --python "$seed"
part "Against scikit-image (one thread)" bash "$root/tools/bench.sh" --skimage
unset MEXSETS_NUM_THREADS
part "One and two threads" bash "$root/tools/bench.sh" --threads
mv "$tmp/results.md" "$out"
echo "wrote $out" >&2
