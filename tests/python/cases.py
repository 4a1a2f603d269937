"""A valid call of every function (the inputs of check_mexsets.py), for the
tests that vary one argument at a time."""
import numpy as np

VALID = {
    "score_subsets": ([[10, 20, 30]], [[1, 2, 3]], [[3, 1, 0, 2], [2, 2, 2, 2]]),
    "rank_diverse": ([[0, 1], [0, -1], [1, 0]], [[1], [1], [0.9]], [[1, 0.5], [0.5, 1]], 0.5),
    "suppress_overlaps": ([[0, 1, -1], [1, 0, -1], [2, -1, -1], [0, 2, -1]], [[1], [1], [1]],
                          np.eye(3), 0.5),
    "tree_overlap_matrix": ([[0]], [[0, 1, -1, 3], [3, 2, -1, 4]], [[2], [3], [5], [0], [0]]),
    "tree_leaf_sets": ([[1, 2, 4], [4, 3, 5]], [[5, 0], [2, 4], [3, 0]]),
    "tree_occurrence_masks": ([[1, 1, 2], [3, 3, 2]], [[1, 2, 4], [4, 3, 0]], [[4, 0], [3, 1]]),
    "boundary_sums": (2, [[1, 0]], [[2, 1]], [[5, 7]], [[0, 5, 0], [7, 0, 5], [0, 7, 0]],
                      [[0, 1, 0], [2, 0, 3], [0, 4, 0]]),
    "set_features": ([[0, 1, -1], [1, -1, -1]], [[10], [12]], 3, [[0, 3], [3, 0]]),
    "nondominated": ([[3, 1], [1, 3], [2, 2], [3, 3]],),
    "boundary_grid": ([[1, 2], [1, 1]], [[0, 3], [4, 0]]),
    "merge_regions": ([[1, 2, 3, 1]], [[2, 3, 4, 3]], [[2, 1, 2, 1]], [[1, 3, 2, 2]],
                      [[4, 3, 5, 2, 1]], 1),
    "tree_leaf_matrix": ([[1, 2, 4], [4, 3, 5]], [[5, 0], [2, 4], [3, 0]], 0),
}


def matrix_positions(name):
    """Positions of the array (not scalar) inputs of a valid call."""
    return [k for k, value in enumerate(VALID[name]) if np.ndim(value) == 2]


def outputs(result):
    """A result as a list of arrays (tuples and leaf lists flattened)."""
    if isinstance(result, tuple):
        return [array for part in result for array in outputs(part)]
    if isinstance(result, list):
        return list(result)
    return [result]


def same(left, right):
    """Same arrays: dtype, shape and bits (NaN payloads and -0 included)."""
    left, right = outputs(left), outputs(right)
    return len(left) == len(right) and all(
        a.dtype == b.dtype and a.shape == b.shape and a.tobytes(order="A") == b.tobytes(order="A")
        and a.flags.f_contiguous == b.flags.f_contiguous for a, b in zip(left, right))
