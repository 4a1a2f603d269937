// [grid, strength, keys, first, second] = boundary_grid(labels, values): the
// argument rules that every host follows.
#pragma once

#include <cstdint>
#include <string>

#include "boundary_grid.hpp"
#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"

namespace mexsets {

struct BoundaryGridContract : ContractDefaults {
  enum { IN_LABELS, IN_VALUES };
  enum { OUT_GRID, OUT_STRENGTH, OUT_KEYS, OUT_FIRST, OUT_SECOND };
  static constexpr const char* name = "boundary_grid";
  static constexpr Argument inputs[] = {matrix_argument("labels"), optional_matrix("values")};
  static constexpr std::size_t min_inputs = 1, max_inputs = 2;
  static constexpr int outputs = 5;
  static constexpr const char* nargin_message = "One or two input arguments required.";

  // Both inputs are read, their sizes compared, every label checked and the
  // grids' size compared with the memory the machine can give before any
  // output exists. The distinct keys are gathered in the host's
  // scratch memory, which they occupy while their three columns are made.
  template <class Call>
  static void run(Call& call) {
    const ConstMatrix labels = call.matrix(IN_LABELS);
    const bool has_values = call.given(IN_VALUES);
    ConstArray3 values;
    if (has_values) {
      values = call.array3(IN_VALUES);
      check_value_image(labels, values);
    }
    const std::uint32_t L = largest_label(labels);
    // The two grids take 16*(2h+1)*(2w+1) bytes; the key columns, at most
    // one entry per edge cell, are far smaller.
    const std::size_t rows = grid_extent(labels, true), cols = grid_extent(labels, false);
    require_result_fits(
        saturating_product(saturating_product(rows, cols), 2 * sizeof(double)),
        call.result_copies(),
        [&] {
          return "the two " + std::to_string(rows) + "-by-" + std::to_string(cols) + " grids";
        },
        "split the label image into tiles", arg("labels"));
    double* grid = call.matrix_output(OUT_GRID, rows, cols);
    double* strength = call.matrix_output(OUT_STRENGTH, rows, cols);
    const auto keys = fill_boundary_grid(labels, L, grid, call.scratch());
    double* key_out = call.column(OUT_KEYS, keys.size());
    double* first = call.column(OUT_FIRST, keys.size());
    double* second = call.column(OUT_SECOND, keys.size());
    split_keys(keys, L, key_out, first, second);
    if (has_values) fill_boundary_strength(values, strength);
  }
};

}  // namespace mexsets
