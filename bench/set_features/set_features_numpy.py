"""set_features as vectorized NumPy. The ids before each row's first
negative entry are picked out with a mask (a cumulative count of negatives
along the rows), row by row; sums come from np.bincount (in list order, from
0), minima and maxima from np.fmin/np.fmax.reduceat over each row's run,
clipped to the start values realmax, realmin and -realmax that the running
extremes never pass (fmin and fmax skip NaN, as the running extremes do). The
perimeter's pair sums are taken column pair by column pair, j before k, over
the rows that reach column k."""
import numpy as np

REALMAX = np.finfo(float).max
REALMIN = np.finfo(float).tiny


def _runs(ufunc, values, starts, nonempty, m, start):
    out = np.full(m, start)
    if values.size:
        out[nonempty] = ufunc(ufunc.reduceat(values, starts[nonempty]), start)
    return out


def set_features_numpy(ids, values, mode=1, weights=None):
    ids = np.asarray(ids, dtype=float)
    values = np.asarray(values, dtype=float)
    mode = int(np.trunc(float(np.asarray(mode).reshape(-1)[0])))
    m, n = ids.shape
    f = np.zeros(m)
    if mode not in (1, 2, 3, 4):
        return f
    inside = np.cumsum(ids < 0, axis=1) == 0
    rows, _ = np.nonzero(inside)                       # row by row
    k = ids[inside].astype(np.intp)                    # truncated toward zero
    lengths = np.bincount(rows, minlength=m)
    starts = np.concatenate(([0], np.cumsum(lengths)[:-1]))
    nonempty = lengths > 0

    def low(c):
        return _runs(np.fmin, values[k, c], starts, nonempty, m, REALMAX)

    def high(c, start):
        return _runs(np.fmax, values[k, c], starts, nonempty, m, start)

    if mode == 1:
        return low(0)
    if mode == 2:
        g = np.bincount(rows, weights=values[k, 0], minlength=m)
        return low(0) / high(0, REALMIN), g
    if mode == 3:
        weights = np.asarray(weights, dtype=float)
        g = np.zeros(m)
        for j in range(n - 1):
            for c in range(j + 1, n):
                both = np.flatnonzero(inside[:, c])
                if both.size == 0:
                    break
                g[both] += weights[ids[both, j].astype(np.intp), ids[both, c].astype(np.intp)]
        return g * -2 + np.bincount(rows, weights=values[k, 0], minlength=m), g
    box = np.column_stack([low(0), low(1), high(2, -REALMAX), high(3, -REALMAX)])
    return f, np.asfortranarray(box)
