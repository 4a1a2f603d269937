// [accepted, kept] = suppress_overlaps(items, weights, W[, threshold]): the
// argument rules that every host follows.
#pragma once

#include "mexsets/compressed_columns.hpp"
#include "mexsets/contract.hpp"
#include "suppress_overlaps.hpp"

namespace mexsets {

struct SuppressOverlapsContract : ContractDefaults {
  enum { IN_ITEMS, IN_WEIGHTS, IN_W, IN_THRESHOLD };
  enum { OUT_ACCEPTED, OUT_KEPT };
  static constexpr const char* name = "suppress_overlaps";
  static constexpr Argument inputs[] = {matrix_argument("items"), matrix_argument("weights"),
                                        matrix_argument("W"), optional_scalar("threshold", 1.0)};
  // Inputs after the fourth are ignored.
  static constexpr std::size_t min_inputs = 3, max_inputs = any_number_of_inputs;
  static constexpr int outputs = 2;
  static constexpr const char* nargin_message = "There should be at least 3 input parameters";

  // The outputs' row count is known only once the rows are filtered; the
  // accepted row numbers, held while they are created, live in the host's
  // scratch memory.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix items = call.matrix(IN_ITEMS);
    const ConstMatrix weights = call.matrix(IN_WEIGHTS);
    // W dense, sparse, or a vector of item weights meaning diag(w).
    const WeightMatrix w = read_weight_matrix(call, IN_W, true);
    const double threshold = call.scalar(IN_THRESHOLD);
    check_suppression_limits(items, weights.rows * weights.cols, w);
    const Suppression kept = suppress_overlaps(items, weights.data, weights.size(), w, threshold,
                                               SumStrategy::automatic, call.scratch());
    double* accepted = call.matrix_output(OUT_ACCEPTED, kept.accepted.size(), items.cols);
    write_accepted_rows(items, kept.accepted, accepted);
    write_kept_row_numbers(kept.accepted, call.column(OUT_KEPT, kept.accepted.size()));
  }
};

}  // namespace mexsets
