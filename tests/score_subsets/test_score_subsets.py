"""score_subsets from Python: the native form equals the faithful one after
the id shift (ids + 1, negatives -> 0), to the bit, whatever form the sets
take."""
import numpy as np

import mexsets
from mexsets import octave


def test_native_is_faithful_after_the_id_shift(random_sets, same_bits):
    rng = np.random.default_rng(11)
    for trial in range(30):
        k = int(rng.integers(1, 12))
        a, b = rng.standard_normal(k), rng.standard_normal(k) * 1e8
        padded, forms = random_sets(rng, int(rng.integers(0, 9)), 6, k)
        expected = octave.score_subsets(a, b, np.maximum(padded + 1, 0))
        for sets in forms:
            got = mexsets.score_subsets(a, b, sets)
            assert isinstance(got, mexsets.SubsetSums)
            assert same_bits(got.sums_a, expected[0]) and same_bits(got.sums_b, expected[1])
