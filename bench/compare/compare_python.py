"""The Python side of the comparison benchmark: every mexsets function against
the vectorized NumPy code a user without mexsets would write
(bench/<name>/<name>_numpy.py, SciPy's sparse matrices where the Octave code
uses sparse ones), on the workloads of the C++ and Octave comparison, through
both layers: mexsets.octave on the workloads as they are, and mexsets (the
native layer) on the same workloads with 0-based intp ids
(bench/python/native_args.py); the speed-up is the native layer's.

The workloads are the very inputs mexsets_compare writes (DIR/<k>/<j>.bin,
listed in DIR/workloads.tsv and labelled in DIR/cpp.tsv), read as
Fortran-ordered float64 matrices as Octave reads them, 1-by-1 inputs as
Python floats. Each workload is first run once each way and the results
compared (the faithful ones with NumPy's bit for bit, or where the NumPy
code sums in another order, to the last few bits; the native ones with the
faithful ones bit for bit, ids shifted), then timed: best of up to five
calls, stopping once a second has been spent, every call creating its
outputs afresh as a user gets them.

  python3 bench/compare/compare_python.py [--build DIR] [--inputs DIR]
                                          [--seed S] [--only NAME]

Without --inputs, the build's mexsets_compare writes the workloads into a
temporary folder first (--skip-reference: only its kernel runs are timed).
"""
import argparse
import importlib
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "bench", "python"))
from native_args import native_call, same_results  # noqa: E402

# Where the NumPy code cannot give the same bits, and why.
NOTES = {
    "rank_diverse": "NumPy sums a shared weight item by item over X @ (counts @ W[picked]) "
                    "instead of pair by pair: scores agree to rounding, not bit for bit",
    "suppress_overlaps": "NumPy sums shared weights in another order: the kept rows agree unless "
                         "a ratio lies within rounding of the threshold",
    "nondominated": "the NumPy code is exact without NaN only; with NaN mexsets follows the "
                    "candidate sweep and the results differ",
}

# Workloads on which the NumPy code is not meant to agree.
EXPECTED_TO_DIFFER = {
    "nondominated": lambda inputs: bool(np.isnan(inputs[0]).any()),
}


def load_numpy_equivalent(name):
    folder = os.path.join(ROOT, "bench", name)
    if folder not in sys.path:
        sys.path.insert(0, folder)
    return getattr(importlib.import_module(name + "_numpy"), name + "_numpy")


def read_matrix(path):
    raw = np.fromfile(path, dtype="<f8")
    rows, cols = int(raw[0]), int(raw[1])
    return raw[2:].reshape((rows, cols), order="F")


def read_inputs(folder, count):
    inputs = []
    for j in range(1, count + 1):
        m = read_matrix(os.path.join(folder, "%d.bin" % j))
        inputs.append(float(m[0, 0]) if m.shape == (1, 1) else m)
    return inputs


def workloads(directory, only):
    labels = {}
    with open(os.path.join(directory, "cpp.tsv")) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            labels[fields[0]] = fields[2]
    with open(os.path.join(directory, "workloads.tsv")) as f:
        for line in f:
            index, name, count = line.rstrip("\n").split("\t")
            if not only or name == only:
                yield index, name, labels.get(index, ""), int(count)


def as_tuple(result):
    return result if isinstance(result, tuple) else (result,)


def same_bits(x, y):
    if x.dtype != y.dtype or x.shape != y.shape:
        return False
    if x.dtype.kind == "f":
        return np.array_equal(np.ascontiguousarray(x).view(np.uint64),
                              np.ascontiguousarray(y).view(np.uint64))
    return np.array_equal(x, y)


def check(mex, ref):
    """'bit-equal', 'close (...)' or 'DIFFERS (...)'."""
    mex, ref = as_tuple(mex), as_tuple(ref)
    if len(mex) != len(ref):
        return "DIFFERS (%d outputs, NumPy %d)" % (len(mex), len(ref))
    worst = 0.0
    for k, (x, y) in enumerate(zip(mex, ref)):
        if isinstance(x, list):
            if len(x) != len(y) or not all(same_bits(a, b) for a, b in zip(x, y)):
                bad = sum(1 for a, b in zip(x, y) if not same_bits(a, b))
                return "DIFFERS (output %d: %d of %d lists)" % (k + 1, bad, len(x))
            continue
        y = np.asarray(y)
        if same_bits(x, y):
            continue
        if x.shape != y.shape or x.dtype.kind != y.dtype.kind:
            return "DIFFERS (output %d: %s %s, NumPy %s %s)" % (k + 1, x.dtype, x.shape, y.dtype, y.shape)
        if x.dtype.kind != "f":
            return "DIFFERS (output %d: %d of %d entries)" % (k + 1, np.count_nonzero(x != y), x.size)
        finite = np.isfinite(x) & np.isfinite(y)
        if not np.array_equal(np.isnan(x), np.isnan(y)) or not np.array_equal(x[~finite], y[~finite]):
            return "DIFFERS (output %d: non-finite entries)" % (k + 1)
        scale = np.maximum(np.abs(x[finite]), np.abs(y[finite]))
        diff = np.abs(x[finite] - y[finite])
        rel = float(np.max(diff / np.where(scale > 0, scale, 1))) if diff.size else 0.0
        if rel > 1e-9:
            return "DIFFERS (output %d: relative difference %.1e, %d entries)" % (
                k + 1, rel, np.count_nonzero(diff))
        worst = max(worst, rel)
    return "bit-equal" if worst == 0 else "close (rel. diff. %.0e)" % worst


