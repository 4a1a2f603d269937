// front = nondominated(X): the argument rules that every host follows.
#pragma once

#include "mexsets/column_major.hpp"
#include "mexsets/contract.hpp"
#include "nondominated.hpp"

namespace mexsets {

struct NondominatedContract : ContractDefaults {
  enum { IN_X };
  enum { OUT_FRONT };
  static constexpr const char* name = "nondominated";
  static constexpr Argument inputs[] = {matrix_argument("X")};
  // Inputs after X are ignored.
  static constexpr std::size_t min_inputs = 1, max_inputs = any_number_of_inputs;
  static constexpr int outputs = 1;
  static constexpr const char* nargin_message = nullptr;
  // No input, or two or more outputs: the synopsis and an empty result.
  static constexpr const char* synopsis = "\nsynopsis:   front = nondominated(X)\n";

  // Rows are the first extent of X, columns the second; of an array with
  // more dimensions only the first page is read.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix x = call.page(IN_X);
    unsigned char* front = call.logical_column(OUT_FRONT, x.rows);
    nondominated(front, x.data, x.rows, x.cols);
  }
};

}  // namespace mexsets
