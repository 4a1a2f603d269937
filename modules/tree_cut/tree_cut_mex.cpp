// leaf_labels = tree_cut(merges, heights, count[, height])
#include "mexsets/mex_host.hpp"
#include "tree_cut_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::TreeCutContract)
