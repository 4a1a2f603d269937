// leaf_labels = tree_cut(merges, heights, count) or tree_cut(merges, heights, 'height', h)
#include "mexsets/mex_host.hpp"
#include "tree_cut_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::TreeCutContract)
