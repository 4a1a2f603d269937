"""tree_occurrence_masks as vectorized NumPy: a set-by-node boolean table B,
true where the node or a node above it is listed in the set, filled from the
listed nodes and handed down the merge rows from the last to the first (a
child created by a later row has already passed its marks on, so it only
takes the parent's for its own labels); then every position looks up its
label's column of B, plane by plane (the result is Fortran-ordered)."""
import numpy as np


def tree_occurrence_masks_numpy(labels, merges, sets):
    labels = np.asarray(labels, dtype=float)
    merges = np.asarray(merges, dtype=float)
    sets = np.asarray(sets, dtype=float)
    M, N = labels.shape
    r2, c2 = merges.shape
    leaves = int(np.trunc(merges[0, c2 - 1] - 1))
    nodes = leaves + r2
    K = sets.shape[0]
    listed = np.cumprod(sets != 0, axis=1) > 0          # up to each row's first 0
    k, _ = np.nonzero(listed)
    B = np.zeros((nodes, K), dtype=bool)
    B[np.trunc(sets[listed] - 1).astype(np.intp), k] = True
    for r in range(r2 - 1, -1, -1):
        ids = merges[r, :c2 - 1]
        stop = np.flatnonzero(ids == 0)
        children = np.trunc(ids[:stop[0] if stop.size else c2 - 1] - 1).astype(np.intp)
        B[children] |= B[leaves + r]
    at = np.trunc(labels.ravel(order="F") - 1).astype(np.intp)
    return np.ascontiguousarray(B.T)[:, at].reshape(K, N, M).transpose(2, 1, 0)
