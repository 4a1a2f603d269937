"""Octave and Python on the same inputs: outputs equal bit for bit (dtype,
shape, NaN payloads and -0) and faulty inputs refused with the same
identifier, so an argument that one host transposes, shifts by one or
converts wrongly shows up.

Every case of a run goes to Octave in one .mat file and one octave-cli
process (run_cases.m). Each function draws its cases from its own seed, so a
difference reproduces; its report prints the inputs. Valid cases come from
each function's help: ids at the edges of their ranges, end markers, -0, NaN
where allowed, empty rows, zero-size, one-row and one-column arrays, optional
inputs given and left out, and the function's examples; faulty ones put a bad
id (out of range, NaN) where it is read, cut an input short, or give an input
a second page. Every function of the build needs a generator here."""
import subprocess
from pathlib import Path

import numpy as np
import pytest
import scipy.io

import mexsets
from mexsets import octave
from cases import NAMES
from examples import examples

NAN, INF = np.nan, np.inf
# Special values of the number (not id) inputs: NaN, -0, infinities and
# extremes keep the order of every sum visible in the bits.
SPECIAL = [0.0, -0.0, NAN, INF, -INF, 5e-324, -1e-300, 1e300]
# Entries after a row's end marker: never read.
TAILS = [NAN, INF, -7.0, 1e300, 2.5, 0.0, -0.0]


class Case:
    """args may end with a dict of options: name-value pairs in Octave,
    keywords in Python; an option's text value stays text."""
    def __init__(self, name, args, nargout, faulty, rng):
        self.name, self.nargout, self.faulty = name, nargout, faulty
        options = {}
        if args and isinstance(args[-1], dict):
            args, options = args[:-1], args[-1]
        self.args = [np.atleast_2d(np.asarray(a, dtype=np.float64)) for a in args]
        self.python_args = [python_form(rng, a) for a in self.args]
        self.options = {key: v if isinstance(v, str) else np.atleast_2d(np.asarray(v, np.float64))
                        for key, v in options.items()}
        self.python_options = {key: v if isinstance(v, str) else python_form(rng, v)
                               for key, v in self.options.items()}
        self.octave_args = self.args + [x for pair in self.options.items() for x in pair]


def python_form(rng, x):
    """x as a Python caller might pass it: a 1-D row, a float, C order."""
    r = rng.random()
    if x.ndim == 2 and x.shape[0] == 1 and r < 0.4:
        return x[0].copy()
    if x.size == 1 and x.ndim == 2 and r < 0.6:
        return float(x[0, 0])
    return np.ascontiguousarray(x) if r < 0.8 else np.asfortranarray(x)


def values(rng, shape, special=0.15):
    out = rng.normal(0.0, 10.0, shape)
    pick = rng.random(shape) < special
    out[pick] = rng.choice(SPECIAL, pick.sum())
    return out


def id_rows(rng, m, n, ids, ends, tails=TAILS):
    """m-by-n: each row some of `ids`, then (room left) one of `ends`, then
    `tails`; with the number of ids of each row."""
    out, lengths = np.zeros((m, n)), []
    for row in out:
        k = rng.integers(0, n + 1) if len(ids) else 0
        row[:k] = rng.choice(ids, k)
        if k < n:
            row[k] = rng.choice(ends)
            row[k + 1:] = rng.choice(tails, n - k - 1)
        lengths.append(k)
    return out, lengths


def zero_based(count):
    """Ids that truncate into 0..count-1, the edges first."""
    return [-0.0, 0.9, count - 0.01] + 2 * list(range(count)) if count else []


def one_based(count):
    """Ids that truncate into 1..count."""
    return [1.0, 1.9, count, count + 0.99] + list(range(1, count + 1)) if count else []


def spoil(rng, matrix, lengths, value):
    """A copy of an id matrix with `value` at a read entry (up to the end marker)."""
    out = matrix.copy()
    i = rng.integers(len(lengths))
    out[i, rng.integers(0, min(lengths[i], out.shape[1] - 1) + 1)] = value
    return out


def changed(args, k, value):
    return args[:k] + [value] + args[k + 1:]


