// [order, scores] = rank_diverse(items, relevance, W[, lambda]): the argument
// rules that every host follows.
#pragma once

#include "mexsets/compressed_columns.hpp"
#include "mexsets/contract.hpp"
#include "rank_diverse.hpp"

namespace mexsets {

struct RankDiverseContract : ContractDefaults {
  enum { IN_ITEMS, IN_RELEVANCE, IN_W, IN_LAMBDA };
  enum { OUT_ORDER, OUT_SCORES };
  static constexpr const char* name = "rank_diverse";
  static constexpr Argument inputs[] = {matrix_argument("items"), matrix_argument("relevance"),
                                        matrix_argument("W"), optional_scalar("lambda", 0.75)};
  // Inputs after the fourth are ignored.
  static constexpr std::size_t min_inputs = 3, max_inputs = any_number_of_inputs;
  static constexpr int outputs = 2;
  static constexpr const char* nargin_message = "There should be at least 3 input parameters";

  // Every limit is checked before the outputs exist.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix items = call.matrix(IN_ITEMS);
    const ConstMatrix relevance = call.matrix(IN_RELEVANCE);
    // W dense, sparse, or a vector of item weights meaning diag(w).
    const WeightMatrix w = read_weight_matrix(call, IN_W, true);
    const double lambda = call.scalar(IN_LAMBDA);
    check_ranking_limits(items, relevance.rows * relevance.cols, w);
    double* order = call.column(OUT_ORDER, items.rows);
    double* scores = call.column(OUT_SCORES, items.rows);
    rank_diverse(items, relevance.data, w, lambda, order, scores);
  }
};

}  // namespace mexsets
