// W = tree_overlap_matrix(unused, merges, node_rows)
#include "mexsets/oct_host.hpp"
#include "tree_overlap_matrix_contract.hpp"

MEXSETS_OCT_GATEWAY(tree_overlap_matrix, mexsets::TreeOverlapMatrixContract)
