// first, second, lengths, strengths, areas, border = region_graph(labels, values=None, *,
// background=None, weight='step')
#include "mexsets/python_host.hpp"
#include "region_graph_contract.hpp"

MEXSETS_PYTHON_MODULE(_region_graph_native, mexsets::RegionGraphContract)
