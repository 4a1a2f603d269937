// [merges, areas, heights] = merge_regions(first, second, lengths, strengths, areas[, base])
#include "merge_regions_contract.hpp"
#include "mexsets/mex_host.hpp"

MEXSETS_MEX_GATEWAY(mexsets::MergeRegionsContract)
