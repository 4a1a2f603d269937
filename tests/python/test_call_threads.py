"""The number of threads of a call: the threads= keyword that every native
call takes, MEXSETS_NUM_THREADS, and no more worker threads than cores
however many calls run at once."""
import os
import subprocess
import sys
import threading
from pathlib import Path

import numpy as np
import pytest

import mexsets
from cases import needs

native = pytest.importorskip("mexsets._score_subsets_native")


def workload(rows=400_000, seed=4):
    rng = np.random.default_rng(seed)
    a = rng.standard_normal((1, 5000))
    subsets = rng.integers(0, 5001, size=(rows, 20)).astype(float)
    return a, a[:, ::-1].copy(), np.asfortranarray(subsets)


def tasks():
    return len(os.listdir("/proc/self/task"))


@needs("score_subsets")
def test_threads_keyword_gives_the_same_bits_and_checks_its_value():
    a, b, s = workload(50_000)
    serial = native.call(a, b, s, threads=1)
    for threads in (None, 2, 3, 8):
        got = native.call(a, b, s, threads=threads)
        assert all(x.tobytes() == y.tobytes() for x, y in zip(got, serial))
    for bad in (0, -3):
        with pytest.raises(mexsets.Error) as raised:
            native.call(a, b, s, threads=bad)
        assert raised.value.identifier == "mexsets:score_subsets:badThreads"
    for bad in (2.0, True, "2"):
        with pytest.raises(TypeError):
            native.call(a, b, s, threads=bad)
    with pytest.raises(TypeError):
        native.call(a, b, s, 2)  # threads is keyword-only


@needs("score_subsets")
def test_concurrent_calls_start_no_more_threads_than_cores():
    a, b, s = workload()
    callers = 6
    before = tasks()
    most = [before]
    done = threading.Event()

    def watch():
        while not done.is_set():
            most[0] = max(most[0], tasks())

    def call():
        for _ in range(3):
            native.call(a, b, s, threads=8)

    watcher = threading.Thread(target=watch)
    watcher.start()
    workers = [threading.Thread(target=call) for _ in range(callers)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    done.set()
    watcher.join()
    # The callers and the watcher are Python's; TBB adds at most a worker
    # per core beside the calling threads (one fewer, in fact).
    cores = len(os.sched_getaffinity(0))
    assert most[0] - before - (callers + 1) <= cores


@needs("score_subsets")
def test_environment_sets_the_default():
    package = Path(mexsets.__file__).resolve().parents[1]
    script = (
        "import os, numpy as np\n"
        "from mexsets import _score_subsets_native as n\n"
        "a = np.ones((1, 100)); s = np.ones((300000, 10), order='F')\n"
        "before = len(os.listdir('/proc/self/task'))\n"
        "n.call(a, a, s)\n"
        "print(len(os.listdir('/proc/self/task')) - before)\n")
    environment = dict(os.environ, PYTHONPATH=str(package))
    environment["MEXSETS_NUM_THREADS"] = "1"
    one = subprocess.run([sys.executable, "-c", script], env=environment, check=True,
                         capture_output=True, text=True).stdout
    assert int(one) == 0  # no worker thread ever started
    if len(os.sched_getaffinity(0)) > 1:
        del environment["MEXSETS_NUM_THREADS"]
        default = subprocess.run([sys.executable, "-c", script], env=environment, check=True,
                                 capture_output=True, text=True).stdout
        assert int(default) >= 1
