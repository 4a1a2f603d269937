// set_features workloads, shared by the micro-benchmark and the comparison
// benchmark: id matrices of rows of uniform length 1..cols with uniform ids
// (the rest of each row -1), and value and weight matrices either uniform or
// taken from a map whose neighbouring cells share boundaries.
#pragma once

#include <cstdint>
#include <random>

#include "mexsets/column_major.hpp"

namespace set_features_workload {

using Matrix = mexsets::OwnedMatrix<double>;

inline Matrix id_matrix(std::mt19937_64& random, std::size_t rows, std::size_t cols,
                        std::size_t items) {
  Matrix ids(rows, cols, -1.0);
  for (std::size_t i = 0; i < rows; ++i) {
    const std::size_t length = 1 + random() % cols;
    for (std::size_t j = 0; j < length; ++j) ids(i, j) = static_cast<double>(random() % items);
  }
  return ids;
}

// Four value columns and a dense weight matrix, all uniform.
inline void uniform_measures(std::mt19937_64& random, std::size_t items, Matrix& values,
                             Matrix& weights) {
  values = Matrix(items, 4);
  for (double& v : values.data) v = static_cast<double>(random() % 1000000) / 64.0;
  weights = Matrix(items, items);
  for (double& v : weights.data) v = static_cast<double>(random() % 1000) / 8.0;
}

// The items are the cells of a map_rows-by-(items / map_rows) map: W(a, b) =
// W(b, a) is the boundary length shared by map neighbours a and b (dense, but
// sparse in practice). Column 1 of the values is each item's whole boundary
// (its shared lengths plus its stretch of the map's rim), the others further
// measures.
inline void map_measures(std::mt19937_64& random, std::size_t items, std::size_t map_rows,
                         Matrix& values, Matrix& weights) {
  const std::size_t map_cols = items / map_rows;
  values = Matrix(items, 4, 0.0);
  weights = Matrix(items, items, 0.0);
  auto item = [map_rows](std::size_t p, std::size_t q) { return p + q * map_rows; };
  for (std::size_t q = 0; q < map_cols; ++q)
    for (std::size_t p = 0; p < map_rows; ++p) {
      const std::size_t a = item(p, q);
      const std::size_t rim = (p == 0) + (p + 1 == map_rows) + (q == 0) + (q + 1 == map_cols);
      values(a, 0) += static_cast<double>(rim * (1 + random() % 20));
      const std::size_t neighbours[2] = {p + 1 < map_rows ? item(p + 1, q) : items,
                                         q + 1 < map_cols ? item(p, q + 1) : items};
      for (std::size_t b : neighbours) {
        if (b == items) continue;
        const double shared = static_cast<double>(1 + random() % 20);
        weights(a, b) = weights(b, a) = shared;
        values(a, 0) += shared;
        values(b, 0) += shared;
      }
    }
  for (std::size_t a = 0; a < items; ++a) {
    values(a, 1) = static_cast<double>(random() % 1000000) / 64.0;
    values(a, 2) = static_cast<double>(random() % 1000000) / 64.0;
    values(a, 3) = static_cast<double>(random() % 1000000) / 64.0 - 7000.0;
  }
}

}  // namespace set_features_workload
