"""The conversions of the native layer (mexsets.<function>) that stay in
Python, and the plans of the extensions' call_native.

A wrapper hands its inputs to the extension's call_native with the plan it
made once at import (native_plan of the tuples that as_is() .. sets_in()
give): the extension refuses None where an input is required, checks the
dimensions, reads ids into its own buffer shifted to the faithful numbering
(ids + 1, negative end markers raised to 0 where the faithful function ends
a row at 0; a float id must be whole) and gives id outputs as 0-based
np.intp, with the refusals below (same identifiers and words). What stays
here: a ragged sequence of sets packed with -1 (its lengths, one
concatenation and one scatter; no loop over elements in Python), and the
checks of a wrapper that replaces an input before the call.

Every refusal names the function and the argument, with the identifiers
mexsets:<function>:missingArgument (None where an argument is required, a
TypeError), badShape (wrong number of dimensions) and idNotWhole (an id with
a fraction; NaN goes on to the computation, which reports idNotANumber).
"""
import numpy as np

from ._errors import ArgumentTypeError, Error

_F64 = np.dtype(np.float64)
_I64 = np.dtype(np.int64)


def missing(fn, arg):
    """The error for None given as the required argument `arg` of `fn`."""
    return ArgumentTypeError(f"{fn}: {arg} is required (got None)",
                             f"mexsets:{fn}:missingArgument")


def bad_shape(fn, arg, expected, shape, hint=""):
    """The error for `arg` of `fn` with `shape` where `expected` is wanted."""
    return Error(f"{fn}: {arg} must be {expected}; got shape {tuple(shape)}.{hint}",
                 f"mexsets:{fn}:badShape")


def required(fn, arg, value):
    """`value`, unless it is None."""
    if value is None:
        raise missing(fn, arg)
    return value


def _array(fn, arg, value):
    if value is None:
        raise missing(fn, arg)
    if type(value) is np.ndarray:
        return value
    try:
        return np.asarray(value)
    except ValueError:   # ragged nesting
        return None


def array(fn, arg, value, ndim):
    """`value` as an ndarray of `ndim` dimensions (1: a vector, 2: a
    matrix), its dtype left to the computation's own conversion."""
    x = _array(fn, arg, value)
    if x is None or x.ndim != ndim:
        what = "1-D (a vector)" if ndim == 1 else "2-D"
        raise bad_shape(fn, arg, what, _shape_of(value) if x is None else x.shape)
    return x


def vector(fn, arg, value):
    """A 1-D value vector, as is."""
    return array(fn, arg, value, 1)


def _shape_of(value):
    try:
        return (len(value),)
    except TypeError:
        return ()


_BLOCK = 1 << 15


def _has_fraction(flat):
    """Whether the 1-D float array holds a non-whole number or NaN. A large
    one is read in blocks, so that no temporary as large as it is made."""
    if flat.size <= _BLOCK:
        return np.count_nonzero(flat != np.trunc(flat)) > 0
    whole, same = np.empty(_BLOCK, flat.dtype), np.empty(_BLOCK, bool)
    for start in range(0, flat.size, _BLOCK):
        part = flat[start:start + _BLOCK]
        n = part.size
        np.trunc(part, out=whole[:n])
        if not np.equal(part, whole[:n], out=same[:n]).all():
            return True
    return False


def _check_whole(fn, arg, t, shift):
    """Refuse a fraction in the float array t = ids + shift (NaN and inf
    pass), locating it as the caller indexes the ids."""
    if not _has_fraction(t.ravel(order="K")):   # a view of any contiguous layout
        return
    bad = (t != np.trunc(t)) & ~np.isnan(t)
    if not bad.any():
        return
    where = np.argwhere(bad)[0]
    value = float(t[tuple(where)]) - shift
    raise Error(f"{fn}: {arg}[{', '.join(str(int(k)) for k in where)}] holds {value!r}, "
                "not a whole number", f"mexsets:{fn}:idNotWhole")


def ids(fn, arg, value, shift=0, ndim=1, clamp=False):
    """Ids of `ndim` dimensions (an empty list where `ndim` is 2: no row),
    value + shift, negatives raised to 0 when `clamp` (see _shifted)."""
    x = _array(fn, arg, value)
    if x is not None and ndim == 2 and x.ndim == 1 and x.size == 0:
        x = np.zeros((0, 0))
    if x is None or x.ndim != ndim:
        what = "1-D (a vector of ids)" if ndim == 1 else "2-D"
        raise bad_shape(fn, arg, what, _shape_of(value) if x is None else x.shape)
    return _shifted(fn, arg, x, shift, clamp)


