// merges, areas, heights = merge_regions(first, second, lengths, strengths, areas, base=1)
#include "merge_regions_contract.hpp"
#include "mexsets/python_host.hpp"

MEXSETS_PYTHON_MODULE(_merge_regions_native, mexsets::MergeRegionsContract)
