// overlaps = tree_overlap_matrix(unused, merges, node_rows)
#include "mexsets/python_host.hpp"
#include "tree_overlap_matrix_contract.hpp"

MEXSETS_PYTHON_MODULE(_tree_overlap_matrix_native, mexsets::TreeOverlapMatrixContract)
