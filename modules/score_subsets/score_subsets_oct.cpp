// [sums_a, sums_b] = score_subsets(a, b, subsets)
#include "mexsets/oct_host.hpp"
#include "score_subsets_contract.hpp"

MEXSETS_OCT_GATEWAY(score_subsets, mexsets::ScoreSubsetsContract)
