// score_subsets in the comparison benchmark: 1,000,000 subsets of up to 20 ids
// out of 5,000 items.
#include <random>

#include "compare.hpp"
#include "reference_score_subsets.hpp"
#include "score_subsets.hpp"

namespace {

std::vector<compare::Workload> make(std::uint64_t seed) {
  constexpr std::size_t kItems = 5000, kRows = 1000000, kCols = 20;
  std::mt19937_64 random(seed);
  compare::Matrix a(1, kItems), b(1, kItems), subsets(kRows, kCols, 0.0);
  for (std::size_t k = 0; k < kItems; ++k) {
    a(0, k) = static_cast<double>(random() % 100000) / 7.0;
    b(0, k) = static_cast<double>(random() % 1000);
  }
  for (std::size_t i = 0; i < kRows; ++i) {
    const std::size_t length = 1 + random() % kCols;
    for (std::size_t j = 0; j < length; ++j) subsets(i, j) = 1.0 + random() % kItems;
  }
  compare::Workload w;
  w.function = "score_subsets";
  w.label = "1,000,000 subsets of 1-20 ids, 5,000 items";
  w.inputs = {a, b, subsets};
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
