"""rank_diverse from Python: the native form equals the faithful one (its
order less 1, as intp) to the bit, whatever form the sets take and with a
dense, diagonal or sparse w."""
import numpy as np
from scipy import sparse

import mexsets
from mexsets import octave


def test_native_is_faithful_after_the_id_shift(random_sets, same_bits):
    rng = np.random.default_rng(12)
    for trial in range(30):
        k = int(rng.integers(1, 10))
        padded, forms = random_sets(rng, int(rng.integers(0, 9)), 5, k)
        relevance = rng.random(padded.shape[0])
        dense = rng.random((k, k))
        lambda_ = rng.random()
        for w in dense, np.diag(dense).copy(), sparse.csc_matrix(dense * (dense > 0.5)):
            order, scores = octave.rank_diverse(padded, relevance, w, lambda_)
            for items in forms:
                got = mexsets.rank_diverse(items, relevance, w, lambda_)
                assert same_bits(got.order, (order - 1).astype(np.intp))
                assert same_bits(got.scores, scores)
