"""The Python tests of a build that has only some of the functions
(MEXSETS_ONLY): the folders tests/<name>/ of the functions it lacks are not
collected. And what the tests of the native layer share: random sets in
every form it reads, and a comparison to the bit."""
import os
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(os.environ.get("MEXSETS_ROOT") or Path(__file__).resolve().parents[1])
BUILD = Path(os.environ.get("MEXSETS_BUILD") or ROOT / "build")


def names(path):
    """The names of a function list, the lines that are a name alone."""
    return [line for line in path.read_text().splitlines() if line and line[0].isalpha()]


LISTED = names(ROOT / "modules" / "functions.txt")
BUILT = names(BUILD / "functions.txt") if (BUILD / "functions.txt").is_file() else LISTED


def pytest_ignore_collect(collection_path, config):
    name = Path(collection_path).name
    return name in LISTED and name not in BUILT and Path(collection_path).parent == ROOT / "tests"


@pytest.fixture
def random_sets():
    """make(rng, count, width, top) -> (padded, forms): `count` random sets
    of ids below `top`, at most `width` long (some empty, some cut short by
    a negative entry), as the int64 matrix padded with -1 to the longest set
    and as the forms the native layer reads alike: that matrix in other
    dtypes and layouts, and ragged sequences of lists and of arrays."""
    def make(rng, count, width, top):
        lengths = rng.integers(0, width + 1, size=count)
        ragged = [rng.integers(0, top, size=n) for n in lengths]
        for s in ragged:
            if s.size > 1 and rng.random() < 0.3:
                s[rng.integers(s.size)] = -rng.integers(1, 4)
        padded = np.full((count, max(lengths, default=0)), -1, np.int64)
        for row, s in zip(padded, ragged):
            row[:s.size] = s
        narrow = np.int16 if top < 2**15 else np.int32
        forms = [padded, padded.astype(float), np.asfortranarray(padded.astype(np.float32)),
                 padded.astype(narrow), [s.tolist() for s in ragged],
                 [s.astype(narrow) for s in ragged], tuple(s.astype(float) for s in ragged)]
        return padded, forms
    return make


@pytest.fixture
def same_bits():
    """same(x, y): the same dtype, shape and bytes."""
    def same(x, y):
        x, y = np.asarray(x), np.asarray(y)
        return x.dtype == y.dtype and x.shape == y.shape and x.tobytes() == y.tobytes()
    return same
