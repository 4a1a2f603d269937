"""set_features from Python: the outputs each mode gives, the optional
inputs, and failures located as NumPy indexes the ids."""
import numpy as np
import pytest

import mexsets
from mexsets import octave

IDS = [[0, 1, 2], [2, -1, 0]]
V = [[2, 1, 5, 6], [4, 0, 7, 2], [8, 3, 1, 9]]


def test_outputs_per_mode():
    smallest = octave.set_features(IDS, V)                 # mode 1: one array
    assert isinstance(smallest, np.ndarray) and smallest.tolist() == [2, 8]
    ratio, total = octave.set_features(IDS, V, mode=2)     # two 1-D arrays
    assert ratio.shape == total.shape == (2,) and total.tolist() == [14, 8]
    features, box = octave.set_features(IDS, V, mode=4, w=np.zeros((9, 9, 9)))  # w unread
    assert features.tolist() == [0, 0] and box.shape == (2, 4) and box.flags.f_contiguous
    assert box.tolist() == [[2, 0, 7, 9], [8, 3, 1, 9]]
    for mode in (0, 5, -1, 0.5, np.nan):
        with pytest.raises(mexsets.Error, match=r"mode is (0|5|-1|0\.5|NaN)$") as error:
            octave.set_features(IDS, V, mode=mode)
        assert error.value.reason == "badMode"
    perimeter, shared = octave.set_features([0, 1, -1], [[10], [12]], 3, [[0, 3], [3, 0]])
    assert perimeter.tolist() == [16] and shared.tolist() == [3]


def test_failures():
    def failure(*args, **kwargs):
        with pytest.raises(mexsets.Error) as error:
            octave.set_features(*args, **kwargs)
        return error.value.reason, str(error.value)

    assert failure(IDS, V, 3) == ("nargin", "For perimeter we need 4 parameters")
    assert failure([[0, 1], [np.nan, 0]], [[2], [4]], 2) == (
        "idNotANumber", "Id outside 0..1 (rows of v): ids[1, 0] holds NaN")
    assert failure([0, 1, 2], [[2], [4], [6]], 3, np.eye(2)) == (
        "idOutOfRange", "Id outside 0..1 (rows of v, rows and columns of w): ids[2] holds 2")
    assert failure([0], [[2]], 3, np.zeros((0, 0))) == (
        "idOutOfRange", "Id with nothing to address (v or w is empty): ids[0] holds 0")
    assert failure(IDS, [[2], [4], [8]], mode=4) == (
        "tooFewColumns", "Too few value columns for mode 4, which reads 4: v is 3-by-1")
    assert failure(IDS, V, mode=[]) == ("badScalar", "Expected a numeric scalar: mode is empty")
