"""boundary_grid from Python: layouts, boundary_sums on its outputs, and
failures located as NumPy indexes them; the native layer against the
faithful one after the id shift, and its own refusals."""
import numpy as np
import pytest

import mexsets
from mexsets import octave


def test_layouts_and_boundary_sums_on_a_colour_image():
    rng = np.random.default_rng(3)
    labels = rng.integers(1, 6, size=(7, 9)).astype(float)
    img = rng.random((7, 9, 3))
    grid, strength, keys, first, second = octave.boundary_grid(labels, img)
    assert grid.shape == strength.shape == (15, 19) and grid.flags.f_contiguous
    assert keys.ndim == first.ndim == second.ndim == 1
    assert np.array_equal(strength[1::2, 2:-1:2], np.sqrt((np.diff(img, axis=1) ** 2).sum(2)))
    pair, border = octave.boundary_sums(5, first, second, keys, grid, np.ones_like(grid))
    across = np.stack([labels[:, :-1].ravel(), labels[:, 1:].ravel()])
    down = np.stack([labels[:-1].ravel(), labels[1:].ravel()])
    count = np.zeros((5, 5))
    for a, b in np.concatenate([across, down], axis=1).T.astype(int):
        if a != b:
            count[min(a, b) - 1, max(a, b) - 1] += 1
    assert np.array_equal(pair, count)
    assert border.sum() == 2 * (7 + 9)
    assert not octave.boundary_grid(labels)[1].any()


def test_failures_locate_entries_in_python_terms():
    with pytest.raises(mexsets.Error) as error:
        octave.boundary_grid([[1, 2], [3, np.nan]])
    assert error.value.reason == "idNotANumber"
    assert str(error.value).endswith("Region id outside 1..94906264: labels[1, 1] holds NaN")
    with pytest.raises(mexsets.Error) as error:
        octave.boundary_grid([[1, 2]], np.zeros((2, 1, 3)))
    assert error.value.reason == "valueSizeMismatch"
    assert str(error.value).endswith("values is 2-by-1-by-3, labels is 1-by-2")


def test_native_layer_is_the_faithful_one_less_one():
    """0-based labels of any dtype: the grids and keys of labels + 1, the
    regions of each key less one (-1 for a rim key) as intp."""
    rng = np.random.default_rng(8)
    for _ in range(100):
        shape = rng.integers(0, 6, 2)
        labels = rng.integers(0, 6, size=shape)
        labels = labels.astype(rng.choice([np.uint8, np.int16, np.int64, np.float32]))
        values = rng.random(tuple(shape) + (int(rng.integers(1, 4)),)) \
            if rng.random() < 0.7 else None
        native = mexsets.boundary_grid(labels, values)
        faithful = octave.boundary_grid(labels + 1.0, values)
        assert native._fields == ("grid", "strength", "keys", "first", "second")
        for mine, theirs in zip(native[:3], faithful[:3]):
            assert mine.tobytes() == theirs.tobytes() and mine.shape == theirs.shape
        for mine, theirs in zip(native[3:], faithful[3:]):
            assert mine.dtype == np.intp and np.array_equal(mine, theirs - 1)


def test_native_refusals():
    def failure(*args):
        with pytest.raises(mexsets.Error) as error:
            mexsets.boundary_grid(*args)
        return error.value.reason

    assert failure([0, 1, 1]) == "badShape"
    assert failure([[0, 1.5]]) == "idNotWhole"
    assert failure(None) == "missingArgument"
    assert failure([[0, -1]]) == "idOutOfRange"