# Each generator yields (inputs, nargout, faulty); an optional input left out
# is simply absent, as in both hosts' calls.

def score_subsets_cases(rng):
    for _ in range(40):
        a = values(rng, (rng.choice([0, 1, 1, 2]), rng.integers(0, 6)))
        b = values(rng, (rng.choice([1, 1, 3]), rng.integers(0, 6)))
        k = min(a.shape[1], b.shape[1]) if a.shape[0] else 0
        ids = [5e-324, 0.5, 1.999, k + 0.99] + list(range(1, k + 1)) if k else []
        subsets, lengths = id_rows(rng, rng.integers(0, 5), rng.integers(0, 6), ids, [0.0, -0.0])
        yield [a, b, subsets], 2, False
        if subsets.size:
            bad = rng.choice([k + 1, -1.0, -0.5, NAN, INF])
            yield [a, b, spoil(rng, subsets, lengths, bad)], 2, True


def rank_diverse_cases(rng):
    for _ in range(60):
        size = rng.choice([0, 1, 2, 3, 4, 4, 5])
        w = np.abs(values(rng, (size + rng.integers(0, 2), size), special=0.03))
        m = rng.choice([0, 1, 3, 4, 5, 6, 7, 8])
        items, lengths = id_rows(rng, m, rng.integers(0, 6), zero_based(size),
                                 [-1.0, -0.5, -INF])
        relevance = rng.integers(0, 3, m + rng.integers(0, 3)) / 2.0  # ties
        relevance[rng.random(relevance.shape) < 0.05] = rng.choice([NAN, -INF, INF])
        relevance = relevance[:, None] if rng.random() < 0.5 else relevance[None, :]
        lam = [[], [], [0.0], [0.3], [0.5], [-0.0], [[0.2, 0.9]], [1.0], [NAN]][rng.integers(9)]
        args = [items, relevance, w] + lam
        yield args, 2, False
        if items.size:
            bad = rng.choice([size, size + 0.5, NAN])
            yield changed(args, 0, spoil(rng, items, lengths, bad)), 2, True
        if m:
            yield changed(args, 1, relevance.ravel()[:m - 1]), 2, True
    yield [np.zeros((1, 1)), [1.0], np.eye(2), np.zeros((0, 0))], 2, True


def suppress_overlaps_cases(rng):
    int32_tails = [0.0, -0.0, 7.0, -1.0, 3.5, 2147483647.0, -2147483648.9]
    for _ in range(60):
        count = rng.integers(0, 5)
        weights = rng.integers(1, 4, count + rng.integers(0, 2)) / 2.0
        weights = weights[:, None] if rng.random() < 0.5 else weights[None, :]
        w = rng.integers(0, 4, (count + rng.integers(0, 2), count + rng.integers(0, 2))) / 4.0
        w = np.diag(weights.ravel()) if rng.random() < 0.3 else w
        ids = zero_based(min(weights.size, *w.shape))
        n = rng.integers(0, 5)
        pool = []
        for _ in range(4):  # rows drawn from a few, so that overlaps happen
            row = list(rng.choice(ids, rng.integers(0, n + 1))) if ids else []
            if ids and rng.random() < 0.3:  # ends the tested list, item 0 once kept
                row += [-0.5] + list(rng.choice(ids, rng.integers(0, 2)))
            row += [rng.choice([-1.0, -1.5, -2147483648.9])] + list(rng.choice(int32_tails, n))
            pool.append(row[:n])
        picked = rng.integers(0, 4, rng.integers(0, 9))
        items = np.array([pool[i] for i in picked], dtype=float).reshape(len(picked), n)
        threshold = [[], [1.0], [0.5], [0.3], [0.0], [NAN], [INF], [-INF],
                     [[0.34, 2.0]]][rng.integers(9)]
        args = [items, weights, w] + threshold
        yield args, 2, False
        if items.size:
            bad = items.copy()
            bad[rng.integers(len(bad)), 0] = rng.choice([min(weights.size, *w.shape), NAN])
            yield changed(args, 0, bad), 2, True
            bad = np.hstack([items, np.full((len(items), 1), -1.0), np.zeros((len(items), 1))])
            bad[rng.integers(len(bad)), -1] = rng.choice([2.0**31, -2.0**31 - 1, NAN, -INF])
            yield changed(args, 0, bad), 2, True
    yield [np.zeros((1, 1)), [1.0], np.eye(1), np.zeros((1, 0))], 2, True


