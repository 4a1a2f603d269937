// masks = tree_occurrence_masks(labels, merges, sets): the argument rules
// that every host follows.
#pragma once

#include <string>

#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"
#include "tree_occurrence_masks.hpp"

namespace mexsets {

struct TreeOccurrenceMasksContract : ContractDefaults {
  enum { IN_LABELS, IN_MERGES, IN_SETS };
  enum { OUT_MASKS };
  static constexpr const char* name = "tree_occurrence_masks";
  static constexpr Argument inputs[] = {matrix_argument("labels"), matrix_argument("merges"),
                                        matrix_argument("sets")};
  static constexpr std::size_t min_inputs = 3, max_inputs = 3;
  static constexpr int outputs = 1;
  static constexpr const char* nargin_message = "Three input arguments required.";
  static constexpr const char* nargout_message = "Too many output arguments.";

  // Every input is checked before the output exists, and so is its size
  // (M*N*K bytes) against the memory the machine can give. The output is
  // created while no container is held, so a host that ends the call on a
  // failed allocation leaks nothing; once created it belongs to the host.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix labels = call.matrix(IN_LABELS);
    const ConstMatrix merges = call.matrix(IN_MERGES);
    const ConstMatrix sets = call.matrix(IN_SETS);
    const TreeOccurrenceMasks::Checked inputs = TreeOccurrenceMasks::check(labels, merges, sets);
    require_result_fits(
        saturating_product(labels.size(), sets.rows), call.result_copies(),
        [&] {
          return "the " + std::to_string(labels.rows) + "-by-" + std::to_string(labels.cols) +
                 "-by-" + std::to_string(sets.rows) + " logical masks";
        },
        "ask for fewer node sets (rows of sets) per call", named_arg("sets"));
    bool* masks = call.logical_array(OUT_MASKS, labels.rows, labels.cols, sets.rows);
    TreeOccurrenceMasks marks(inputs);
    marks.mark(masks);
  }
};

}  // namespace mexsets
