// A label image of blocky regions with a colour image, for the functions
// that read label images (boundary_grid, region_graph): cells of 10 by 10
// pixels with a jittered border, ids shuffled (about 15,000 regions at
// 1000 by 1500, ids 1..15300).
#pragma once

#include <cstddef>
#include <random>
#include <vector>

#include "mexsets/column_major.hpp"

namespace label_workloads {

struct Workload {
  std::size_t h = 1000, w = 1500, planes = 3;
  std::vector<double> labels, values;
  mexsets::ConstMatrix label_view() const { return {labels.data(), h, w}; }
  mexsets::ConstArray3 value_view() const { return {values.data(), h, w, planes}; }
};

inline Workload make(std::size_t h, std::size_t w_) {
  Workload w;
  w.h = h;
  w.w = w_;
  std::mt19937_64 random(5);
  w.labels.resize(w.h * w.w);
  const std::size_t across = w.w / 10 + 1;
  for (std::size_t j = 0; j < w.w; ++j)
    for (std::size_t i = 0; i < w.h; ++i) {
      const std::size_t bi = (i + random() % 3) / 10, bj = (j + random() % 3) / 10;
      w.labels[i + j * w.h] = static_cast<double>(1 + (bi * across + bj) * 7919 % 15300);
    }
  w.values.resize(w.h * w.w * w.planes);
  for (double& v : w.values) v = static_cast<double>(random() % 256) / 255;
  return w;
}

// The 1000-by-1500 image, made once.
inline const Workload& workload() {
  static const Workload w = make(1000, 1500);
  return w;
}

}  // namespace label_workloads
