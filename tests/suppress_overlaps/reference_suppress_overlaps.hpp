// suppress_overlaps written out step by step as the algorithm is defined:
// accepted rows kept as 32-bit integer copies, the row under test read afresh
// from the item-list matrix for every comparison, each overlap ratio in its
// defining order. Slow on purpose; the tests and benchmarks hold the shipped
// computation against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

// rho with P = an accepted row's stored integers, Q = row q of `items`.
inline double suppression_overlap(const std::vector<std::int32_t>& accepted,
                                  mexsets::ConstMatrix items, std::size_t q, const double* weights,
                                  mexsets::ConstMatrix w) {
  double shared = 0.0, weight_p = 0.0, weight_q = 0.0;
  for (std::int32_t a : accepted) {
    if (a < 0) break;
    for (std::size_t jq = 0; jq < items.cols; ++jq) {
      const double y = items(q, jq);
      if (y < 0) break;
      const auto b = static_cast<std::size_t>(static_cast<std::int64_t>(y));
      shared = shared + w(static_cast<std::size_t>(a), b);
    }
    weight_p = weight_p + weights[a];
  }
  for (std::size_t jq = 0; jq < items.cols; ++jq) {
    const double y = items(q, jq);
    if (y < 0) break;
    weight_q = weight_q + weights[static_cast<std::int64_t>(y)];
  }
  return shared / ((weight_p + weight_q) - shared);
}

// The K-by-N result, column-major: every stored integer plus 1. `ratios`
// receives the number of ratios computed.
inline std::vector<double> suppress_overlaps(mexsets::ConstMatrix items, const double* weights,
                                             mexsets::ConstMatrix w, double threshold,
                                             std::size_t* ratios = nullptr) {
  std::vector<std::vector<std::int32_t>> accepted;
  if (ratios) *ratios = 0;
  for (std::size_t i = 0; i < items.rows; ++i) {
    bool drop = false;
    for (const auto& row : accepted) {
      if (ratios) ++*ratios;
      if (suppression_overlap(row, items, i, weights, w) >= threshold) {
        drop = true;
        break;
      }
    }
    if (drop) continue;
    std::vector<std::int32_t> stored(items.cols);
    for (std::size_t j = 0; j < items.cols; ++j) stored[j] = static_cast<std::int32_t>(items(i, j));
    accepted.push_back(stored);
  }
  const std::size_t k = accepted.size();
  std::vector<double> out(k * items.cols);
  for (std::size_t r = 0; r < k; ++r)
    for (std::size_t j = 0; j < items.cols; ++j)
      out[r + j * k] = static_cast<double>(std::int64_t{accepted[r][j]} + 1);
  return out;
}

}  // namespace reference
