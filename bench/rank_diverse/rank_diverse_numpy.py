"""rank_diverse as vectorized NumPy with a SciPy sparse candidate-by-item
count matrix X, so that the shared weight of the picked list p with every
candidate is X @ (W restricted to p's items), one product per step."""
import numpy as np
import scipy.sparse as sp


def incidence(items, m, k):
    """Sparse candidate-by-item counts of the lists ended by a negative id."""
    listed = np.cumsum(items < 0, axis=1) == 0
    rows, _ = np.nonzero(listed)
    ids = items[listed].astype(np.intp)                # truncated toward zero
    X = sp.csr_matrix((np.ones(rows.size), (rows, ids)), shape=(m, k))
    X.sum_duplicates()
    return X


def rank_diverse_numpy(items, relevance, W, lambda_=0.75):
    items = np.asarray(items, dtype=float)
    W = np.asarray(W, dtype=float)
    lambda_ = float(np.asarray(lambda_).reshape(-1)[0])
    m = items.shape[0]
    k = min(W.shape)
    X = incidence(items, m, k)
    weights = X @ np.diagonal(W)[:k]
    weighted = np.asarray(relevance, dtype=float).ravel(order="F")[:m] * lambda_
    keep = 1 - lambda_
    r = np.zeros(m)
    remaining = np.ones(m, dtype=bool)
    order = np.zeros(m)
    scores = np.zeros(m)
    for step in range(m):
        s = weighted - r * keep
        s[~remaining | np.isnan(s)] = -np.inf       # max skips NaN
        p = int(np.argmax(s))
        best = s[p]
        if not best > -np.finfo(float).max:
            p = int(np.argmax(remaining))
            best = weighted[p] - r[p] * keep
        order[step] = p + 1
        scores[step] = best
        remaining[p] = False
        row = slice(X.indptr[p], X.indptr[p + 1])
        shared = X @ (X.data[row] @ W[X.indices[row], :k])
        with np.errstate(divide="ignore", invalid="ignore"):
            rho = shared / ((weights[p] + weights) - shared)
        update = remaining & (rho > r)
        r[update] = rho[update]
    return order, scores
