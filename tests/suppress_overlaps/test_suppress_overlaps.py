"""suppress_overlaps from Python: the native form equals the faithful one
(its ids and rows less 1, as intp) to the bit, whatever form the sets take,
entries after a set's end included."""
import numpy as np

import mexsets
from mexsets import octave


def test_native_is_faithful_after_the_id_shift(random_sets, same_bits):
    rng = np.random.default_rng(13)
    for trial in range(30):
        k = int(rng.integers(1, 8))
        padded, forms = random_sets(rng, int(rng.integers(0, 12)), 4, k)
        weights = rng.random(k) + 0.1
        w = rng.random((k, k)) if trial % 2 else np.ones(k)
        threshold = rng.choice([0.3, 0.5, 1.0])
        accepted, kept = octave.suppress_overlaps(padded, weights, w, threshold)
        for items in forms:
            got = mexsets.suppress_overlaps(items, weights, w, threshold=threshold)
            assert same_bits(got.accepted, np.asfortranarray(accepted - 1).astype(np.intp))
            assert same_bits(got.kept, (kept - 1).astype(np.intp))
