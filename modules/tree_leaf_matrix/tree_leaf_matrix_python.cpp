// leaves = tree_leaf_matrix(merges, sets, base=1)
#include "mexsets/python_host.hpp"
#include "tree_leaf_matrix_contract.hpp"

MEXSETS_PYTHON_MODULE(_tree_leaf_matrix_native, mexsets::TreeLeafMatrixContract)
