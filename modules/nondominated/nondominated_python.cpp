// front = nondominated(x)
#include "mexsets/python_host.hpp"
#include "nondominated_contract.hpp"

MEXSETS_PYTHON_MODULE(_nondominated_native, mexsets::NondominatedContract)
