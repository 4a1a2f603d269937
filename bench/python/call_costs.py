"""What a mexsets call costs around its computation, from Python, through
the Octave-faithful layer mexsets.octave (bench/python/native_costs.py
compares the native layer with it).

1. Tiny inputs (the examples of the docstrings): the time of a call against
   np.asarray on the same inputs, the least a NumPy function pays to accept
   them. Target: under 5 us above it.
2. Large inputs read row by row (score_subsets, set_features, rank_diverse,
   suppress_overlaps): float64 matrices in C order, which the host copies into
   Fortran order once, against the same matrices in Fortran order, read in
   place.
3. A batch of 64 independent calls of each function on mid-sized inputs, on
   2 threads against 1 (concurrent.futures.ThreadPoolExecutor). The host
   releases the GIL while it computes. Target: at least 1.6x on 2 cores.

  python3 bench/python/call_costs.py [--build DIR] [--section 1|2|3]

Inputs are drawn from a seeded NumPy generator; timings are the best of
several repeats, outputs created afresh by every call.
"""
import argparse
import os
import sys
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def F(x):
    return np.asfortranarray(np.asarray(x, dtype=float))


def best_per_call(run, calls, repeats=7):
    best = float("inf")
    for _ in range(repeats):
        t0 = time.perf_counter()
        for _ in range(calls):
            run()
        best = min(best, (time.perf_counter() - t0) / calls)
    return best


def best_of(run, repeats=3):
    best = float("inf")
    for _ in range(repeats):
        t0 = time.perf_counter()
        result = run()
        best = min(best, time.perf_counter() - t0)
        del result
    return best


# Tiny inputs ---------------------------------------------------------------

def tiny_calls():
    eye2, eye3 = F(np.eye(2)), F(np.eye(3))
    items = F([[0, 1, -1], [1, 0, -1], [2, -1, -1], [0, 2, -1]])
    return {
        "score_subsets": (F([10, 20, 30]), F([1, 2, 3]), F([[3, 1, 0, 2]])),
        "rank_diverse": (F([[0], [0], [1]]), F([1, 1, 0.9]), eye2, 0.5),
        "suppress_overlaps": (items, F([1, 1, 1]), eye3, 1.0),
        "tree_overlap_matrix": (F(np.zeros((0, 0))), F([[0, 1, -1, 3], [3, 2, -1, 4]]),
                                F([[2], [3], [5], [0], [0]])),
        "tree_leaf_sets": (F([[1, 2, 4], [4, 3, 5]]), F([[5, 0], [2, 4], [3, 0]])),
        "tree_occurrence_masks": (F([[1, 1, 2], [3, 3, 2]]), F([[1, 2, 4], [4, 3, 0]]),
                                  F([[4, 0], [3, 1]])),
        "boundary_sums": (2.0, F([1, 0]), F([2, 1]), F([5, 7]), F([[0, 5, 0], [7, 0, 5], [0, 7, 0]]),
                          F([[0, 1, 0], [2, 0, 3], [0, 4, 0]])),
        "set_features": (F([[0, 1, 2], [2, -1, 0]]), F([[2], [4], [8]]), 2.0),
        "nondominated": (F([[3, 1], [1, 3], [2, 2], [3, 3]]),),
        "boundary_grid": (F([[1, 2], [1, 1]]), F([[0, 3], [4, 0]])),
        "merge_regions": (F([1, 2, 3, 1]), F([2, 3, 4, 3]), F([2, 1, 2, 1]), F([1, 3, 2, 2]),
                          F([4, 3, 5, 2, 1])),
        "tree_leaf_matrix": (F([[1, 2, 4], [4, 3, 5]]), F([[5, 0], [2, 4], [3, 0]])),
    }


def tiny_section(mexsets):
    print("Tiny inputs: a call against np.asarray on the same inputs (best of 7 x 20,000 calls)")
    print("%-22s %9s %9s %11s %9s %9s" % ("function", "call us", "native us", "asarray us",
                                          "above us", "target"))
    for name, args in tiny_calls().items():
        function = getattr(mexsets, name)
        native = sys.modules["mexsets.octave._" + name]._native.call
        arrays = [a for a in args if isinstance(a, np.ndarray)]
        calls = 20000
        t_call = best_per_call(lambda: function(*args), calls)
        native_args = args + (None,) * (len(native_inputs(name)) - len(args))
        t_native = best_per_call(lambda: native(*native_args), calls)
        t_asarray = best_per_call(lambda: [np.asarray(a) for a in arrays], calls)
        above = t_call - t_asarray
        print("%-22s %9.2f %9.2f %11.2f %9.2f %9s" % (name, t_call * 1e6, t_native * 1e6,
                                                      t_asarray * 1e6, above * 1e6,
                                                      "ok" if above < 5e-6 else "MISSED"))


