// accepted, kept = suppress_overlaps(items, weights, w, threshold=1.0)
#include "mexsets/python_host.hpp"
#include "suppress_overlaps_contract.hpp"

MEXSETS_PYTHON_MODULE(_suppress_overlaps_native, mexsets::SuppressOverlapsContract)
