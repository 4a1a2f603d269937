// features[, extra] = set_features(ids, v, mode=1, w=None)
#include "mexsets/python_host.hpp"
#include "set_features_contract.hpp"

MEXSETS_PYTHON_MODULE(_set_features_native, mexsets::SetFeaturesContract)
