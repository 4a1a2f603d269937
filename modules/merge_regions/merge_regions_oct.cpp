// [merges, areas] = merge_regions(first, second, lengths, strengths, areas[, base])
#include "mexsets/oct_host.hpp"
#include "merge_regions_contract.hpp"

MEXSETS_OCT_GATEWAY(merge_regions, mexsets::MergeRegionsContract)
