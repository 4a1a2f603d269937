// leaves = tree_leaf_sets(merges, sets)
#include "mexsets/oct_host.hpp"
#include "tree_leaf_sets_contract.hpp"

MEXSETS_OCT_GATEWAY(tree_leaf_sets, mexsets::TreeLeafSetsContract)
