// [order, scores] = rank_diverse(items, relevance, W[, lambda])
#include "mex.h"
#include "mexsets/array_views.hpp"
#include "rank_diverse.hpp"

namespace {

enum { IN_ITEMS, IN_RELEVANCE, IN_PAIRS, IN_LAMBDA, IN_REQUIRED = IN_LAMBDA };
enum { OUT_ORDER = 1, OUT_SCORES = 2 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs >= IN_REQUIRED, "There should be at least 3 input parameters");
  const auto items = input_view<double>(prhs, IN_ITEMS + 1);
  const auto relevance = input_view<double>(prhs, IN_RELEVANCE + 1);
  const auto pairs = input_view<double>(prhs, IN_PAIRS + 1);
  const double lambda = nrhs > IN_LAMBDA ? scalar_input(prhs, IN_LAMBDA + 1, "lambda") : 0.75;
  const std::size_t m = items.shape()[0];
  if (relevance.num_elements() < m)
    fail("tooFewValues", "Too few relevance values: input 2 holds " +
                             std::to_string(relevance.num_elements()) + " for the " +
                             std::to_string(m) + " rows of input 1");
  if (auto bad = find_invalid_ranking_id(as_matrix(items), as_matrix(pairs)))
    fail_entry(IN_ITEMS + 1, *bad);

  // Do the job
  Output order(mxCreateDoubleMatrix(m, 1, mxREAL), nlhs, plhs, OUT_ORDER);
  Output scores(mxCreateDoubleMatrix(m, 1, mxREAL), nlhs, plhs, OUT_SCORES);
  MatlabMultiArray<double> o(order.get());
  MatlabMultiArray<double> s(scores.get());
  rank_diverse(as_matrix(items), relevance.data(), as_matrix(pairs), lambda, o.data(), s.data());
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("rank_diverse", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
