// [merges, areas, heights] = merge_regions(first, second, lengths, strengths, areas[, base])
#include "merge_regions_contract.hpp"
#include "mexsets/oct_host.hpp"

MEXSETS_OCT_GATEWAY(merge_regions, mexsets::MergeRegionsContract)
