"""One and two threads for every function: runs each given Google Benchmark
program's Threads benchmarks (and ThreadsLong, where a function has longer
calls of the same kind; or reads their JSON output) and prints a
Markdown table of the best wall time on one thread, on two, and the speedup.

  python3 bench/support/threads_table.py [--repetitions N] build/bench_<name> [...]
  python3 bench/support/threads_table.py --json bench_<name>.json [...]

A Threads benchmark's arguments are its workload and its thread count; the
thread count is the argument whose values pair the runs up into (1, 2)
threads with every other argument equal.

With --isolated, each run is a process of its own, the runs of a workload
on one and on two threads one after the other, round after round: on a
virtual machine a large run's freed memory (or its huge pages' compaction)
keeps a core busy for a while, which a run started next in the same process
would share, two threads more than one.

With --crossover, runs the Crossover benchmarks instead (arguments: threads,
size; bench/support/threads_bench.hpp), the repetitions interleaved, and
prints per function the best wall time at each size on one thread and on
two, the speedup, whether the call splits (runs chunks on its threads), the
CPU time its other threads took per second on two, and the smallest size
where it splits.
"""
import argparse
import json
import os
import re
import subprocess
import sys


def load(program, repetitions, name_filter="^Threads(Long)?[</]"):
    run = subprocess.run(
        [program, "--benchmark_filter=" + name_filter, "--benchmark_format=json",
         "--benchmark_repetitions=%d" % repetitions, "--benchmark_enable_random_interleaving"],
        capture_output=True, text=True)
    if "Failed to match any benchmarks" in run.stderr:
        return {"benchmarks": []}
    if run.returncode:
        sys.exit("%s failed:\n%s" % (program, run.stderr))
    return json.loads(run.stdout)


def load_isolated(program, repetitions, name_filter="^Threads(Long)?[</]"):
    listed = subprocess.run(
        [program, "--benchmark_filter=" + name_filter, "--benchmark_list_tests"],
        capture_output=True, text=True, check=True).stdout.splitlines()
    report = {"benchmarks": []}
    for _ in range(repetitions):
        for name in listed:
            run = subprocess.run(
                [program, "--benchmark_filter=^%s$" % re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", name),
                 "--benchmark_format=json"],
                capture_output=True, text=True)
            if run.returncode:
                sys.exit("%s failed:\n%s" % (program, run.stderr))
            report["benchmarks"] += json.loads(run.stdout)["benchmarks"]
    return report


def best_times(report):
    """{family: {(args...): (best wall ms, label)}} over the repetitions;
    a family is Threads or a template of it (Threads<100000, 3>)."""
    best = {}
    iterations = [b for b in report["benchmarks"] if b.get("run_type", "iteration") == "iteration"]
    # A report of aggregates only gives the medians.
    chosen = iterations or [b for b in report["benchmarks"] if b.get("aggregate_name") == "median"]
    for b in chosen:
        parts = b.get("run_name", b["name"]).split("/")
        if not re.fullmatch(r"Threads(Long)?(<.*>)?", parts[0]):
            continue
        family = best.setdefault(parts[0], {})
        args = tuple(int(p) for p in parts[1:] if re.fullmatch(r"-?\d+", p))
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        wall = b["real_time"] * scale
        if args not in family or wall < family[args][0]:
            family[args] = (wall, b.get("label", ""))
    return best


def thread_position(keys):
    """The argument position that holds the thread count, or None."""
    if not keys:
        return None
    for k in reversed(range(len(next(iter(keys))))):
        if {key[k] for key in keys} != {1, 2}:
            continue
        rest = {}
        for key in keys:
            rest.setdefault(key[:k] + key[k + 1:], set()).add(key[k])
        if all(v == {1, 2} for v in rest.values()):
            return k
    return None


def rows(name, families):
    out = []
    for family, best in sorted(families.items()):
        out += family_rows(name, family, best)
    return out or [(name, "no Threads runs", None, None)]


