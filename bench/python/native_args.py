"""The arguments of a native call (mexsets.<name>) made from those of the
Octave-faithful call (mexsets.octave.<name>) with the same results: ids
shifted to 0-based (1-based ids minus 1, their 0 end markers becoming -1),
as np.intp in C order, the way NumPy code holds ids; row vectors of values
as 1-D arrays; set_features' numeric mode as its name.

  native_call(name, args) -> (args, kwargs) of mexsets.<name>
  as_numpy_user(name, args) -> the faithful args with ids as C-ordered intp
"""
import numpy as np

MODES = {1: "min", 2: "ratio", 3: "perimeter", 4: "box"}


def _ids(x, shift):
    return np.ascontiguousarray(np.asarray(x) - shift, dtype=np.intp)


def _vector(x):
    return np.ascontiguousarray(np.asarray(x, dtype=float).ravel())


# For each function: (the faithful arguments that hold 1-based ids, those
# that hold 0-based ids).
ID_ARGS = {
    "score_subsets": ((2,), ()),
    "rank_diverse": ((), (0,)),
    "suppress_overlaps": ((), (0,)),
    "tree_overlap_matrix": ((), (1,)),
    "tree_leaf_sets": ((0, 1), ()),
    "tree_occurrence_masks": ((0, 1, 2), ()),
    "boundary_sums": ((1, 2), ()),
    "set_features": ((), (0,)),
    "nondominated": ((), ()),
    "boundary_grid": ((0,), ()),
    "merge_regions": ((0, 1), ()),
    "tree_leaf_matrix": ((0, 1), ()),
    "region_graph": ((), ()),
    "tree_cut": ((0,), ()),
}


def as_numpy_user(name, args):
    """ARGS with every id argument as a C-ordered intp array (same values)."""
    one, zero = ID_ARGS[name]
    return tuple(_ids(a, 0) if k in one + zero else a for k, a in enumerate(args))


def native_call(name, args):
    """(args, kwargs) of the native call that gives the faithful call's results."""
    one, zero = ID_ARGS[name]
    a = [_ids(x, 1) if k in one else _ids(x, 0) if k in zero else x for k, x in enumerate(args)]
    if name == "score_subsets":
        return (_vector(a[0]), _vector(a[1]), a[2]), {}
    if name in ("rank_diverse", "suppress_overlaps"):
        return (a[0], _vector(a[1])) + tuple(a[2:]), {}
    if name == "tree_overlap_matrix":
        return (a[1], _vector(np.asarray(a[2])[:, 0])), {}
    if name == "boundary_sums":
        return (a[0], a[1].ravel(), a[2].ravel()) + tuple(a[3:]), {}
    if name == "set_features":
        mode = MODES[int(np.asarray(a[2]).flat[0])] if len(a) > 2 else "min"
        v = a[1] if mode == "box" else _vector(np.asarray(a[1])[:, 0])
        return (a[0], v, mode), ({"w": a[3]} if len(a) > 3 else {})
    if name == "merge_regions":
        return (a[0].ravel(), a[1].ravel()) + tuple(_vector(x) for x in a[2:5]), {}
    if name == "tree_leaf_matrix":
        return tuple(a[:2]), {}
    if name == "tree_cut":
        return (a[0], _vector(a[1])) + tuple(a[2:]), {}
    return tuple(a), {}
