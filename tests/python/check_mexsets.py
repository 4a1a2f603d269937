"""Checks an installed mexsets package: every function of its list is there
and gives the hand-worked result of tests/package/check_mexsets.m (the same
inputs, Octave's M-by-1 results as 1-D arrays). Exits non-zero at the first
difference. Used by the install test; run as `python check_mexsets.py`."""
import sys

import numpy as np

import mexsets


def expect(what, got, expected):
    expected = np.asarray(expected)
    ok = (isinstance(got, np.ndarray) and got.dtype == expected.dtype
          and got.shape == expected.shape and np.array_equal(got, expected))
    if not ok:
        sys.exit(f"check_mexsets: {what} gave {got!r}, expected {expected!r}")


def main():
    listed = mexsets._function_names()
    missing = [name for name in listed if not callable(getattr(mexsets, name, None))]
    if missing or len(listed) != 12:
        sys.exit(f"check_mexsets: the package lists {listed}, lacks {missing}")

    a, b = mexsets.score_subsets([10, 20, 30], [1, 2, 3], [[3, 1, 0, 2], [2, 2, 2, 2]])
    expect("score_subsets a", a, [40.0, 80.0])
    expect("score_subsets b", b, [4.0, 8.0])

    order, scores = mexsets.rank_diverse([[0], [0], [1]], [1, 1, 0.9], np.eye(2), lambda_=0.5)
    expect("rank_diverse order", order, [1.0, 3.0, 2.0])
    expect("rank_diverse scores", scores, [0.5, 0.5 * 0.9, 0.0])

    accepted, kept = mexsets.suppress_overlaps([[0, 1, -1], [1, 0, -1], [2, -1, -1], [0, 2, -1]],
                                               [1, 1, 1], np.eye(3))
    expect("suppress_overlaps accepted", accepted, [[1.0, 2, 0], [3, 0, 0], [1, 3, 0]])
    expect("suppress_overlaps kept", kept, [1.0, 3, 4])

    w = mexsets.tree_overlap_matrix(np.zeros((0, 0)), [[0, 1, -1, 3], [3, 2, -1, 4]],
                                    [[2], [3], [5], [0], [0]])
    expect("tree_overlap_matrix", w, [[0.0, 0, 0, 2, 2], [0, 0, 0, 3, 3], [0, 0, 0, 0, 5],
                                      [2, 3, 0, 0, 5], [2, 3, 5, 5, 0]])

    leaves = mexsets.tree_leaf_sets([[1, 2, 4], [4, 3, 5]], [[5, 0], [2, 4], [3, 0]])
    if not isinstance(leaves, list) or len(leaves) != 3:
        sys.exit(f"check_mexsets: tree_leaf_sets gave {leaves!r}")
    for got, expected in zip(leaves, [[1, 2, 3], [1, 2, 2], [3]]):
        expect("tree_leaf_sets", got, np.array(expected, dtype=np.uint32))

    masks = mexsets.tree_occurrence_masks([[1, 1, 2], [3, 3, 2]], [[1, 2, 4], [4, 3, 0]],
                                          [[4, 0], [3, 1]])
    expect("tree_occurrence_masks", masks,
           np.stack([[[1, 1, 1], [0, 0, 1]], [[1, 1, 0], [1, 1, 0]]], axis=2).astype(bool))

    p, border = mexsets.boundary_sums(2, [1, 0], [2, 1], [5, 7],
                                      [[0, 5, 0], [7, 0, 5], [0, 7, 0]],
                                      [[0, 1, 0], [2, 0, 3], [0, 4, 0]])
    expect("boundary_sums pair", p, [[0.0, 4], [0, 0]])
    expect("boundary_sums border", border, [6.0, 0])

    perimeter, shared = mexsets.set_features([0, 1, -1], [[10], [12]], 3, [[0, 3], [3, 0]])
    expect("set_features perimeter", perimeter, [16.0])
    expect("set_features shared", shared, [3.0])
    ratio, total = mexsets.set_features([[0, 1, 2], [2, -1, 0]], [[2], [4], [8]], mode=2)
    expect("set_features ratio", ratio, [0.25, 1])
    expect("set_features total", total, [14.0, 8])

    grid, strength, keys, first, second = mexsets.boundary_grid([[1, 2], [1, 1]], [[0, 3], [4, 0]])
    expect("boundary_grid keys", keys, [1.0, 2, 5])
    expect("boundary_grid first", first, [0.0, 0, 1])
    expect("boundary_grid second", second, [1.0, 2, 2])
    expect("boundary_grid grid", grid[1], [1.0, 0, 5, 0, 2])
    expect("boundary_grid strength", strength[1, 1:4], [0.0, 3, 0])

    merges, areas = mexsets.merge_regions([1, 2, 3, 1], [2, 3, 4, 3], [2, 1, 2, 1], [1, 3, 2, 2],
                                          [4, 3, 5, 2, 1])
    expect("merge_regions merges", merges, [[1.0, 2, 6], [3, 4, 7], [6, 7, 8], [5, 8, 9]])
    expect("merge_regions areas", areas, [4.0, 3, 5, 2, 1, 7, 7, 14, 15])

    expect("tree_leaf_matrix", mexsets.tree_leaf_matrix([[1, 2, 4], [4, 3, 5]],
                                                         [[5, 0], [2, 4], [3, 0]], base=0),
           [[0.0, 1, 2], [0, 1, 1], [2, -1, -1]])

    expect("nondominated", mexsets.nondominated([[3, 1], [1, 3], [2, 2], [3, 3]]),
           np.array([1, 1, 1, 0], dtype=bool))

    try:
        mexsets.score_subsets([1, 2], [1, 2], 3)
        sys.exit("check_mexsets: score_subsets accepted id 3 of 2 items")
    except mexsets.Error as error:
        if error.identifier != "mexsets:score_subsets:idOutOfRange":
            sys.exit(f"check_mexsets: score_subsets raised {error.identifier} ({error})")
    print(f"check_mexsets: the {len(listed)} functions of mexsets {mexsets.__version__} "
          f"in {mexsets.__file__} give the expected results")


if __name__ == "__main__":
    main()
