"""The native layer (mexsets.<name>) against the Octave-faithful one
(mexsets.octave.<name>): what the NumPy conventions cost on top of the same
computation.

1. Tiny calls (docstring-sized inputs): the faithful call on Fortran-ordered
   float64 inputs, read in place (its cheapest form), against the native
   call on the same inputs as NumPy code holds them (ids 0-based intp, C
   order). Target: native at most 2 us above faithful.
2. One large call of each function (the largest workload of
   bench/compare, or a label image of some 100,000 regions for the region
   functions), both layers given the ids as C-ordered intp arrays, so that
   each converts them once. Target: native within 5% of faithful. The
   faithful call on Fortran-ordered float64 (read in place) is shown too.

Every pair of calls is first checked: the native results must be the
faithful ones to the bit, ids shifted by one (bench/python/native_args.py
makes the native arguments).

  python3 bench/python/native_costs.py [--build DIR] [--inputs DIR] [--section 1|2]
                                       [--only NAME]

--inputs is a folder of workloads written by mexsets_compare --out (without
it, the build's mexsets_compare writes them into a temporary folder).
"""
import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path[:0] = [HERE, os.path.join(ROOT, "bench", "compare")]
from call_costs import F, best_of, best_per_call, tiny_calls  # noqa: E402
from compare_python import read_inputs, workloads  # noqa: E402
from native_args import as_numpy_user, native_call  # noqa: E402


def outputs(result):
    return list(result) if isinstance(result, tuple) else [result]


def same_results(name, native, faithful):
    """True when the native results are the faithful ones, ids shifted."""
    native, faithful = outputs(native), outputs(faithful)
    if name == "set_features" and len(native) == 1:       # 'min' and 'box': one result
        faithful = faithful[1:] if native[0].ndim == 2 else faithful[:1]
    for x, y in zip(native, faithful):
        if isinstance(x, list):
            if len(x) != len(y) or any(not np.array_equal(a, b - 1) for a, b in zip(x, y)):
                return False
            continue
        x, y = np.asarray(x), np.asarray(y)
        if x.dtype.kind in "iu" and y.dtype.kind == "f":
            y = y - 1
        elif x.dtype.kind == "f":
            x, y = np.ascontiguousarray(x), np.ascontiguousarray(y).reshape(x.shape)
            if not np.array_equal(x.view(np.uint64), y.view(np.uint64)):
                return False
            continue
        if not np.array_equal(x.reshape(-1), y.reshape(-1)):
            return False
    return len(native) == len(faithful)


def agree(name, native, n_args, n_kwargs, faithful, f_args):
    """'' when both layers give the same results, else what went wrong."""
    try:
        same = same_results(name, native(*n_args, **n_kwargs), faithful(*f_args))
    except (ValueError, TypeError) as error:
        return "FAILS: %s" % error
    return "" if same else "results DIFFER"


def tiny_section(mexsets, only):
    print("1. Tiny calls: faithful (Fortran float64 in place) against native (intp ids), "
          "best of 7 x 20,000 calls")
    print("%-22s %12s %10s %9s %7s" % ("function", "faithful us", "native us", "above us",
                                        "target"))
    for name, args in tiny_calls().items():
        if only and name != only:
            continue
        faithful = getattr(mexsets.octave, name)
        native = getattr(mexsets, name)
        n_args, n_kwargs = native_call(name, args)
        problem = agree(name, native, n_args, n_kwargs, faithful, args)
        if problem:
            print("%-22s %s" % (name, problem))
            continue
        t_faithful = best_per_call(lambda: faithful(*args), 20000)
        t_native = best_per_call(lambda: native(*n_args, **n_kwargs), 20000)
        above = t_native - t_faithful
        print("%-22s %12.2f %10.2f %9.2f %7s" % (name, t_faithful * 1e6, t_native * 1e6,
                                                 above * 1e6, "ok" if above < 2e-6 else "MISSED"))


