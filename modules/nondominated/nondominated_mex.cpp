// front = nondominated(X)
#include "mexsets/mex_host.hpp"
#include "nondominated_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::NondominatedContract)
