// masks = tree_occurrence_masks(labels, merges, sets)
#include "mexsets/mex_host.hpp"
#include "tree_occurrence_masks_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::TreeOccurrenceMasksContract)
