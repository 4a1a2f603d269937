// [pair, border] = boundary_sums(n, first, second, keys, labels, weights)
#include "mexsets/oct_host.hpp"
#include "boundary_sums_contract.hpp"

MEXSETS_OCT_GATEWAY(boundary_sums, mexsets::BoundarySumsContract)
