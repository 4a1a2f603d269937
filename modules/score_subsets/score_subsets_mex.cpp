// [sums_a, sums_b] = score_subsets(a, b, subsets)
#include "mex.h"
#include "mexsets/array_views.hpp"
#include "score_subsets.hpp"

namespace {

enum { IN_VALUES_A, IN_VALUES_B, IN_SUBSETS, IN_COUNT };
enum { OUT_SUMS_A = 1, OUT_SUMS_B = 2 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs == IN_COUNT, "There should be 3 input parameters");
  const auto a = input_view<double>(prhs, IN_VALUES_A + 1);
  const auto b = input_view<double>(prhs, IN_VALUES_B + 1);
  const auto subsets = input_view<double>(prhs, IN_SUBSETS + 1);

  // Do the job
  const std::size_t m = subsets.shape()[0];
  Output sums_a(mxCreateDoubleMatrix(m, 1, mxREAL), nlhs, plhs, OUT_SUMS_A);
  Output sums_b(mxCreateDoubleMatrix(m, 1, mxREAL), nlhs, plhs, OUT_SUMS_B);
  MatlabMultiArray<double> r1(sums_a.get());
  MatlabMultiArray<double> r2(sums_b.get());
  // Ids are checked as they are read; a bad one ends the call with both
  // outputs discarded by the host.
  if (auto bad =
          score_subsets(as_matrix(a), as_matrix(b), as_matrix(subsets), r1.data(), r2.data()))
    fail_entry(IN_SUBSETS + 1, *bad);
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("score_subsets", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
