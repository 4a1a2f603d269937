// [first, second, lengths, strengths, areas, border] = region_graph(labels, values,
// 'background', b, 'weight', w)
#include "mexsets/oct_host.hpp"
#include "region_graph_contract.hpp"

MEXSETS_OCT_GATEWAY(region_graph, mexsets::RegionGraphContract)
