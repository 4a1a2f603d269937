// W = tree_overlap_matrix(unused, merges, node_rows)
#include "mex.h"
#include "mexsets/array_views.hpp"
#include "tree_overlap_matrix.hpp"

namespace {

enum { IN_UNUSED, IN_MERGES, IN_NODE_ROWS, IN_COUNT };
enum { OUT_OVERLAPS = 1 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments. Input 1 only has to be a two-dimensional double
  // array: it is never read, so a sparse or complex one is accepted.
  require_inputs(nrhs >= IN_COUNT, "There should be at least 3 input parameters");
  const ConstMatlabMultiArray<double> unused(prhs[IN_UNUSED]);
  const auto merges = input_view<double>(prhs, IN_MERGES + 1);
  const auto node_rows = input_view<double>(prhs, IN_NODE_ROWS + 1);
  const ConstMatrix merge = as_matrix(merges);
  const ConstMatrix nodes = as_matrix(node_rows);
  check_merge_matrix(merge, nodes.rows);
  check_leaf_weights(merge, nodes.rows, nodes.cols);

  // Do the job. The result is created while no container is held: a host
  // that ends the call on failed allocation then leaks nothing. Once stored,
  // it belongs to the host, which releases it if building the lists fails.
  Output overlaps(mxCreateDoubleMatrix(nodes.rows, nodes.rows, mxREAL), nlhs, plhs, OUT_OVERLAPS);
  MatlabMultiArray<double> w(overlaps.get());
  const LeafLists lists(merge, nodes.rows);
  fill_overlap_matrix(lists, nodes.cols ? nodes.data : nullptr, w.data());
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("tree_overlap_matrix", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