def native_inputs(name):
    return sys.modules["mexsets.octave._" + name]._native.inputs


# Generated workloads ---------------------------------------------------------

def id_rows(rng, rows, cols, items, end, shortest=1):
    """rows-by-cols ids in 0..items-1, each row of shortest..cols ids, then end."""
    lengths = rng.integers(shortest, cols + 1, size=rows)
    ids = rng.integers(0, items, size=(rows, cols)).astype(float)
    ids[np.arange(cols)[None, :] >= lengths[:, None]] = end
    return F(ids)


def grid_weights(rng, side_rows, side_cols):
    """Item weights on the diagonal, boundaries between grid neighbours off it."""
    items = side_rows * side_cols
    weights = 10 + 90 * rng.random(items)
    W = np.diag(weights)
    cell = np.arange(items).reshape(side_rows, side_cols)
    for a, b in ((cell[:-1, :], cell[1:, :]), (cell[:, :-1], cell[:, 1:])):
        shared = 0.5 + 4.5 * rng.random(a.size)
        W[a.ravel(), b.ravel()] = shared
        W[b.ravel(), a.ravel()] = shared
    return weights, F(W)


def candidates(rng, m, grid_rows=30, grid_cols=50):
    """m lists of 20..80 cells of a grid, ended by -1, as rank_diverse and
    suppress_overlaps read them: a window of the grid around a random cell."""
    items = grid_rows * grid_cols
    out = np.full((m, 80), -1.0)
    for i in range(m):
        size = rng.integers(20, 81)
        r, c = rng.integers(0, grid_rows), rng.integers(0, grid_cols)
        rows = np.clip(np.arange(r - 4, r + 5), 0, grid_rows - 1)
        cols = np.clip(np.arange(c - 4, c + 5), 0, grid_cols - 1)
        cells = np.unique(rows[:, None] * grid_cols + cols[None, :])
        cells = rng.permutation(cells)[:size]
        out[i, :cells.size] = cells
    return F(out), items


def random_tree(rng, leaves):
    """A binary merge tree: each merge joins two random current roots. Returns
    the 1-based merge matrix (children, then the new id) and the 0-based one."""
    roots = list(range(leaves))
    rows = []
    for r in range(leaves - 1):
        a, b = rng.choice(len(roots), size=2, replace=False)
        x, y = roots[a], roots[b]
        for k in sorted((a, b), reverse=True):
            roots.pop(k)
        roots.append(leaves + r)
        rows.append((x, y, leaves + r))
    m = np.array(rows, dtype=float)
    return F(m + 1), F(m)


def node_sets(rng, nodes, count, most=4):
    sets = np.zeros((count, most))
    lengths = rng.integers(1, most + 1, size=count)
    for i in range(count):
        sets[i, :lengths[i]] = rng.choice(nodes, size=lengths[i], replace=False) + 1
    return F(sets)


def contour(rng, regions, side, keys):
    """boundary_sums inputs: keys 1..K of random region pairs (first 0 for a
    border), a side-by-side label grid whose mixed-parity cells hold keys or 0."""
    first = rng.integers(0, regions, size=keys).astype(float)
    second = np.maximum(first + 1, rng.integers(1, regions + 1, size=keys)).astype(float)
    second = np.minimum(second, regions)
    labels = np.zeros((side, side))
    mixed = (np.add.outer(np.arange(side), np.arange(side)) % 2) == 1
    values = rng.integers(0, keys + 1, size=mixed.sum()).astype(float)
    labels[mixed] = values
    return (float(regions), F(first), F(second), F(np.arange(1, keys + 1)), F(labels),
            F(rng.random((side, side))))


def simplex(rng, m, d):
    x = -np.log(1 - rng.random((m, d)))
    return F(x / x.sum(axis=1, keepdims=True))


def large_row_wise(rng):
    """Row-wise readers on large inputs: (name, args, indexes of the matrices
    that change order)."""
    a, b = F(rng.integers(0, 100000, size=(1, 5000)) / 7.0), F(rng.integers(0, 1000, size=(1, 5000)))
    subsets = id_rows(rng, 1000000, 20, 5000, 0.0)
    subsets[subsets != 0] += 1
    values = F(rng.integers(0, 1000000, size=(5000, 4)) / 64.0)
    ids = id_rows(rng, 1000000, 20, 5000, -1.0)
    weights, W = grid_weights(rng, 30, 50)
    items, _ = candidates(rng, 3000)
    relevance = F(rng.random((3000, 1)))
    return [
        ("score_subsets", "1M x 20 subsets", (a, b, subsets), (2,)),
        ("set_features", "1M x 20 ids, mode 2", (ids, values, 2.0), (0, 1)),
        ("rank_diverse", "3,000 x 80 items, 1,500^2 W", (items, relevance, W, 0.75), (0, 2)),
        ("suppress_overlaps", "3,000 x 80 items, 1,500^2 W", (items, F(weights[:, None]), W, 0.9),
         (0, 2)),
    ]


