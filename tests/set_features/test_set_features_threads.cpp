// set_features on any number of threads: the same bits as on one, the same
// first failure, interrupts from the calling thread only.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "mexsets/column_major.hpp"
#include "set_features.hpp"
#include "sparse_cases.hpp"
#include "threads.hpp"

namespace {

using Matrix = mexsets::OwnedMatrix<double>;
using mexsets::PairReads;

// Rows of 0..cols ids below `items` (ending with -1), a few NaN values, and
// a symmetric W with a share of zeros; `bad` puts one id out of range at a
// random place past the middle and another further on.
struct Case {
  Matrix ids, values, w;
};

Case make_case(std::mt19937_64& random, std::size_t rows, std::size_t cols, std::size_t items,
               bool bad) {
  Case c{Matrix(rows, cols, -1.0), Matrix(items, 4), Matrix(items, items)};
  for (std::size_t i = 0; i < rows; ++i) {
    const std::size_t length = random() % (cols + 1);
    for (std::size_t j = 0; j < length; ++j)
      c.ids(i, j) =
          static_cast<double>(random() % items) + static_cast<double>(random() % 4) * 0.25;
  }
  for (double& v : c.values.data)
    v = random() % 50 == 0 ? std::nan("") : static_cast<double>(random() % 1000) / 7 - 50;
  for (std::size_t a = 0; a < items; ++a)
    for (std::size_t b = 0; b <= a; ++b)
      c.w(a, b) = c.w(b, a) = random() % 4 ? 0.0 : static_cast<double>(random() % 100) / 3;
  if (bad && rows > 0 && cols > 0) {
    const std::size_t at = rows / 2 + random() % (rows - rows / 2);
    c.ids(at, 0) = static_cast<double>(items) + 3;
    c.ids(rows - 1, 0) = std::nan("");
  }
  return c;
}

std::pair<std::vector<double>, std::vector<double>> run(int mode, const Case& c,
                                                        const mexsets::WeightMatrix& w,
                                                        PairReads reads) {
  std::vector<double> out1(c.ids.rows), out2(c.ids.rows * (mode == 4 ? 4 : 1));
  mexsets::set_features(mode, c.ids.cref(), c.values.cref(), w, out1.data(), out2.data(), reads);
  return {out1, out2};
}

TEST(SetFeaturesThreads, EveryModeAndRouteGivesTheSameBits) {
  std::mt19937_64 random(11);
  const std::size_t shapes[][3] = {
      {0, 3, 5}, {1, 1, 2}, {700, 6, 40}, {700, 20, 300}, {150, 120, 50}};
  for (const auto& shape : shapes)
    for (bool bad : {false, true}) {
      const Case c = make_case(random, shape[0], shape[1], shape[2], bad);
      const testing_support::Compressed sparse = testing_support::compress(c.w, random);
      for (int mode = 1; mode <= 4; ++mode)
        for (PairReads reads :
             {PairReads::chosen, PairReads::every_pair, PairReads::nonzero_kept}) {
          if (mode != 3 && reads != PairReads::chosen) continue;
          SCOPED_TRACE("mode " + std::to_string(mode) + ", " + std::to_string(shape[0]) + " rows");
          testing_support::expect_same_for_threads([&] { return run(mode, c, c.w.cref(), reads); });
        }
      SCOPED_TRACE("compressed W");
      testing_support::expect_same_for_threads([&] {
        return run(3, c, mexsets::WeightMatrix::compressed(sparse.view()), PairReads::chosen);
      });
    }
}

TEST(SetFeaturesThreads, InterruptsReachTheCaller) {
  std::mt19937_64 random(12);
  const Case c = make_case(random, 2000, 8, 60, false);
  for (int mode = 1; mode <= 4; ++mode)
    testing_support::expect_interruptible_in_parallel(
        [&] { return run(mode, c, c.w.cref(), PairReads::chosen); });
  testing_support::expect_interruptible_in_parallel(
      [&] { return run(3, c, c.w.cref(), PairReads::nonzero_kept); });
}

}  // namespace
