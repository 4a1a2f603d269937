"""tree_leaf_sets as vectorized NumPy: the leaf lists of the nodes as arrays,
grown child by child over the merge rows, turned into a SciPy sparse
leaf-by-node count matrix A; the node sets as a sparse node-by-set count
matrix S; A @ S counts every leaf of every set, and its columns list them per
set in ascending leaf order, each repeated as often as it is counted."""
import numpy as np
import scipy.sparse as sp


def tree_leaf_sets_numpy(merges, sets):
    merges = np.asarray(merges, dtype=float)
    sets = np.asarray(sets, dtype=float)
    r1, n1 = merges.shape
    leaves = int(np.trunc(merges[0, n1 - 1] - 1))
    nodes = leaves + r1
    empty = np.zeros(0, dtype=np.intp)
    lists = [np.array([j], dtype=np.intp) for j in range(leaves)] + [empty] * r1
    for r in range(r1):
        p = int(np.trunc(merges[r, n1 - 1] - 1))
        row = merges[r, :n1 - 1]
        stop = np.flatnonzero(row == 0)
        children = np.trunc(row[:stop[0] if stop.size else n1 - 1] - 1).astype(np.intp)
        lists[p] = np.concatenate([lists[p]] + [lists[c] for c in children])
    counts = np.fromiter((x.size for x in lists), dtype=np.intp, count=nodes)
    A = sp.csc_matrix((np.ones(counts.sum()), (np.concatenate(lists), np.repeat(np.arange(nodes), counts))),
                      shape=(max(leaves, 1), nodes))
    r2 = sets.shape[0]
    listed = np.cumprod(sets != 0, axis=1) > 0          # up to each row's first 0
    j, _ = np.nonzero(listed)
    S = sp.csc_matrix((np.ones(j.size), (np.trunc(sets[listed] - 1).astype(np.intp), j)),
                      shape=(nodes, r2))
    C = (A @ S).tocsc()
    C.sort_indices()
    times = C.data.astype(np.intp)
    per_set = np.bincount(np.repeat(np.arange(r2), np.diff(C.indptr)), weights=times,
                          minlength=r2).astype(np.intp)
    flat = np.repeat(C.indices.astype(np.uint32) + np.uint32(1), times)
    return np.split(flat, np.cumsum(per_set)[:-1])
