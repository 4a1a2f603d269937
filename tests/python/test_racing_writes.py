"""Inputs that another thread writes to while a call runs. Fortran-ordered
float64 arrays are read in place, with the GIL released: the result may then
mean nothing, but the call must end with a result or mexsets.Error, never
read outside an array (which would crash the interpreter), and give the
same result as before once the inputs are restored."""
import threading
import time

import numpy as np
import pytest

import mexsets
from mexsets import octave
from cases import NAMES, same

HOSTILE = [1e9, -5.0, np.nan, 0.0, 1e300, -np.inf, 0.5]


def merge_chain(leaves):
    """1-based merges joining the nodes pairwise, oldest first, as rows [a, b, 0, new]."""
    rows, ids, new = [], list(range(1, leaves + 1)), leaves + 1
    while len(ids) > 1:
        rows.append([ids.pop(0), ids.pop(0), 0, new])
        ids.append(new)
        new += 1
    return np.array(rows, float)


def calls():
    """(name, arguments, positions of the arguments written to)."""
    rng = np.random.default_rng(1)
    f = np.asfortranarray
    leaves = 400
    merges = merge_chain(leaves)
    labels = rng.integers(1, leaves + 1, (120, 120)).astype(float)
    sets = rng.integers(1, 2 * leaves, (30, 3)).astype(float)
    items = np.where(rng.random((200, 6)) < 0.2, -1, rng.integers(0, 30, (200, 6))).astype(float)
    w = np.eye(30) + 0.01
    keys = np.arange(1.0, 201.0)
    grid = np.where(rng.random((150, 150)) < 0.8, rng.integers(1, 201, (150, 150)), 0)
    first, second = rng.integers(1, 300, 3000), rng.integers(1, 300, 3000)
    second = np.where(first == second, first % 299 + 1, second).astype(float)
    ids = np.where(rng.random((2000, 12)) < 0.1, -1, rng.integers(0, 300, (2000, 12)))
    yield "tree_occurrence_masks", [f(labels), f(merges), f(sets)], [0, 1, 2]
    yield "tree_leaf_sets", [f(merges), f(sets)], [0, 1]
    yield "tree_leaf_matrix", [f(merges), f(sets), 1], [0, 1]
    yield "tree_overlap_matrix", [f([[0.0]]), f(merges - 1), f(np.ones((2 * leaves - 1, 1)))], [1]
    yield "boundary_sums", \
        [30, f(rng.integers(0, 31, (1, 200)).astype(float)),
         f(rng.integers(1, 31, (1, 200)).astype(float)), f(keys[None, :]),
         f(grid.astype(float)), f(rng.random((150, 150)))], [1, 2, 3, 4]
    yield "score_subsets", \
        [f(rng.random((1, 300))), f(rng.random((1, 300))),
         f(rng.integers(0, 301, (2000, 20)).astype(float))], [2]
    yield "rank_diverse", [f(items), f(rng.random(200)), f(w), 0.5], [0]
    yield "suppress_overlaps", [f(items), f(np.ones(30)), f(w), 0.5], [0]
    yield "set_features", \
        [f(ids.astype(float)), f(rng.random((300, 4))), 3, f(rng.random((300, 300)))], [0]
    yield "merge_regions", \
        [f(first[None, :].astype(float)), f(second[None, :]), f(np.ones((1, 3000))),
         f(rng.random((1, 3000))), f(np.ones((1, 300)))], [0, 1]
    yield "boundary_grid", [f(labels)], [0]
    yield "nondominated", [f(rng.random((20000, 3)))], [0]


BUILT = [call for call in calls() if call[0] in NAMES]


@pytest.mark.parametrize("name, arguments, written", BUILT, ids=[call[0] for call in BUILT])
def test_inputs_written_during_a_call(name, arguments, written):
    function = getattr(octave, name)
    before = function(*arguments)
    flats = [arguments[k].reshape(-1, order="F") for k in written]
    assert all(np.shares_memory(flat, arguments[k]) for flat, k in zip(flats, written))
    originals = [flat.copy() for flat in flats]
    stop = threading.Event()

    def write():  # sleeping lets go of the GIL: calls run while a value stands
        rng = np.random.default_rng(2)
        while not stop.is_set():
            k = rng.integers(len(flats))
            at = rng.integers(0, flats[k].size, 32)
            flats[k][at] = HOSTILE[rng.integers(len(HOSTILE))]
            time.sleep(rng.choice([0, 1e-5, 1e-4]))
            flats[k][at] = originals[k][at]
            time.sleep(rng.choice([0, 1e-4, 1e-3]))

    writer = threading.Thread(target=write)
    writer.start()
    try:
        end = time.monotonic() + 0.15
        while time.monotonic() < end:
            try:
                function(*arguments)
            except mexsets.Error:
                pass
    finally:
        stop.set()
        writer.join()
    assert same(before, function(*arguments)), name
