"""boundary_sums as vectorized NumPy. The mixed-parity cells are taken in
visiting order: the odd rows (counting from 1) at their even columns, then
the even rows at their odd columns, each row by row. Their positive labels are
looked up among the keys' first occurrences (np.unique and np.searchsorted),
summed per key by np.bincount (in visiting order, from 0), and the sums
handed out by fancy indexing, where a later key overwrites an earlier one."""
import numpy as np


def boundary_sums_numpy(n, first, second, keys, labels, weights):
    n = int(np.trunc(float(np.asarray(n).reshape(-1)[0])))
    keys = np.asarray(keys, dtype=float)
    labels = np.asarray(labels, dtype=float)
    weights = np.asarray(weights, dtype=float)
    count = max(keys.shape) if keys.size else 0
    rows, cols = labels.shape
    w = weights[:rows, :cols]
    lab = np.concatenate((labels[0::2, 1::2].ravel(), labels[1::2, 0::2].ravel()))
    wv = np.concatenate((w[0::2, 1::2].ravel(), w[1::2, 0::2].ravel()))
    labelled = lab > 0
    key_list = keys.ravel(order="F")[:count]
    unique_keys, first_at = np.unique(key_list, return_index=True)
    at = np.searchsorted(unique_keys, lab[labelled])
    sums = np.bincount(first_at[at], weights=wv[labelled], minlength=count)
    a = np.asarray(first, dtype=float).ravel(order="F")[:count]
    b = np.asarray(second, dtype=float).ravel(order="F")[:count]
    P = np.zeros((n, n), order="F")
    B = np.zeros(n)
    border = a == 0
    B[np.trunc(b[border] - 1).astype(np.intp)] = sums[border]
    inner = ~border
    P[np.trunc(a[inner] - 1).astype(np.intp), np.trunc(b[inner] - 1).astype(np.intp)] = sums[inner]
    return P, B
