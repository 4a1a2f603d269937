#include "score_subsets.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

namespace mexsets {

namespace {

// Item index of an id: x - 1 truncated toward zero. For 0 < x < 1 the
// difference rounds to -1 when x is tiny (below 2^-54), so such ids are taken
// as the first item directly, as every other id below 1 is.
std::int64_t item_index(double x) { return x < 1 ? 0 : static_cast<std::int64_t>(x - 1); }

}  // namespace

void score_subsets(ConstMatrix a, ConstMatrix b, ConstMatrix subsets, double* r1, double* r2) {
  // With an empty value row no id is valid.
  const std::size_t items = (a.rows && b.rows) ? std::min(a.cols, b.cols) : 0;
  const double limit = static_cast<double>(items);
  // Row by row with the sums in registers: the hardware streams the row's
  // columns well, and each sum is a plain left-to-right chain.
  for (std::size_t i = 0; i < subsets.rows; ++i) {
    double sum1 = 0.0;
    double sum2 = 0.0;
    for (std::size_t j = 0; j < subsets.cols; ++j) {
      const double x = subsets(i, j);
      if (x == 0) break;
      const bool addresses_an_item = x > 0 && (x < 1 ? items > 0 : x - 1 < limit);
      if (!addresses_an_item)
        fail_id("subsets", "item id outside 1.." + std::to_string(items), i, j, x);
      const auto k = static_cast<std::size_t>(item_index(x));
      sum1 += a(0, k);
      sum2 += b(0, k);
    }
    r1[i] = sum1;
    r2[i] = sum2;
  }
}

}  // namespace mexsets
