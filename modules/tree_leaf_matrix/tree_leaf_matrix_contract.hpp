// leaves = tree_leaf_matrix(merges, sets[, base]): the argument rules that
// every host follows.
#pragma once

#include <cstdint>
#include <string>

#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"
#include "tree_leaf_matrix.hpp"

namespace mexsets {

struct TreeLeafMatrixContract : ContractDefaults {
  enum { IN_MERGES, IN_SETS, IN_BASE };
  enum { OUT_LEAVES };
  static constexpr const char* name = "tree_leaf_matrix";
  static constexpr Argument inputs[] = {matrix_argument("merges"), matrix_argument("sets"),
                                        optional_scalar("base", 1.0)};
  static constexpr std::size_t min_inputs = 2, max_inputs = 3;
  static constexpr int outputs = 1;
  static constexpr const char* nargin_message = "Two or three input arguments required.";
  static constexpr const char* nargout_message = "Too many output arguments.";

  // The tree is built once, from the host's scratch memory, and every row's
  // count is known before the matrix is created at its final size, which
  // must fit the machine as many times as the host holds it.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix merges = call.matrix(IN_MERGES);
    const ConstMatrix sets = call.matrix(IN_SETS);
    const bool one_based = leaf_matrix_one_based(call.scalar(IN_BASE));
    TreeLeafSets tree(merges, sets, call.scratch());
    const std::size_t width = leaf_matrix_width(tree);
    const std::uint64_t bytes =
        saturating_product(saturating_product(tree.size(), width), sizeof(double));
    require_result_fits(
        bytes, call.result_copies(),
        [&] {
          return "the " + std::to_string(tree.size()) + "-by-" + std::to_string(width) +
                 " leaf matrix";
        },
        "ask for fewer node sets (rows of sets) per call", named_arg("sets"));
    double* leaves = call.matrix_output(OUT_LEAVES, tree.size(), width);
    write_leaf_matrix(tree, width, one_based, leaves, call.scratch());
  }
};

}  // namespace mexsets
