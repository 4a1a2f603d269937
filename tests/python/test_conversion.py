"""How the package reads NumPy inputs and shapes its outputs: every layout
and exact dtype gives the bits of the Fortran-ordered float64 call; refused
dtypes and shapes raise with the Octave identifiers."""
import numpy as np
import pytest

import mexsets
from mexsets import octave
from cases import NAMES, matrix_positions, needs, outputs, same
from check_mexsets import example_differences
from examples import valid_call


def call(name, args):
    return getattr(octave, name)(*args)


def reference(name):
    args = [np.asfortranarray(a, dtype=np.float64) if np.ndim(a) == 2 else a
            for a in valid_call(name)]
    return args, call(name, args)


def variants(array):
    """The same values in other layouts and, where exact, other dtypes."""
    a = np.asfortranarray(array, dtype=np.float64)
    wide = np.zeros((a.shape[0] * 2 + 1, a.shape[1] * 3), order="C")
    wide[1::2, ::3] = a
    readonly = a.copy(order="C")
    readonly.flags.writeable = False
    out = {"C order": np.ascontiguousarray(a), "strided": wide[1::2, ::3],
           "read-only": readonly, "list": a.tolist(), "big-endian": a.astype(">f8"),
           "transposed view": np.ascontiguousarray(a.T).T}
    if np.all(a == np.round(a)):
        for dtype in (np.int8, np.int32, np.int64, np.uint16, np.float16, np.float32):
            if np.all(a.astype(dtype).astype(np.float64) == a):
                out[np.dtype(dtype).name] = a.astype(dtype)
        if np.all((a == 0) | (a == 1)):
            out["bool"] = a.astype(bool)
    return out


@pytest.mark.parametrize("name", NAMES)
def test_examples_give_their_outputs(name):
    assert not example_differences(name)


@pytest.mark.parametrize("name", NAMES)
def test_layouts_and_dtypes_give_the_same_bits(name):
    args, expected = reference(name)
    for k in matrix_positions(name):
        for label, variant in variants(args[k]).items():
            changed = list(args)
            changed[k] = variant
            assert same(call(name, changed), expected), f"input {k} as {label}"


@needs("score_subsets")
def test_shapes_read_as_matlab_reads_them():
    f = octave.score_subsets
    row = f([10, 20, 30], [1, 2, 3], [3, 1, 0, 2])            # 1-D: one row
    assert same(row, f([[10, 20, 30]], [[1, 2, 3]], [[3, 1, 0, 2]]))
    assert same(f(10, 1, 1), f([[10]], [[1]], [[1]]))          # 0-d: 1-by-1
    deep = np.array([[3, 1, 0, 2]], dtype=float)[:, :, None, None]
    assert same(f([10, 20, 30], [1, 2, 3], deep), row)         # trailing 1s dropped
    with pytest.raises(mexsets.Error) as error:
        f([10, 20, 30], [1, 2, 3], np.ones((1, 4, 2)))
    assert error.value.identifier == "mexsets:score_subsets:dimensionsNotCoherent"
    assert "subsets" in str(error.value)


@needs("score_subsets", "nondominated", "tree_leaf_sets")
def test_zero_size_inputs_give_empty_outputs():
    a, b = octave.score_subsets([1.0], [2.0], np.zeros((0, 3)))
    assert a.shape == b.shape == (0,) and a.dtype == np.float64
    a, _ = octave.score_subsets([1.0], [2.0], np.zeros((2, 0)))
    assert a.tolist() == [0.0, 0.0]
    assert octave.nondominated(np.zeros((0, 2))).shape == (0,)
    assert octave.tree_leaf_sets([[1, 2, 4], [4, 3, 5]], np.zeros((0, 2))) == []


@pytest.mark.parametrize("name", NAMES)
def test_outputs_are_new_arrays_in_fortran_order(name):
    for array in outputs(call(name, valid_call(name))):
        assert array.flags.owndata and array.flags.writeable and array.flags.f_contiguous


@needs("suppress_overlaps")
def test_inputs_are_never_written():
    args = [np.array(a, dtype=float, order="F") for a in valid_call("suppress_overlaps")[:3]]
    before = [a.copy() for a in args]
    octave.suppress_overlaps(*args)
    assert all(np.array_equal(a, b) for a, b in zip(args, before))


@pytest.mark.parametrize("value, reason", [
    (np.array([[1 + 2j]]), "complexInput"),
    (np.array([["a"]]), "typesNotCoherent"),
    (np.array([[object()]]), "typesNotCoherent"),
    (np.array([[1]], dtype=np.longdouble), "typesNotCoherent"),
    (np.array([[1]], dtype="datetime64[s]"), "typesNotCoherent"),
])
@needs("score_subsets")
def test_refused_dtypes_are_type_errors(value, reason):
    with pytest.raises(TypeError) as error:
        octave.score_subsets([1.0], [1.0], value)
    assert isinstance(error.value, mexsets.Error)
    assert error.value.identifier == f"mexsets:score_subsets:{reason}"


@needs("score_subsets")
def test_integers_beyond_2_to_53_are_refused_not_rounded():
    big = np.array([[1, 2], [3, 2**53 + 1]], dtype=np.int64)
    with pytest.raises(mexsets.Error) as error:
        octave.score_subsets([1.0, 2.0], [1.0, 2.0], big)
    assert error.value.reason == "integerTooLarge"
    assert str(error.value).endswith("subsets[1, 1] holds 9007199254740993")
    with pytest.raises(mexsets.Error):
        octave.score_subsets([1.0], [1.0], np.array([2**64 - 1], dtype=np.uint64))
    a, _ = octave.score_subsets(np.array([-2**53], dtype=np.int64), [1.0], [1])
    assert a.tolist() == [-2.0**53]


@needs("score_subsets")
def test_errors_locate_entries_as_python_indexes_them():
    with pytest.raises(mexsets.Error) as error:
        octave.score_subsets([10, 20, 30], [1, 2, 3], [[3, 1, 0, 2], [1, 7, 0, 0]])
    assert error.value.identifier == "mexsets:score_subsets:idOutOfRange"
    assert str(error.value) == "Item id outside 1..3: subsets[1, 1] holds 7"
    with pytest.raises(mexsets.Error, match=r"subsets\[2\] holds NaN$"):
        octave.score_subsets([10, 20, 30], [1, 2, 3], [1, 2, np.nan])
    with pytest.raises(TypeError):
        octave.score_subsets([1.0], [1.0])


@needs("boundary_grid")
def test_three_dimensional_integers_beyond_2_to_53_are_refused():
    labels = np.array([[1, 2], [1, 2]])
    values = np.zeros((2, 2, 3), dtype=np.int64)
    values[1, 0, 2] = -(2**53) - 1
    with pytest.raises(mexsets.Error) as error:
        octave.boundary_grid(labels, values)
    assert error.value.reason == "integerTooLarge"
    assert str(error.value).endswith("values[1, 0, 2] holds -9007199254740993")
    values[1, 0, 2] = 2**53
    expected = octave.boundary_grid(labels, values.astype(np.float64))
    for got, want in zip(octave.boundary_grid(labels, values), expected):
        np.testing.assert_array_equal(got, want)
