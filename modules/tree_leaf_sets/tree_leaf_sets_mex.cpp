// leaves = tree_leaf_sets(merges, sets)
#include "mexsets/mex_host.hpp"
#include "tree_leaf_sets_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::TreeLeafSetsContract)
