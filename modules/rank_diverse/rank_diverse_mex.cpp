// [order, scores] = rank_diverse(items, relevance, W[, lambda])
#include "mexsets/mex_host.hpp"
#include "rank_diverse_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::RankDiverseContract)
