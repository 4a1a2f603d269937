// The subset sums exactly as the algorithm is stated: row by row, entry by
// entry, each sum from +0. The oracle of the differential tests and the
// baseline of the benchmarks.
#pragma once

#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

inline void score_subsets(const mexsets::OwnedMatrix<double>& a,
                          const mexsets::OwnedMatrix<double>& b,
                          const mexsets::OwnedMatrix<double>& s, std::vector<double>& r1,
                          std::vector<double>& r2) {
  r1.assign(s.rows, 0.0);
  r2.assign(s.rows, 0.0);
  for (std::size_t i = 0; i < s.rows; ++i) {
    r1[i] = 0;
    r2[i] = 0;
    for (std::size_t j = 0; j < s.cols; ++j) {
      const double x = s(i, j);
      if (x == 0) break;
      const long long k = static_cast<long long>(x - 1);
      r1[i] = r1[i] + a(0, k);
      r2[i] = r2[i] + b(0, k);
    }
  }
}

}  // namespace reference
