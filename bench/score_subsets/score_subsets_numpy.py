"""score_subsets as vectorized NumPy: the ids before each row's first 0,
gathered with a mask and summed per row with np.bincount."""
import numpy as np


def score_subsets_numpy(a, b, subsets):
    a = np.asarray(a, dtype=float)
    b = np.asarray(b, dtype=float)
    subsets = np.asarray(subsets, dtype=float)
    if subsets.ndim < 2:
        subsets = subsets.reshape(1, -1)
    m = subsets.shape[0]
    # Transposed, so that the mask of a Fortran-ordered matrix is C-ordered;
    # every row's ids still come in column order.
    listed = np.cumsum(subsets.T == 0, axis=0) == 0   # True up to the first 0
    cols, rows = np.nonzero(listed)
    k = np.trunc(subsets.T[listed] - 1).astype(np.intp)
    # bincount adds in the order given, from +0: each row left to right.
    sums_a = np.bincount(rows, weights=np.atleast_2d(a)[0, k], minlength=m)
    sums_b = np.bincount(rows, weights=np.atleast_2d(b)[0, k], minlength=m)
    return sums_a, sums_b
