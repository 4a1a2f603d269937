"""tree_overlap_matrix from Python: the native form (merges, one weight per
node) equals the faithful one ([], merges, weights as a column) to the bit,
for merges of several dtypes and child counts."""
import numpy as np

import mexsets
from mexsets import octave


def random_tree(rng, leaves):
    """Merges of a random tree: rows [child, child, (child or -1), new]."""
    alive, rows = list(range(leaves)), []
    while len(alive) > 1:
        take = min(len(alive), int(rng.integers(2, 4)))
        children = [alive.pop(int(rng.integers(len(alive)))) for _ in range(take)]
        new = leaves + len(rows)
        rows.append(children + [-1] * (3 - take) + [new])
        alive.append(new)
    return np.array(rows, dtype=np.int64).reshape(-1, 4)


def test_native_is_faithful(same_bits):
    rng = np.random.default_rng(14)
    for trial in range(20):
        merges = random_tree(rng, int(rng.integers(1, 12)))
        weights = rng.random(merges[-1, -1] + 1 if merges.size else 1) * 10
        expected = octave.tree_overlap_matrix([], merges, weights[:, None])
        for form in merges, merges.astype(np.int32), merges.astype(float), merges.tolist():
            assert same_bits(mexsets.tree_overlap_matrix(form, weights), expected)
    assert mexsets.tree_overlap_matrix([], [2.5]).tolist() == [[0.0]]   # one leaf, no merge
