"""nondominated from Python: the front as a 1-D bool array, the first page
of deeper arrays, and inputs of other dtypes read exactly."""
import numpy as np
import pytest

import mexsets
from mexsets import octave

POINTS = [[3, 1], [1, 3], [2, 2], [3, 3]]


def test_front_pages_and_dtypes():
    front = octave.nondominated(POINTS)
    assert front.dtype == bool and front.tolist() == [True, True, True, False]
    deep = np.stack([POINTS, np.zeros((4, 2))], axis=2)    # only x[:, :, 0] is read
    assert octave.nondominated(deep).tolist() == front.tolist()
    assert octave.nondominated(np.array(POINTS, dtype=np.int8)).tolist() == front.tolist()
    assert octave.nondominated([7, -3, 2]).tolist() == [True]     # 1-D: one point
    assert octave.nondominated(np.zeros((3, 0))).tolist() == [True, False, False]
    assert octave.nondominated(np.zeros((0, 2))).shape == (0,)


def test_refusals():
    with pytest.raises(mexsets.Error) as error:
        octave.nondominated(np.zeros((2, 3, 0)))
    assert error.value.identifier == "mexsets:nondominated:noFirstPage"
    assert str(error.value) == ("Expected an M-by-D page of points: x has shape (2, 3, 0) "
                                "and holds no element")
    with pytest.raises(mexsets.ArgumentTypeError):
        octave.nondominated(np.array(POINTS) * 1j)
