// [merges, areas, heights] = merge_regions(first, second, lengths, strengths, region_areas[,
// base]): the argument rules that every host follows.
#pragma once

#include <string>

#include "merge_regions.hpp"
#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"

namespace mexsets {

struct MergeRegionsContract : ContractDefaults {
  enum { IN_FIRST, IN_SECOND, IN_LENGTHS, IN_STRENGTHS, IN_AREAS, IN_BASE };
  enum { OUT_MERGES, OUT_AREAS, OUT_HEIGHTS };
  static constexpr const char* name = "merge_regions";
  static constexpr Argument inputs[] = {
      matrix_argument("first"),     matrix_argument("second"),       matrix_argument("lengths"),
      matrix_argument("strengths"), matrix_argument("region_areas"), optional_scalar("base", 1)};
  static constexpr std::size_t min_inputs = 5, max_inputs = 6;
  static constexpr int outputs = 3;
  static constexpr const char* nargin_message = "There should be 5 or 6 input parameters";

  // Every limit is checked before the outputs exist; the merging state is
  // held in the host's scratch memory while the tree is built into them.
  template <class Call>
  static void run(Call& call) {
    MergeInputs in;
    in.first = call.matrix(IN_FIRST);
    in.second = call.matrix(IN_SECOND);
    in.lengths = call.matrix(IN_LENGTHS);
    in.strengths = call.matrix(IN_STRENGTHS);
    in.areas = call.matrix(IN_AREAS);
    const int base = merge_base(call.scalar(IN_BASE));
    check_merge_inputs(in);
    const std::uint64_t regions = in.regions();
    require_result_fits(
        saturating_product(6 * regions - 5, sizeof(double)), call.result_copies(),
        [&] {
          return "the " + std::to_string(regions - 1) + "-by-3 merges and " +
                 std::to_string(2 * regions - 1) + " node areas and " +
                 std::to_string(regions - 1) + " heights";
        },
        "merge fewer regions", arg("region_areas"));
    double* merges = call.matrix_output(OUT_MERGES, in.regions() - 1, 3);
    double* areas = call.column(OUT_AREAS, 2 * in.regions() - 1);
    double* heights = call.column(OUT_HEIGHTS, in.regions() - 1);
    merge_regions(in, base, merges, areas, heights, call.scratch());
  }
};

}  // namespace mexsets
