#include "score_subsets.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace mexsets {

std::optional<BadEntry> find_invalid_item(ConstMatrix a, ConstMatrix b, ConstMatrix subsets) {
  // With an empty value row no id is valid.
  const std::size_t items = (a.rows && b.rows) ? std::min(a.cols, b.cols) : 0;
  for (std::size_t i = 0; i < subsets.rows; ++i) {
    for (std::size_t j = 0; j < subsets.cols; ++j) {
      const double x = subsets(i, j);
      if (x == 0) break;
      // x - 1 truncates to 0..items-1 exactly when 0 < x < items + 1.
      if (!(x > 0 && x < static_cast<double>(items) + 1))
        return BadEntry{std::isnan(x) ? "idNotANumber" : "idOutOfRange",
                        "item id outside 1.." + std::to_string(items), i, j, x};
    }
  }
  return std::nullopt;
}

void score_subsets(ConstMatrix a, ConstMatrix b, ConstMatrix subsets, double* r1, double* r2) {
  for (std::size_t i = 0; i < subsets.rows; ++i) {
    double sum1 = 0.0;
    double sum2 = 0.0;
    for (std::size_t j = 0; j < subsets.cols; ++j) {
      const double x = subsets(i, j);
      if (x == 0) break;
      const auto k = static_cast<std::size_t>(static_cast<std::int64_t>(x - 1));
      sum1 += a(0, k);
      sum2 += b(0, k);
    }
    r1[i] = sum1;
    r2[i] = sum2;
  }
}

}  // namespace mexsets
