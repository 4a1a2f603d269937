// sums_a, sums_b = score_subsets(a, b, subsets)
#include "mexsets/python_host.hpp"
#include "score_subsets_contract.hpp"

MEXSETS_PYTHON_MODULE(_score_subsets_native, mexsets::ScoreSubsetsContract)
