// boundary_grid on any number of threads: the same bits as on one, the same
// first bad label.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "boundary_grid.hpp"
#include "mexsets/column_major.hpp"
#include "threads.hpp"

namespace {

using Matrix = mexsets::OwnedMatrix<double>;

TEST(BoundaryGridThreads, SameBitsAndFirstFailure) {
  std::mt19937_64 random(3);
  const std::size_t shapes[][3] = {{0, 0, 1}, {1, 1, 1}, {1, 9, 2}, {7, 1, 0}, {40, 90, 3}};
  for (const auto& shape : shapes)
    for (int bad = 0; bad < 2; ++bad) {
      const std::size_t h = shape[0], w = shape[1], planes = shape[2];
      Matrix labels(h, w);
      for (double& x : labels.data) x = 1 + static_cast<double>(random() % 6);
      if (bad && h * w > 2) {
        labels.data[h * w - 1] = 0;
        labels.data[h * w / 2] = std::nan("");
      }
      std::vector<double> values(h * w * planes);
      for (double& v : values) v = static_cast<double>(random() % 200) / 3 - 20;
      const mexsets::ConstArray3 image{values.data(), h, w, planes};
      testing_support::expect_same_for_threads([&] {
        const mexsets::BoundaryGrid out = mexsets::boundary_grid(labels.cref(), &image);
        return std::make_tuple(out.grid.data, out.strength.data, out.keys, out.first, out.second);
      });
    }
}

}  // namespace
