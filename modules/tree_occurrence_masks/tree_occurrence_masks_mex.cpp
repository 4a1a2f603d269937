// masks = tree_occurrence_masks(labels, merges, sets)
#include "mex.h"
#include "mexsets/array_views.hpp"
#include "tree_occurrence_masks.hpp"

namespace {

enum { IN_LABELS, IN_MERGES, IN_SETS, IN_COUNT };
enum { OUT_MASKS = 1, OUT_MOST = 3 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs == IN_COUNT, "Three input arguments required.");
  require_outputs(nlhs <= OUT_MOST, "Too many output arguments.");
  const auto labels = input_view<double>(prhs, IN_LABELS + 1);
  const auto merges = input_view<double>(prhs, IN_MERGES + 1);
  const auto sets = input_view<double>(prhs, IN_SETS + 1);
  const ConstMatrix label = as_matrix(labels), merge = as_matrix(merges), set = as_matrix(sets);
  TreeOccurrenceMasks::check(label, merge, set);

  // Do the job. The output is created while no container is held, so a host
  // that ends the call on a failed allocation leaks nothing; once stored it
  // belongs to the host. With one node set the host reports the M-by-N-by-1
  // array as M-by-N, which the 3-D view reads as one plane.
  const mwSize dims[3] = {static_cast<mwSize>(label.rows), static_cast<mwSize>(label.cols),
                          static_cast<mwSize>(set.rows)};
  Output out(mxCreateLogicalArray(3, dims), nlhs, plhs, OUT_MASKS);
  MatlabMultiArray3<bool> planes(out.get());
  TreeOccurrenceMasks masks(label, merge, set);
  masks.mark(planes.data());
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("tree_occurrence_masks", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
