// [accepted, kept] = suppress_overlaps(items, weights, W[, threshold])
#include "mexsets/mex_host.hpp"
#include "suppress_overlaps_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::SuppressOverlapsContract)
