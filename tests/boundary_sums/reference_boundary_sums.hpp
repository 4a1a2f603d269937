// boundary_sums written plainly, step by step, with an ordered map from key
// to position: the yardstick for the differential tests and the benchmarks.
// Inputs must respect the limits (every label matches a key, ids in range).
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

struct BoundarySums {
  std::vector<double> pair;    // n-by-n, column-major
  std::vector<double> border;  // n
};

// Into `out`, whose vectors are refilled (benchmarks reuse them, as a
// session reuses freed memory).
inline void boundary_sums(BoundarySums& out, double n_value, const double* first,
                          const double* second, mexsets::ConstMatrix keys,
                          mexsets::ConstMatrix labels, mexsets::ConstMatrix weights) {
  const auto n = static_cast<std::int32_t>(n_value);
  const std::size_t count = keys.rows > keys.cols ? keys.rows : keys.cols;

  std::map<double, double> position;
  for (std::size_t i = 0; i < count; ++i) {
    const double x = keys.data[i];
    if (position.find(x) == position.end()) position[x] = static_cast<double>(i);
  }
  std::vector<double> sums(count, 0.0);
  for (std::size_t i = 0; i < labels.rows; i += 2)
    for (std::size_t j = 1; j < labels.cols; j += 2) {
      const double x = labels(i, j);
      if (x > 0) {
        const auto p = static_cast<std::size_t>(position.at(x));
        sums[p] = sums[p] + weights(i, j);
      }
    }
  for (std::size_t i = 1; i < labels.rows; i += 2)
    for (std::size_t j = 0; j < labels.cols; j += 2) {
      const double x = labels(i, j);
      if (x > 0) {
        const auto p = static_cast<std::size_t>(position.at(x));
        sums[p] = sums[p] + weights(i, j);
      }
    }

  out.pair.assign(static_cast<std::size_t>(n) * n, 0.0);
  out.border.assign(n, 0.0);
  for (std::size_t k = 0; k < count; ++k) {
    if (position.at(keys.data[k]) != static_cast<double>(k)) continue;  // a repeated key
    const double a = first[k];
    const double b = second[k];
    if (a == 0) {
      out.border[static_cast<std::int64_t>(b - 1)] = sums[k];
    } else {
      const auto r = static_cast<std::int64_t>(a - 1);
      const auto c = static_cast<std::int64_t>(b - 1);
      out.pair[r + c * n] = sums[k];
    }
  }
}

inline BoundarySums boundary_sums(double n_value, const double* first, const double* second,
                                  mexsets::ConstMatrix keys, mexsets::ConstMatrix labels,
                                  mexsets::ConstMatrix weights) {
  BoundarySums out;
  boundary_sums(out, n_value, first, second, keys, labels, weights);
  return out;
}

}  // namespace reference
