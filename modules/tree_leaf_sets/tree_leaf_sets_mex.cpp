// leaves = tree_leaf_sets(merges, sets)
#include <cstdint>

#include "mex.h"
#include "mexsets/array_views.hpp"
#include "tree_leaf_sets.hpp"

namespace {

enum { IN_MERGES, IN_SETS, IN_COUNT };
enum { OUT_LEAVES = 1 };

// A host array the call uses for itself and destroys on the way out.
class Scratch {
 public:
  explicit Scratch(mxArray* array) : array_(array) {}
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() { mxDestroyArray(array_); }
  mxArray* get() const { return array_; }

 private:
  mxArray* array_;
};

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments
  require_inputs(nrhs == IN_COUNT, "Two input arguments required.");
  require_outputs(nlhs <= OUT_LEAVES, "Too many output arguments.");
  const auto merges_view = input_view<double>(prhs, IN_MERGES + 1);
  const auto sets_view = input_view<double>(prhs, IN_SETS + 1);
  const ConstMatrix merges = as_matrix(merges_view);
  const ConstMatrix sets = as_matrix(sets_view);
  TreeLeafSets::check(merges, sets);

  // Do the job. Host arrays are only created while no container is held, so
  // a host that ends the call on a failed allocation leaks nothing: the cell
  // array and a column of counts first, then one 1-by-n uint32 row per node
  // set, and only then are the leaves written into them.
  const mwSize rows = static_cast<mwSize>(sets.rows);
  Output cells(mxCreateCellArray(1, &rows), nlhs, plhs, OUT_LEAVES);
  Scratch counts(mxCreateNumericMatrix(rows, 1, mxUINT64_CLASS, mxREAL));
  auto* count = static_cast<std::uint64_t*>(mxGetData(counts.get()));
  {
    const TreeLeafSets tree(merges, sets);
    for (std::size_t j = 0; j < sets.rows; ++j) count[j] = tree.count(j);
  }
  for (std::size_t j = 0; j < sets.rows; ++j)
    mxSetCell(cells.get(), static_cast<mwIndex>(j),
              mxCreateNumericMatrix(1, static_cast<mwSize>(count[j]), mxUINT32_CLASS, mxREAL));
  TreeLeafSets tree(merges, sets);
  for (std::size_t j = 0; j < sets.rows; ++j)
    if (count[j]) {
      mxArray* cell = mxGetCell(cells.get(), static_cast<mwIndex>(j));
      tree.fill(j, static_cast<std::size_t>(count[j]),
                static_cast<std::uint32_t*>(mxGetData(cell)));
    }
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("tree_leaf_sets", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
