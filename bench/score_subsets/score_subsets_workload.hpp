// A score_subsets workload: `rows` subsets of 1 to 20 ids out of 5,000 items
// (lengths and ids uniform, the rest of each row 0) and the two value rows.
// Shared by the micro-benchmark and the comparison benchmark.
#pragma once

#include <cstdint>
#include <random>

#include "mexsets/column_major.hpp"

namespace score_subsets_workload {

using Matrix = mexsets::OwnedMatrix<double>;

constexpr std::size_t kItems = 5000, kCols = 20;

struct Workload {
  Matrix a, b, subsets;
};

inline Workload make(std::uint64_t seed, std::size_t rows = 1000000) {
  std::mt19937_64 random(seed);
  Workload w;
  w.a = Matrix(1, kItems);
  w.b = Matrix(1, kItems);
  for (std::size_t k = 0; k < kItems; ++k) {
    w.a(0, k) = static_cast<double>(random() % 100000) / 7.0;
    w.b(0, k) = static_cast<double>(random() % 1000);
  }
  w.subsets = Matrix(rows, kCols, 0.0);
  for (std::size_t i = 0; i < rows; ++i) {
    const std::size_t length = 1 + random() % kCols;
    for (std::size_t j = 0; j < length; ++j)
      w.subsets(i, j) = static_cast<double>(1 + random() % kItems);
  }
  return w;
}

}  // namespace score_subsets_workload
