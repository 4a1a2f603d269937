// leaves = tree_leaf_matrix(merges, sets[, base])
#include "mexsets/oct_host.hpp"
#include "tree_leaf_matrix_contract.hpp"

MEXSETS_OCT_GATEWAY(tree_leaf_matrix, mexsets::TreeLeafMatrixContract)
