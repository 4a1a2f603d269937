// leaf_labels = tree_cut(merges, heights, count) or tree_cut(merges, heights,
// 'height', h): the argument rules that every host follows.
#pragma once

#include <string>

#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"
#include "tree_cut.hpp"

namespace mexsets {

struct TreeCutContract : ContractDefaults {
  enum { IN_MERGES, IN_HEIGHTS, IN_COUNT, IN_HEIGHT };
  enum { OUT_LABELS };
  static constexpr const char* name = "tree_cut";
  static constexpr Argument inputs[] = {matrix_argument("merges"), matrix_argument("heights"),
                                        optional_matrix("count"), named(optional_matrix("height"))};
  static constexpr std::size_t min_inputs = 2, max_inputs = 3;
  static constexpr int outputs = 1;
  static constexpr const char* nargin_message =
      "Two or three input arguments required, then name-value pairs.";

  // The one value of count or height, or none when left out or empty.
  template <class Call>
  static bool cut_value(Call& call, int k, const char* name, const char* reason, double& value) {
    if (!call.given(k)) return false;
    const ConstMatrix m = call.matrix(k);
    if (m.size() == 0) return false;
    if (m.size() > 1)
      fail(reason, "Not one value: ", named_arg(name),
           " holds " + std::to_string(m.size()) + " elements");
    value = m.data[0];
    return true;
  }

  // The tree is read and checked, and the cut chosen, before the labels
  // exist.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix merges = call.matrix(IN_MERGES);
    const ConstMatrix heights = call.matrix(IN_HEIGHTS);
    double count = 0, height = 0;
    const bool by_count = cut_value(call, IN_COUNT, "count", "badCount", count);
    const bool by_height = cut_value(call, IN_HEIGHT, "height", "badHeight", height);
    if (by_count == by_height)
      fail(by_count ? "twoCuts" : "noCut",
           by_count ? "Both count and height given: " : "Neither count nor height given: ",
           "give one of ", named_arg("count"), " and ", named_arg("height"));
    const CutTree tree = read_cut_tree(merges, heights, call.scratch());
    const std::size_t applied =
        by_count ? merges_for_count(tree, count) : merges_below(heights, height);
    const std::uint64_t leaves = tree.leaves;
    require_result_fits(
        saturating_product(leaves, sizeof(double)), call.result_copies(),
        [&] { return "the " + std::to_string(leaves) + " leaf labels"; }, "cut a smaller tree",
        arg("merges"));
    cut_labels(tree, applied, call.column(OUT_LABELS, leaves), call.scratch());
  }
};

}  // namespace mexsets
