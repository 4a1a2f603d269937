"""Exponents of the scaling benchmarks: runs each given Google Benchmark
program with --benchmark_filter=Scaling (or reads its JSON output) and, per
Scaling benchmark, prints the time at each size (CPU time, which other work
on a shared machine disturbs less than wall time; wall time beside it), the
exponent (log-log slope) between neighbouring sizes and over the whole range
(least squares), against the exponent of the growth the benchmark declares
(its Complexity). A step whose time grows more than twice as much as that
growth allows is flagged.

  python3 bench/support/scaling.py build/bench_score_subsets [...]
  python3 bench/support/scaling.py --json run.json [...]

Exits 1 when a step is flagged.
"""
import argparse
import json
import math
import subprocess
import sys

# Exponent of each growth Google Benchmark names; n log n counts as 1 (a
# doubling then grows a little faster than 2: the 2x margin covers it).
EXPONENTS = {"(1)": 0.0, "lgN": 0.0, "N": 1.0, "NlgN": 1.0, "N^2": 2.0, "N^3": 3.0}


def runs(report):
    """{benchmark: ([(n, cpu ms, wall ms)], growth)} from one JSON report."""
    found = {}
    for b in report["benchmarks"]:
        name = b.get("run_name", b["name"])
        family = name.split("/")[0]
        if b.get("aggregate_name") == "BigO":
            found.setdefault(family, [[], None])[1] = b.get("big_o")
        elif b.get("run_type", "iteration") == "iteration" and "/" in name:
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
            n = int(name.split("/")[1])
            found.setdefault(family, [[], None])[0].append(
                (n, b["cpu_time"] * scale, b["real_time"] * scale))
    return found


def slope(points):
    xs = [math.log(n) for n, _, _ in points]
    ys = [math.log(t) for _, t, _ in points]
    mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx if sxx else float("nan")


def report(program, found):
    flagged = False
    for family, (points, growth) in sorted(found.items()):
        points.sort()
        if len(points) < 2:
            continue
        expected = EXPONENTS.get(growth)
        print("%s %s (expected %s)" % (program, family, growth or "?"))
        print("  %10s %12s %12s %9s %9s" % ("n", "CPU time", "wall time", "exponent", "step"))
        print("  %10d %9.3f ms %9.3f ms" % points[0])
        for (n1, t1, _), (n2, t2, wall) in zip(points, points[1:]):
            step = t2 / t1
            mark = ""
            if expected is not None and step > 2 * (n2 / n1) ** expected:
                mark = "  <- more than 2x the expected %.1fx" % ((n2 / n1) ** expected)
                flagged = True
            print("  %10d %9.3f ms %9.3f ms %9.2f %8.1fx%s" % (
                n2, t2, wall, math.log(step) / math.log(n2 / n1), step, mark))
        print("  overall exponent %.2f (first to last %.2f)" % (
            slope(points), math.log(points[-1][1] / points[0][1]) /
            math.log(points[-1][0] / points[0][0])))
    return flagged


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("programs", nargs="*", help="benchmark programs to run")
    parser.add_argument("--json", action="append", default=[], help="a saved JSON report")
    args = parser.parse_args()
    flagged = False
    for path in args.json:
        with open(path) as f:
            flagged |= report(path, runs(json.load(f)))
    for program in args.programs:
        out = subprocess.run([program, "--benchmark_filter=Scaling", "--benchmark_format=json"],
                             check=True, stdout=subprocess.PIPE).stdout
        flagged |= report(program.rsplit("/", 1)[-1], runs(json.loads(out)))
    return 1 if flagged else 0


if __name__ == "__main__":
    sys.exit(main())