def _shifted(fn, arg, x, shift, clamp):
    """x + shift (negatives raised to 0 when `clamp`) in x's layout: floats
    as float64, after the check for fractions (NaN passes); integers and
    bools as int64, which the extension converts exactly (or refuses beyond
    2**53: int64 + 1 wraps only from beyond it, so it is refused all the
    same, located at the same index). x itself when nothing changes."""
    kind = x.dtype.kind
    if kind == "f":
        if shift or x.dtype != _F64:
            t = np.add(x, shift, dtype=_F64)   # in x's layout: the extension reads
        else:                                  # Fortran order in place, copies others
            t = x
        _check_whole(fn, arg, t, shift)
    elif kind in "ib" or (kind == "u" and x.dtype.itemsize < 8):
        if not shift and not clamp:
            return x
        t = np.add(x, shift, dtype=_I64)
    elif kind == "u":   # uint64: exact as float64 up to 2**53, else refused as it is
        if x.size and x.max() > 2**53:
            return x
        t = np.add(x, shift, dtype=_F64)
    else:   # complex, objects, strings: the computation refuses them
        return x
    if clamp:
        np.maximum(t, 0, out=t)
    return t


def set_matrix(fn, arg, value, what="sets"):
    """Sets that are not an ndarray as one, padded with -1 (None stays None,
    for call_native to refuse in argument order)."""
    if value is None:
        return None
    if type(value) is np.ndarray:
        x = value
    elif type(value) in (list, tuple) and value and all(
            type(s) in (list, tuple) for s in value):
        # Sets as lists: padded in Python, one list per set, then one conversion.
        width = max(map(len, value))
        try:
            x = np.array([s if len(s) == width else list(s) + [-1] * (width - len(s))
                          for s in value])
        except ValueError:   # deeper nesting
            raise bad_shape(fn, arg, f"2-D (M, N) or a sequence of 1-D {what}",
                            _shape_of(value)) from None
        if x.dtype == object or x.ndim != 2:
            raise bad_shape(fn, arg, f"2-D (M, N) or a sequence of 1-D {what}", x.shape)
    else:
        try:
            x = np.asarray(value)
        except ValueError:
            x = None
        if x is None or x.dtype == object:
            x = _pack(fn, arg, value, what)
        elif x.ndim == 1 and x.size == 0:
            x = np.zeros((0, 0))
    if x.ndim != 2:
        raise bad_shape(fn, arg, f"2-D (M, N) or a sequence of 1-D {what}", x.shape,
                        f" For one set, pass [{arg}]." if x.ndim == 1 else "")
    return x


def _pack(fn, arg, value, what):
    """A ragged sequence of 1-D sets, some of them arrays, as a 2-D array
    padded with -1: their lengths, one concatenation and one scatter."""
    try:
        parts = [s if type(s) is np.ndarray else np.asarray(s) for s in value]
    except (TypeError, ValueError):
        raise bad_shape(fn, arg, f"2-D (M, N) or a sequence of 1-D {what}",
                        _shape_of(value)) from None
    for k, part in enumerate(parts):
        if part.ndim != 1:
            raise bad_shape(fn, f"{arg}[{k}]", "1-D (a set)", part.shape)
    lengths = np.fromiter((p.size for p in parts), np.intp, len(parts))
    flat = np.concatenate(parts) if parts else np.zeros(0)
    if flat.dtype.kind == "u" or flat.dtype.kind == "b":
        flat = flat.astype(np.int64 if flat.dtype.itemsize < 8 else np.float64)
    if flat.dtype.kind not in "fi":
        return np.array(value, dtype=object)   # the computation names the type
    out = np.full((len(parts), int(lengths.max(initial=0))), -1, dtype=flat.dtype, order="F")
    starts = np.cumsum(lengths) - lengths
    out[np.repeat(np.arange(len(parts)), lengths),
        np.arange(flat.size) - np.repeat(starts, lengths)] = flat
    return out


# The inputs of native_plan (made once per wrapper, at import): the checks
# and id shifts the extension's call_native makes as it reads each input,
# in argument order, with the refusals above (same identifiers and words).
def as_is(arg, required=True):
    """An input passed on as it is (None refused when `required`)."""
    return (arg, "as_is", 0, 0, False, required)


def array_in(arg, ndim):
    """An array of `ndim` dimensions (as array())."""
    return (arg, "array", ndim, 0, False, True)


def column_in(arg):
    """A 1-D value vector, read as one column."""
    return (arg, "column", 1, 0, False, True)


def scalar_in(arg):
    """A number or an array of one element (as scalar())."""
    return (arg, "scalar", 0, 0, False, True)


def ids_in(arg, shift=0, ndim=1, clamp=False):
    """Ids (as ids()): ids + shift, negatives raised to 0 when `clamp`."""
    return (arg, "ids", ndim, shift, clamp, True)


def sets_in(arg, shift=0, clamp=False):
    """Sets of ids as a 2-D array (sets() of an ndarray, or set_matrix())."""
    return (arg, "sets", 2, shift, clamp, True)

