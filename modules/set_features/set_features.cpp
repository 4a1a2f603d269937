// set_features: the entry, which checks and picks the mode. Each mode lives in
// a file of its own: set_features_minimum.cpp (1),
// set_features_ratio_and_sum.cpp (2), set_features_perimeter.cpp and
// set_features_sparse_pairs.cpp (3: every pair's weight read from w, or the
// nonzero weights kept beforehand), set_features_box.cpp (4); what they share
// is set_features_modes.hpp.
#include "set_features.hpp"

#include <algorithm>
#include <string>

#include "set_features_modes.hpp"

namespace mexsets {

namespace set_features_modes {

// The id at row i, column j of ids breaks the limit.
void fail_id_at(ConstMatrix ids, std::size_t i, std::size_t j, const IdLimit& limit) {
  const double x = ids(i, j);
  const std::string holds = " holds " + format_value(x);
  if (limit.limit == 0) {
    if (limit.perimeter)
      fail(id_reason(x), "Id with nothing to address (", arg("v"), " or ", arg("w"),
           " is empty): ", entry("ids", i, j), holds);
    fail(id_reason(x), "Id with nothing to address (", arg("v"),
         " has no rows): ", entry("ids", i, j), holds);
  }
  const std::string range = "Id outside 0.." + std::to_string(limit.limit - 1) + " (rows of ";
  if (limit.perimeter)
    fail(id_reason(x), range, arg("v"), ", rows and columns of ", arg("w"),
         "): ", entry("ids", i, j), holds);
  fail(id_reason(x), range, arg("v"), "): ", entry("ids", i, j), holds);
}

}  // namespace set_features_modes

int feature_mode(double value) { return value >= 1 && value < 5 ? static_cast<int>(value) : 0; }

std::size_t mode_value_columns(int mode) { return mode == 4 ? 4 : mode >= 1 && mode <= 3; }

std::size_t second_output_columns(int mode) { return mode == 4 ? 4 : mode == 2 || mode == 3; }

bool holds_any_id(ConstMatrix ids) {
  if (ids.cols == 0) return false;
  for (std::size_t i = 0; i < ids.rows; ++i)
    if (!(ids(i, 0) < 0)) return true;
  return false;
}

void check_value_columns(int mode, ConstMatrix ids, ConstMatrix values) {
  const std::size_t needed = mode_value_columns(mode);
  if (values.cols < needed && holds_any_id(ids))
    fail("tooFewColumns",
         "Too few value columns for mode " + std::to_string(mode) + ", which reads " +
             std::to_string(needed) + ": ",
         arg("v"), " is " + std::to_string(values.rows) + "-by-" + std::to_string(values.cols));
}

void set_features(int mode, ConstMatrix ids, ConstMatrix values, const WeightMatrix& weights,
                  double* out1, double* out2, PairReads reads) {
  if (mode < 1 || mode > 4) return;
  set_features_modes::IdLimit limit{values.rows, mode == 3};
  if (mode == 3) limit.limit = std::min({limit.limit, weights.rows(), weights.cols()});
  // A v without the columns the mode reads passes the checks only when no
  // row holds an id; its rows have no values, and nothing may read them.
  if (values.cols < mode_value_columns(mode)) limit.limit = 0;
  namespace modes = set_features_modes;
  switch (mode) {
    case 1:
      return modes::minimum_rows(ids, values.data, out1, limit);
    case 2:
      return modes::ratio_and_sum_rows(ids, values.data, out1, out2, limit);
    case 3:
      if (modes::sparse_pair_rows(reads, ids, values, weights, out1, out2, limit)) return;
      return modes::perimeter_rows(ids, values, weights.dense, out1, out2, limit);
    default:
      return modes::box_rows(ids, values, out2, limit);
  }
}

}  // namespace mexsets
