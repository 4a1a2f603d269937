// leaf_labels = tree_cut(merges, heights, count) or tree_cut(merges, heights, 'height', h)
#include "mexsets/oct_host.hpp"
#include "tree_cut_contract.hpp"

MEXSETS_OCT_GATEWAY(tree_cut, mexsets::TreeCutContract)
