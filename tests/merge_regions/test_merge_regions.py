"""merge_regions from Python: the tuple, its shapes, and failures that name
the arguments and locate entries as NumPy indexes them."""
import numpy as np
import pytest

import mexsets
from mexsets import octave


def test_outputs_and_bases():
    args = ([1, 2, 3, 1], np.array([2, 3, 4, 3], np.int32), [2, 1, 2, 1], [1, 3, 2, 2],
            [4, 3, 5, 2, 1])
    merges, areas, heights = octave.merge_regions(*args)
    assert merges.shape == (4, 3) and merges.flags.f_contiguous and areas.shape == (9,)
    assert heights.shape == (4,) and heights[:3].tolist() == [0.5, 1, 2.5]
    assert np.isnan(heights[3])
    assert merges[:, 2].tolist() == [6, 7, 8, 9]
    assert (octave.merge_regions(*args, base=0)[0] == merges - 1).all()
    merges, areas, heights = octave.merge_regions([], [], [], [], [7])
    assert merges.shape == (0, 3) and areas.tolist() == [7] and heights.shape == (0,)


def test_failures_locate_entries_in_python_terms():
    def failure(*args, **kwargs):
        with pytest.raises(mexsets.Error) as error:
            octave.merge_regions(*args, **kwargs)
        return error.value.reason, str(error.value)

    assert failure([1, 2], [2, 3], [1, 1], [1, 1], [1, 1]) == (
        "idOutOfRange", "Second id outside 1..2: second[1] holds 3")
    assert failure([[1], [2]], [[2], [2.5]], [1, 1], [1, 1], [1, 1]) == (
        "selfPair", "Second id names the first id's region: second[1, 0] holds 2.5")
    assert failure([1], [2], [1], [1], [1, 1], base=2) == (
        "badBase", "Base neither 0 nor 1: base holds 2")
