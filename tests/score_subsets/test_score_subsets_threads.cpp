// score_subsets on any number of threads: the same bits as on one, the same
// first failure.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "mexsets/column_major.hpp"
#include "score_subsets.hpp"
#include "threads.hpp"

namespace {

using Matrix = mexsets::OwnedMatrix<double>;

TEST(ScoreSubsetsThreads, SameBitsAndFirstFailure) {
  std::mt19937_64 random(5);
  const std::size_t shapes[][3] = {{0, 4, 3}, {1, 1, 1}, {900, 7, 30}, {3000, 20, 500}};
  for (const auto& shape : shapes)
    for (int bad = 0; bad < 3; ++bad) {
      const std::size_t rows = shape[0], cols = shape[1], items = shape[2];
      Matrix a(1, items), b(1, items), s(rows, cols, 0.0);
      for (double& v : a.data) v = static_cast<double>(random() % 1000) / 7;
      for (double& v : b.data)
        v = random() % 40 == 0 ? std::nan("") : static_cast<double>(random() % 9);
      for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t j = 0, n = random() % (cols + 1); j < n; ++j)
          s(i, j) =
              1 + static_cast<double>(random() % items) + static_cast<double>(random() % 3) * 0.4;
      // Bad ids: one late, then also one earlier (the earlier must win).
      if (rows > 0 && bad >= 1) s(rows - 1, 0) = -2;
      if (rows > 1 && bad >= 2) s(rows / 3, cols - 1) = static_cast<double>(items) + 1;
      testing_support::expect_same_for_threads([&] {
        std::vector<double> r1(rows), r2(rows);
        mexsets::score_subsets(a.cref(), b.cref(), s.cref(), r1.data(), r2.data());
        return std::make_pair(r1, r2);
      });
    }
}

}  // namespace
