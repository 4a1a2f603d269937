// [pair, border] = boundary_sums(n, first_ids, second_ids, keys, labels, weights)
#include "boundary_sums.hpp"
#include "mex.h"
#include "mexsets/array_views.hpp"

namespace {

enum { IN_N, IN_FIRST, IN_SECOND, IN_KEYS, IN_LABELS, IN_WEIGHTS, IN_COUNT };
enum { OUT_PAIR = 1, OUT_BORDER = 2 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs == IN_COUNT, "There should be 6 input parameters");
  const double n_value = scalar_input(prhs, IN_N + 1, "n");
  const auto first = input_view<double>(prhs, IN_FIRST + 1);
  const auto second = input_view<double>(prhs, IN_SECOND + 1);
  const auto keys = input_view<double>(prhs, IN_KEYS + 1);
  const auto labels = input_view<double>(prhs, IN_LABELS + 1);
  const auto weights = input_view<double>(prhs, IN_WEIGHTS + 1);
  BoundaryInputs in;
  in.n = pair_size(n_value);
  in.first = as_matrix(first);
  in.second = as_matrix(second);
  in.keys = as_matrix(keys);
  in.labels = as_matrix(labels);
  in.weights = as_matrix(weights);
  check_boundary_inputs(in);

  // Do the job. The outputs come first: a host may leave the call without
  // unwinding when it cannot create them, so no container is held then.
  Output pair(mxCreateDoubleMatrix(in.n, in.n, mxREAL), nlhs, plhs, OUT_PAIR);
  Output border(mxCreateDoubleMatrix(in.n, 1, mxREAL), nlhs, plhs, OUT_BORDER);
  MatlabMultiArray<double> p(pair.get());
  MatlabMultiArray<double> b(border.get());
  const std::vector<double> sums = boundary_key_sums(in);
  distribute_boundary_sums(in, sums, p.data(), b.data());
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("boundary_sums", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
