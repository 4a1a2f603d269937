// leaves = tree_leaf_sets(merges, sets)
#include "mexsets/python_host.hpp"
#include "tree_leaf_sets_contract.hpp"

MEXSETS_PYTHON_MODULE(_tree_leaf_sets_native, mexsets::TreeLeafSetsContract)
