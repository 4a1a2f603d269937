// The contour grid written plainly, array by array in doubles as a vectorized
// script builds it: keys min*(n+1)+max times (a ~= b), the rim, the strengths
// from whole difference planes, then the sorted set of keys. The yardstick
// of the differential tests and the benchmarks. Labels must be valid ids.
#pragma once

#include <cmath>
#include <set>
#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

struct BoundaryGrid {
  mexsets::OwnedMatrix<double> grid, strength;
  std::vector<double> keys, first, second;
};

inline BoundaryGrid boundary_grid(mexsets::ConstMatrix labels, const mexsets::ConstArray3* img) {
  const std::size_t h = labels.rows, w = labels.cols;
  auto id = [&](std::size_t i, std::size_t j) { return std::trunc(labels(i, j)); };
  double n = 0;
  for (std::size_t k = 0; k < h * w; ++k) n = std::fmax(n, std::trunc(labels.data[k]));
  auto key = [n](double a, double b) {
    return (std::fmin(a, b) * (n + 1) + std::fmax(a, b)) * (a != b ? 1.0 : 0.0);
  };
  // Squared-difference sums over the channels, right (di = 0) or down.
  auto strength = [&](std::size_t i, std::size_t j, std::size_t di, std::size_t dj) {
    double sum = 0;
    for (std::size_t c = 0; img && c < img->planes; ++c) {
      const double d = (*img)(i + di, j + dj, c) - (*img)(i, j, c);
      sum += d * d;
    }
    return std::sqrt(sum);
  };
  BoundaryGrid out{{2 * h + 1, 2 * w + 1}, {2 * h + 1, 2 * w + 1}, {}, {}, {}};
  if (h == 0 || w == 0) return out;
  for (std::size_t i = 0; i < h; ++i)
    for (std::size_t j = 0; j + 1 < w; ++j) {
      out.grid(2 * i + 1, 2 * j + 2) = key(id(i, j), id(i, j + 1));
      out.strength(2 * i + 1, 2 * j + 2) = strength(i, j, 0, 1);
    }
  for (std::size_t i = 0; i + 1 < h; ++i)
    for (std::size_t j = 0; j < w; ++j) {
      out.grid(2 * i + 2, 2 * j + 1) = key(id(i, j), id(i + 1, j));
      out.strength(2 * i + 2, 2 * j + 1) = strength(i, j, 1, 0);
    }
  for (std::size_t i = 0; i < h; ++i) {
    out.grid(2 * i + 1, 0) = id(i, 0);
    out.grid(2 * i + 1, 2 * w) = id(i, w - 1);
  }
  for (std::size_t j = 0; j < w; ++j) {
    out.grid(0, 2 * j + 1) = id(0, j);
    out.grid(2 * h, 2 * j + 1) = id(h - 1, j);
  }
  const std::set<double> keys(out.grid.data.begin(), out.grid.data.end());
  for (double k : keys)
    if (k > 0) {
      out.keys.push_back(k);
      out.first.push_back(std::floor(k / (n + 1)));
      out.second.push_back(k - out.first.back() * (n + 1));
    }
  return out;
}

}  // namespace reference
