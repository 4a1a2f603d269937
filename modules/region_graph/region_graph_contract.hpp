// [first, second, lengths, strengths, areas, border] = region_graph(labels,
// values, 'background', b, 'weight', w): the argument rules that every host
// follows.
#pragma once

#include <algorithm>
#include <string>

#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"
#include "region_graph.hpp"

namespace mexsets {

struct RegionGraphContract : ContractDefaults {
  enum { IN_LABELS, IN_VALUES, IN_BACKGROUND, IN_WEIGHT };
  enum { OUT_FIRST, OUT_SECOND, OUT_LENGTHS, OUT_STRENGTHS, OUT_AREAS, OUT_BORDER };
  static constexpr const char* name = "region_graph";
  static constexpr Argument inputs[] = {matrix_argument("labels"), optional_matrix("values"),
                                        named(optional_matrix("background")),
                                        named(choice_argument("weight", crack_weight_names))};
  static constexpr std::size_t min_inputs = 1, max_inputs = 2;
  static constexpr int outputs = 6;
  static constexpr const char* nargin_message =
      "One or two input arguments required, then name-value pairs.";

  // Every input is read and checked, and the lists computed in the host's
  // scratch memory, before the outputs are made and filled from them.
  // Values or background with no element (Octave's []) are none.
  template <class Call>
  static void run(Call& call) {
    RegionGraphInputs in;
    in.labels = call.array3(IN_LABELS);
    const bool has_values = call.given(IN_VALUES);
    if (has_values) in.values = call.array3(IN_VALUES);
    if (call.given(IN_BACKGROUND)) {
      const ConstMatrix background = call.matrix(IN_BACKGROUND);
      if (background.size() > 1)
        fail("badBackground", "Background not one value or empty: ", arg("background"),
             " holds " + std::to_string(background.size()) + " elements");
      in.has_background = background.size() == 1;
      if (in.has_background) in.background = background.data[0];
    }
    in.weight = static_cast<CrackWeight>(call.choice(IN_WEIGHT));
    if (!has_values || in.values.rows * in.values.cols * in.values.planes == 0)
      in.values = ConstArray3{};
    else
      check_region_values(in);
    const RegionGraph graph = region_graph_lists(in, call.scratch());
    const std::size_t P = graph.first.size(), L = graph.areas.size();
    require_result_fits(
        saturating_product(saturating_sum(saturating_product(P, 4), saturating_product(L, 2)),
                           sizeof(double)),
        call.result_copies(),
        [&] {
          return "the lists of " + std::to_string(P) + " pairs and " + std::to_string(L) +
                 " regions";
        },
        "split the label image into tiles", arg("labels"));
    const std::pmr::vector<double>* lists[] = {&graph.first,     &graph.second, &graph.lengths,
                                               &graph.strengths, &graph.areas,  &graph.border};
    for (int k = 0; k < 6; ++k) {
      double* out = call.column(k, lists[k]->size());
      std::copy(lists[k]->begin(), lists[k]->end(), out);
    }
  }
};

}  // namespace mexsets
