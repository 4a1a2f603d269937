"""Tiny calls before threads and now: runs the TinyCall and TinyGateway
benchmarks of two builds (bench/support/tiny_table.sh makes them) in
alternating rounds (before, now on 1 thread, now on 2 threads, repeated;
each a process of its own, since MEXSETS_NUM_THREADS is read once per
process) and prints a Markdown table of the best wall time per call of
each, their ratios, and whether now stays within 5% of before. With
--callgrind, it also counts the instructions per call (valgrind), which the
machine's load does not change, before and now on 2 threads.

  python3 bench/support/tiny_table.py --before DIR --now DIR [--rounds N]
      [--min-time SECONDS] [--callgrind] [FUNCTION...]
"""
import argparse
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

FILTER = "^Tiny(Call|Gateway)/"
# The function a call of each kind runs once per iteration (kept out of line).
COUNTED = {"TinyCall": re.compile(r"tiny_call::run<"),
           "TinyGateway": re.compile(r"standin::Module::call\(int, std::vector")}


def environment(threads):
    env = dict(os.environ)
    env.pop("MEXSETS_NUM_THREADS", None)
    if threads:
        env["MEXSETS_NUM_THREADS"] = str(threads)
    return env


def run(program, threads, min_time, name_filter=FILTER):
    done = subprocess.run(
        [program, "--benchmark_filter=" + name_filter, "--benchmark_format=json",
         "--benchmark_min_time=%g" % min_time],
        capture_output=True, text=True, env=environment(threads))
    if done.returncode:
        sys.exit("%s failed:\n%s" % (program, done.stderr))
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    return {b["name"]: b["real_time"] * scale[b.get("time_unit", "ns")]
            for b in json.loads(done.stdout)["benchmarks"]}


def callgrind_cost(out_file, counted):
    """The calls of the functions `counted` matches and their inclusive
    cost, from the calls= lines of a callgrind output written with
    --compress-strings=no."""
    calls = cost = 0
    target = None
    expect_cost = False
    with open(out_file) as f:
        for line in f:
            if expect_cost:
                cost += int(line.split()[1])
                expect_cost = False
            elif line.startswith("cfn="):
                target = counted.search(line) is not None
            elif line.startswith("calls=") and target:
                calls += int(line[len("calls="):].split()[0])
                expect_cost = True
    return calls, cost


def instructions(program, threads, iterations=(100, 600)):
    """{benchmark: instructions per call} for the tiny calls of `program`:
    each run exactly n times (MEXSETS_TINY_ITERATIONS) in one process under
    callgrind, which dumps a profile as each starts; what the longer runs'
    extra calls cost, so that what a first call alone does (loading, lazy
    binding, first allocations) drops out."""
    costs = {}
    for n in iterations:
        with tempfile.TemporaryDirectory() as tmp:
            out_file = os.path.join(tmp, "callgrind.out")
            env = environment(threads)
            env["MEXSETS_TINY_ITERATIONS"] = str(n)
            done = subprocess.run(
                ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out_file,
                 "--compress-strings=no", "--compress-pos=no",
                 "--dump-before=benchmark::internal::LambdaBenchmark*::Run*", program,
                 "--benchmark_filter=" + FILTER, "--benchmark_format=json"],
                capture_output=True, text=True, env=env)
            if done.returncode:
                return {}
            names = [re.sub(r"/iterations:\d+$", "", b["name"])
                     for b in json.loads(done.stdout)["benchmarks"]]
            # Dump k + 1 holds benchmark k (dump 1: the start, the last: at exit).
            parts = sorted((p for p in os.listdir(tmp) if p.startswith("callgrind.out.")),
                           key=lambda p: int(p.rsplit(".", 1)[1]))[1:] + ["callgrind.out"]
            for name, part in zip(names, parts):
                calls, cost = callgrind_cost(os.path.join(tmp, part),
                                             COUNTED[name.split("/", 1)[0]])
                if calls == n:
                    costs.setdefault(name, []).append(cost)
    (short, long) = iterations
    return {name: (c[1] - c[0]) / (long - short) for name, c in costs.items() if len(c) == 2}


def ns(t):
    return "%.0f ns" % t if t < 1e4 else "%.3g us" % (t / 1e3)


def ratio(a, b):
    return "%.3f" % (a / b) if a and b else ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--before", required=True, help="build before threads")
    parser.add_argument("--now", required=True, help="build now")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--min-time", type=float, default=0.05)
    parser.add_argument("--callgrind", action="store_true",
                        help="also count instructions per call (valgrind; minutes)")
    parser.add_argument("functions", nargs="*")
    a = parser.parse_args()
    names = sorted(os.path.basename(p)[len("bench_"):] for p in glob.glob(a.now + "/bench_*"))
    names = [n for n in names if (not a.functions or n in a.functions)
             and os.access(os.path.join(a.before, "bench_" + n), os.X_OK)]
    configs = [("before", a.before, 0), ("1 thread", a.now, 1), ("2 threads", a.now, 2)]
    best = {}  # (function, benchmark, config) -> ns
    for r in range(a.rounds):
        print("round %d of %d" % (r + 1, a.rounds), file=sys.stderr, flush=True)
        for name in names:
            for config, build, threads in configs:
                times = run(os.path.join(build, "bench_" + name), threads, a.min_time)
                for bench, t in times.items():
                    key = (name, bench, config)
                    best[key] = min(best.get(key, t), t)
    counts = {}
    if a.callgrind and shutil.which("valgrind"):
        print("counting instructions (callgrind)", file=sys.stderr, flush=True)
        for name in names:
            for config, build, threads in configs:
                if config == "1 thread":
                    continue
                per_call = instructions(os.path.join(build, "bench_" + name), threads)
                for bench, count in per_call.items():
                    counts[(name, bench, config)] = count
    load = open("/proc/loadavg").read().split()[:3] if os.path.exists("/proc/loadavg") else []
    print("Best of %d alternating rounds (--benchmark_min_time=%g), wall time per call;"
          " load average %s." % (a.rounds, a.min_time, " ".join(load)))
    print()
    header = ("| function | case | before threads | now, 1 thread | now, 2 threads "
              "| 1 thread / before | 2 threads / before | within 5% |")
    rule = "|:--|:--|--:|--:|--:|--:|--:|:--|"
    if counts:
        header += " instructions before | now (2 threads) | ratio |"
        rule += "--:|--:|--:|"
    print(header)
    print(rule)
    for name in names:
        benches = sorted({b for (n, b, c) in best if n == name},
                         key=lambda b: (b.split("/", 1)[1], b))
        for bench in benches:
            t = [best.get((name, bench, c)) for c, _, _ in configs]
            if None in t:
                continue
            worst = max(t[1], t[2]) / t[0]
            row = "| %s | %s | %s | %s | %s | %s | %s | %s |" % (
                name, bench, ns(t[0]), ns(t[1]), ns(t[2]), ratio(t[1], t[0]),
                ratio(t[2], t[0]), "yes" if worst <= 1.05 else "no")
            if counts:
                before = counts.get((name, bench, "before"))
                now = counts.get((name, bench, "2 threads"))
                row += " %s | %s | %s |" % ("%.0f" % before if before else "",
                                            "%.0f" % now if now else "", ratio(now, before))
            print(row)
    return 0


if __name__ == "__main__":
    sys.exit(main())
