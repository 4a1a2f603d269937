// set_features written plainly, row by row and id by id: the yardstick for
// the differential tests and the benchmarks. Ids must respect the limits.
#pragma once

#include <cfloat>
#include <cstdint>
#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

struct SetFeatures {
  std::vector<double> out1;  // M
  std::vector<double> out2;  // M-by-1 (modes 2, 3), M-by-4 (mode 4), empty otherwise
};

// Into `out`, whose vectors are refilled (benchmarks reuse them, as a
// session reuses freed memory).
inline void set_features(SetFeatures& out, const mexsets::OwnedMatrix<double>& a,
                         const mexsets::OwnedMatrix<double>& v, double mode_value,
                         const mexsets::OwnedMatrix<double>& w) {
  const std::size_t m = a.rows, n = a.cols;
  const int mode = static_cast<int>(mode_value);
  out.out1.assign(m, 0.0);
  out.out2.clear();
  auto id = [&](std::size_t i, std::size_t j) { return static_cast<std::int64_t>(a(i, j)); };
  if (mode == 1) {
    for (std::size_t i = 0; i < m; ++i) {
      out.out1[i] = DBL_MAX;
      for (std::size_t j = 0; j < n && !(a(i, j) < 0); ++j) {
        const double x = v(id(i, j), 0);
        if (x < out.out1[i]) out.out1[i] = x;
      }
    }
  } else if (mode == 2) {
    out.out2.assign(m, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
      double sum = 0, low = DBL_MAX, high = DBL_MIN;
      for (std::size_t j = 0; j < n && !(a(i, j) < 0); ++j) {
        const double x = v(id(i, j), 0);
        sum = sum + x;
        if (x < low) low = x;
        if (x > high) high = x;
      }
      out.out2[i] = sum;
      out.out1[i] = low / high;
    }
  } else if (mode == 3) {
    out.out2.assign(m, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
      double p = 0, s = 0;
      for (std::size_t j = 0; j < n && !(a(i, j) < 0); ++j) {
        for (std::size_t k = j + 1; k < n && !(a(i, k) < 0); ++k) p = p + w(id(i, j), id(i, k));
        s = s + v(id(i, j), 0);
      }
      out.out2[i] = p;
      out.out1[i] = p * -2 + s;
    }
  } else if (mode == 4) {
    out.out2.assign(4 * m, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
      double box[4] = {DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX};
      for (std::size_t j = 0; j < n && !(a(i, j) < 0); ++j) {
        const std::int64_t k = id(i, j);
        if (v(k, 0) < box[0]) box[0] = v(k, 0);
        if (v(k, 1) < box[1]) box[1] = v(k, 1);
        if (v(k, 2) > box[2]) box[2] = v(k, 2);
        if (v(k, 3) > box[3]) box[3] = v(k, 3);
      }
      for (int c = 0; c < 4; ++c) out.out2[i + c * m] = box[c];
    }
  }
}

inline SetFeatures set_features(const mexsets::OwnedMatrix<double>& a,
                                const mexsets::OwnedMatrix<double>& v, double mode_value,
                                const mexsets::OwnedMatrix<double>& w) {
  SetFeatures out;
  set_features(out, a, v, mode_value, w);
  return out;
}

}  // namespace reference
