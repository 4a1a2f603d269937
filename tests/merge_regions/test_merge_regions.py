"""merge_regions from Python: the tuple, its shapes, and failures that name
the arguments and locate entries as NumPy indexes them; the native layer
against the faithful one after the id shift, and its own refusals."""
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


def random_graph(rng, regions):
    """Touching pairs over `regions` regions, with repeats, in either order."""
    count = rng.integers(0, 3 * regions)
    first = rng.integers(0, regions, count)
    second = (first + rng.integers(1, regions, count)) % regions if regions > 1 else first[:0]
    first = first[:second.size]
    lengths = rng.integers(1, 4, first.size).astype(float)
    strengths = rng.integers(0, 9, first.size) * 0.5
    return first, second, lengths, strengths, rng.integers(1, 9, regions).astype(float)


def test_native_tree_is_the_faithful_one_of_base_0():
    """0-based ids of any integer dtype give the faithful tree of ids + 1 in
    base 0, as intp, and the same areas and heights to the bit."""
    rng = np.random.default_rng(9)
    for _ in range(200):
        first, second, lengths, strengths, areas = random_graph(rng, rng.integers(1, 12))
        dtype = rng.choice([np.int8, np.uint16, np.int64, np.float64])
        tree = mexsets.merge_regions(first.astype(dtype), second.astype(dtype), lengths,
                                     strengths, areas)
        merges, node_areas, heights = octave.merge_regions(first + 1, second + 1, lengths,
                                                           strengths, areas, 0)
        assert tree._fields == ("merges", "areas", "heights")
        assert tree.merges.dtype == np.intp and tree.merges.shape == merges.shape
        assert np.array_equal(tree.merges, merges)
        assert tree.areas.tobytes() == node_areas.tobytes()
        assert tree.heights.tobytes() == heights.tobytes()


def test_native_refusals():
    def failure(*args):
        with pytest.raises(mexsets.Error) as error:
            mexsets.merge_regions(*args)
        return error.value.reason

    assert failure([0.5], [1], [1], [1], [1, 1]) == "idNotWhole"
    assert failure([[0], [1]], [[1], [0]], [1, 1], [1, 1], [1, 1]) == "badShape"
    assert failure([0], None, [1], [1], [1, 1]) == "missingArgument"
    assert failure([0], [2], [1], [1], [1, 1]) == "idOutOfRange"
    with pytest.raises(TypeError):
        mexsets.merge_regions([0], [1], [1], [1], [1, 1], 0)   # no base
