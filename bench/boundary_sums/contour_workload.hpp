// A boundary_sums workload: a 1,001-by-1,001 contour grid. The pixels of a
// 500-by-500 map of about 1,650 Voronoi-like regions sit at the odd-odd
// cells (1-based even-even), and each mixed-parity cell between two pixels
// carries the key of their region pair (0 inside a region), the cells on
// the grid's rim the key of their region's border: about 4,900 keys. First
// ids are the smaller region (0 for a border), second ids the larger one;
// weights are uniform in [0, 1). Shared by the micro-benchmark and the
// comparison benchmark.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "mexsets/column_major.hpp"
#include "tree_workloads.hpp"

namespace contour_workload {

using Matrix = mexsets::OwnedMatrix<double>;

struct Workload {
  std::size_t n = 0;  // regions: the pair matrix is n-by-n
  Matrix first, second, keys, labels, weights;
};

// Keys are 1..K (whole) or, with fractional_keys, K distinct non-whole values.
// The scaling runs take other map sides (the grid is 2 kSide + 1 square).
inline Workload make(std::uint64_t seed, bool fractional_keys = false, std::size_t kSide = 500,
                     std::size_t kRegions = 1650) {
  const auto map = tree_workloads::label_grid(kSide, kSide, kRegions, seed);
  std::map<std::pair<std::size_t, std::size_t>, std::size_t> key_of;  // (a, b) -> 1-based key
  Workload w;
  w.n = kRegions;
  std::vector<double> first, second;
  auto key = [&](std::size_t a, std::size_t b) -> double {
    if (a > b) std::swap(a, b);  // a = 0: the border of region b
    auto [it, fresh] = key_of.emplace(std::make_pair(a, b), key_of.size() + 1);
    if (fresh) {
      first.push_back(static_cast<double>(a));
      second.push_back(static_cast<double>(b));
    }
    return static_cast<double>(it->second);
  };
  const std::size_t side = 2 * kSide + 1;
  w.labels = Matrix(side, side, 0.0);
  w.weights = Matrix(side, side, 0.0);
  tree_workloads::Random random(seed + 10);
  auto region = [&](std::ptrdiff_t p, std::ptrdiff_t q) -> std::size_t {
    if (p < 0 || q < 0 || p >= std::ptrdiff_t(kSide) || q >= std::ptrdiff_t(kSide)) return 0;
    return static_cast<std::size_t>(map.labels(p, q));
  };
  for (std::size_t j = 0; j < side; ++j)
    for (std::size_t i = 0; i < side; ++i) {
      w.weights(i, j) = static_cast<double>(random() >> 11) * 0x1.0p-53;
      const auto p = static_cast<std::ptrdiff_t>(i / 2), q = static_cast<std::ptrdiff_t>(j / 2);
      if (i % 2 == 1 && j % 2 == 1) {
        w.labels(i, j) = static_cast<double>(region(p, q));  // a pixel: never read
      } else if (i % 2 != j % 2) {
        const std::size_t a = i % 2 ? region(p, q - 1) : region(p - 1, q);
        const std::size_t b = region(p, q);
        if (a != b) w.labels(i, j) = key(a, b);
      }
    }
  const std::size_t count = first.size();
  w.first = Matrix(1, count);
  w.second = Matrix(1, count);
  w.keys = Matrix(1, count);
  for (std::size_t k = 0; k < count; ++k) {
    w.first.data[k] = first[k];
    w.second.data[k] = second[k];
    w.keys.data[k] = static_cast<double>(k) + 1.0;
  }
  if (fractional_keys) {
    auto shift = [](double x) { return x > 0 ? x * 1.25 + 0.375 : x; };
    for (double& x : w.keys.data) x = shift(x);
    for (double& x : w.labels.data) x = shift(x);
  }
  return w;
}

}  // namespace contour_workload
