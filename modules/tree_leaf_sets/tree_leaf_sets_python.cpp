// leaves = tree_leaf_sets(merges, sets)
//
// call() gives the lists of 1-based leaves (mexsets.octave), call_zero_based()
// the same lists with 0-based leaves (mexsets): a shift in Python would cost
// a loop over the lists, more than the computation on many short lists.
#include "mexsets/python_host.hpp"
#include "tree_leaf_sets_contract.hpp"

namespace {

struct TreeLeafSetsZeroBased : mexsets::TreeLeafSetsContract {
  template <class Call>
  static void run(Call& call) {
    run_numbered(call, true);
  }
};

}  // namespace

PYBIND11_MODULE(_tree_leaf_sets_native, module) {
  mexsets::python::bind<mexsets::TreeLeafSetsContract>(module);
  module.def("call_zero_based", &mexsets::python::call<TreeLeafSetsZeroBased>,
             "Runs the function on every input, positionally; the lists hold 0-based leaves.");
}
