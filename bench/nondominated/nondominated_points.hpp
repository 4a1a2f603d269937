// The point sets of the nondominated benchmarks, one generator for the
// Google benchmarks and the comparison program: m points in d columns,
// column-major, either uniform in the unit cube (a small front) or
// anti-correlated: uniform on the unit simplex (exponentials over their
// sum), where nearly every point is on the front; then `nans` entries set to
// NaN at random places.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace nondominated_points {

enum Shape { kUniform, kSimplex };

inline std::vector<double> make(std::size_t m, std::size_t d, Shape shape, std::size_t nans,
                                std::uint64_t seed = 0) {
  std::mt19937_64 random(seed * 1000003 + 1000 * d + 10 * static_cast<std::uint64_t>(shape) + nans);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> x(m * d);
  for (std::size_t r = 0; r < m; ++r) {
    double total = 0;
    for (std::size_t k = 0; k < d; ++k) {
      double& v = x[r + k * m];
      v = shape == kUniform ? unit(random) : -std::log(1.0 - unit(random));
      total += v;
    }
    if (shape == kSimplex)
      for (std::size_t k = 0; k < d; ++k) x[r + k * m] /= total;
  }
  for (std::size_t n = 0; n < nans; ++n) x[random() % (m * d)] = NAN;
  return x;
}

}  // namespace nondominated_points