def mid_sized(rng):
    """One mid-sized call of every function (a few milliseconds each)."""
    a, b = F(rng.random((1, 5000))), F(rng.random((1, 5000)))
    subsets = id_rows(rng, 100000, 20, 5000, 0.0)
    subsets[subsets != 0] += 1
    values = F(rng.random((5000, 4)))
    ids = id_rows(rng, 100000, 20, 5000, -1.0)
    weights, W = grid_weights(rng, 30, 50)
    items, _ = candidates(rng, 300)
    one_based, zero_based = random_tree(rng, 2000)
    nodes = 2 * 2000 - 1
    labels = F(rng.integers(1, 2001, size=(200, 200)))
    return [
        ("score_subsets", "100,000 x 20 subsets", (a, b, subsets)),
        ("set_features", "100,000 x 20 ids, mode 2", (ids, values, 2.0)),
        ("rank_diverse", "300 x 80 items, sparse W", (items, F(rng.random((300, 1))), W, 0.75)),
        ("suppress_overlaps", "300 x 80 items, sparse W", (items, F(weights[:, None]), W, 0.9)),
        ("tree_overlap_matrix", "500 leaves, 999 x 999 result",
         (F(np.zeros((0, 0))),) + random_tree(rng, 500)[1:] + (F(rng.random((999, 1))),)),
        ("tree_leaf_sets", "2,000 leaves, 5,000 sets", (one_based, node_sets(rng, nodes, 5000))),
        ("tree_occurrence_masks", "200x200 labels, 2,000 leaves, 50 sets",
         (labels, one_based, node_sets(rng, nodes, 50))),
        ("boundary_sums", "401x401 grid, 200 regions, 2,000 keys", contour(rng, 200, 401, 2000)),
        ("nondominated", "100,000 x 3 simplex", (simplex(rng, 100000, 3),)),
    ]


def order_section(mexsets):
    rng = np.random.default_rng(1)
    print("Large inputs read row by row: C-ordered against Fortran-ordered float64 (best of 3)")
    print("%-20s %-30s %10s %10s %8s %13s" % ("function", "workload", "F ms", "C ms", "C/F",
                                              "copy ms"))
    for name, label, args, changed in large_row_wise(rng):
        function = getattr(mexsets, name)
        c_args = tuple(np.ascontiguousarray(x) if k in changed else x for k, x in enumerate(args))
        t_f = best_of(lambda: function(*args))
        t_c = best_of(lambda: function(*c_args))
        t_copy = best_of(lambda: [np.asfortranarray(c_args[k]) for k in changed])
        print("%-20s %-30s %10.2f %10.2f %7.2fx %13.2f" % (name, label, t_f * 1e3, t_c * 1e3,
                                                          t_c / t_f, t_copy * 1e3))
    print("  (copy ms: np.asfortranarray of the C-ordered matrices, for scale)")


def threads_section(mexsets):
    rng = np.random.default_rng(2)
    print("64 independent calls on 2 threads against 1 (best of 3); load average %.1f" %
          os.getloadavg()[0])
    print("%-22s %-38s %9s %10s %10s %8s %7s" % ("function", "workload", "call ms", "1 thread",
                                                 "2 threads", "speed-up", "target"))
    control = ("control: np.sort", "1M floats (NumPy releases the GIL)", (rng.random(1000000),))
    for name, label, args in mid_sized(rng) + [control]:
        function = np.sort if name == control[0] else getattr(mexsets, name)
        batch = [args] * 64
        one = best_of(lambda: call_all(function, batch, 1))
        two = best_of(lambda: call_all(function, batch, 2))
        print("%-22s %-38s %9.2f %8.0fms %8.0fms %7.2fx %7s" % (
            name, label, one / 64 * 1e3, one * 1e3, two * 1e3, one / two,
            "ok" if one / two >= 1.6 else "MISSED"))


def call_all(function, batch, threads):
    with ThreadPoolExecutor(max_workers=threads) as pool:
        return list(pool.map(lambda args: function(*args), batch))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.environ.get("MEXSETS_BUILD", os.path.join(ROOT, "build")))
    parser.add_argument("--section", choices=["1", "2", "3"], help="run one section only")
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    from mexsets import octave

    sections = {"1": tiny_section, "2": order_section, "3": threads_section}
    for key in ([args.section] if args.section else sorted(sections)):
        sections[key](octave)
        print()


if __name__ == "__main__":
    main()
