// score_subsets: worked examples, edge cases, range errors and a differential
// check of the computation against a plain transcription.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_score_subsets.hpp"
#include "score_subsets.hpp"
#include "support.hpp"

using testing_support::expect_mex_error;
using testing_support::rows_of;
using testing_support::same_bits;
using testing_support::to_host;

namespace {

const testing_support::LoadedModule module("score_subsets");

// Calls the gateway and returns both columns.
std::pair<std::vector<double>, std::vector<double>> call(const standin::Array& a,
                                                         const standin::Array& b,
                                                         const standin::Array& s) {
  auto result = module().call(2, {&a, &b, &s});
  return {standin::values(result.outputs.at(0).get()), standin::values(result.outputs.at(1).get())};
}

TEST(ScoreSubsets, WorkedExampleStopsAtTheFirstZero) {
  auto [r1, r2] = call(standin::matrix({{10, 20, 30}}), standin::matrix({{1, 2, 3}}),
                       standin::matrix({{3, 1, 0, 2}}));
  EXPECT_EQ(r1, std::vector<double>({40}));
  EXPECT_EQ(r2, std::vector<double>({4}));
}

TEST(ScoreSubsets, RowsWithoutZeroLeadingZeroAndRepeats) {
  auto [r1, r2] = call(standin::matrix({{10, 20, 30}, {99, 99, 99}}), standin::matrix({{1, 2, 3}}),
                       standin::matrix({{1, 2, 3}, {0, 1, 2}, {2, 2, 0}, {-0.0, 3, 3}}));
  EXPECT_EQ(r1, std::vector<double>({60, 0, 40, 0}));  // only the first value row counts
  EXPECT_EQ(r2, std::vector<double>({6, 0, 4, 0}));
}

TEST(ScoreSubsets, FractionalIdsTruncate) {
  auto [r1, r2] = call(standin::matrix({{10, 20, 30}}), standin::matrix({{1, 2, 3}}),
                       standin::matrix({{0.5, 2.9, 3.99}, {1e-300, 4.9e-324, 0}}));
  EXPECT_EQ(r1, std::vector<double>({60, 20}));  // ids so small that x - 1 rounds to -1
  EXPECT_EQ(r2, std::vector<double>({6, 2}));
}

TEST(ScoreSubsets, EmptyShapes) {
  auto [r1, r2] = call(standin::matrix({{1}}), standin::matrix({{1}}), standin::empty(0, 4));
  EXPECT_TRUE(r1.empty());
  EXPECT_TRUE(r2.empty());
  auto [z1, z2] = call(standin::matrix({{1}}), standin::matrix({{1}}), standin::empty(3, 0));
  EXPECT_EQ(z1, std::vector<double>(3, 0.0));
  EXPECT_EQ(z2, std::vector<double>(3, 0.0));
}

TEST(ScoreSubsets, OneOutputRequestedStoresOnlyTheFirst) {
  auto a = standin::matrix({{10, 20}});
  auto s = standin::matrix({{2, 1}});
  const std::size_t before = standin::live_arrays();
  {
    auto result = module().call(0, {&a, &a, &s});
    ASSERT_EQ(result.outputs.size(), 1u);
    EXPECT_EQ(standin::values(result.outputs[0].get()), std::vector<double>({30}));
    EXPECT_EQ(result.released_arrays, 0u);  // the second output was destroyed by the module
  }
  EXPECT_EQ(standin::live_arrays(), before);
}

TEST(ScoreSubsets, ArgumentErrors) {
  auto a = standin::matrix({{1, 2}});
  auto s = standin::matrix({{1}});
  auto flag = standin::logical(1, 2, {true, false});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {1, 2, 2});
  const std::string nargin = "There should be 3 input parameters";
  expect_mex_error([&] { module().call(2, {&a, &a}); }, "mexsets:score_subsets:nargin", nargin);
  expect_mex_error(
      [&] {
        module().call(2, {&a, &a, &s, &s});
      },
      "mexsets:score_subsets:nargin", nargin);
  const std::size_t before = standin::live_arrays();
  expect_mex_error(
      [&] {
        module().call(2, {&flag, &a, &s});
      },
      "mexsets:score_subsets:typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(2, {&a, &cube, &s});
      },
      "mexsets:score_subsets:dimensionsNotCoherent", "Data dimensions not coherent");
  EXPECT_EQ(standin::live_arrays(), before);
}

TEST(ScoreSubsets, IdsOutsideTheValueRowsAreRejected) {
  auto a = standin::matrix({{10, 20, 30}});
  auto b = standin::matrix({{1, 2}});  // K = 2: item 3 exists in a only
  auto run = [&](std::initializer_list<std::initializer_list<double>> rows) {
    auto s = standin::matrix(rows);
    module().call(2, {&a, &b, &s});
  };
  expect_mex_error(
      [&] {
        run({{1, 2}, {2, 3}});
      },
      "mexsets:score_subsets:idOutOfRange",
      "Item id outside 1..2: input 3 at row 2, column 2 holds 3");
  // The first bad entry in row order is the one reported.
  expect_mex_error(
      [&] {
        run({{1, 2, 9}, {7, 0, 0}});
      },
      "mexsets:score_subsets:idOutOfRange",
      "Item id outside 1..2: input 3 at row 1, column 3 holds 9");
  expect_mex_error(
      [&] {
        run({{1, -1}});
      },
      "mexsets:score_subsets:idOutOfRange",
      "Item id outside 1..2: input 3 at row 1, column 2 holds -1");
  expect_mex_error(
      [&] {
        run({{0.25, 2, NAN}});
      },
      "mexsets:score_subsets:idNotANumber",
      "Item id outside 1..2: input 3 at row 1, column 3 holds NaN");
  expect_mex_error([&] { run({{INFINITY}}); }, "mexsets:score_subsets:idOutOfRange",
                   "Item id outside 1..2: input 3 at row 1, column 1 holds Inf");
  expect_mex_error(
      [&] {
        run({{2.999, 0.5, 3}});
      },
      "mexsets:score_subsets:idOutOfRange", "input 3 at row 1, column 3 holds 3");
  // Entries after a row's end are never examined.
  auto s = standin::matrix({{1, 0, 7, NAN}});
  EXPECT_NO_THROW(module().call(2, {&a, &b, &s}));
  // An empty value row admits no id at all, but empty subsets are fine.
  auto none = standin::empty(0, 3);
  auto blank = standin::matrix({{0, 5}});
  EXPECT_NO_THROW(module().call(2, {&none, &b, &blank}));
  for (double id : {1.0, 0.5, 1e-300}) {
    auto one = standin::matrix({{id}});
    expect_mex_error(
        [&] {
          module().call(2, {&none, &b, &one});
        },
        "mexsets:score_subsets:idOutOfRange",
        "Item id outside 1..0: input 3 at row 1, column 1 holds " + mexsets::format_value(id));
  }
}

