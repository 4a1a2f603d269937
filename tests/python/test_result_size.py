"""Results whose size follows from input values are checked against the
memory the machine can give (MEXSETS_MEMORY_LIMIT here) before they are made;
Python holds one copy of a result."""
import numpy as np
import pytest

import mexsets
from mexsets import octave

NAMES = set(mexsets._function_names())

# name, valid arguments, result bytes, message
CASES = [
    ("tree_occurrence_masks", ([[1, 1, 2], [3, 3, 2]], [[1, 2, 4], [4, 3, 0]], [[4, 0], [3, 1]]),
     12, "the 2-by-3-by-2 logical masks for sets would take 12 bytes, but MEXSETS_MEMORY_LIMIT "
         "allows 11 bytes; ask for fewer node sets (rows of sets) per call"),
    ("tree_overlap_matrix", ([], [[0, 1, 2]], [[1], [1], [1]]),
     72, "the 3-by-3 overlap matrix for node_rows would take 72 bytes"),
    ("tree_leaf_sets", ([[1, 2, 4], [4, 3, 5]], [[5], [5]]),
     280, "the leaf lists of 2 node sets for sets would take 280 bytes"),
    ("boundary_sums", (2, [1, 0], [2, 1], [5, 7], [[0, 5, 0], [7, 0, 5], [0, 7, 0]],
                       [[0, 1, 0], [2, 0, 3], [0, 4, 0]]),
     48, "the 2-by-2 pair matrix and the 2-by-1 border sums for n would take 48 bytes"),
]


@pytest.mark.parametrize("name, args, size, message", CASES, ids=[c[0] for c in CASES])
def test_results_beyond_the_limit_are_refused(monkeypatch, name, args, size, message):
    if name not in NAMES:
        pytest.skip(f"{name} is not in this build")
    function = getattr(octave, name)
    monkeypatch.setenv("MEXSETS_MEMORY_LIMIT", str(size))
    function(*args)
    monkeypatch.setenv("MEXSETS_MEMORY_LIMIT", str(size - 1))
    with pytest.raises(mexsets.Error) as error:
        function(*args)
    assert error.value.identifier == f"mexsets:{name}:outputTooLarge"
    assert f"Output too large: {message}" in str(error.value)


def test_sizes_beyond_64_bits_are_refused_whatever_the_limit(monkeypatch):
    if "tree_overlap_matrix" not in NAMES:
        pytest.skip("tree_overlap_matrix is not in this build")
    monkeypatch.setenv("MEXSETS_MEMORY_LIMIT", str(2**64 - 1))
    with pytest.raises(mexsets.Error, match="would take more than 2\\^64-1 bytes, but"):
        octave.tree_overlap_matrix([], np.zeros((0, 0)), np.zeros((2**32, 0)))
