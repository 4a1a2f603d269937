// leaves = tree_leaf_sets(merges, sets): the argument rules that every host
// follows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/leaf_sets.hpp"
#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"

namespace mexsets {

struct TreeLeafSetsContract : ContractDefaults {
  enum { IN_MERGES, IN_SETS };
  enum { OUT_LEAVES };
  static constexpr const char* name = "tree_leaf_sets";
  static constexpr Argument inputs[] = {matrix_argument("merges"), matrix_argument("sets")};
  static constexpr std::size_t min_inputs = 2, max_inputs = 2;
  static constexpr int outputs = 1;
  static constexpr const char* nargin_message = "Two input arguments required.";
  static constexpr const char* nargout_message = "Too many output arguments.";
  // What a list costs besides its leaves: the array header of either host
  // (an mxArray, a NumPy array and its list slot) is about this size.
  static constexpr std::uint64_t list_header_bytes = 128;

  // The tree is built once, from the host's scratch memory: it stays alive
  // while the lists are created, and a host that ends the call on a failed
  // allocation releases its blocks too. Every row's count, and the lists'
  // total size (4 bytes a leaf plus a header a list), is checked before the
  // lists are made, each at its final size; then they are filled.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix merges = call.matrix(IN_MERGES);
    const ConstMatrix sets = call.matrix(IN_SETS);
    TreeLeafSets tree(merges, sets, call.scratch());
    std::uint64_t bytes = 0;
    for (std::size_t j = 0; j < tree.size(); ++j)
      bytes = saturating_sum(
          bytes, saturating_sum(saturating_product(tree.count(j), 4), list_header_bytes));
    require_result_fits(
        bytes, call.result_copies(),
        [&] { return "the leaf lists of " + std::to_string(tree.size()) + " node sets"; },
        "ask for fewer node sets (rows of sets) per call", named_arg("sets"));
    call.lists(OUT_LEAVES, tree.size(), [&](std::size_t j) { return tree.count(j); });
    // The lists are located on this thread; the rows are filled on the
    // threads of the call.
    std::vector<std::uint32_t*> outs(tree.size(), nullptr);
    for (std::size_t j = 0; j < tree.size(); ++j)
      if (tree.count(j)) outs[j] = call.list(OUT_LEAVES, j);
    tree.fill_rows(outs.data());
  }
};

}  // namespace mexsets
