// The boundary_grid and boundary_sums computations, compiled into this
// benchmark for the route that region_graph replaces, whichever functions
// the build includes.
#include "../../modules/boundary_grid/boundary_grid.cpp"
#include "../../modules/boundary_sums/boundary_sums.cpp"
