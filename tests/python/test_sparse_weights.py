"""The item weight matrix W of rank_diverse, suppress_overlaps and
set_features (mode 3) given as any scipy.sparse matrix or array, and (the
first two) as the 1-D vector of its diagonal: the bits of the dense W with
the same entries. Bad structures and dtypes are refused."""
import numpy as np
import pytest

import mexsets
from mexsets import octave

sparse = pytest.importorskip("scipy.sparse")

FORMATS = ("csc_matrix", "csr_matrix", "coo_matrix", "csc_array", "csr_array", "coo_array")


def bits(*arrays):
    return [np.ascontiguousarray(a, dtype=np.float64).view(np.uint64).tolist() for a in arrays]


def stored(w, rng):
    """W as COO: every entry but +0 (-0 and NaN too) and a third of the +0
    as explicit stored zeros."""
    keep = (np.signbit(w) | (w != 0) | np.isnan(w)) | (rng.random(w.shape) < 0.3)
    rows, cols = np.nonzero(keep)
    return sparse.coo_matrix((w[rows, cols], (rows, cols)), shape=w.shape)


def random_case(rng, size):
    items = np.floor(rng.random((40, 6)) * size)
    items[rng.random(items.shape) < 0.2] = -1
    w = rng.random((size, size)) * (rng.random((size, size)) < 0.25)
    w[rng.random(w.shape) < 0.05] = np.nan
    w[rng.random(w.shape) < 0.05] = -0.0
    np.fill_diagonal(w, rng.random(size) + 0.5)
    return items, w


CALLS = {
    "rank_diverse": lambda items, w: octave.rank_diverse(items, np.linspace(1, 0, 40), w, 0.6),
    "suppress_overlaps": lambda items, w: octave.suppress_overlaps(
        items, np.linspace(1, 2, 20), w, 0.3),
    "set_features": lambda items, w: octave.set_features(
        items, np.linspace(-1, 1, 20)[:, None], 3, w),
}


@pytest.mark.parametrize("function", sorted(CALLS))
def test_sparse_w_gives_the_dense_bits(function):
    rng = np.random.default_rng(11)
    run = CALLS[function]
    for size in (1, 7, 20):
        items, w = random_case(rng, size)
        want = bits(*run(items, w))
        coo = stored(w, rng)
        for name in FORMATS:
            given = getattr(sparse, name)(coo)
            assert bits(*run(items, given)) == want, (size, name)


@pytest.mark.parametrize("function", ["rank_diverse", "suppress_overlaps"])
def test_vector_w_is_its_diagonal(function):
    rng = np.random.default_rng(12)
    run = CALLS[function]
    items, _ = random_case(rng, 15)
    d = rng.random(15)
    d[rng.random(15) < 0.3] = 0
    want = bits(*run(items, np.diag(d)))
    for given in (d, d[None, :], d[:, None], sparse.csr_matrix(d[None, :]),
                  sparse.csc_array(d[:, None])):
        assert bits(*run(items, given)) == want


def test_set_features_reads_a_vector_as_one_row():
    with pytest.raises(mexsets.Error) as error:
        octave.set_features([0, 1], [[2], [4]], 3, sparse.csr_matrix(np.ones((1, 2))))
    assert error.value.reason == "idOutOfRange"


def test_bad_structures_and_dtypes_are_refused():
    def failure(w, kind=mexsets.Error):
        with pytest.raises(kind) as error:
            octave.rank_diverse([[0, 1]], [1], w)
        return error.value.reason, str(error.value)

    def csc(data, indices, indptr):
        return sparse.csc_matrix((np.array(data, float), np.array(indices), np.array(indptr)),
                                 shape=(3, 2))

    structure = "Bad sparse structure: w has row index "
    assert failure(csc([1, 2], [1, 0], [0, 2, 2])) == (
        "badSparseStructure", structure + "0 after 1 in column 0 (0-based) (row indices must "
        "strictly ascend: no entry unsorted or repeated)")
    assert failure(csc([1, 2], [1, 1], [0, 2, 2]))[0] == "badSparseStructure"
    assert failure(csc([1, 2], [0, 3], [0, 1, 2])) == (
        "badSparseStructure", structure + "3 in column 1 (0-based), outside 0..3 (exclusive)")
    bad_starts = csc([1, 2], [0, 1], [0, 1, 2])
    bad_starts.indptr = np.array([0, 2, 1])
    assert failure(bad_starts)[0] == "badSparseStructure"
    assert failure(sparse.csr_matrix(np.eye(2) * 1j), mexsets.ArgumentTypeError)[0] == (
        "complexInput")
    big = sparse.csr_matrix(np.array([[2**53 + 1, 0], [0, 1]], dtype=np.int64))
    assert failure(big) == ("integerTooLarge", "Integer too large to read exactly as a double: "
                            "w holds 9007199254740993")
    exact = sparse.csr_matrix(np.eye(2, dtype=np.int64))
    assert bits(*octave.rank_diverse([[0, 1]], [1], exact)) == bits(
        *octave.rank_diverse([[0, 1]], [1], np.eye(2)))


def test_sparse_where_no_sparse_route():
    with pytest.raises(mexsets.ArgumentTypeError) as error:
        octave.set_features(sparse.csr_matrix(np.eye(2)), [1.0, 2.0])
    assert error.value.reason == "sparseInput"
    assert "set_features has no sparse route" in str(error.value)
