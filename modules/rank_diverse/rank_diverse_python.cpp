// order, scores = rank_diverse(items, relevance, w, lambda_=0.75)
#include "mexsets/python_host.hpp"
#include "rank_diverse_contract.hpp"

MEXSETS_PYTHON_MODULE(_rank_diverse_native, mexsets::RankDiverseContract)
