// [features, extra] = set_features(ids, values, mode, weights)
#include <optional>

#include "mex.h"
#include "mexsets/array_views.hpp"
#include "set_features.hpp"

namespace {

enum { IN_IDS, IN_VALUES, IN_MODE, IN_WEIGHTS };
enum { OUT_FEATURES = 1, OUT_EXTRA = 2 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs >= 2, "There should be at least 2 input parameters");
  const auto ids = input_view<double>(prhs, IN_IDS + 1);
  const auto values = input_view<double>(prhs, IN_VALUES + 1);
  const int mode = nrhs > IN_MODE ? feature_mode(scalar_input(prhs, IN_MODE + 1, "mode")) : 1;

  // Do the job: output 1 exists whatever the mode.
  const std::size_t m = ids.shape()[0];
  Output features(mxCreateDoubleMatrix(m, 1, mxREAL), nlhs, plhs, OUT_FEATURES);
  MatlabMultiArray<double> out1(features.get());
  if (mode_value_columns(mode) == 0) return;
  std::optional<ConstMatlabMultiArray<double>> weights;
  if (mode == 3) {
    require_inputs(nrhs > IN_WEIGHTS, "For perimeter we need 4 parameters");
    weights.emplace(input_view<double>(prhs, IN_WEIGHTS + 1));
  }
  check_value_columns(mode, as_matrix(ids), as_matrix(values));
  std::optional<Output> extra;
  double* out2 = nullptr;
  if (const std::size_t columns = second_output_columns(mode)) {
    extra.emplace(mxCreateDoubleMatrix(m, columns, mxREAL), nlhs, plhs, OUT_EXTRA);
    out2 = MatlabMultiArray<double>(extra->get()).data();
  }
  const ConstMatrix w = weights ? as_matrix(*weights) : ConstMatrix{};
  if (auto bad = set_features(mode, as_matrix(ids), as_matrix(values), w, out1.data(), out2))
    fail_entry(IN_IDS + 1, *bad);
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("set_features", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
