// The boundary_grid and boundary_sums computations, compiled into this test
// so that region_graph's lists can be compared with theirs whichever
// functions the build includes.
#include "../../modules/boundary_grid/boundary_grid.cpp"
#include "../../modules/boundary_sums/boundary_sums.cpp"
