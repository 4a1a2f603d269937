// [grid, strength, keys, first, second] = boundary_grid(labels, values)
#include "mexsets/oct_host.hpp"
#include "boundary_grid_contract.hpp"

MEXSETS_OCT_GATEWAY(boundary_grid, mexsets::BoundaryGridContract)
