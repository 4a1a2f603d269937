// grid, strength, keys, first, second = boundary_grid(labels, values=None)
#include "boundary_grid_contract.hpp"
#include "mexsets/python_host.hpp"

MEXSETS_PYTHON_MODULE(_boundary_grid_native, mexsets::BoundaryGridContract)
