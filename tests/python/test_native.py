"""The conventions every native function (mexsets.<name>) shares: None for a
required argument (missingArgument, a TypeError), 1-D where rows are expected
(badShape), ids with a fraction (idNotWhole), ragged sets read as the padded
matrix, and the computation's own refusals passed on with their
identifiers."""
import inspect

import numpy as np
import pytest

import mexsets

LABELS = [[0, 5, 0], [7, 0, 5], [0, 7, 0]]
# A valid call of each function; ROWS: the argument that holds sets or rows
# of points; IDS: an argument of ids.
CALLS = {
    "score_subsets": ([1.0, 2.0, 3.0], [1.0, 1.0, 1.0], [[0, 2], [1, -1], [-1, -1]]),
    "rank_diverse": ([[0, 1], [1, -1], [-1, -1]], [1.0, 0.5, 0.2], np.eye(2)),
    "suppress_overlaps": ([[0, 1], [1, -1], [-1, -1]], [1.0, 1.0], np.eye(2)),
    "tree_overlap_matrix": ([[0, 1, 2]], [1.0, 2.0, 0.0]),
    "boundary_sums": (2, [0, -1], [1, 0], [5, 7], LABELS, np.ones((3, 3))),
    "set_features": ([[0, 1], [1, -1], [-1, -1]], [1.0, 2.0]),
    "nondominated": ([[1, 2], [2, 1]],),
}
ROWS = {"score_subsets": 2, "rank_diverse": 0, "suppress_overlaps": 0,
        "tree_overlap_matrix": 0, "set_features": 0, "nondominated": 0}
IDS = {"score_subsets": 2, "rank_diverse": 0, "suppress_overlaps": 0,
       "tree_overlap_matrix": 0, "boundary_sums": 1, "set_features": 0}


def function(name):
    if name not in mexsets.__all__:
        pytest.skip(f"no native wrapper of {name} in this build")
    return getattr(mexsets, name)


def replaced(name, position, value):
    args = list(CALLS[name])
    args[position] = value
    return args


def refusal(name, args, kind=mexsets.Error):
    with pytest.raises(kind) as error:
        function(name)(*args)
    assert error.value.identifier.startswith(f"mexsets:{name}:")
    return error.value.reason, str(error.value)


@pytest.mark.parametrize("name", CALLS)
def test_none_for_a_required_argument(name):
    function(name)(*CALLS[name])
    parameters = list(inspect.signature(function(name)).parameters.values())
    for k, parameter in enumerate(parameters[:len(CALLS[name])]):
        if parameter.default is inspect.Parameter.empty:
            assert refusal(name, replaced(name, k, None), TypeError) == (
                "missingArgument", f"{name}: {parameter.name} is required (got None)")


@pytest.mark.parametrize("name", ROWS)
def test_one_row_alone_is_refused_not_read_as_a_row(name):
    k = ROWS[name]
    row = np.asarray(CALLS[name][k])[0]
    reason, message = refusal(name, replaced(name, k, row))
    assert reason == "badShape"
    argument = list(inspect.signature(function(name)).parameters)[k]
    assert message.startswith(f"{name}: {argument} must be 2-D") and f"{row.shape}" in message
    assert refusal(name, replaced(name, k, row.tolist()))[0] == "badShape"
    assert refusal(name, replaced(name, k, np.zeros((1, 2, 2))))[0] == "badShape"


def test_value_vectors_must_be_1d():
    assert refusal("score_subsets", replaced("score_subsets", 0, [[1.0, 2.0, 3.0]]))[0] == \
        "badShape"
    assert refusal("rank_diverse", replaced("rank_diverse", 1, [[1.0], [0.5]]))[0] == "badShape"
    assert refusal("rank_diverse", list(CALLS["rank_diverse"]) + [[0.5, 0.5]])[0] == "badShape"


@pytest.mark.parametrize("name", IDS)
def test_ids_must_be_whole_and_nan_goes_on(name):
    k = IDS[name]
    ids = np.array(CALLS[name][k], dtype=float)
    flat = ids.reshape(-1)
    flat[1] += 0.5
    reason, message = refusal(name, replaced(name, k, ids))
    where = "1" if ids.ndim == 1 else "0, 1"
    assert reason == "idNotWhole" and f"[{where}] holds {flat[1]!r}" in message
    flat[1] = np.nan
    assert refusal(name, replaced(name, k, ids))[0] == "idNotANumber"


@pytest.mark.parametrize("name", ["score_subsets", "rank_diverse", "suppress_overlaps",
                                  "set_features"])
def test_ragged_sets_are_the_padded_matrix(name):
    k = ROWS[name]
    padded = function(name)(*replaced(name, k, np.array([[1, 0, -1], [-1, -1, -1], [1, -1, -1]])))
    for ragged in [[1, 0], [], [1]], [np.array([1, 0]), [], (1,)], ((1.0, 0), [], [True]):
        got = function(name)(*replaced(name, k, ragged))
        for x, y in zip(got, padded) if isinstance(got, tuple) else [(got, padded)]:
            assert x.dtype == y.dtype
            assert np.array_equal(x, y[:, :x.shape[1]] if x.ndim == 2 else y)