def tree_overlap_matrix_cases(rng):
    for _ in range(40):
        leaves, r2, c = rng.integers(0, 5), rng.integers(0, 4), rng.integers(1, 5)
        nodes = leaves + r2
        merges = np.zeros((r2, c))
        for r, row in enumerate(merges):
            new = leaves + r if rng.random() < 0.8 else rng.integers(0, nodes)
            children = [x for x in range(min(leaves + r + 1, nodes)) if x != new] or [None]
            k = rng.integers(0, c) if children[0] is not None else 0
            row[:k] = rng.choice(children, k) + rng.choice([0.0, 0.5, 0.99], k)
            row[:k][row[:k] == 0] = rng.choice([0.0, -0.0])
            if k < c - 1:
                row[k] = rng.choice([-1.0, -0.5, -INF])
                row[k + 1:c - 1] = rng.choice(TAILS, c - 2 - k)
            row[c - 1] = new + rng.choice([0.0, 0.7])
        weights = 0 if r2 == 0 and rng.random() < 0.3 else rng.choice([1, 2])  # 0: no merge
        node_rows = values(rng, (nodes, weights))
        unused = values(rng, (rng.integers(0, 3), rng.integers(0, 3)))
        args = [unused, merges, node_rows]
        yield args, 1, False
        if r2:
            bad = merges.copy()
            j = rng.integers(0, c)
            bad[rng.integers(r2), j] = rng.choice([nodes, NAN, bad[0, -1] if j < c - 1 else -2.0])
            yield changed(args, 1, bad), 1, True
            yield changed(args, 2, node_rows[:r2 - 1]), 1, True
            yield changed(args, 2, node_rows[:, :0]), 1, True
            yield changed(args, 1, merges[:, :0]), 1, True


def tree_leaf_sets_cases(rng):
    for _ in range(40):
        leaves, r1, n1 = rng.integers(1, 6), rng.integers(1, 5), rng.integers(1, 5)
        nodes = leaves + r1
        merges = np.zeros((r1, n1))
        for r, row in enumerate(merges):
            made = one_based(leaves + r) if rng.random() < 0.8 else one_based(nodes)
            k = rng.integers(0, n1)
            row[:k] = rng.choice(made, k)
            if k < n1 - 1:
                row[k] = rng.choice([0.0, -0.0])
                row[k + 1:n1 - 1] = rng.choice(TAILS, n1 - 2 - k)
            new = leaves + 1 + r if r == 0 or rng.random() < 0.7 else rng.choice(one_based(nodes))
            row[-1] = new
        merges[0, -1] += rng.choice([0.0, 0.5, 0.99])
        sets, lengths = id_rows(rng, rng.integers(0, 4), rng.integers(0, 4), one_based(nodes),
                                [0.0, -0.0])
        yield [merges, sets], 1, False
        if sets.size:
            yield [merges, spoil(rng, sets, lengths, rng.choice([nodes + 1, -2.0, NAN]))], 1, True
        bad = merges.copy()
        if n1 > 1:
            bad[rng.integers(r1), 0] = rng.choice([nodes + 1, -1.0, NAN])
        else:
            bad[0, 0] = rng.choice([0.5, NAN, 2.0**32])
        yield [bad, sets], 1, True
    for empty in [(0, 0), (0, 3), (2, 0)]:
        yield [np.zeros(empty), np.ones((1, 1))], 1, True


