// W = tree_overlap_matrix(unused, merges, node_rows)
#include "mexsets/mex_host.hpp"
#include "tree_overlap_matrix_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::TreeOverlapMatrixContract)
