"""mexsets: set and merge-tree bookkeeping on NumPy arrays of item and node ids.

Subset sums, diversity ranking, overlap suppression, merge-tree leaf sets,
overlap matrices and occurrence masks, boundary sums, per-set features,
Pareto fronts, the boundary graph of a label image (region_graph) and the
regions of a cut through a merge tree (tree_cut), with
results identical to the bit to the Octave and MATLAB functions of the same
names.

Ids keep the numbering of those functions (see each function's docstring):
item, node and region ids are 1-based in score_subsets, tree_leaf_sets,
tree_occurrence_masks, boundary_sums, boundary_grid, merge_regions and
tree_cut (region_graph numbers any label values 1-based in ascending order),
0-based in rank_diverse, suppress_overlaps, tree_overlap_matrix and
set_features; tree_leaf_matrix gives either, and nondominated reads no
ids. Arrays saved from MATLAB or Octave therefore give the same results
here.

Every function releases the GIL while it computes, and raises
mexsets.Error (a ValueError) with an ``identifier`` of the form
``mexsets:<function>:<reason>`` when it refuses its input.
"""
from importlib import import_module as _import_module
from pathlib import Path as _Path

from ._errors import ArgumentTypeError, Error
from ._version import __version__


def _function_names():
    text = (_Path(__file__).parent / "functions.txt").read_text()
    return [line.strip() for line in text.splitlines()
            if line.strip() and not line.startswith("#")]


for _name in _function_names():
    globals()[_name] = getattr(_import_module("._" + _name, __name__), _name)

__all__ = _function_names() + ["Error", "ArgumentTypeError", "__version__"]
del _name