// Ids just inside and past the range, and past the 64-bit integers, where a
// truncated index wraps: each is taken or reported as its value says.
TEST(ScoreSubsets, IdsAtTheEdgesOfTheRange) {
  auto a = standin::matrix({{10, 20, 30}});
  auto b = standin::matrix({{1, 2}});  // K = 2
  const double below_three = std::nextafter(3.0, 0.0);
  auto [r1, r2] = call(a, b, standin::matrix({{below_three, 0x1p-60, 0.999}}));
  EXPECT_EQ(r1, std::vector<double>({40}));
  EXPECT_EQ(r2, std::vector<double>({4}));
  for (double id : {3.0, 1e300, 0x1p63, 0x1p64, -0x1p63, -0x1p64, -1e-300, -0.5, -1.0,
                    -std::numeric_limits<double>::infinity()}) {
    auto s = standin::matrix({{1, id}});
    expect_mex_error(
        [&] {
          module().call(2, {&a, &b, &s});
        },
        "mexsets:score_subsets:idOutOfRange",
        "Item id outside 1..2: input 3 at row 1, column 2 holds " + mexsets::format_value(id));
  }
}

TEST(ScoreSubsets, MatchesThePlainAlgorithmOnRandomInputs) {
  std::mt19937_64 random(42);
  for (int round = 0; round < 200; ++round) {
    const std::size_t k = 1 + random() % 30;
    const std::size_t m = random() % (round % 10 == 0 ? 1500 : 40);  // beyond one block too
    const std::size_t n = random() % 12;
    mexsets::OwnedMatrix<double> a(1 + random() % 3, k), b(1 + random() % 2, k + random() % 3);
    std::normal_distribution<double> value(0.0, 1e6);
    for (double& v : a.data) v = value(random);
    for (double& v : b.data) v = value(random) * 1e-9;
    mexsets::OwnedMatrix<double> s(m, n);
    for (double& v : s.data) {
      const auto pick = random() % 10;
      // Fractions truncate.
      v = pick == 0 ? 0.0 : 1.0 + static_cast<double>(random() % (k * 100)) / 100.0;
    }
    std::vector<double> e1, e2;
    reference::score_subsets(a, b, s, e1, e2);
    std::vector<double> r1(m), r2(m);
    ASSERT_NO_THROW(mexsets::score_subsets(a.cref(), b.cref(), s.cref(), r1.data(), r2.data()));
    ASSERT_TRUE(same_bits(e1, r1));
    ASSERT_TRUE(same_bits(e2, r2));
    auto [g1, g2] = call(to_host(a), to_host(b), to_host(s));
    ASSERT_TRUE(same_bits(e1, g1));
    ASSERT_TRUE(same_bits(e2, g2));
  }
}

// Ctrl-C: stopped at any poll, the computation throws Interrupted, and the
// next call gives the plain result.
TEST(ScoreSubsets, InterruptedThenCalledAgain) {
  std::mt19937_64 random(43);
  const std::size_t k = 50, m = 3000, n = 12;
  mexsets::OwnedMatrix<double> a(1, k), b(1, k), s(m, n);
  for (double& v : a.data) v = static_cast<double>(random() % 1000) / 8;
  for (double& v : b.data) v = static_cast<double>(random() % 1000) / 16;
  for (double& v : s.data) v = random() % 10 == 0 ? 0.0 : 1.0 + static_cast<double>(random() % k);
  testing_support::expect_interruptible([&] {
    std::vector<double> r(2 * m);
    mexsets::score_subsets(a.cref(), b.cref(), s.cref(), r.data(), r.data() + m);
    return r;
  });
}

TEST(ScoreSubsets, SubsetsWrittenByAnotherThreadAreNeverReadOutside) {
  std::mt19937_64 random(4);
  mexsets::OwnedMatrix<double> a(1, 300), b(1, 300), subsets(3000, 40);
  for (std::size_t k = 0; k < 300; ++k) a.data[k] = b.data[k] = static_cast<double>(k);
  for (double& id : subsets.data)
    id = random() % 50 ? 1.0 + testing_support::whole_below(random, 300) : 0;
  testing_support::expect_harmless_race({{subsets.data.data(), subsets.data.size()}}, [&] {
    std::vector<double> sums(2 * subsets.rows);
    mexsets::score_subsets(a.cref(), b.cref(), subsets.cref(), sums.data(),
                           sums.data() + subsets.rows);
    return sums;
  });
}

}  // namespace
