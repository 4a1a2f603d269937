"""boundary_sums from Python: output shapes, and failures that name the
arguments and locate entries as NumPy indexes them."""
import numpy as np
import pytest

import mexsets
from mexsets import octave

LABELS = np.array([[0, 5, 0], [7, 0, 5], [0, 7, 0]])
WEIGHTS = np.array([[0, 1, 0], [2, 0, 3], [0, 4, 0]])


def failure(*args):
    with pytest.raises(mexsets.Error) as error:
        octave.boundary_sums(*args)
    return error.value.reason, str(error.value)


def test_outputs_and_key_positions():
    pair, border = octave.boundary_sums(2.9, [1, 0], [2, 1], [5, 7], LABELS, WEIGHTS)
    assert pair.shape == (2, 2) and pair.flags.f_contiguous and border.shape == (2,)
    assert pair.tolist() == [[0, 4], [0, 0]] and border.tolist() == [6, 0]
    # A 2-by-2 key list holds L = 2 keys, its first two in column-major
    # order; the ids are read at the same positions.
    pair, border = octave.boundary_sums(2, [[1, 9], [0, 9]], [[2, 9], [1, 9]],
                                         [[5, np.nan], [7, np.nan]], LABELS, WEIGHTS)
    assert pair.tolist() == [[0, 4], [0, 0]] and border.tolist() == [6, 0]


def test_failures_locate_entries_in_python_terms():
    ids = ([1, 0], [2, 1])
    assert failure(2, [[1, 0], [0, 3]], [2, 1, 1, 1], [5, 7, 8, 9], LABELS, WEIGHTS) == (
        "idOutOfRange", "First id neither 0 nor in 1..2: first[1, 1] holds 3")
    assert failure(2, *ids, [5, np.nan], LABELS, WEIGHTS) == (
        "keyNotANumber", "Key is NaN: keys[1] holds NaN")
    # Both 7s become 6: the even rows are visited first, so [2, 1] is the
    # first label without key, not [1, 0].
    assert failure(2, *ids, [5, 7], np.where(LABELS == 7, 6, LABELS), WEIGHTS) == (
        "labelWithoutKey", "Label matches no key: labels[2, 1] holds 6")
    assert failure(2, [1], [2, 1], [5, 7], LABELS, WEIGHTS) == (
        "tooFewIds", "Too few first ids: first holds 1 element, the key list (keys) 2")
    assert failure(2, *ids, [5, 7], LABELS, WEIGHTS[:2]) == (
        "weightGridTooSmall",
        "Weight grid smaller than the label grid: weights is 2-by-3, labels is 3-by-3")
    assert failure(-1, *ids, [5, 7], LABELS, WEIGHTS) == (
        "sizeOutOfRange", "Size n outside 0..2147483647: n holds -1")
