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