def tree_occurrence_masks_cases(rng):
    for _ in range(40):
        leaves, r2, c2 = rng.integers(1, 6), rng.integers(1, 4), rng.integers(1, 4)
        nodes = leaves + r2
        merges, lengths = id_rows(rng, r2, c2, one_based(nodes), [0.0, -0.0])
        merges[:, -1] = rng.choice(TAILS, r2)  # not read but in the first row
        merges[0, -1] = leaves + 1 + rng.choice([0.0, 0.5, 0.99])
        labels = rng.choice(one_based(nodes), (rng.integers(0, 5), rng.integers(0, 5)))
        sets, set_lengths = id_rows(rng, rng.integers(0, 4), rng.integers(0, 4), one_based(nodes),
                                    [0.0, -0.0])
        yield [labels, merges, sets], 1, False
        bad_id = rng.choice([0.0, nodes + 1, NAN, -1.0])
        if labels.size:
            bad = labels.copy()
            bad[rng.integers(bad.shape[0]), rng.integers(bad.shape[1])] = bad_id
            yield [bad, merges, sets], 1, True
        if sets.size:
            yield [labels, merges, spoil(rng, sets, set_lengths, bad_id)], 1, True
        if c2 > 1:
            bad = merges.copy()
            bad[rng.integers(r2), 0] = bad_id if bad_id else nodes + 1
            yield [labels, bad, sets], 1, True
        bad = merges.copy()
        bad[0, -1] = rng.choice([0.5, NAN, 2.0**32])
        yield [labels, bad, sets], 1, True
    yield [np.ones((1, 1)), np.zeros((0, 2)), np.ones((1, 1))], 1, True


def boundary_sums_cases(rng):
    for _ in range(40):
        size = rng.integers(0, 5)
        n = size + rng.choice([0.0, 0.7])
        count = rng.integers(0, 5) if size else 0
        keys = rng.choice([1.0, 2.0, 3.0, 5.0, 7.5, 1e10, -3.0, 0.0, -0.0, INF], 2 * count)
        ids = [5e-324, 1e-20, 0.5, size + 0.99] + list(range(1, size + 1)) if size else [1.0]
        first = rng.choice(ids + [0.0, -0.0] * 3, count + rng.integers(0, 2))
        second = rng.choice(ids, count + rng.integers(0, 2))
        shape = rng.integers(3) if count > 1 else 1  # a row, a column, 2-by-count
        keys = (np.zeros((0, 0)) if count == 0 else keys[:count] if shape == 0
                else keys[:count, None] if shape == 1 else keys.reshape(2, -1, order="F"))
        first = first[:, None] if rng.random() < 0.5 else first[None, :]
        labelled = [k for k in keys.ravel(order="F")[:count] if k > 0]
        m, k = rng.integers(0, 5), rng.integers(0, 5)
        labels = rng.choice(labelled * 3 + [0.0, -0.0, -1.0, NAN, -INF], (m, k))
        weights = values(rng, (m + rng.integers(0, 2), k + rng.integers(0, 2)))
        args = [n, first, second, keys, labels, weights]
        yield args, 2, False
        if count:
            yield changed(args, 0, rng.choice([NAN, -1.0, 2.0**31])), 2, True
            bad = np.full(count, rng.choice([size + 1, NAN, -0.5]))
            yield changed(args, 1 + rng.integers(2), bad), 2, True
            yield changed(args, 2, second.ravel()[:count - 1]), 2, True
            bad = keys.copy()
            bad.flat[rng.integers(count)] = NAN
            yield changed(args, 3, bad), 2, True
            yield changed(args, 4, np.full((2, 2), 4.5)), 2, True
        if m and k:
            yield changed(args, 5, weights[:m - 1, :]), 2, True
    yield [0.0, [0.0], [1.0], np.zeros((0, 5)), np.zeros((0, 0)), np.zeros((0, 0))], 2, True
    yield [np.zeros((0, 0)), [0.0], [1.0], [1.0], np.zeros((0, 0)), np.zeros((0, 0))], 2, True


