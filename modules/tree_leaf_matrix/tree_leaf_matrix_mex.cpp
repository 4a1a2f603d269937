// leaves = tree_leaf_matrix(merges, sets[, base])
#include "mexsets/mex_host.hpp"
#include "tree_leaf_matrix_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::TreeLeafMatrixContract)
