// suppress_overlaps: worked examples, end markers once stored, edge cases,
// every error, and the computation held bit for bit against the plain
// transcription under every way of forming the sums.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>

#include "interrupt_cases.hpp"
#include "overlap_cases.hpp"
#include "racing_writer.hpp"
#include "reference_suppress_overlaps.hpp"
#include "sparse_cases.hpp"
#include "support.hpp"
#include "suppress_overlaps.hpp"
#include "threads.hpp"

using mexsets::OwnedMatrix;
using mexsets::SumStrategy;
using testing_support::expect_mex_error;
using testing_support::kEveryStrategy;
using testing_support::random_item_id;
using testing_support::random_weight;
using testing_support::rows_of;
using testing_support::same_bits;
using testing_support::to_host;
using testing_support::whole_below;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

const testing_support::LoadedModule module("suppress_overlaps");

struct Kept {
  std::vector<double> values;
  std::vector<mwSize> dims;
};

Kept call(const standin::Array& items, const standin::Array& u, const standin::Array& w) {
  auto result = module().call(1, {&items, &u, &w});
  return {standin::values(result.outputs.at(0).get()), standin::dims(result.outputs.at(0).get())};
}
Kept call(const standin::Array& items, const standin::Array& u, const standin::Array& w, double t) {
  auto threshold = standin::scalar(t);
  auto result = module().call(1, {&items, &u, &w, &threshold});
  return {standin::values(result.outputs.at(0).get()), standin::dims(result.outputs.at(0).get())};
}

// Column-major values of rows written as in MATLAB.
std::vector<double> column_major(std::initializer_list<std::initializer_list<double>> rows) {
  return rows_of(rows).data;
}

