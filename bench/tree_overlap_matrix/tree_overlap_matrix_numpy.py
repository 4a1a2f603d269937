"""tree_overlap_matrix as vectorized NumPy: the leaf lists of the nodes as
arrays, grown by one loop over the merge rows, then a SciPy sparse
leaf-by-node count matrix A and W = A.T @ diag(w) @ A. A leaf held a and b
times by two nodes counts min(a, b) times: the sum over t of the products of
the indicators (A >= t). Pairs of two leaves and the diagonal are 0."""
import numpy as np
import scipy.sparse as sp


def tree_overlap_matrix_numpy(unused, merges, node_rows):
    merges = np.asarray(merges, dtype=float)
    node_rows = np.asarray(node_rows, dtype=float)
    R = node_rows.shape[0]
    r2, c2 = merges.shape
    L = R - r2
    empty = np.zeros(0, dtype=np.intp)
    lists = [np.array([j], dtype=np.intp) for j in range(L)] + [empty] * r2
    for r in range(r2):
        ids = merges[r, :c2 - 1]
        stop = np.flatnonzero(ids < 0)
        children = np.trunc(ids[:stop[0] if stop.size else c2 - 1]).astype(np.intp)
        p = int(np.trunc(merges[r, c2 - 1]))
        lists[p] = np.concatenate([lists[p]] + [lists[c] for c in children])
    counts = np.fromiter((x.size for x in lists), dtype=np.intp, count=R)
    A = sp.csr_matrix((np.ones(counts.sum()), (np.concatenate(lists), np.repeat(np.arange(R), counts))),
                      shape=(L, R))
    A.sum_duplicates()
    w = node_rows[:L, 0] if node_rows.shape[1] else np.zeros(L)
    D = sp.diags(w)
    shared = sp.csr_matrix((R, R))
    for t in range(1, int(A.data.max(initial=0)) + 1):
        At = (A >= t).astype(float)
        shared = shared + At.T @ (D @ At)
    W = shared.toarray(order="F")
    W[:L, :L] = 0
    np.fill_diagonal(W, 0)
    return W
