// [first, second, lengths, strengths, areas, border] = region_graph(labels, values,
// 'background', b, 'weight', w)
#include "mexsets/mex_host.hpp"
#include "region_graph_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::RegionGraphContract)
