// score_subsets in the comparison benchmark: 1,000,000 subsets of up to 20 ids
// out of 5,000 items (score_subsets_workload.hpp).
#include "compare.hpp"
#include "reference_score_subsets.hpp"
#include "score_subsets.hpp"
#include "score_subsets_workload.hpp"

namespace {

std::vector<compare::Workload> make(std::uint64_t seed) {
  auto source = score_subsets_workload::make(seed);
  const std::size_t rows = source.subsets.rows;
  compare::Workload w;
  w.function = "score_subsets";
  w.label = "1,000,000 subsets of 1-20 ids, 5,000 items";
  w.inputs = {std::move(source.a), std::move(source.b), std::move(source.subsets)};
  w.results = compare::doubles({rows, rows});
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = w.inputs.data();
  w.reference = [in] {
    std::vector<double> r1, r2;
    reference::score_subsets(in[0], in[1], in[2], r1, r2);
  };
  w.kernel = [in] {
    std::vector<double> r1(in[2].rows), r2(in[2].rows);
    mexsets::score_subsets(in[0].cref(), in[1].cref(), in[2].cref(), r1.data(), r2.data());
  };
  std::vector<compare::Workload> list;
  list.push_back(std::move(w));
  return list;
}

const compare::Registration registration("score_subsets", make);

}  // namespace
