// [accepted, kept] = suppress_overlaps(items, weights, W[, threshold])
#include "mexsets/oct_host.hpp"
#include "suppress_overlaps_contract.hpp"

MEXSETS_OCT_GATEWAY(suppress_overlaps, mexsets::SuppressOverlapsContract)
