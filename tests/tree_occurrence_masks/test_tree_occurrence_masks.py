"""tree_occurrence_masks from Python: the native layer (0-based labels and
ids, sets padded with -1 or ragged) gives the Octave-faithful masks of the
ids plus one, on random trees, labels and sets, or the same failure; and
the refusals of its own."""
import numpy as np
import pytest

import mexsets
from mexsets import octave


def faithful_ids(x):
    """The documented shift: ids + 1, a negative entry (an end) 0."""
    x = np.asarray(x, dtype=float)
    return np.where(x < 0, 0, x + 1)


def outcome(function, *args):
    try:
        return function(*args)
    except mexsets.Error as error:
        return error.identifier


def test_native_masks_are_the_faithful_ones():
    rng = np.random.default_rng(6)
    for _ in range(300):
        leaves, rows, width = rng.integers(1, 7), rng.integers(1, 5), rng.integers(1, 4)
        nodes = leaves + rows
        dtype = rng.choice([np.int8, np.int32, np.int64, np.float64])
        merges = rng.integers(-1, nodes, size=(rows, width + 1)).astype(dtype)
        merges[0, -1] = leaves
        labels = rng.integers(0, nodes + (rng.random() < 0.1), size=rng.integers(0, 4, 2))
        sets = [rng.integers(0, nodes, rng.integers(0, 3)).tolist()
                for _ in range(rng.integers(0, 4))]
        width = max([len(s) for s in sets] + [0])
        reference = [s + [-1] * (width - len(s)) for s in sets]
        native = outcome(mexsets.tree_occurrence_masks, labels.astype(dtype), merges, sets)
        faithful = outcome(octave.tree_occurrence_masks, labels + 1.0, faithful_ids(merges),
                           faithful_ids(reference).reshape(len(sets), width))
        if isinstance(faithful, str):
            assert native == faithful
        else:
            assert native.dtype == bool and native.shape == faithful.shape
            assert np.array_equal(native, faithful)


def test_native_refusals():
    def failure(*args):
        with pytest.raises(mexsets.Error) as error:
            mexsets.tree_occurrence_masks(*args)
        return error.value.reason

    merges = [[0, 1, 3], [3, 2, -1]]
    assert failure([0, 1, 2], merges, [[3]]) == "badShape"
    assert failure([[0, 1, 2]], merges, [3, 1]) == "badShape"
    assert failure([[0, 1, 2.5]], merges, [[3]]) == "idNotWhole"
    assert failure([[0, 1, 2]], None, [[3]]) == "missingArgument"
    assert failure([[0, 1, -1]], merges, [[3]]) == "idOutOfRange"


def test_large_masks_are_false_where_nothing_is_marked():
    """Masks of 4 MiB and more are made of pages that read as zeros until
    written, also right after as much memory held other values."""
    labels = np.ones((1024, 1024))
    labels[:, 512:] = 2
    for _ in range(3):
        dirty = [np.ones((1024, 1024, 8), dtype=bool) for _ in range(2)]
        del dirty
        m = octave.tree_occurrence_masks(labels, [[1, 2, 3]], np.ones((8, 1)))
        assert m.shape == (1024, 1024, 8) and m.flags.owndata and m.flags.f_contiguous
        assert m[:, :512].all() and not m[:, 512:].any()
