// [features, extra] = set_features(ids, v, mode, w)
#include "mexsets/oct_host.hpp"
#include "set_features_contract.hpp"

MEXSETS_OCT_GATEWAY(set_features, mexsets::SetFeaturesContract)
