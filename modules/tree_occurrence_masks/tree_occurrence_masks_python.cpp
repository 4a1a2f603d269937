// masks = tree_occurrence_masks(labels, merges, sets)
#include "mexsets/python_host.hpp"
#include "tree_occurrence_masks_contract.hpp"

MEXSETS_PYTHON_MODULE(_tree_occurrence_masks_native, mexsets::TreeOccurrenceMasksContract)
