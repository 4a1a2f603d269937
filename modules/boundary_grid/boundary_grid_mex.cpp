// [grid, strength, keys, first, second] = boundary_grid(labels, values)
#include "boundary_grid_contract.hpp"
#include "mexsets/mex_host.hpp"

MEXSETS_MEX_GATEWAY(mexsets::BoundaryGridContract)