def set_features_cases(rng):
    modes = [None, 1.0, 2.0, 3.0, 3.0, 3.0, 4.0, 2.9, 0.0, 5.0, NAN, INF, -1.0, -0.5]
    for _ in range(48):
        mode = modes[rng.integers(len(modes))]
        s, m, n = rng.integers(0, 5), rng.integers(0, 5), rng.integers(0, 5)
        v = values(rng, (s, rng.integers(4, 6) if mode == 4 else rng.integers(1, 6)))
        w = values(rng, (s + rng.integers(0, 2), s + rng.integers(0, 2)))
        limit = min(s, *w.shape) if mode == 3 else s
        ids, lengths = id_rows(rng, m, n, zero_based(limit), [-1.0, -0.5, -INF])
        args = [ids, v] + ([] if mode is None else [mode])
        if mode == 3 or (mode is not None and rng.random() < 0.3):
            args.append(w)  # read in mode 3 only
        count = 2 if mode in (2.0, 3.0, 4.0, 2.9) else 1
        yield args, count, mode is not None and not 1 <= mode < 5
        if ids.size and limit:
            yield changed(args, 0, spoil(rng, ids, lengths, rng.choice([limit, NAN]))), count, True
        if mode == 3:
            yield args[:3], count, True
            yield changed(args, 3, w[:-1, :-1]), count, True
        if sum(lengths):
            yield changed(args, 1, v[:, :3 if mode == 4 else 0]), count, True
    yield [np.zeros((1, 1)), np.ones((1, 1)), np.zeros((0, 0))], 1, True
    yield [np.zeros((1, 1)), np.ones((1, 1)), 1.0, np.ones((2, 2, 2))], 1, False  # w unread


def nondominated_cases(rng):
    coordinates = [0.0, -0.0, 1.0, 2.0, 3.0, INF, -INF]
    for t in range(40):
        m, d = rng.integers(0, 12), rng.integers(0, 5)
        x = rng.choice(coordinates, (m, d))
        if m > 1:
            x[rng.integers(0, m, 2)] = x[rng.integers(0, m)]  # identical rows
        if t % 3 == 0:
            x[rng.random(x.shape) < 0.15] = NAN
        if t % 5 == 0:
            x = np.stack([x, values(rng, x.shape)], axis=2)  # the first page is read
        yield [x], 1, False
    for m, d in [(300, 2), (300, 3), (100, 5)]:  # the sweep paths for large M
        yield [rng.integers(0, 20, (m, d)).astype(float)], 1, False
    for shape in [(2, 3, 0), (1, 1, 0), (4, 2, 0, 3)]:
        yield [np.zeros(shape)], 1, True


def boundary_grid_cases(rng):
    for _ in range(40):
        h, w, count = rng.integers(1, 5), rng.integers(1, 5), rng.integers(1, 5)
        labels = rng.choice(one_based(count), (h, w))
        channels = rng.choice([0, 1, 1, 3])
        shape = (h, w) if channels == 1 else (h, w, channels)
        args = [labels] + ([values(rng, shape)] if channels else [])
        yield args, 5, False
        bad = labels.copy()
        bad[rng.integers(h), rng.integers(w)] = rng.choice([0.0, 0.99, -1.0, NAN, INF, 94906265.0])
        yield changed(args, 0, bad), 5, True
        if channels:
            yield changed(args, 1, values(rng, (h + 1, w))), 5, True
    yield [np.zeros((0, 0))], 5, None
    yield [np.zeros((0, 3)), np.zeros((0, 3))], 5, None


def region_graph_cases(rng):
    for _ in range(40):
        h, w, d = rng.integers(1, 5), rng.integers(1, 5), rng.choice([1, 1, 2, 3])
        shape = (h, w) if d == 1 else (h, w, d)
        labels = rng.choice([-3.0, 0.0, 2.0, 7.0, 1e15], shape)
        weight = ["step", "mean", "max"][rng.integers(0, 3)]
        channels = 1 if d > 1 or weight != "step" else rng.choice([0, 1, 3])
        vshape = shape if channels == 1 else (h, w, channels)
        options = {"background": [[], [0.0], [7.0]][rng.integers(3)], "weight": weight}
        options = {key: options[key] for key in options if rng.random() < 0.6}
        args = [labels, values(rng, vshape)][:rng.integers(1, 3)] + [options]
        yield args, 6, False
        bad = labels.copy()
        bad.flat[rng.integers(bad.size)] = rng.choice([0.5, NAN, INF, 2.0 ** 54])
        yield changed(args, 0, bad), 6, True
        yield [labels, values(rng, (h + 1, w)), options], 6, True
        yield [labels, {**options, "weight": ["avg", 4.0][rng.integers(2)]}], 6, True
        yield [labels, {**options, "background": [1.0, 2.0]}], 6, True
    yield [np.zeros((0, 0))], 6, None


