// Random entries for the tests of the functions built on overlap ratios
// (rank_diverse, suppress_overlaps): weights that reach every corner of the
// sums and item ids as users write them, each drawn from the caller's stream.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <vector>

#include "common/overlap_ratio.hpp"
#include "mexsets/column_major.hpp"
#include "support.hpp"

namespace testing_support {

// Every way of forming the sums, the automatic choice first.
inline constexpr mexsets::SumStrategy kEveryStrategy[] = {
    mexsets::SumStrategy::automatic, mexsets::SumStrategy::plain, mexsets::SumStrategy::skip_zeros,
    mexsets::SumStrategy::interleaved, mexsets::SumStrategy::reordered};

// A weight: an exact zero of either sign with probability zero_share, else
// by `integral`: 0 a fraction in [-0.5, 3.5), 1 a small integer, 2 an
// integer so large (times 2^50, plus 0..2) that sums of them round and the
// order of the terms matters. With `special`, 3% become NaN or +-Inf.
inline double random_weight(std::mt19937_64& random, int integral, double zero_share,
                            bool special) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  double x;
  if (unit(random) < zero_share)
    x = (random() % 2) ? 0.0 : -0.0;
  else if (integral == 0)
    x = unit(random) * 4 - 0.5;
  else
    x = std::floor(unit(random) * 20 - 5);
  if (integral == 2) x = x * 1125899906842624.0 + static_cast<double>(random() % 3);  // 2^50
  if (special && unit(random) < 0.03)
    x = (random() % 3 == 0) ? std::numeric_limits<double>::quiet_NaN()
                            : (random() % 2 ? inf : -inf);
  return x;
}

// An item id in 0..k-1 as a user may write it: a third of them with a
// fraction below 1 added, and 0 written as -0 half of the time.
inline double random_item_id(std::mt19937_64& random, std::size_t k) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  double x = static_cast<double>(random() % k) + (random() % 3 == 0 ? unit(random) * 0.99 : 0.0);
  if (x == 0 && random() % 2) x = -0.0;
  return x;
}

// What the racing-writer tests hand both functions: 150 item lists of 0 to 8
// ids over k = 40 items (-1 ends a row) and a k-by-k W, from one seed.
struct RacingOverlapCase {
  static constexpr std::size_t k = 40;
  mexsets::OwnedMatrix<double> items{150, 8, -1.0}, w{k, k};
};

inline RacingOverlapCase racing_overlap_case(unsigned seed) {
  std::mt19937_64 random(seed);
  RacingOverlapCase c;
  for (std::size_t i = 0; i < c.items.rows; ++i)
    for (std::size_t j = 0, n = random() % 9; j < n; ++j)
      c.items(i, j) = random_item_id(random, RacingOverlapCase::k);
  for (double& x : c.w.data) x = random_weight(random, 1, 0.5, false);
  return c;
}

// For the postings routes: m lists of 1 to `longest` ids below k (-1 ends a
// row) and a k-by-k W that is mostly zero: item weights drawn by weight()
// on the diagonal (also kept in `diagonal`) and, when `banded`, halves of 0
// to 2 beside it.
struct MostlyZeroCase {
  mexsets::OwnedMatrix<double> items, w;
  std::vector<double> diagonal;
};

template <class Weight>
MostlyZeroCase mostly_zero_case(std::mt19937_64& random, std::size_t m, std::size_t longest,
                                std::size_t k, bool banded, Weight weight) {
  MostlyZeroCase c{{m, longest, -1.0}, {k, k}, std::vector<double>(k)};
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < 1 + random() % longest; ++j) c.items(i, j) = whole_below(random, k);
  for (std::size_t a = 0; a < k; ++a) {
    c.diagonal[a] = c.w(a, a) = weight();
    if (banded && a + 1 < k) c.w(a, a + 1) = c.w(a + 1, a) = whole_below(random, 3) / 2.0;
  }
  return c;
}

}  // namespace testing_support
