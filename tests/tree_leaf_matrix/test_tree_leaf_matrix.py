"""tree_leaf_matrix from Python: the native layer gives intp rows of
0-based leaves padded with -1, the native tree_leaf_sets lists and the
Octave-faithful matrix of base 0, on random trees and sets."""
import numpy as np
import pytest

import mexsets
from mexsets import octave


def test_native_rows_are_the_leaf_lists_padded():
    rng = np.random.default_rng(7)
    for _ in range(200):
        leaves, rows = rng.integers(1, 7), rng.integers(1, 5)
        nodes = leaves + rows
        merges = rng.integers(-1, nodes, size=(rows, 3))
        merges[:, -1] = leaves + np.arange(rows)
        sets = [rng.integers(0, nodes, rng.integers(0, 3)).astype(np.int16)
                for _ in range(rng.integers(0, 4))]
        matrix = mexsets.tree_leaf_matrix(merges, sets)
        lists = mexsets.tree_leaf_sets(merges, sets)
        assert matrix.dtype == np.intp and matrix.shape[0] == len(sets)
        assert matrix.shape[1] == max([len(x) for x in lists] + [0])
        for row, leaves_of_set in zip(matrix, lists):
            assert np.array_equal(row[:len(leaves_of_set)], leaves_of_set)
            assert (row[len(leaves_of_set):] == -1).all()
        width = max([len(s) for s in sets] + [0])
        reference = -np.ones((len(sets), width))
        for row, s in enumerate(sets):
            reference[row, :len(s)] = s
        faithful = octave.tree_leaf_matrix(np.where(merges < 0, 0, merges + 1),
                                           reference + 1, 0)
        assert np.array_equal(matrix, faithful)


def test_native_refusals():
    with pytest.raises(mexsets.Error, match="badShape|must be 2-D") as error:
        mexsets.tree_leaf_matrix([[0, 1, 3], [3, 2, 4]], [4, 3])
    assert error.value.identifier == "mexsets:tree_leaf_matrix:badShape"
    with pytest.raises(TypeError):
        mexsets.tree_leaf_matrix(None, [[4]])
    with pytest.raises(TypeError):
        mexsets.tree_leaf_matrix([[0, 1, 2]], [[2]], 0)   # no base
