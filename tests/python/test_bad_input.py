"""Faulty input never crashes the interpreter: every function returns or
raises mexsets.Error or TypeError, whatever replaces one of its arguments."""
import numpy as np
from hypothesis import given, settings, strategies as st

import mexsets
from mexsets import octave
from cases import NAMES
from examples import valid_call

SPECIAL = [0.0, -0.0, 1.0, -1.0, 0.5, 2.9, 1e-300, -1e-300, np.nan, np.inf, -np.inf,
           2.0**31, 2.0**32, 2.0**53, -2.0**63, 1e308, 3.0, 7.0]

values = st.one_of(st.sampled_from(SPECIAL), st.integers(-3, 12).map(float))
shapes = st.tuples(st.integers(0, 4), st.integers(0, 5))


@st.composite
def arguments(draw):
    shape = draw(shapes)
    array = np.array(draw(st.lists(values, min_size=shape[0] * shape[1],
                                   max_size=shape[0] * shape[1])), dtype=float).reshape(shape)
    form = draw(st.sampled_from(["F", "C", "1-D", "int", "bool", "3-D", "None", "scalar"]))
    if form == "F":
        return np.asfortranarray(array)
    if form == "C":
        return np.ascontiguousarray(array)
    if form == "1-D":
        return array.ravel()
    if form == "int":
        return np.clip(np.nan_to_num(array, posinf=0, neginf=0), -2.0**62, 2.0**62).astype(np.int64)
    if form == "bool":
        return array != 0
    if form == "3-D":
        return np.stack([array, array], axis=2)
    if form == "scalar":
        return draw(values)
    return None


@settings(max_examples=400, deadline=None, database=None)
@given(name=st.sampled_from(NAMES), data=st.data())
def test_any_argument_replaced_returns_or_raises(name, data):
    args = list(valid_call(name))
    for _ in range(data.draw(st.integers(1, 2))):
        args[data.draw(st.integers(0, len(args) - 1))] = data.draw(arguments())
    try:
        getattr(octave, name)(*args)
    except mexsets.Error as error:
        assert error.identifier.startswith(f"mexsets:{name}:")
        assert str(error)
    except TypeError:
        pass
