"""mexsets.octave: the mexsets functions as Octave and MATLAB call them.

The layer for porting MATLAB/Octave code and for arrays saved from those
hosts: every function takes and returns the same ids, shapes and bits as the
Octave and MATLAB function of the same name. Item, node and region ids are
1-based in score_subsets, tree_leaf_sets, tree_occurrence_masks,
boundary_sums, boundary_grid, merge_regions and tree_cut (region_graph
numbers any label values 1-based in ascending order), 0-based in
rank_diverse, suppress_overlaps, tree_overlap_matrix and set_features;
tree_leaf_matrix gives either, and nondominated reads no ids. Ids come back
as float64, a 1-D array is one row, and unused or dummy arguments stay.

The top level, ``mexsets``, runs the same computations in NumPy conventions
(0-based ids everywhere, sets as padded 2-D arrays or ragged sequences,
intp ids out, named tuples): ``mexsets.f(x) == mexsets.octave.f(shift(x))``
to the bit, shift being the documented id shift.

Every function releases the GIL while it computes, and raises
mexsets.Error (a ValueError) with an ``identifier`` of the form
``mexsets:<function>:<reason>`` when it refuses its input.
"""
from importlib import import_module as _import_module

from .. import _function_names
from .._errors import ArgumentTypeError, Error

for _name in _function_names():
    globals()[_name] = getattr(_import_module("._" + _name, __name__), _name)

__all__ = _function_names() + ["Error", "ArgumentTypeError"]
del _name
