// Seedable workloads for rank_diverse and suppress_overlaps: candidate
// regions over the cells of a grid, as a segmentation pipeline makes them.
//
// Items are the cells of a rows-by-cols grid (id = r * cols + c). Each
// candidate is a connected blob of 20..80 cells grown from a random seed
// cell, listed in growth order and ended by -1. Item weights are pixel counts
// (fractional: areas after resampling). Two pairwise weight matrices:
//   dense   every entry non-zero: item weights on the diagonal, a small
//           similarity between every two cells off it;
//   sparse  item weights on the diagonal, boundary lengths between
//           neighbouring cells off it, exact zeros everywhere else (dense
//           storage, sparse in practice).
#pragma once

#include <algorithm>
#include <cstddef>
#include <random>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"

namespace overlap_workloads {

struct Workload {
  mexsets::OwnedMatrix<double> items;  // candidates-by-80, -1 after each list
  std::vector<double> relevance;       // one per candidate
  std::vector<double> item_weights;    // one per cell
  mexsets::OwnedMatrix<double> dense, sparse;
};

// With `matrices` false, dense and sparse stay empty (a large grid's
// items-by-items matrices would not fit in memory).
inline Workload make(std::size_t candidates = 3000, std::size_t grid_rows = 30,
                     std::size_t grid_cols = 50, unsigned seed = 1, bool matrices = true) {
  const std::size_t items = grid_rows * grid_cols;
  const std::size_t shortest = 20, longest = 80;
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Workload w;

  w.item_weights.resize(items);
  for (double& x : w.item_weights) x = 10.0 + 90.0 * unit(random);
  if (matrices) {
    w.dense = mexsets::OwnedMatrix<double>(items, items);
    w.sparse = mexsets::OwnedMatrix<double>(items, items);
    for (std::size_t b = 0; b < items; ++b)
      for (std::size_t a = 0; a < items; ++a)
        w.dense(a, b) = a == b ? w.item_weights[a] : 0.001 + 0.02 * unit(random);
  }
  auto neighbours = [&](std::size_t cell) {
    std::vector<std::size_t> out;
    const std::size_t r = cell / grid_cols, c = cell % grid_cols;
    if (r > 0) out.push_back(cell - grid_cols);
    if (r + 1 < grid_rows) out.push_back(cell + grid_cols);
    if (c > 0) out.push_back(cell - 1);
    if (c + 1 < grid_cols) out.push_back(cell + 1);
    return out;
  };
  for (std::size_t a = 0; a < items && matrices; ++a) {
    w.sparse(a, a) = w.item_weights[a];
    for (std::size_t b : neighbours(a))
      if (a < b) w.sparse(a, b) = w.sparse(b, a) = 0.5 + 4.5 * unit(random);
  }

  w.items = mexsets::OwnedMatrix<double>(candidates, longest, -1.0);
  w.relevance.resize(candidates);
  std::vector<char> taken(items, 0);
  for (std::size_t i = 0; i < candidates; ++i) {
    const std::size_t size = shortest + random() % (longest - shortest + 1);
    std::vector<std::size_t> blob{static_cast<std::size_t>(random() % items)}, frontier;
    taken[blob[0]] = 1;
    for (std::size_t n : neighbours(blob[0])) frontier.push_back(n);
    while (blob.size() < size && !frontier.empty()) {
      const std::size_t at = random() % frontier.size();
      const std::size_t cell = frontier[at];
      frontier[at] = frontier.back();
      frontier.pop_back();
      if (taken[cell]) continue;
      taken[cell] = 1;
      blob.push_back(cell);
      for (std::size_t n : neighbours(cell))
        if (!taken[n]) frontier.push_back(n);
    }
    for (std::size_t j = 0; j < blob.size(); ++j) {
      w.items(i, j) = static_cast<double>(blob[j]);
      taken[blob[j]] = 0;
    }
    w.relevance[i] = unit(random);
  }
  return w;
}

// W = diag(item weights) in the three forms that hold it: the dense L-by-L
// matrix (only when asked: 8*L^2 bytes), the vector, and compressed
// columns with one stored entry per column.
struct DiagonalW {
  mexsets::OwnedMatrix<double> dense;
  std::vector<std::size_t> starts, rows;
  mexsets::WeightMatrix vector, sparse;
};

inline DiagonalW diagonal_w(const std::vector<double>& weights, bool dense) {
  DiagonalW d;
  const std::size_t n = weights.size();
  if (dense) {
    d.dense = mexsets::OwnedMatrix<double>(n, n);
    for (std::size_t a = 0; a < n; ++a) d.dense(a, a) = weights[a];
  }
  d.starts.resize(n + 1);
  d.rows.resize(n);
  for (std::size_t a = 0; a <= n; ++a) d.starts[a] = a;
  for (std::size_t a = 0; a < n; ++a) d.rows[a] = a;
  d.vector = mexsets::WeightMatrix::diagonal(mexsets::ConstMatrix{weights.data(), 1, n});
  d.sparse = mexsets::WeightMatrix::compressed(
      mexsets::ConstCompressed{n, n, d.starts.data(), d.rows.data(), weights.data()});
  return d;
}

// The workload made once per process (it takes a moment to build).
inline const Workload& standard() {
  static const Workload w = make();
  return w;
}

}  // namespace overlap_workloads
