// pair, border = boundary_sums(n, first, second, keys, labels, weights)
#include "boundary_sums_contract.hpp"
#include "mexsets/python_host.hpp"

MEXSETS_PYTHON_MODULE(_boundary_sums_native, mexsets::BoundarySumsContract)
