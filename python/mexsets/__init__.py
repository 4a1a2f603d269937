"""mexsets: set and merge-tree bookkeeping on NumPy arrays of item and node ids.

Subset sums (score_subsets), diversity ranking (rank_diverse), overlap
suppression (suppress_overlaps), merge-tree leaf sets (tree_leaf_sets,
tree_leaf_matrix), overlap matrices (tree_overlap_matrix) and occurrence
masks (tree_occurrence_masks), boundary sums (boundary_sums), per-set
features (set_features), Pareto fronts (nondominated), the boundary graph of
a label image (boundary_grid, region_graph), its merge tree (merge_regions)
and the regions of a cut through it (tree_cut).

Two layers run the same computation:

- ``mexsets`` (this module): NumPy conventions. Every id in and out is
  0-based; sets are 2-D arrays padded with -1 or sequences of 1-D sets (a
  set ends at its first negative entry); ids, orders and labels come back
  as ``np.intp``; several results come as named tuples. A 1-D array where
  rows are expected is refused (badShape), as are fractional ids
  (idNotWhole) and None for a required argument (missingArgument).
- ``mexsets.octave``: the functions as Octave and MATLAB call them (same
  ids, shapes and bits), for porting their code.

The results are identical to the bit to the Octave and MATLAB functions of
the same names after the id shift. Every function releases the GIL while it
computes, and raises mexsets.Error (a ValueError) with an ``identifier`` of
the form ``mexsets:<function>:<reason>`` when it refuses its input.
"""
from importlib import import_module as _import_module
from pathlib import Path as _Path

from ._errors import ArgumentTypeError, Error
from ._results import (BoundaryGrid, BoundarySums, MergeTree, Perimeter, Ranking, Ratio,
                       RegionGraph, SubsetSums, Suppression)
from ._version import __version__


def _function_names():
    text = (_Path(__file__).parent / "functions.txt").read_text()
    return [line.strip() for line in text.splitlines()
            if line.strip() and not line.startswith("#")]


def _native_functions():
    """The native wrappers present: a build from a branch that has not
    written every one yet still imports (mexsets.octave has them all)."""
    found = []
    for name in _function_names():
        try:
            module = _import_module("._" + name, __name__)
        except ModuleNotFoundError as error:
            if error.name != f"{__name__}._{name}":
                raise
            continue
        globals()[name] = getattr(module, name)
        found.append(name)
    return found


from . import octave  # noqa: E402

__all__ = _native_functions() + [
    "Error", "ArgumentTypeError", "__version__", "octave",
    "BoundaryGrid", "BoundarySums", "MergeTree", "Perimeter", "Ranking", "Ratio", "RegionGraph",
    "SubsetSums", "Suppression"]
