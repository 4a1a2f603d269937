// front = nondominated(X)
#include "mexsets/oct_host.hpp"
#include "nondominated_contract.hpp"

MEXSETS_OCT_GATEWAY(nondominated, mexsets::NondominatedContract)
