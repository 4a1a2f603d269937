// masks = tree_occurrence_masks(labels, merges, sets)
#include "mexsets/oct_host.hpp"
#include "tree_occurrence_masks_contract.hpp"

MEXSETS_OCT_GATEWAY(tree_occurrence_masks, mexsets::TreeOccurrenceMasksContract)
