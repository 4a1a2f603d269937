"""The conversions of the native layer (mexsets.<function>) on the way to
and from the computation that the Octave-faithful layer (mexsets.octave)
calls.

Inputs are turned into what the extension reads in place: a float64 matrix
in Fortran order, with the id shift to the faithful numbering made in the
one conversion the extension would make anyway (ids + 1, and negative end
markers raised to 0 where the faithful function ends a row at 0). Outputs
come back with one ufunc call each (1-based float ids -> 0-based intp).
Nothing here loops over elements in Python: a ragged sequence of sets is
packed with its lengths, one concatenation and one scatter.

Every refusal names the function and the argument, with the identifiers
mexsets:<function>:missingArgument (None where an argument is required, a
TypeError), badShape (wrong number of dimensions) and idNotWhole (an id with
a fraction; NaN goes on to the computation, which reports idNotANumber).
"""
import numpy as np

from ._errors import ArgumentTypeError, Error

_F64 = np.dtype(np.float64)
_EXACT = 2.0 ** 53


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


def call(native, args, threads):
    """native.call(*args), with threads= only when it is given."""
    if threads is None:
        return native.call(*args)
    return native.call(*args, threads=threads)


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


def scalar(fn, arg, value):
    """A Python number, or an array of one element (returned as is)."""
    if type(value) in (float, int, bool):
        return value
    x = _array(fn, arg, value)
    if x is None or x.size != 1:
        raise bad_shape(fn, arg, "a number (an array of one element)",
                        _shape_of(value) if x is None else x.shape)
    return x


def _shape_of(value):
    try:
        return (len(value),)
    except TypeError:
        return ()


def _where(shape, flat):
    index = np.unravel_index(flat, shape, order="F")
    return ", ".join(str(int(k)) for k in index)


def _check_whole(fn, arg, t, x, shift, clamped=None):
    """Refuse a fraction in the float64 array t = x + shift (NaN passes).
    x is the caller's array (located by its own index)."""
    d = np.subtract(t, np.trunc(t))
    if not d.any():
        return
    bad = d != 0
    bad &= ~np.isnan(d)
    if not bad.any():
        return
    flat = int(np.argmax(bad.ravel(order="F")))
    where = _where(t.shape, flat)
    value = t.ravel(order="F")[flat] - shift
    raise Error(f"{fn}: {arg}[{where}] holds {value!r}, not a whole number",
                f"mexsets:{fn}:idNotWhole")


def _is_wide_integer(x):
    return x.dtype.kind in "iu" and x.dtype.itemsize == 8


def _fits(x):
    """An integer array whose values are exact as float64."""
    return x.size == 0 or (-_EXACT <= x.min() and x.max() <= _EXACT)


def ids(fn, arg, value, shift=0, ndim=1, clamp=False):
    """Ids of `ndim` dimensions as the Fortran float64 array the extension
    reads in place: value + shift, negatives raised to 0 when `clamp`.
    Floats must hold whole numbers (NaN passes). An integer beyond 2**53
    returns the caller's array unchanged for the computation to refuse
    (integerTooLarge, located as the caller indexes it)."""
    x = _array(fn, arg, value)
    if x is not None and ndim == 2 and x.ndim == 1 and x.size == 0:
        x = np.zeros((0, 0))
    if x is None or x.ndim != ndim:
        what = "1-D (a vector of ids)" if ndim == 1 else "2-D"
        raise bad_shape(fn, arg, what, _shape_of(value) if x is None else x.shape)
    return _shifted(fn, arg, x, shift, clamp)


def _shifted(fn, arg, x, shift, clamp):
    kind = x.dtype.kind
    if kind == "f":
        if shift or clamp or x.dtype != _F64 or not (x.flags.f_contiguous or x.ndim < 2):
            t = np.add(x, shift, dtype=_F64, order="F")
        else:
            t = x
        _check_whole(fn, arg, t, x, shift)
    elif kind in "iub":
        if _is_wide_integer(x) and not _fits(x):
            return x
        t = np.add(x, shift, dtype=_F64, order="F")
    else:   # complex, objects, strings: the computation refuses them
        return x
    if clamp:
        np.maximum(t, 0.0, out=t)
    return t


def sets(fn, arg, value, shift=0, clamp=False, what="sets"):
    """Sets of ids as a Fortran float64 matrix (M, N): a 2-D array padded
    with -1 (a row ends at its first negative entry), or a sequence of 1-D
    sets packed with -1. value + shift, negatives raised to 0 when `clamp`
    (the faithful functions that end a row at 0)."""
    if value is None:
        raise missing(fn, arg)
    if type(value) is np.ndarray:
        x = value
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
    return _shifted(fn, arg, x, shift, clamp)


def _pack(fn, arg, value, what):
    """A ragged sequence of 1-D sets as a 2-D array padded with -1."""
    try:
        parts = [s if type(s) is np.ndarray else np.asarray(s) for s in value]
    except (TypeError, ValueError):
        raise bad_shape(fn, arg, f"2-D (M, N) or a sequence of 1-D {what}",
                        _shape_of(value)) from None
    for k, part in enumerate(parts):
        if part.ndim != 1:
            raise bad_shape(fn, f"{arg}[{k}]", "1-D (a set)", part.shape)
    lengths = np.fromiter((p.size for p in parts), np.intp, len(parts))
    width = int(lengths.max()) if lengths.size else 0
    flat = np.concatenate(parts) if parts else np.zeros(0)
    if flat.dtype.kind not in "fiub":
        return np.array(value, dtype=object)   # the computation names the type
    if flat.dtype.kind in "ub":
        # The -1 padding needs a signed dtype that holds every id: an
        # unsigned one would wrap it to its largest value, an id. uint64
        # ids beyond 2**53 go as float64, out of every function's range.
        if flat.dtype.itemsize < 8:
            flat = flat.astype(np.promote_types(flat.dtype, np.int8))
        else:
            wide = flat.size and flat.max() > _EXACT
            flat = flat.astype(np.float64 if wide else np.int64)
    out = np.full((len(parts), width), -1, dtype=flat.dtype, order="F")
    rows = np.repeat(np.arange(len(parts)), lengths)
    starts = np.cumsum(lengths) - lengths
    columns = np.arange(flat.size) - np.repeat(starts, lengths)
    out[rows, columns] = flat
    return out


def from_one_based(x):
    """1-based float ids (0 for none) as 0-based intp (-1 for none)."""
    return np.subtract(x, 1, out=np.empty_like(x, dtype=np.intp), casting="unsafe")


def as_intp(x):
    """0-based float ids as intp."""
    return x.astype(np.intp)