def test_ids_come_back_0_based_intp():
    order = mexsets.rank_diverse(*CALLS["rank_diverse"]).order
    assert order.dtype == np.intp and order.tolist() == [0, 1, 2]
    assert mexsets.score_subsets([1.0], [1.0], []).sums_a.shape == (0,)   # no set
    accepted, kept = mexsets.suppress_overlaps([[0, 1], [1, 0], [1, -1, 7]], [1, 1], np.eye(2))
    assert accepted.dtype == kept.dtype == np.intp
    assert accepted.tolist() == [[0, 1, -1], [1, -1, 7]] and kept.tolist() == [0, 2]


def test_the_computation_refuses_as_before():
    reason, message = refusal("score_subsets", replaced("score_subsets", 2, [[0, 3]]))
    assert reason == "idOutOfRange" and "[0, 1]" in message
    big = np.array([[0, 2**60]], dtype=np.int64)
    assert refusal("score_subsets", replaced("score_subsets", 2, big))[0] == "integerTooLarge"
    assert refusal("rank_diverse", replaced("rank_diverse", 0, [[0, 1j]]), TypeError)[0] == \
        "complexInput"


def test_the_host_shifts_ids_of_every_dtype_layout_and_size_as_numpy_would():
    rng = np.random.default_rng(5)
    for rows, cols in (3, 4), (90, 60):   # the second is copied without the GIL
        sets = rng.integers(-2, 9, size=(rows, cols))
        a = rng.standard_normal(9)
        expected = mexsets.octave.score_subsets(a, a, np.maximum(sets + 1, 0))
        wide = np.repeat(sets, 2, axis=1)
        forms = [sets.astype(np.int8), sets.astype(">i4"), sets.astype(np.float16),
                 sets.astype(">f8"), np.asfortranarray(sets), wide[:, ::2], wide.T[::2].T,
                 sets.astype(float)[::-1][::-1]]
        for form in forms:
            before = form.copy()
            got = mexsets.score_subsets(a, a, form)
            assert np.array_equal(got.sums_a, expected[0]), form.dtype
            assert np.array_equal(form, before)   # read, never written
        unsigned = np.abs(sets)
        expected = mexsets.octave.score_subsets(a, a, unsigned + 1)
        for dtype in np.uint8, np.uint64, np.uint16:
            assert np.array_equal(mexsets.score_subsets(a, a, unsigned.astype(dtype))[0],
                                  expected[0])
    flags = np.array([[True, True], [False, False]])   # True is id 1, False id 0
    assert mexsets.score_subsets([1.0, 2.0], [0.0, 0.0], flags)[0].tolist() == [4.0, 2.0]


def test_the_first_fraction_in_row_order_and_ids_beyond_2_53_after_the_shift():
    ids = np.asfortranarray([[0.0, 1.0, 0.25], [1.5, 0.0, 1.0]])
    reason, message = refusal("score_subsets", replaced("score_subsets", 2, ids))
    assert reason == "idNotWhole" and "sets[0, 2] holds 0.25," in message
    reason, message = refusal("tree_overlap_matrix", [[[0.0, 1.0, 2.5]], [1.0, 2.0, 0.0]])
    assert reason == "idNotWhole" and "merges[0, 2] holds 2.5," in message
    for big in 2**53, -2**53 - 2, 2**63 - 1:   # 2**53 + 1 and 2**63 (wrapped) once shifted
        reason, message = refusal("score_subsets",
                                  replaced("score_subsets", 2, np.array([[0, big]])))
        assert reason == "integerTooLarge" and "sets[0, 1]" in message
    # The arguments are checked in order: a bad shape before a later fraction.
    args = replaced("score_subsets", 0, [[1.0, 2.0, 3.0]])
    args[2] = [[0.5]]
    assert refusal("score_subsets", args)[0] == "badShape"


def test_large_inputs_in_c_order_are_read_as_small_ones_are():
    # From 4 MiB on, the host's copy is laid out in huge pages.
    rng = np.random.default_rng(11)
    sets = rng.integers(-1, 9, size=(1100, 500))
    a = rng.standard_normal(9)
    one_based = np.maximum(sets + 1, 0)
    expected = mexsets.octave.score_subsets(a, a, np.asfortranarray(one_based, dtype=float))
    for form in sets, sets.astype(float), sets.astype(np.int32).T.copy().T:
        assert np.array_equal(mexsets.score_subsets(a, a, form).sums_a, expected[0])
    for form in one_based, one_based.astype(float):
        assert all(np.array_equal(g, e) for g, e in
                   zip(mexsets.octave.score_subsets(a, a, form), expected))
    # The first failure in column-major order (too large), in row order (a fraction).
    big = np.maximum(sets, 0)
    big[3, 400] = big[700, 2] = 2**60
    _, message = refusal("score_subsets", replaced("score_subsets", 2, big))
    assert f"sets[700, 2] holds {2**60 + 1}" in message
    with pytest.raises(mexsets.Error, match=r"subsets\[700, 2\] holds"):
        mexsets.octave.score_subsets(a, a, big)
    half = big.astype(float)
    half[3, 400] = half[700, 2] = 0.5
    _, message = refusal("score_subsets", replaced("score_subsets", 2, half))
    assert "sets[3, 400] holds 0.5," in message