def merge_regions_cases(rng):
    for _ in range(40):
        count = rng.integers(1, 6)
        pairs = [(a, b) for a in range(1, count + 1) for b in range(1, count + 1) if a != b]
        e = rng.integers(0, 2 * len(pairs) + 1) if pairs else 0
        picked = np.array([pairs[i] for i in rng.integers(0, len(pairs), e)]).reshape(e, 2)
        first, second = (picked[:, k] + rng.choice([0.0, 0.5, 0.99], e) for k in range(2))
        first[picked[:, 0] == 1] -= rng.choice([0.0, 0.5])  # 0.5 names region 1 too
        lengths = rng.choice([0.5, 1.0, 2.0, 3.0, 5e-324, 1e300], e)
        strengths = values(rng, e)
        areas = rng.choice([1.0, 2.0, 3.0, 4.0, NAN, 0.0], count)
        shape = [(1, -1), (-1, 1)][rng.integers(2)]
        base = [[], [], [0.0], [1.0]][rng.integers(4)]
        args = [x.reshape(shape) for x in (first, second, lengths, strengths)] + [areas] + base
        yield args, 3, False
        if e:
            k = rng.integers(e)
            yield changed(args, 1, np.where(np.arange(e) == k, first, second)), 3, True
            yield changed(args, rng.integers(2), np.full(e, rng.choice([0.0, count + 1, NAN]))), 3, True
            yield changed(args, 2, np.where(np.arange(e) == k, rng.choice([0.0, -1.0, NAN]),
                                            lengths)), 3, True
            yield changed(args, 3, strengths[:e - 1]), 3, True
        yield changed(args, 4, np.zeros((1, 0))), 3, True
        yield args[:5] + [rng.choice([2.0, 0.5, NAN])], 3, True


def tree_leaf_matrix_cases(rng):
    """tree_leaf_sets' cases, each with a base or none."""
    for args, nargout, faulty in tree_leaf_sets_cases(rng):
        yield args + [[], [0.0], [1.0], [-0.0]][rng.integers(4)], nargout, faulty
    yield [[[1.0, 2, 4]], [[4.0]], 2.0], 1, True


def tree_cut_cases(rng):
    """Random trees cut by count or height, and each kind of faulty tree."""
    for _ in range(30):
        leaves = int(rng.integers(1, 8))
        current, rows = list(range(1, leaves + 1)), []
        for r in range(leaves - 1):
            a, b = rng.choice(len(current), 2, replace=False)
            rows.append([current[a], current[b], leaves + r + 1.0])
            current = [n for k, n in enumerate(current) if k not in (a, b)] + [leaves + r + 1]
        merges = np.array(rows, float).reshape(leaves - 1, 3)
        heights = rng.choice([0.0, 1.0, 2.0, NAN, -INF], leaves - 1)
        count = [float(rng.integers(1, leaves + 1))]
        yield [merges, heights] + count, 1, False
        yield [merges, heights, [], {"height": rng.choice([1.0, 2.0, INF, -INF])}], 1, False
        yield [merges, heights, {"height": NAN}], 1, True
        yield [merges, heights, count[0], {"height": 1.0}], 1, True
        yield [merges, heights, [rng.choice([0.0, leaves + 1.0, 1.5, NAN])]], 1, True
        yield [merges, heights[:-1] if leaves > 1 else [1.0]] + count, 1, True
        if leaves > 1:
            r, c = rng.integers(leaves - 1), rng.integers(3)
            bad = merges.copy()
            bad[r, c] = rng.choice([NAN, 0.0, 2.0 * leaves, 1.5, bad[r, 2] - 1, bad[0, 0]])
            yield [bad, heights] + count, 1, True
            yield [merges[:, :2], heights] + count, 1, True


