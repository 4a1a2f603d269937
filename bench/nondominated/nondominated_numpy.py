"""nondominated as vectorized NumPy, for inputs without NaN: row i is on the
front when no row dominates it and no earlier row is identical. Sorted by
(columns, row index), every row that dominates or copies row i comes before
it and is no greater in every column; so a row is on the front when no row
before it in that order is no greater everywhere.
  1 column:   the first row holding the minimum;
  2 columns:  lexsort, then a running minimum of the second column;
  3 or more:  blocks of sorted rows tested at once against the front found
              so far and against the earlier rows of their block."""
import numpy as np


def nondominated_numpy(X):
    X = np.asarray(X, dtype=float)
    m, d = X.shape
    front = np.zeros(m, dtype=bool)
    if m == 0:
        return front
    if d == 0:
        front[0] = True
        return front
    if d == 1:
        front[np.argmin(X[:, 0])] = True
        return front
    # np.lexsort sorts by its last key first; the row index breaks ties.
    order = np.lexsort((np.arange(m),) + tuple(X[:, c] for c in range(d - 1, -1, -1)))
    S = X[order]
    if d == 2:
        y = S[:, 1]
        front[order] = np.concatenate(([True], y[1:] < np.minimum.accumulate(y[:-1])))
        return front
    kept = np.zeros((0, d))
    on = np.zeros(m, dtype=bool)
    first = 0
    while first < m:
        # Up to 256 rows a block, fewer once the front is large: about 2e7
        # pairs a block.
        block = min(256, max(64, int(2e7 // max(1, kept.shape[0]))))
        B = S[first:first + block]
        covered = np.zeros(B.shape[0], dtype=bool)
        if kept.shape[0]:
            fits = np.ones((B.shape[0], kept.shape[0]), dtype=bool)
            for c in range(d):
                fits &= kept[None, :, c] <= B[:, c, None]
            covered = fits.any(axis=1)
        fits = np.ones((B.shape[0], B.shape[0]), dtype=bool)
        for c in range(d):
            fits &= B[None, :, c] <= B[:, c, None]
        covered |= np.tril(fits, -1).any(axis=1)
        on[first:first + B.shape[0]] = ~covered
        kept = np.concatenate((kept, B[~covered]))
        first += B.shape[0]
    front[order] = on
    return front
