// [pair, border] = boundary_sums(n, first, second, keys, labels, weights):
// the argument rules that every host follows.
#pragma once

#include <string>
#include <vector>

#include "boundary_sums.hpp"
#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"

namespace mexsets {

struct BoundarySumsContract : ContractDefaults {
  enum { IN_N, IN_FIRST, IN_SECOND, IN_KEYS, IN_LABELS, IN_WEIGHTS };
  enum { OUT_PAIR, OUT_BORDER };
  static constexpr const char* name = "boundary_sums";
  static constexpr Argument inputs[] = {scalar_argument("n"),      matrix_argument("first"),
                                        matrix_argument("second"), matrix_argument("keys"),
                                        matrix_argument("labels"), matrix_argument("weights")};
  static constexpr std::size_t min_inputs = 6, max_inputs = 6;
  static constexpr int outputs = 2;
  static constexpr const char* nargin_message = "There should be 6 input parameters";

  // Every input is read and checked before n is, and the outputs' size
  // (8*n^2 + 8*n bytes) against the memory the machine can give after that;
  // the outputs exist before the labels are matched, so a label without key
  // ends the call with both discarded.
  template <class Call>
  static void run(Call& call) {
    const double n = call.scalar(IN_N);
    BoundaryInputs in;
    in.first = call.matrix(IN_FIRST);
    in.second = call.matrix(IN_SECOND);
    in.keys = call.matrix(IN_KEYS);
    in.labels = call.matrix(IN_LABELS);
    in.weights = call.matrix(IN_WEIGHTS);
    in.n = pair_size(n);
    check_boundary_inputs(in);
    require_result_fits(
        saturating_product(saturating_sum(saturating_product(in.n, in.n), in.n), sizeof(double)),
        call.result_copies(),
        [&] {
          return "the " + std::to_string(in.n) + "-by-" + std::to_string(in.n) +
                 " pair matrix and the " + std::to_string(in.n) + "-by-1 border sums";
        },
        "pass a smaller n (the largest id in first and second is enough)", named_arg("n"));
    double* pair = call.matrix_output(OUT_PAIR, in.n, in.n);
    double* border = call.column(OUT_BORDER, in.n);
    const KeySums sums = boundary_key_sums(in);
    distribute_boundary_sums(in, sums, pair, border);
  }
};

}  // namespace mexsets
