"""suppress_overlaps as vectorized NumPy: SciPy sparse row-by-item count
matrices for the lists under test and the lists kept, and for every kept row
its row of X_kept @ W, so that one product gives the shared weights of a
tested row with all kept rows. Returns the kept rows (1-based) and their
1-based row numbers, as mexsets.suppress_overlaps does."""
import numpy as np
import scipy.sparse as sp


def _incidence(ends, stored, m, k):
    listed = np.cumsum(ends, axis=1) == 0
    rows, _ = np.nonzero(listed)
    X = sp.csr_matrix((np.ones(rows.size), (rows, stored[listed].astype(np.intp))), shape=(m, k))
    X.sum_duplicates()
    return X


def suppress_overlaps_numpy(items, weights, W, threshold=1.0):
    items = np.asarray(items, dtype=float)
    W = np.asarray(W, dtype=float)
    threshold = float(np.asarray(threshold).reshape(-1)[0])
    weights = np.asarray(weights, dtype=float).ravel(order="F")
    m, n = items.shape
    k = min(weights.size, *W.shape)
    stored = np.trunc(items)
    tested = _incidence(items < 0, stored, m, k)
    kept_lists = _incidence(stored < 0, stored, m, k)
    w_tested = tested @ weights[:k]
    w_kept = kept_lists @ weights[:k]
    shared_rows = np.zeros((m, k))   # row r: x_r' * W for the r-th kept row
    kept_weights = np.zeros(m)
    keep = np.zeros(m, dtype=bool)
    count = 0
    for i in range(m):
        if count:
            row = slice(tested.indptr[i], tested.indptr[i + 1])
            shared = shared_rows[:count, tested.indices[row]] @ tested.data[row]
            with np.errstate(divide="ignore", invalid="ignore"):
                rho = shared / ((kept_weights[:count] + w_tested[i]) - shared)
            if np.any(rho >= threshold):
                continue
        keep[i] = True
        row = slice(kept_lists.indptr[i], kept_lists.indptr[i + 1])
        shared_rows[count] = kept_lists.data[row] @ W[kept_lists.indices[row], :k]
        kept_weights[count] = w_kept[i]
        count += 1
    return np.asfortranarray(stored[keep] + 1), np.flatnonzero(keep) + 1.0
