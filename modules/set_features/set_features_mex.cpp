// [features, extra] = set_features(ids, v, mode, w)
#include "mexsets/mex_host.hpp"
#include "set_features_contract.hpp"

MEXSETS_MEX_GATEWAY(mexsets::SetFeaturesContract)
