// [features, extra] = set_features(ids, v, mode, w): the argument rules that
// every host follows.
#pragma once

#include "mexsets/compressed_columns.hpp"
#include "mexsets/contract.hpp"
#include "set_features.hpp"

namespace mexsets {

struct SetFeaturesContract : ContractDefaults {
  enum { IN_IDS, IN_V, IN_MODE, IN_W };
  enum { OUT_FEATURES, OUT_EXTRA };
  static constexpr const char* name = "set_features";
  static constexpr Argument inputs[] = {matrix_argument("ids"), matrix_argument("v"),
                                        optional_scalar("mode", 1), optional_matrix("w")};
  // Inputs after w are ignored.
  static constexpr std::size_t min_inputs = 2, max_inputs = any_number_of_inputs;
  static constexpr int outputs = 2;
  static constexpr const char* nargin_message = "There should be at least 2 input parameters";

  // Modes 2 to 4 give two outputs, mode 1 one. A mode that truncates to
  // none of 1 to 4 is refused before any output exists (it would otherwise
  // pass for a result of zeros). Only mode 3 needs (and reads) w. The second
  // output, when the mode has one, exists before the ids are read; a bad id
  // ends the call with both outputs discarded.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix ids = call.matrix(IN_IDS);
    const ConstMatrix v = call.matrix(IN_V);
    const double given_mode = call.scalar(IN_MODE);
    const int mode = feature_mode(given_mode);
    if (mode == 0)
      fail("badMode", "Mode must be 1, 2, 3 or 4 (truncated toward zero): ", named_arg("mode"),
           " is " + format_value(given_mode));
    if (second_output_columns(mode) == 0) call.most_outputs(1);
    double* features = call.column(OUT_FEATURES, ids.rows);
    // w dense or sparse; a vector is a 1-by-L (L-by-1) matrix here, not a
    // diagonal: its entries would weigh only pairs of a repeated id.
    WeightMatrix w;
    if (mode == 3) {
      if (!call.given(IN_W)) fail("nargin", "For perimeter we need 4 parameters");
      w = read_weight_matrix(call, IN_W, false);
    }
    check_value_columns(mode, ids, v);
    // Modes 2 and 3 give one value a row (a column), mode 4 a box a row.
    const std::size_t columns = second_output_columns(mode);
    double* extra = nullptr;
    if (columns == 1) extra = call.column(OUT_EXTRA, ids.rows);
    if (columns > 1) extra = call.matrix_output(OUT_EXTRA, ids.rows, columns);
    set_features(mode, ids, v, w, features, extra);
  }
};

}  // namespace mexsets
