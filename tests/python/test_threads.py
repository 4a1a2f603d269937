"""Calls on several threads: the GIL is released while a function computes,
and concurrent calls give the results of serial calls."""
import threading
from concurrent.futures import ThreadPoolExecutor

import numpy as np

from mexsets import octave
from cases import needs, same


def workloads(seed):
    rng = np.random.default_rng(seed)
    values = rng.standard_normal((1, 500))
    subsets = rng.integers(0, 501, size=(2000, 40)).astype(float)
    labels = rng.integers(1, 41, size=(120, 90)).astype(float)
    merges = np.array([[2 * k + 1, 2 * k + 2, 41 + k] for k in range(20)], dtype=float)
    sets = rng.integers(0, 61, size=(30, 3)).astype(float)
    points = rng.standard_normal((3000, 3))
    return [
        (octave.score_subsets, (values, values[:, ::-1], subsets)),
        (octave.tree_occurrence_masks, (labels, merges, sets)),
        (octave.nondominated, (points,)),
        (octave.rank_diverse, (rng.integers(-1, 30, size=(300, 6)).astype(float),
                                rng.random(300), np.eye(30) + 0.01, 0.6)),
    ]


@needs("score_subsets", "tree_occurrence_masks", "nondominated", "rank_diverse")
def test_concurrent_calls_equal_serial_calls():
    jobs = [job for seed in range(6) for job in workloads(seed)]
    serial = [function(*args) for function, args in jobs]
    with ThreadPoolExecutor(max_workers=4) as pool:
        for _ in range(3):
            parallel = list(pool.map(lambda job: job[0](*job[1]), jobs))
            assert all(same(a, b) for a, b in zip(serial, parallel))


@needs("nondominated")
def test_other_threads_run_while_a_function_computes():
    rng = np.random.default_rng(1)
    points = rng.standard_normal((400000, 3))
    counter = [0]
    stop = threading.Event()

    def count():
        while not stop.is_set():
            counter[0] += 1

    thread = threading.Thread(target=count)
    thread.start()
    try:
        moves = []
        for _ in range(3):
            before = counter[0]
            octave.nondominated(points)
            moves.append(counter[0] - before)
    finally:
        stop.set()
        thread.join()
    # Holding the GIL for the whole call would freeze the counter.
    assert max(moves) > 1000, moves
