// leaves = tree_leaf_sets(merges, sets)
#include <cstdint>

#include "mex.h"
#include "mexsets/array_views.hpp"
#include "mexsets/host_memory.hpp"
#include "tree_leaf_sets.hpp"

namespace {

enum { IN_MERGES, IN_SETS, IN_COUNT };
enum { OUT_LEAVES = 1 };

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs == IN_COUNT, "Two input arguments required.");
  require_outputs(nlhs <= OUT_LEAVES, "Too many output arguments.");
  const auto merges_view = input_view<double>(prhs, IN_MERGES + 1);
  const auto sets_view = input_view<double>(prhs, IN_SETS + 1);
  const ConstMatrix merges = as_matrix(merges_view);
  const ConstMatrix sets = as_matrix(sets_view);

  // Do the job. The tree is built once, from host memory: it stays alive
  // while the cells are created, and a host that ends the call on a failed
  // allocation releases its blocks too. Every row's count is checked before
  // the first cell is made; then each cell is created at its final size and
  // filled.
  HostMemory memory;
  TreeLeafSets tree(merges, sets, &memory);
  for (std::size_t j = 0; j < tree.size(); ++j) tree.count(j);
  const mwSize rows = static_cast<mwSize>(tree.size());
  Output cells(mxCreateCellArray(1, &rows), nlhs, plhs, OUT_LEAVES);
  for (std::size_t j = 0; j < tree.size(); ++j) {
    const std::size_t count = tree.count(j);
    mxArray* cell = mxCreateNumericMatrix(1, static_cast<mwSize>(count), mxUINT32_CLASS, mxREAL);
    mxSetCell(cells.get(), static_cast<mwIndex>(j), cell);
    if (count) tree.fill(j, count, static_cast<std::uint32_t*>(mxGetData(cell)));
  }
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("tree_leaf_sets", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
