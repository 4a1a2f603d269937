"""The functions this build has (its list, which MEXSETS_ONLY may narrow) and
the valid call of each, the first of its examples (examples.py), for the tests
that go over the functions or vary one argument at a time."""
import numpy as np
import pytest

import mexsets
from examples import MODULES, valid_call

NAMES = mexsets._function_names()
# All the functions, modules/functions.txt: the lines that are a name alone.
LISTED = [line for line in (MODULES / "functions.txt").read_text().splitlines()
          if line and line[0].isalpha()]


def needs(*names):
    """Skips a test about these functions in a build that lacks one of them."""
    missing = [name for name in names if name not in NAMES]
    return pytest.mark.skipif(bool(missing), reason=f"this build lacks {missing}")


def matrix_positions(name):
    """Positions of the array (not number) inputs of the valid call."""
    return [k for k, value in enumerate(valid_call(name)) if np.ndim(value) == 2]


def outputs(result):
    """A result as a list of arrays (tuples and leaf lists flattened)."""
    if isinstance(result, tuple):
        return [array for part in result for array in outputs(part)]
    if isinstance(result, list):
        return list(result)
    return [result]


def same(left, right):
    """Same arrays: dtype, shape and bits (NaN payloads and -0 included)."""
    left, right = outputs(left), outputs(right)
    return len(left) == len(right) and all(
        a.dtype == b.dtype and a.shape == b.shape and a.tobytes(order="A") == b.tobytes(order="A")
        and a.flags.f_contiguous == b.flags.f_contiguous for a, b in zip(left, right))
