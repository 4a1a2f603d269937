// [sums_a, sums_b] = score_subsets(a, b, subsets): the argument rules that
// every host follows.
#pragma once

#include "mexsets/contract.hpp"
#include "score_subsets.hpp"

namespace mexsets {

struct ScoreSubsetsContract : ContractDefaults {
  enum { IN_A, IN_B, IN_SUBSETS };
  enum { OUT_SUMS_A, OUT_SUMS_B };
  static constexpr const char* name = "score_subsets";
  static constexpr Argument inputs[] = {matrix_argument("a"), matrix_argument("b"),
                                        matrix_argument("subsets")};
  static constexpr std::size_t min_inputs = 3, max_inputs = 3;
  static constexpr int outputs = 2;
  static constexpr const char* nargin_message = "There should be 3 input parameters";

  // Both outputs exist before the ids are read; a bad id ends the call with
  // both discarded.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix a = call.matrix(IN_A);
    const ConstMatrix b = call.matrix(IN_B);
    const ConstMatrix subsets = call.matrix(IN_SUBSETS);
    double* sums_a = call.column(OUT_SUMS_A, subsets.rows);
    double* sums_b = call.column(OUT_SUMS_B, subsets.rows);
    score_subsets(a, b, subsets, sums_a, sums_b);
  }
};

}  // namespace mexsets