GENERATORS = {
    "score_subsets": score_subsets_cases, "rank_diverse": rank_diverse_cases,
    "suppress_overlaps": suppress_overlaps_cases,
    "tree_overlap_matrix": tree_overlap_matrix_cases, "tree_leaf_sets": tree_leaf_sets_cases,
    "tree_occurrence_masks": tree_occurrence_masks_cases,
    "boundary_sums": boundary_sums_cases, "set_features": set_features_cases,
    "nondominated": nondominated_cases, "boundary_grid": boundary_grid_cases,
    "merge_regions": merge_regions_cases, "tree_leaf_matrix": tree_leaf_matrix_cases,
    "region_graph": region_graph_cases, "tree_cut": tree_cut_cases,
}
SEEDS = {name: 1000 + k for k, name in enumerate(GENERATORS)}


def make_cases(name):
    """The function's examples and its generator's cases, then a valid case
    with every input given, each input in turn with a second page (more than
    two dimensions)."""
    rng = np.random.default_rng(SEEDS[name])
    cases = [Case(name, example.inputs + [example.options], example.nargout, False, rng)
             for example in examples(name)]
    cases += [Case(name, args, nargout, faulty, rng)
              for args, nargout, faulty in GENERATORS[name](rng)]
    first = max((c for c in cases if not c.faulty), key=lambda c: len(c.args))
    return cases + [Case(name, changed(first.args, k, np.stack([a, a], axis=2)) + [first.options],
                         first.nargout, True, rng) for k, a in enumerate(first.args)]


def run_python(case):
    """('', outputs, '') or (identifier, None, message)."""
    try:
        result = getattr(octave, case.name)(*case.python_args, **case.python_options)
    except mexsets.Error as error:
        return error.identifier, None, str(error)
    except Exception as error:  # a wrapper that breaks: reported as a difference
        return f"python:{type(error).__name__}", None, str(error)
    return "", list(result) if isinstance(result, tuple) else [result], ""


def cell(items):
    out = np.empty((1, len(items)), dtype=object)
    for k, item in enumerate(items):
        out[0, k] = item
    return out


def run_octave(cases, octave_cli, octave_modules, folder):
    """(identifier, outputs, message) per case, outputs with their class names."""
    given, taken = folder / "cases.mat", folder / "results.mat"
    scipy.io.savemat(given, {"cases": cell([cell([c.name, cell(c.octave_args), float(c.nargout)])
                                            for c in cases])})
    run = subprocess.run([octave_cli, "--norc", "--quiet", "--no-window-system",
                          str(Path(__file__).with_name("run_cases.m")), str(octave_modules),
                          str(given), str(taken)], capture_output=True, text=True, timeout=300)
    assert run.returncode == 0 and taken.exists(), f"octave-cli failed:\n{run.stdout}{run.stderr}"
    def text(chars):
        return str(chars[0]) if chars.size else ""

    results = []
    for result in scipy.io.loadmat(taken)["results"].ravel():
        identifier, message, classes, outputs = (text(x) if x.dtype != object else x
                                                 for x in result.ravel())
        named = [(text(c), o) for c, o in zip(classes.ravel(), outputs.ravel())]
        results.append((identifier, None if identifier else named, message))
    return results


OCTAVE_DTYPES = {"double": np.float64, "logical": np.uint8, "uint32": np.uint32}
PYTHON_DTYPES = {"double": np.float64, "logical": np.bool_, "uint32": np.uint32}


def array_difference(kind, octave, python, line):
    """'' when `python` is Octave's array of class `kind` with its bits; a 1-D
    Python result stands for Octave's column or row (`line`)."""
    if octave.dtype != OCTAVE_DTYPES[kind]:
        return f"Octave gives {kind} data as {octave.dtype}"
    if not isinstance(python, np.ndarray) or python.dtype != PYTHON_DTYPES[kind]:
        return f"Python gives {type(python).__name__} {getattr(python, 'dtype', '')} for {kind}"
    shape = python.shape
    if python.ndim == 1:
        shape = (python.size, 1) if line == "column" else (1, python.size)
    while len(shape) > 2 and shape[-1] == 1:
        shape = shape[:-1]
    if shape != octave.shape:
        return f"Python shape {python.shape}, Octave {octave.shape}"
    if python.tobytes(order="F") != octave.astype(PYTHON_DTYPES[kind]).tobytes(order="F"):
        return "different bits"
    return ""


