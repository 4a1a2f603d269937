"""tree_leaf_sets from Python: the native layer (0-based ids, sets padded
with -1 or ragged) gives the Octave-faithful lists less one, on random
trees and sets of every integer dtype, or the same failure; and the
refusals of its own."""
import numpy as np
import pytest

import mexsets
from mexsets import octave


def faithful_ids(x):
    """The documented shift: ids + 1, a negative entry (an end) 0."""
    x = np.asarray(x, dtype=float)
    return np.where(x < 0, 0, x + 1)


def padded(sets):
    width = max([len(s) for s in sets] + [0])
    out = -np.ones((len(sets), width))
    for row, s in enumerate(sets):
        out[row, :len(s)] = s
    return out


def random_case(rng):
    """Merges over any ids in range (now and then one beyond), rows ended by
    a negative entry, and sets as a padded matrix, a list of lists or a list
    of arrays, with empty sets, in one integer or float dtype."""
    leaves, rows, width = rng.integers(1, 8), rng.integers(1, 6), rng.integers(1, 4)
    nodes = leaves + rows
    merges = rng.integers(-2, nodes + (rng.random() < 0.1), size=(rows, width + 1))
    merges[:, -1] = leaves + np.arange(rows)
    sets = [rng.integers(0, nodes, rng.integers(0, 4)) for _ in range(rng.integers(0, 5))]
    signed = rng.choice([np.int8, np.int16, np.int32, np.int64, np.float32, np.float64])
    form = rng.integers(3)
    if form == 0:
        given = padded(sets)
        if given.shape[1] > 1:
            given[given[:, 0] < 0, 1] = 0   # after the end: not read
        given = given.astype(signed)
    elif form == 1:
        given = [s.tolist() for s in sets]
    else:
        dtype = rng.choice([signed, np.uint8, np.uint16, np.uint64])
        given = [s.astype(dtype) for s in sets]
    return merges.astype(signed), given, padded(sets)


def outcome(function, *args):
    try:
        return function(*args)
    except mexsets.Error as error:
        return error.identifier


def test_native_lists_are_the_faithful_ones_less_one():
    rng = np.random.default_rng(5)
    for _ in range(400):
        merges, sets, reference = random_case(rng)
        native = outcome(mexsets.tree_leaf_sets, merges, sets)
        faithful = outcome(octave.tree_leaf_sets, faithful_ids(merges), faithful_ids(reference))
        if isinstance(faithful, str):
            assert native == faithful
            continue
        assert len(native) == len(faithful)
        for mine, theirs in zip(native, faithful):
            assert mine.dtype == np.uint32 and np.array_equal(mine, theirs - 1)


def test_native_refusals():
    def failure(merges, sets):
        with pytest.raises(mexsets.Error) as error:
            mexsets.tree_leaf_sets(merges, sets)
        return error.value

    merges = [[0, 1, 3], [3, 2, 4]]
    assert failure(merges, [4, 3]).reason == "badShape"
    assert "[sets]" in str(failure(merges, np.array([4, 3])))
    assert failure([0, 1, 3], [[4]]).reason == "badShape"
    assert failure([[0, 1.5, 3]], [[3]]).reason == "idNotWhole"
    error = failure(merges, None)
    assert isinstance(error, TypeError) and error.reason == "missingArgument"
    assert failure(merges, [[5]]).reason == "idOutOfRange"