def timed(run):
    t0 = time.perf_counter()
    result = run()
    return result, time.perf_counter() - t0


def time_best(run, first, max_runs=5, budget=1.0):
    """Best of the first timed call and up to max_runs - 1 more, stopping
    once the budget is spent."""
    best = spent = first
    for _ in range(max_runs - 1):
        if spent > budget:
            break
        result, elapsed = timed(run)
        del result                                     # outputs freed between calls
        best = min(best, elapsed)
        spent += elapsed
    return best


def ms(seconds):
    return "-" if seconds is None else "%.2f" % (seconds * 1e3)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.environ.get("MEXSETS_BUILD", os.path.join(ROOT, "build")))
    parser.add_argument("--inputs", help="workloads written by mexsets_compare --out")
    parser.add_argument("--seed", default="1")
    parser.add_argument("--only", default="")
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import mexsets
    import mexsets.octave

    scratch = None
    directory = args.inputs
    if not directory:
        scratch = tempfile.TemporaryDirectory(prefix="mexsets-compare-")
        directory = os.path.join(scratch.name, "w")
        command = [os.path.join(args.build, "mexsets_compare"), "--seed", args.seed, "--out",
                   directory, "--skip-reference"] + (["--only", args.only] if args.only else [])
        print("writing the workloads: " + " ".join(command), file=sys.stderr)
        subprocess.run(command, check=True, stderr=subprocess.DEVNULL)

    header = "%-22s %-50s %11s %10s %9s %9s  %s" % ("function", "workload", "faithful ms",
                                                    "native ms", "NumPy ms", "speed-up", "results")
    rows, slower, seen = [], [], []
    for index, name, label, count in workloads(directory, args.only):
        function = getattr(mexsets.octave, name, None)
        native = getattr(mexsets, name, None)
        if function is None:
            rows.append("%-22s %-50s %11s %10s %9s %9s  %s" % (name, label, "-", "-", "-", "-",
                                                               "not built"))
            continue
        if name not in seen:
            seen.append(name)
        numpy_version = load_numpy_equivalent(name)
        inputs = read_inputs(os.path.join(directory, index), count)
        print("%-22s %s" % (name, label), file=sys.stderr)
        n_args, n_kwargs = native_call(name, inputs)
        mex_result, t_mex = timed(lambda: function(*inputs))
        native_result, t_native = timed(lambda: native(*n_args, **n_kwargs))
        numpy_result, t_numpy = timed(lambda: numpy_version(*inputs))
        verdict = check(mex_result, numpy_result)
        if verdict.startswith("DIFFERS") and EXPECTED_TO_DIFFER.get(name, lambda _: False)(inputs):
            verdict = "differ, as expected" + verdict[len("DIFFERS"):]
        if not same_results(name, native_result, mex_result):
            verdict += "; native DIFFERS from faithful"
        del mex_result, native_result, numpy_result
        t_mex = time_best(lambda: function(*inputs), t_mex)
        t_native = time_best(lambda: native(*n_args, **n_kwargs), t_native)
        t_numpy = time_best(lambda: numpy_version(*inputs), t_numpy)
        speedup = t_numpy / t_native
        if speedup < 1:
            slower.append("%s, %s" % (name, label))
        rows.append("%-22s %-50s %11s %10s %9s %8.1fx  %s" % (
            name, label, ms(t_mex), ms(t_native), ms(t_numpy), speedup, verdict))
        inputs = n_args = n_kwargs = None              # freed before the next is read
    print(header)
    for row in rows:
        print(row)
    for name in seen:
        if name in NOTES:
            print("  %s: %s" % (name, NOTES[name]))
    if slower:
        print("mexsets (native) is slower than NumPy on: " + "; ".join(slower))
    if scratch:
        scratch.cleanup()


if __name__ == "__main__":
    main()
