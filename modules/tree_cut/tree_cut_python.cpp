// leaf_labels = tree_cut(merges, heights, count=None, *, height=None)
#include "mexsets/python_host.hpp"
#include "tree_cut_contract.hpp"

MEXSETS_PYTHON_MODULE(_tree_cut_native, mexsets::TreeCutContract)
