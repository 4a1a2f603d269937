"""Many calls of every function take no memory for good: valid calls, and
calls that fail on their first input. malloc's own count of the bytes it has
handed out is the measure (resident memory moves with its caching)."""
import ctypes

import numpy as np
import pytest

import mexsets
from mexsets import octave
from cases import NAMES
from examples import valid_call


class _MallInfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in
                ("arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
                 "uordblks", "fordblks", "keepcost")]


def _heap_counter():
    libc = ctypes.CDLL(None)
    if not hasattr(libc, "mallinfo2"):
        return None
    libc.mallinfo2.restype = _MallInfo2
    return lambda: libc.mallinfo2().uordblks + libc.mallinfo2().hblkhd


def growth_per_call(call, calls=2000):
    for _ in range(200):
        call()
    before = HEAP()
    for _ in range(calls):
        call()
    return (HEAP() - before) / calls


HEAP = _heap_counter()


def attempt(function, args):
    def run():
        try:
            function(*args)
        except (mexsets.Error, TypeError):
            pass
    return run


@pytest.mark.skipif(HEAP is None, reason="this C library has no mallinfo2")
@pytest.mark.parametrize("name", NAMES)
def test_repeated_calls_take_no_memory(name):
    function = getattr(octave, name)
    args = [np.asfortranarray(a, float) if np.ndim(a) == 2 else a for a in valid_call(name)]
    failing = [object()] + args[1:]
    for kind, call in (("valid", attempt(function, args)), ("failing", attempt(function, failing))):
        grown = growth_per_call(call)
        assert grown < 2, f"{name}, {kind} calls: {grown:.1f} bytes a call"
