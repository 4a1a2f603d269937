// accepted = suppress_overlaps(items, weights, W[, threshold])
#include "mex.h"
#include "mexsets/array_views.hpp"
#include "suppress_overlaps.hpp"

namespace {

enum { IN_ITEMS, IN_WEIGHTS, IN_PAIRS, IN_THRESHOLD, IN_REQUIRED = IN_THRESHOLD };
enum { OUT_ACCEPTED = 1 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs >= IN_REQUIRED, "There should be at least 3 input parameters");
  const auto items = input_view<double>(prhs, IN_ITEMS + 1);
  const auto weights = input_view<double>(prhs, IN_WEIGHTS + 1);
  const auto pairs = input_view<double>(prhs, IN_PAIRS + 1);
  const double threshold =
      nrhs > IN_THRESHOLD ? scalar_input(prhs, IN_THRESHOLD + 1, "threshold") : 1.0;
  if (auto bad = find_invalid_suppression_entry(as_matrix(items), weights.num_elements(),
                                                as_matrix(pairs)))
    fail_entry(IN_ITEMS + 1, *bad);

  // Do the job
  const Suppression kept =
      suppress_overlaps(as_matrix(items), weights.data(), as_matrix(pairs), threshold);
  const std::size_t n = items.shape()[1];
  Output accepted(mxCreateDoubleMatrix(kept.accepted.size(), n, mxREAL), nlhs, plhs, OUT_ACCEPTED);
  MatlabMultiArray<double> out(accepted.get());
  write_accepted_rows(as_matrix(items), kept.accepted, out.data());
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("suppress_overlaps", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
