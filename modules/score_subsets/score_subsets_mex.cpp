// [sums_a, sums_b] = score_subsets(a, b, subsets)
#include "mexsets/mex_host.hpp"
#include "score_subsets_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::ScoreSubsetsContract)
