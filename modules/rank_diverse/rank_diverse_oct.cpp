// [order, scores] = rank_diverse(items, relevance, W[, lambda])
#include "mexsets/oct_host.hpp"
#include "rank_diverse_contract.hpp"

MEXSETS_OCT_GATEWAY(rank_diverse, mexsets::RankDiverseContract)
