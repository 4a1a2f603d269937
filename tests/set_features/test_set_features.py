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


def test_native_modes_are_faithful(random_sets, same_bits):
    rng = np.random.default_rng(17)
    for trial in range(20):
        k = int(rng.integers(1, 9))
        padded, forms = random_sets(rng, int(rng.integers(0, 8)), 5, k)
        v, boxes, w = rng.standard_normal(k), rng.standard_normal((k, 4)), rng.random((k, k))
        expected = {"min": octave.set_features(padded, v[:, None], 1),
                    "ratio": octave.set_features(padded, v[:, None], 2),
                    "perimeter": octave.set_features(padded, v[:, None], 3, w),
                    "box": octave.set_features(padded, boxes, 4)[1]}
        for sets in forms:
            for mode, want in expected.items():
                got = mexsets.set_features(sets, boxes if mode == "box" else v, mode, w=w)
                assert type(got) is {"ratio": mexsets.Ratio, "perimeter": mexsets.Perimeter
                                     }.get(mode, np.ndarray)
                pairs = zip(got, want) if isinstance(got, tuple) else [(got, want)]
                assert all(same_bits(x, y) for x, y in pairs)
    for mode in 2, "mean", None:
        with pytest.raises(mexsets.Error) as error:
            mexsets.set_features(IDS, [1, 2, 3], mode)
        assert error.value.identifier == "mexsets:set_features:badChoice"
    with pytest.raises(mexsets.ArgumentTypeError) as error:
        mexsets.set_features(IDS, [1, 2, 3], "perimeter")
    assert error.value.reason == "missingArgument"