def region_calls(mexsets):
    """The region functions on a 1000x1000 label image of some 100,000
    regions (boxes of 2x4 to 4x6 pixels, labels shuffled) and its tree."""
    rng = np.random.default_rng(7)
    rows = np.cumsum(rng.integers(2, 5, size=400))
    cols = np.cumsum(rng.integers(4, 7, size=250))
    rows, cols = rows[rows < 1000], cols[cols < 1000]
    block = (np.searchsorted(rows, np.arange(1000), side="right")[:, None] * (cols.size + 1)
             + np.searchsorted(cols, np.arange(1000), side="right")[None, :])
    labels = F(rng.permutation(block.max() + 1)[block] + 1.0)
    values = F(rng.random((1000, 1000)))
    first, second, lengths, strengths, areas, _ = mexsets.octave.region_graph(labels, values)
    merges, _, heights = mexsets.octave.merge_regions(first, second, lengths, strengths, areas)
    regions = int(areas.size)
    sets = F(np.arange(regions + 1, 2 * regions, 2)[:, None])
    return [
        ("boundary_grid", "1000x1000 labels, %d regions" % regions, (labels, values)),
        ("region_graph", "1000x1000 labels, %d regions" % regions, (labels, values)),
        ("merge_regions", "%d regions, %d pairs" % (regions, first.size),
         (first, second, lengths, strengths, areas)),
        ("tree_cut", "%d leaves, 1,000 parts" % regions, (merges, heights, 1000.0)),
        ("tree_leaf_matrix", "%d leaves, %d sets of one node" % (regions, sets.shape[0]),
         (merges, sets)),
    ]


def large_calls(mexsets, directory, only):
    """(name, label, faithful args): the largest workload of each function."""
    largest = {}
    for index, name, label, count in workloads(directory, only):
        inputs = read_inputs(os.path.join(directory, index), count)
        size = sum(np.asarray(x).nbytes for x in inputs)
        if name not in largest or size > largest[name][0]:
            largest[name] = (size, label, inputs)
    calls = [(name, label, inputs) for name, (_, label, inputs) in largest.items()]
    return calls + [c for c in region_calls(mexsets) if not only or c[0] == only]


def large_section(mexsets, directory, only):
    print("2. One large call each: faithful against native, both given intp ids in C order "
          "(best of 3)")
    print("%-22s %-48s %11s %11s %7s %7s %14s" % ("function", "workload", "faithful ms",
                                                  "native ms", "ratio", "target",
                                                  "in place ms"))
    for name, label, args in large_calls(mexsets, directory, only):
        faithful = getattr(mexsets.octave, name)
        native = getattr(mexsets, name)
        n_args, n_kwargs = native_call(name, args)
        f_args = as_numpy_user(name, args)
        problem = agree(name, native, n_args, n_kwargs, faithful, f_args)
        if problem:
            print("%-22s %-48s %s" % (name, label[:48], problem))
            continue
        t_faithful = best_of(lambda: faithful(*f_args))
        t_native = best_of(lambda: native(*n_args, **n_kwargs))
        t_in_place = best_of(lambda: faithful(*args))
        ratio = t_native / t_faithful
        print("%-22s %-48s %11.2f %11.2f %7.3f %7s %14.2f" % (
            name, label[:48], t_faithful * 1e3, t_native * 1e3, ratio,
            "ok" if ratio <= 1.05 else "MISSED", t_in_place * 1e3))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.environ.get("MEXSETS_BUILD", os.path.join(ROOT, "build")))
    parser.add_argument("--inputs", help="workloads written by mexsets_compare --out")
    parser.add_argument("--section", choices=["1", "2"], help="run one section only")
    parser.add_argument("--only", default="")
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import mexsets
    import mexsets.octave  # noqa: F401

    if args.section in (None, "1"):
        tiny_section(mexsets, args.only)
        print()
    if args.section in (None, "2"):
        with tempfile.TemporaryDirectory(prefix="mexsets-native-") as scratch:
            directory = args.inputs
            if not directory:
                directory = os.path.join(scratch, "w")
                command = [os.path.join(args.build, "mexsets_compare"), "--seed", "1", "--out",
                           directory, "--skip-reference"]
                command += ["--only", args.only] if args.only else []
                subprocess.run(command, check=True, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
            large_section(mexsets, directory, args.only)


if __name__ == "__main__":
    main()