def difference(case, octave, python):
    """What differs between the hosts' results of a case ('' if nothing)."""
    (o_id, o_out, o_msg), (p_id, p_out, p_msg) = octave, python
    if o_id or p_id:
        raised = [f"{i} ({m})" if i else "nothing" for i, m in [(o_id, o_msg), (p_id, p_msg)]]
        return "" if o_id == p_id else f"Octave raises {raised[0]}, Python {raised[1]}"
    if len(o_out) != len(p_out):
        return f"Octave gives {len(o_out)} outputs, Python {len(p_out)}"
    for k, ((kind, o), p) in enumerate(zip(o_out, p_out)):
        if kind == "cell":
            if not isinstance(p, list) or o.shape != (len(p), 1):
                return f"output {k}: Octave cell {o.shape}, Python {type(p).__name__}"
            found = [f"output {k}[{j}]: {d}" for j, (oj, pj) in enumerate(zip(o[:, 0], p))
                     if (d := array_difference("uint32", oj, pj, "row"))]
        else:
            found = [f"output {k}: {d}" for d in [array_difference(kind, o, p, "column")] if d]
        if found:
            return found[0]
    return ""


def show(x):
    if isinstance(x, list):
        return "[" + ", ".join(show(a) for a in x) + "]"
    if not isinstance(x, np.ndarray):
        return repr(x)
    order = "F" if x.flags.f_contiguous and x.ndim > 1 else "C"
    body = np.array2string(x, separator=", ", floatmode="unique", threshold=10**4,
                           max_line_width=10**4).replace("\n", "")
    return f"array({body}, dtype={x.dtype}, order={order})" if x.size else \
        f"empty {x.shape} {x.dtype}"


def report(case, what, octave, python):
    lines = [f"{case.name}: {what}", "  Octave inputs:"]
    lines += [f"    {show(a)}" for a in case.octave_args]
    lines += ["  Python inputs:"] + [f"    {show(a)}" for a in case.python_args]
    lines += [f"    {key}={show(v)}" for key, v in case.python_options.items()]
    o_id, o_out, o_msg = octave
    o_out = [list(o[:, 0]) if kind == "cell" else o for kind, o in o_out or []]
    for host, (identifier, outputs, message) in [("Octave", (o_id, o_out, o_msg)),
                                                 ("Python", python)]:
        got = f"{identifier} ({message})" if identifier else "; ".join(map(show, outputs))
        lines.append(f"  {host} result: {got}")
    return "\n".join(lines)


def built(name, octave_modules):
    return (octave_modules / f"{name}.oct").exists() and callable(getattr(octave, name, None))


@pytest.fixture(scope="module")
def differences(octave_cli, octave_modules, tmp_path_factory):
    """Per built function, the report of every case where the hosts differ."""
    cases = [c for name in NAMES if name in GENERATORS and built(name, octave_modules)
             for c in make_cases(name)]
    python = [run_python(c) for c in cases]
    octave = run_octave(cases, octave_cli, octave_modules, tmp_path_factory.mktemp("across"))
    found = {c.name: [] for c in cases}
    for case, o, p in zip(cases, octave, python):
        what = difference(case, o, p)
        if not what and case.faulty is False and o[0]:
            what = f"a valid case fails in both hosts with {o[0]}"
        if what:
            found[case.name].append(report(case, what, o, p))
    refused = {c.name: 0 for c in cases}
    for case, o in zip(cases, octave):
        refused[case.name] += bool(case.faulty and o[0])
    return found, refused


@pytest.mark.parametrize("name", NAMES)
def test_octave_and_python_agree(name, differences):
    assert name in GENERATORS, f"no case generator for {name} here: add one to GENERATORS"
    found, refused = differences
    if name not in found:
        pytest.skip(f"{name} is not built for both Octave and Python")
    assert not found[name], "\n\n".join(found[name][:3]) + f"\n({len(found[name])} cases differ)"
    assert refused[name] >= 3, "the faulty inputs hardly raise: the cases test little"