TEST(SuppressOverlaps, WorkedExamples) {
  auto items = standin::matrix({{0, 1, -1}, {1, 0, -1}, {2, -1, -1}, {0, 2, -1}});
  auto u = standin::matrix({{1}, {1}, {1}});
  auto w = standin::matrix({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  auto kept = call(items, u, w);  // default threshold 1
  EXPECT_EQ(kept.dims, std::vector<mwSize>({3, 3}));
  EXPECT_EQ(kept.values, column_major({{1, 2, 0}, {3, 0, 0}, {1, 3, 0}}));
  auto half = call(items, u, w, 0.5);  // a ratio equal to t drops the row
  EXPECT_EQ(half.values, column_major({{1, 2, 0}, {3, 0, 0}}));
  // t = NaN or above every ratio keeps every row; t = 0 drops disjoint rows.
  EXPECT_EQ(call(items, u, w, kNaN).values,
            column_major({{1, 2, 0}, {2, 1, 0}, {3, 0, 0}, {1, 3, 0}}));
  EXPECT_EQ(call(items, u, w, 1.01).values, call(items, u, w, kNaN).values);
  EXPECT_EQ(call(items, u, w, 0).values, column_major({{1, 2, 0}}));
}

TEST(SuppressOverlaps, KeptHoldsTheNumbersOfTheKeptRows) {
  // t = 2: row 2 (item 0 twice) reaches ratio 2 with row 1 and is dropped;
  // row 3 repeats row 1 (ratio 1) and is kept, so contents alone cannot
  // tell which rows were kept.
  auto items = standin::matrix({{0, -1}, {0, 0}, {0, -1}, {1, -1}});
  auto u = standin::matrix({{1}, {1}});
  auto w = standin::matrix({{1, 0}, {0, 1}});
  auto t = standin::scalar(2);
  auto result = module().call(2, {&items, &u, &w, &t});
  EXPECT_EQ(standin::values(result.outputs.at(0).get()), column_major({{1, 0}, {1, 0}, {2, 0}}));
  EXPECT_EQ(standin::dims(result.outputs.at(1).get()), std::vector<mwSize>({3, 1}));
  EXPECT_EQ(standin::values(result.outputs.at(1).get()), std::vector<double>({1, 3, 4}));
  auto empty = standin::empty(0, 2);
  EXPECT_EQ(standin::dims(module().call(2, {&empty, &u, &w}).outputs.at(1).get()),
            std::vector<mwSize>({0, 1}));
  expect_mex_error(
      [&] {
        module().call(3, {&items, &u, &w});
      },
      "mexsets:suppress_overlaps:nargout",
      "Too many output arguments: suppress_overlaps gives at most 2");
}

TEST(SuppressOverlaps, SizesAndEmptyLists) {
  auto u = standin::matrix({{1}, {1}});
  auto w = standin::matrix({{1, 0}, {0, 1}});
  auto none = call(standin::empty(0, 3), u, w);
  EXPECT_EQ(none.dims, std::vector<mwSize>({0, 3}));
  auto flat = call(standin::empty(4, 0), standin::empty(), standin::empty());
  EXPECT_EQ(flat.dims, std::vector<mwSize>({4, 0}));  // 0/0 never reaches t
  // An empty list under test: ratio 0 against a weighted row (dropped only
  // for t <= 0), 0/0 against an empty accepted row.
  auto lists = standin::matrix({{0, 1}, {-1, 5}, {-2, 0}});
  EXPECT_EQ(call(lists, u, w, 0.1).values, column_major({{1, 2}, {0, 6}, {-1, 1}}));
  EXPECT_EQ(call(lists, u, w, 0).values, column_major({{1, 2}}));
  auto empty_first = standin::matrix({{-1, 3}, {-1, -1}});
  EXPECT_EQ(call(empty_first, u, w, -5).values, column_major({{0, 4}, {0, 0}}));
}

TEST(SuppressOverlaps, EndMarkersAndTruncation) {
  auto u = standin::matrix({{1}, {1}, {1}});
  auto w = standin::matrix({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  // -0.5 ends the list under test ({1}) but is stored as item 0 ({1, 0}):
  // the second row, {1, 0}, then has ratio 1 with it and is dropped.
  EXPECT_EQ(call(standin::matrix({{1, -0.5, -1}, {1, 0, -1}}), u, w).values,
            column_major({{2, 1, 0}}));
  // Tested against the stored {0, 1}, the list {1} has ratio 1/2: kept.
  EXPECT_EQ(call(standin::matrix({{0, 1, -1}, {1, -0.5, -1}}), u, w).values,
            column_major({{1, 2, 0}, {2, 1, 0}}));
  // Entries are truncated, then raised by 1; everything after the end too.
  EXPECT_EQ(call(standin::matrix({{2.7, -1, -0.5, 7.9, -3.2}}), u, w).values,
            column_major({{3, 0, 1, 8, -2}}));
  // -0 is item 0 and does not end a list.
  EXPECT_EQ(call(standin::matrix({{-0.0, 1}, {0, 1}}), u, w).values, column_major({{1, 2}}));
  // The 32-bit extremes; 2147483647 + 1 is not wrapped.
  auto extremes = standin::matrix({{0, -1, 2147483647.9, -2147483648.9}});
  EXPECT_EQ(call(extremes, u, w).values, column_major({{1, 0, 2147483648.0, -2147483647.0}}));
}

TEST(SuppressOverlaps, RepeatsAndInfiniteRatios) {
  auto one = standin::matrix({{1}});
  auto repeated = standin::matrix({{0, 0}, {0, -1}});  // rho = 2/(3 - 2) = 2
  EXPECT_EQ(call(repeated, one, one, 2).dims, std::vector<mwSize>({1, 2}));
  EXPECT_EQ(call(repeated, one, one, 2.5).dims, std::vector<mwSize>({2, 2}));
  // S = 1 over (0.5 + 0.5) - 1 = 0: +Inf reaches every threshold but NaN.
  auto items = standin::matrix({{0}, {1}});
  auto u = standin::matrix({{0.5}, {0.5}});
  auto w = standin::matrix({{0.5, 1}, {1, 0.5}});
  EXPECT_EQ(call(items, u, w, kInf).values, std::vector<double>({1}));
  EXPECT_EQ(call(items, u, w, kNaN).values, std::vector<double>({1, 2}));
  // W need not be symmetric: the accepted row's ids select W's rows.
  auto lower = standin::matrix({{1, 0}, {1, 1}});
  auto units = standin::matrix({{1}, {1}});
  EXPECT_EQ(call(items, units, lower, 0.3).values, std::vector<double>({1, 2}));  // S = 0
  EXPECT_EQ(call(standin::matrix({{1}, {0}}), units, lower, 0.3).values,
            std::vector<double>({2}));  // S = 1: rho = 1
}

TEST(SuppressOverlaps, ArgumentErrors) {
  auto items = standin::matrix({{0, 1}});
  auto u = standin::matrix({{1}, {1}});
  auto w = standin::matrix({{1, 0}, {0, 1}});
  auto flag = standin::logical(1, 1, {true});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {2, 1, 2});
  auto none = standin::empty();
  const std::size_t before = standin::live_arrays();
  expect_mex_error(
      [&] {
        module().call(1, {&items, &u});
      },
      "mexsets:suppress_overlaps:nargin", "There should be at least 3 input parameters");
  expect_mex_error(
      [&] {
        module().call(1, {&items, &flag, &w});
      },
      "mexsets:suppress_overlaps:typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(1, {&items, &u, &cube});
      },
      "mexsets:suppress_overlaps:dimensionsNotCoherent", "Data dimensions not coherent");
  expect_mex_error(
      [&] {
        module().call(1, {&items, &u, &w, &none});
      },
      "mexsets:suppress_overlaps:badScalar",
      "Expected a numeric scalar: input 4 (threshold) is empty");
  EXPECT_EQ(standin::live_arrays(), before);
  EXPECT_NO_THROW(module().call(1, {&items, &u, &w, &u, &flag}));  // extra inputs ignored
}

TEST(SuppressOverlaps, EntriesMustAddressWeightsAndFit32Bits) {
  auto run = [](std::initializer_list<std::initializer_list<double>> rows, const standin::Array& u,
                const standin::Array& w) {
    auto items = standin::matrix(rows);
    module().call(1, {&items, &u, &w});
  };
  auto u2 = standin::matrix({{1}, {1}});
  auto u3 = standin::matrix({{1, 1, 1}});
  auto w2 = standin::matrix({{1, 0}, {0, 1}});
  auto w3 = standin::matrix({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  auto w23 = standin::matrix({{1, 0, 0}, {0, 1, 0}});
  const std::string id = "mexsets:suppress_overlaps:idOutOfRange";
  expect_mex_error(
      [&] {
        run({{0, 1}, {2, -1}}, u2, w3);
      },
      id,
      "Item id outside 0..1 (input 2 holds 2 values, input 3 is 3-by-3): input 1 "
      "at row 2, column 1 holds 2");
  expect_mex_error(
      [&] {
        run({{0, 2}}, u3, w23);
      },
      id,
      "Item id outside 0..1 (input 2 holds 3 values, input 3 is 2-by-3): input 1 "
      "at row 1, column 2 holds 2");
  expect_mex_error(
      [&] {
        run({{0, kNaN}}, u3, w3);
      },
      "mexsets:suppress_overlaps:idNotANumber", "input 1 at row 1, column 2 holds NaN");
  expect_mex_error([&] { run({{kInf}}, u3, w3); }, id, "input 1 at row 1, column 1 holds Inf");
  // After -0.5 the list of the row once stored goes on: 5 is one of its ids.
  expect_mex_error(
      [&] {
        run({{0, -0.5, 5, -1}}, u3, w3);
      },
      id, "input 1 at row 1, column 3 holds 5");
  // With no items at all, -0.5 (item 0 once stored) has nothing to address.
  auto none = standin::empty();
  expect_mex_error([&] { run({{-0.5}}, none, w3); }, id,
                   "Item id with no item to address (input 2 holds 0 values, input 3 is "
                   "3-by-3): input 1 at row 1, column 1 holds -0.5");
  EXPECT_NO_THROW(run({{-1, 7}, {-3, 2147483647}}, none, none));
  // Every entry is stored, so every entry must fit 32 bits.
  const std::string fit = "mexsets:suppress_overlaps:entryNotInt32";
  expect_mex_error(
      [&] {
        run({{0, -1, 2147483648.0}}, u3, w3);
      },
      fit,
      "Entry does not fit a 32-bit integer: input 1 at row 1, column 3 holds "
      "2147483648");
  expect_mex_error(
      [&] {
        run({{0, -1}, {1, -2147483649.0}}, u3, w3);
      },
      fit, "input 1 at row 2, column 2 holds -2147483649");
  expect_mex_error(
      [&] {
        run({{1, -1, kNaN}}, u3, w3);
      },
      fit, "input 1 at row 1, column 3 holds NaN");
  expect_mex_error([&] { run({{-kInf}}, u3, w3); }, fit, "input 1 at row 1, column 1 holds -Inf");
}

// Random inputs that reach every corner: exact zeros of both signs, NaN and
// infinite weights, integral weights (small, or so large that their sums
// round), repeated and fractional ids, empty lists, -0 ids, lists that go on
// after a marker between -1 and 0, stored entries at the 32-bit limits.
struct Case {
  OwnedMatrix<double> items, w;
  std::vector<double> u;
  double threshold = 1;
};

Case random_case(std::mt19937_64& random, int integral, double zero_share, bool special) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  auto weight = [&] { return random_weight(random, integral, zero_share, special); };
  Case c;
  const std::size_t k = 1 + random() % 12;
  c.w = OwnedMatrix<double>(k + random() % 2, k + random() % 2);
  for (double& x : c.w.data) x = weight();
  c.u.resize(k + random() % 2);
  for (double& x : c.u) x = weight();
  const std::size_t m = random() % 40, n = random() % 9;
  c.items = OwnedMatrix<double>(m, n);
  for (std::size_t i = 0; i < m; ++i) {
    bool in_list = true;
    for (std::size_t j = 0; j < n; ++j) {
      double& x = c.items(i, j);
      const auto pick = random() % 20;
      if (in_list && pick < 14) {
        x = random_item_id(random, k);
      } else if (in_list && pick < 16) {
        x = -unit(random) * 0.99;  // ends the tested list only
      } else if (in_list) {
        const double hard[] = {-1, -1.5, -3, -2147483648.0};
        x = hard[random() % 4];
        in_list = false;
      } else {
        const double after[] = {-1, -0.5, 3, 2147483647.5, -2147483648.9, 1e9};
        x = after[random() % 6];
      }
    }
  }
  const double thresholds[] = {1, 0.5, 0.3, 0.1, 0, 2, -1, kInf, kNaN};
  c.threshold = thresholds[random() % 9];
  return c;
}

TEST(SuppressOverlaps, EveryStrategyMatchesThePlainAlgorithmBitForBit) {
  std::mt19937_64 random(5);
  for (int round = 0; round < 1500; ++round) {
    const Case c = random_case(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    ASSERT_NO_THROW(mexsets::check_suppression_limits(c.items.cref(), c.u.size(), c.w.cref()));
    std::size_t expected_ratios = 0;
    const std::vector<double> want = reference::suppress_overlaps(
        c.items.cref(), c.u.data(), c.w.cref(), c.threshold, &expected_ratios);
    for (SumStrategy s : kEveryStrategy) {
      const mexsets::Suppression kept = mexsets::suppress_overlaps(
          c.items.cref(), c.u.data(), c.u.size(), c.w.cref(), c.threshold, s);
      std::vector<double> got(kept.accepted.size() * c.items.cols);
      mexsets::write_accepted_rows(c.items.cref(), kept.accepted, got.data());
      ASSERT_TRUE(same_bits(want, got)) << "round " << round << " strategy " << static_cast<int>(s);
      if (kept.strategy == SumStrategy::plain || kept.strategy == SumStrategy::skip_zeros) {
        ASSERT_EQ(kept.ratios, expected_ratios);  // stops at the first ratio that reaches t
      }
    }
    if (round % 10 == 0) {
      auto items = to_host(c.items), w = to_host(c.w);
      auto u = standin::doubles(1, c.u.size(), c.u);
      auto t = standin::scalar(c.threshold);
      auto result = module().call(2, {&items, &u, &w, &t});
      ASSERT_TRUE(same_bits(want, standin::values(result.outputs[0].get())));
      // Kept row r is row kept[r] of items, truncated and raised by 1.
      const std::vector<double> kept = standin::values(result.outputs[1].get());
      ASSERT_EQ(kept.size() * c.items.cols, want.size());
      for (std::size_t r = 0; r < kept.size(); ++r) {
        ASSERT_TRUE(r == 0 || kept[r] > kept[r - 1]);
        for (std::size_t j = 0; j < c.items.cols; ++j)
          ASSERT_EQ(want[r + j * kept.size()],
                    std::trunc(c.items(static_cast<std::size_t>(kept[r]) - 1, j)) + 1);
      }
    }
  }
}

TEST(SuppressOverlaps, AutomaticChoiceOnLargerInputs) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const std::size_t k = 200, m = 300;
  // Lists of 4..31 ids spread over all items: few non-zero terms per pair,
  // so skipping zeros pays off.
  OwnedMatrix<double> items(m, 32, -1.0);
  for (std::size_t i = 0; i < m; ++i) {
    const std::size_t length = 4 + random() % 28;
    for (std::size_t j = 0; j < length; ++j) items(i, j) = whole_below(random, k);
  }
  std::vector<double> u(k);
  OwnedMatrix<double> sparse(k, k), dense(k, k), integral(k, k);
  for (std::size_t a = 0; a < k; ++a) {
    u[a] = 1 + unit(random) * 9;
    for (std::size_t b = 0; b < k; ++b) {
      dense(a, b) = a == b ? u[a] : unit(random) * 0.05;
      integral(a, b) = std::floor(dense(a, b) * 40);
      if (a == b || a + 1 == b || b + 1 == a) sparse(a, b) = dense(a, b);
    }
  }
  struct Expect {
    const OwnedMatrix<double>* w;
    SumStrategy strategy;
  };
  for (double t : {0.2, 0.9})
    for (const Expect& e :
         {Expect{&sparse, SumStrategy::skip_zeros}, Expect{&dense, SumStrategy::interleaved},
          Expect{&integral, SumStrategy::reordered}}) {
      const mexsets::Suppression kept =
          mexsets::suppress_overlaps(items.cref(), u.data(), u.size(), e.w->cref(), t);
      EXPECT_EQ(kept.strategy, e.strategy);
      std::vector<double> got(kept.accepted.size() * items.cols);
      mexsets::write_accepted_rows(items.cref(), kept.accepted, got.data());
      EXPECT_TRUE(
          same_bits(reference::suppress_overlaps(items.cref(), u.data(), e.w->cref(), t), got));
    }
  const auto small = rows_of({{0, 1}, {1, 2}});
  EXPECT_EQ(mexsets::suppress_overlaps(small.cref(), u.data(), u.size(), dense.cref(), 1).strategy,
            SumStrategy::plain);
  {  // no room for the copy of W (or the non-zeros): the plain loop, same bits
    const testing_support::ScopedEnvironment bound("MEXSETS_MEMORY_LIMIT", "1000");
    const mexsets::Suppression kept =
        mexsets::suppress_overlaps(items.cref(), u.data(), u.size(), dense.cref(), 0.9);
    EXPECT_EQ(kept.strategy, SumStrategy::plain);
    std::vector<double> got(kept.accepted.size() * items.cols);
    mexsets::write_accepted_rows(items.cref(), kept.accepted, got.data());
    EXPECT_TRUE(
        same_bits(reference::suppress_overlaps(items.cref(), u.data(), dense.cref(), 0.9), got));
  }
}

// Ctrl-C: stopped at any poll, on every route, the computation throws
// Interrupted, and the next call gives the plain result.
TEST(SuppressOverlaps, InterruptedOnEveryRouteThenCalledAgain) {
  std::mt19937_64 random(23);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const std::size_t k = 120, m = 300;
  OwnedMatrix<double> items(m, 16, -1.0), w(k, k);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < 4 + random() % 12; ++j) items(i, j) = whole_below(random, k);
  for (double& x : w.data) x = std::floor(unit(random) * 3);
  const std::vector<double> u(k, 10.0);
  for (SumStrategy s : kEveryStrategy)
    testing_support::expect_interruptible([&] {
      const mexsets::Suppression kept =
          mexsets::suppress_overlaps(items.cref(), u.data(), u.size(), w.cref(), 0.5, s);
      return std::vector<std::size_t>(kept.accepted.begin(), kept.accepted.end());
    });
}

TEST(SuppressOverlaps, ItemsWrittenByAnotherThreadAreNeverReadOutside) {
  testing_support::RacingOverlapCase racing = testing_support::racing_overlap_case(6);
  OwnedMatrix<double>& items = racing.items;
  const OwnedMatrix<double>& w = racing.w;
  const std::vector<double> u(testing_support::RacingOverlapCase::k, 2.0);
  testing_support::expect_harmless_race({{items.data.data(), items.data.size()}}, [&] {
    std::vector<double> rows;
    mexsets::check_suppression_limits(items.cref(), u.size(), w.cref());
    for (SumStrategy s : kEveryStrategy) {
      const auto kept =
          mexsets::suppress_overlaps(items.cref(), u.data(), u.size(), w.cref(), 0.3, s);
      std::vector<double> out(kept.accepted.size() * items.cols);
      mexsets::write_accepted_rows(items.cref(), kept.accepted, out.data());
      rows.insert(rows.end(), out.begin(), out.end());
    }
    return rows;
  });
}

// W sparse (stored -0, NaN and explicit zeros, empty columns) and W given as
// the vector of its diagonal, in every form and by every strategy, against
// the plain transcription over the dense W with the same entries; every
// tenth case through the MEX host as well.
TEST(SuppressOverlaps, SparseAndVectorWMatchDenseWBitForBit) {
  std::mt19937_64 random(15);
  const auto kept_rows = [](const Case& c, const mexsets::WeightMatrix& w, SumStrategy s) {
    const mexsets::Suppression kept =
        mexsets::suppress_overlaps(c.items.cref(), c.u.data(), c.u.size(), w, c.threshold, s);
    std::vector<double> got(kept.accepted.size() * c.items.cols);
    mexsets::write_accepted_rows(c.items.cref(), kept.accepted, got.data());
    return got;
  };
  for (int round = 0; round < 600; ++round) {
    const Case c = random_case(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    const testing_support::Compressed sparse = testing_support::compress(c.w, random);
    std::vector<double> d(std::min(c.w.rows, c.w.cols) + random() % 2);
    for (double& x : d) x = random_weight(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    const testing_support::VectorForms forms = testing_support::vector_forms(d, random);
    const OwnedMatrix<double> diagonal = testing_support::diagonal_matrix(d);
    const std::vector<double> want =
        reference::suppress_overlaps(c.items.cref(), c.u.data(), c.w.cref(), c.threshold);
    const std::vector<double> want_diagonal =
        reference::suppress_overlaps(c.items.cref(), c.u.data(), diagonal.cref(), c.threshold);
    const auto vectors = forms.diagonals();
    for (SumStrategy s : kEveryStrategy) {
      ASSERT_TRUE(
          same_bits(want, kept_rows(c, mexsets::WeightMatrix::compressed(sparse.view()), s)))
          << "round " << round;
      for (const mexsets::WeightMatrix& v : vectors)
        ASSERT_TRUE(same_bits(want_diagonal, kept_rows(c, v, s))) << "round " << round;
    }
    if (round % 10 == 0) {
      auto items = to_host(c.items);
      auto u = standin::doubles(c.u.size(), 1, c.u);
      auto w = testing_support::to_host(sparse, round % 3);
      ASSERT_TRUE(same_bits(want, call(items, u, w, c.threshold).values));
      auto column = to_host(forms.column), row = testing_support::to_host(forms.sparse_row);
      for (const standin::Array* vector : {&column, &row})
        ASSERT_TRUE(same_bits(want_diagonal, call(items, u, *vector, c.threshold).values));
    }
  }
  // A bad structure is refused before any row is compared.
  auto items = standin::matrix({{0, 1}});
  auto u = standin::matrix({{1}, {1}});
  standin::Array w(mxCreateSparse(2, 2, 1, mxREAL));
  mxGetJc(w.get())[1] = mxGetJc(w.get())[2] = 1;
  mxGetIr(w.get())[0] = 2;
  expect_mex_error([&] { call(items, u, w); }, "mexsets:suppress_overlaps:badSparseStructure",
                   "input 3 has row index 2 in column 0 (0-based), outside 0..2 (exclusive)");
}

}  // namespace

// Any number of threads keeps the same rows and counts the same ratios, on
// every route and form of W, however finely the accepted rows are cut; an
// interrupt still ends a split run.
TEST(SuppressOverlaps, SameBitsForAnyThreadCount) {
  std::mt19937_64 random(31);
  for (int round = 0; round < 30; ++round) {
    const Case c = random_case(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    const testing_support::Compressed sparse = testing_support::compress(c.w, random);
    for (SumStrategy s : kEveryStrategy)
      for (const mexsets::WeightMatrix& w :
           {mexsets::WeightMatrix(c.w.cref()), mexsets::WeightMatrix::compressed(sparse.view())})
        testing_support::expect_same_for_threads([&] {
          const mexsets::Suppression kept =
              mexsets::suppress_overlaps(c.items.cref(), c.u.data(), c.u.size(), w, c.threshold, s);
          return std::make_pair(
              std::vector<std::size_t>(kept.accepted.begin(), kept.accepted.end()), kept.ratios);
        });
  }
  // Large enough to filter in batches on more than one thread.
  const std::size_t k = 60, m = 400;
  OwnedMatrix<double> items(m, 12, -1.0), w(k, k);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < 3 + random() % 9; ++j) items(i, j) = whole_below(random, k);
  for (double& x : w.data) x = whole_below(random, 2);
  std::vector<double> u(k);
  for (double& x : u) x = 1 + whole_below(random, 3);
  for (SumStrategy s : kEveryStrategy)
    for (double t : {0.05, 0.95, 0.0}) {
      const auto run = [&] {
        const mexsets::Suppression kept =
            mexsets::suppress_overlaps(items.cref(), u.data(), u.size(), w.cref(), t, s);
        return std::make_pair(std::vector<std::size_t>(kept.accepted.begin(), kept.accepted.end()),
                              kept.ratios);
      };
      testing_support::expect_same_for_threads(run);
      testing_support::expect_interruptible_in_parallel(run);
    }
}

// The postings route for t > 0 compares a row only with the accepted rows
// sharing a non-zero term: rows of few ids over many items (most pairs share
// none), W mostly zero (dense, compressed, the vector of its diagonal), item
// weights with zeros and negatives, thresholds on both sides of 0, NaN;
// then the same rows and ratios on any number of threads.
TEST(SuppressOverlaps, PostingsRouteComparesOnlyRowsSharingTerms) {
  std::mt19937_64 random(43);
  for (int round = 0; round < 24; ++round) {
    const std::size_t k = 20 + random() % 100, m = 60 + random() % 300;
    const testing_support::MostlyZeroCase c = testing_support::mostly_zero_case(
        random, m, 6, k, round % 2,
        [&] { return round % 3 == 2 ? whole_below(random, 4) - 1.0 : 1 + whole_below(random, 4); });
    const OwnedMatrix<double>&items = c.items, &w = c.w;
    const std::vector<double>& u = c.diagonal;
    const double t = std::array<double, 6>{0.2, 0.6, 1e-300, 0.0, -0.5, kNaN}[round % 6];
    const testing_support::Compressed sparse = testing_support::compress(w, random);
    const auto forms = testing_support::vector_forms(u, random);
    const auto run = [&](const mexsets::WeightMatrix& form) {
      const mexsets::Suppression kept = mexsets::suppress_overlaps(
          items.cref(), u.data(), u.size(), form, t, SumStrategy::skip_zeros);
      return std::make_pair(std::vector<std::size_t>(kept.accepted.begin(), kept.accepted.end()),
                            kept.ratios);
    };
    std::size_t want_ratios = 0, want_diagonal_ratios = 0;
    const std::vector<double> want =
        reference::suppress_overlaps(items.cref(), u.data(), w.cref(), t, &want_ratios);
    const std::vector<double> want_diagonal = reference::suppress_overlaps(
        items.cref(), u.data(), testing_support::diagonal_matrix(u).cref(), t,
        &want_diagonal_ratios);
    const auto same = [&](const mexsets::WeightMatrix& form, const std::vector<double>& rows,
                          std::size_t ratios) {
      const auto [accepted, got_ratios] = run(form);
      std::vector<double> got(accepted.size() * items.cols);
      mexsets::write_accepted_rows(items.cref(),
                                   std::pmr::vector<std::size_t>(accepted.begin(), accepted.end()),
                                   got.data());
      return same_bits(rows, got) && got_ratios == ratios;
    };
    ASSERT_TRUE(same(w.cref(), want, want_ratios)) << "round " << round;
    ASSERT_TRUE(same(mexsets::WeightMatrix::compressed(sparse.view()), want, want_ratios))
        << "round " << round;
    ASSERT_TRUE(same(forms.diagonals()[round % 4], want_diagonal, want_diagonal_ratios))
        << "round " << round;
    if (round % 6 < 2) testing_support::expect_same_for_threads([&] { return run(w.cref()); });
  }
}
