// [pair, border] = boundary_sums(n, first, second, keys, labels, weights)
#include "boundary_sums_contract.hpp"
#include "mexsets/mex_host.hpp"

MEXSETS_MEX_GATEWAY(mexsets::BoundarySumsContract)