def family_rows(name, family, best):
    k = thread_position(set(best))
    if k is None:
        return []
    out = []
    for key in sorted(best):
        if key[k] != 1:
            continue
        two = key[:k] + (2,) + key[k + 1:]
        one_ms, label = best[key]
        two_ms = best[two][0]
        label = re.sub(r",? *\d+ threads?(\(s\))?", "", label).strip(", ")
        workload = label or "/".join(str(a) for i, a in enumerate(key) if i != k)
        workload = (re.sub(r"^Threads(Long)?", "", family).strip("<>") + " " + workload).strip() or "large"
        out.append((name, workload, one_ms, two_ms))
    return out


def ms(t):
    return "%.3g ms" % t if t < 1000 else "%.3g s" % (t / 1000)


def crossover_runs(report):
    """{family: {(threads, size): [best wall ms, most `others`, label, split]}}."""
    runs = {}
    for b in report["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        parts = b.get("run_name", b["name"]).split("/")
        if not parts[0].startswith("Crossover"):
            continue
        args = [int(p) for p in parts[1:] if re.fullmatch(r"-?\d+", p)]
        if len(args) < 2:
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        wall = b["real_time"] * scale
        run = runs.setdefault(parts[0], {}).setdefault((args[0], args[1]),
                                                        [wall, 0.0, b.get("label", ""), False])
        run[0] = min(run[0], wall)
        run[1] = max(run[1], b.get("others", 0.0))
        run[3] = run[3] or b.get("split", 0) > 0
    return runs


def print_crossover(name, runs):
    for family, best in sorted(runs.items()):
        sizes = sorted({size for _, size in best})
        label = next(iter(best.values()))[2]
        title = " ".join(t for t in (name, family[len("Crossover"):], label) if t)
        split = [size for size in sizes if (2, size) in best and best[(2, size)][3]]
        print("%s: splits from size %s" % (title, split[0] if split else "(none measured)"))
        print()
        print("| size | splits | 1 thread | 2 threads | speedup | other threads' CPU |")
        print("|--:|:--|--:|--:|--:|--:|")
        for size in sizes:
            one, two = best.get((1, size)), best.get((2, size))
            if not one or not two:
                continue
            print("| %d | %s | %s | %s | %.2f | %.2f |" % (
                size, "yes" if two[3] else "no", ms(one[0]), ms(two[0]), one[0] / two[0], two[1]))
        print()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("programs", nargs="*")
    parser.add_argument("--json", nargs="*", default=[])
    parser.add_argument("--repetitions", type=int, default=3)
    parser.add_argument("--crossover", action="store_true")
    parser.add_argument("--isolated", action="store_true")
    parser.add_argument("--filter", default="^Threads(Long)?[</]",
                        help="the runs to take (a Google Benchmark filter)")
    a = parser.parse_args()
    if a.crossover:
        print("load average %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
        print()
        for program in a.programs:
            name = os.path.basename(program).replace("bench_", "", 1)
            print("running %s" % name, file=sys.stderr, flush=True)
            print_crossover(name, crossover_runs(load(program, a.repetitions, "^Crossover")))
        for path in a.json:
            name = os.path.basename(path).replace("bench_", "", 1).rsplit(".", 1)[0]
            with open(path) as f:
                print_crossover(name, crossover_runs(json.load(f)))
        return 0
    table = []
    for program in a.programs:
        name = os.path.basename(program).replace("bench_", "", 1)
        print("running %s" % name, file=sys.stderr, flush=True)
        report = (load_isolated if a.isolated else load)(program, a.repetitions, a.filter)
        table += rows(name, best_times(report))
    for path in a.json:
        name = os.path.basename(path).replace("bench_", "", 1).rsplit(".", 1)[0]
        with open(path) as f:
            table += rows(name, best_times(json.load(f)))
    print("| function | workload | 1 thread | 2 threads | speedup |")
    print("|:--|:--|--:|--:|--:|")
    for name, workload, one, two in table:
        if one is None:
            print("| %s | %s | | | |" % (name, workload))
            continue
        print("| %s | %s | %s | %s | %.2f |" % (name, workload, ms(one), ms(two), one / two))
    return 0


if __name__ == "__main__":
    sys.exit(main())
