// rank_diverse: worked example, edge cases, steps without a winner, every
// error, and the computation held bit for bit against the plain
// transcription under every way of forming the sums.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include "interrupt_cases.hpp"
#include "overlap_cases.hpp"
#include "racing_writer.hpp"
#include "rank_diverse.hpp"
#include "reference_rank_diverse.hpp"
#include "sparse_cases.hpp"
#include "support.hpp"
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
const double kLowest = -1.7976931348623157e308;

const testing_support::LoadedModule module("rank_diverse");

struct Ranking {
  std::vector<double> order, scores;
};

Ranking call(const standin::Array& items, const standin::Array& relevance,
             const standin::Array& w) {
  auto result = module().call(2, {&items, &relevance, &w});
  return {standin::values(result.outputs.at(0).get()), standin::values(result.outputs.at(1).get())};
}
Ranking call(const standin::Array& items, const standin::Array& relevance, const standin::Array& w,
             double lambda) {
  auto l = standin::scalar(lambda);
  auto result = module().call(2, {&items, &relevance, &w, &l});
  return {standin::values(result.outputs.at(0).get()), standin::values(result.outputs.at(1).get())};
}

Ranking expected(const OwnedMatrix<double>& items, const std::vector<double>& relevance,
                 const OwnedMatrix<double>& w, double lambda) {
  Ranking r{std::vector<double>(items.rows), std::vector<double>(items.rows)};
  reference::rank_diverse(items.cref(), relevance.data(), w.cref(), lambda, r.order.data(),
                          r.scores.data());
  return r;
}

Ranking computed(const OwnedMatrix<double>& items, const std::vector<double>& relevance,
                 const mexsets::WeightMatrix& w, double lambda, SumStrategy strategy,
                 SumStrategy* used = nullptr) {
  Ranking r{std::vector<double>(items.rows), std::vector<double>(items.rows)};
  const SumStrategy u = mexsets::rank_diverse(items.cref(), relevance.data(), w, lambda,
                                              r.order.data(), r.scores.data(), strategy);
  if (used) *used = u;
  return r;
}

TEST(RankDiverse, WorkedExample) {
  auto r = call(standin::matrix({{0}, {0}, {1}}), standin::matrix({{1}, {1}, {0.9}}),
                standin::matrix({{1, 0}, {0, 1}}), 0.5);
  EXPECT_EQ(r.order, std::vector<double>({1, 3, 2}));
  EXPECT_TRUE(same_bits({0.5, 0.45, 0.0}, r.scores));
}

TEST(RankDiverse, SizesDefaultLambdaAndRelevanceLayout) {
  auto none = call(standin::empty(0, 3), standin::empty(), standin::empty());
  EXPECT_TRUE(none.order.empty());
  EXPECT_TRUE(none.scores.empty());
  auto one =
      call(standin::matrix({{0, 1}}), standin::matrix({{2}}), standin::matrix({{1, 0}, {0, 1}}));
  EXPECT_EQ(one.order, std::vector<double>({1}));
  EXPECT_EQ(one.scores, std::vector<double>({1.5}));  // default lambda 0.75
  // No columns: every ratio is 0/0, so the order is by relevance, ties to
  // the lowest number; relevance may be a row and longer than M.
  auto flat = call(standin::empty(4, 0), standin::matrix({{1, 3, 3, 2, 99}}), standin::empty(), 1);
  EXPECT_EQ(flat.order, std::vector<double>({2, 3, 4, 1}));
  EXPECT_EQ(flat.scores, std::vector<double>({3, 3, 2, 1}));
}

TEST(RankDiverse, RatiosRepeatsAndEndMarkers) {
  // P = {0, 0}, Q = {0}: S = 2, w(P) = 2, w(Q) = 1, rho = 2.
  auto repeated = call(standin::matrix({{0, 0}, {0, -1}}), standin::matrix({{1}, {1}}),
                       standin::matrix({{1}}), 0.5);
  EXPECT_EQ(repeated.order, std::vector<double>({1, 2}));
  EXPECT_EQ(repeated.scores, std::vector<double>({0.5, -0.5}));
  // Empty lists: rho is 0 against a weighted list and 0/0 against an empty
  // one; neither adds redundancy. -0 is item 0, -0.5 ends a list, entries
  // after the end are ignored, 1.9 is item 1.
  auto empty = call(standin::matrix({{-1, 7}, {-0.5, 0}, {-0.0, 1.9}}),
                    standin::matrix({{3}, {2}, {1}}), standin::matrix({{1, 0}, {0, 1}}), 0.5);
  EXPECT_EQ(empty.order, std::vector<double>({1, 2, 3}));
  EXPECT_EQ(empty.scores, std::vector<double>({1.5, 1, 0.5}));
  // A zero denominator with S > 0 gives rho = +Inf and a score of -Inf.
  // Candidate 2 is then left alone with -Inf (taken as the lowest remaining).
  auto infinite = call(standin::matrix({{0}, {1}, {0}}), standin::matrix({{2}, {1}, {0.5}}),
                       standin::matrix({{0.5, 1}, {1, 0.5}}), 0.5);
  EXPECT_EQ(infinite.order, std::vector<double>({1, 3, 2}));
  EXPECT_EQ(infinite.scores, std::vector<double>({1, -0.25, -kInf}));
}

TEST(RankDiverse, LambdaZeroAndOne) {
  auto items = standin::matrix({{0, -1}, {0, 1}, {1, -1}, {2, -1}});
  auto relevance = standin::matrix({{4}, {3}, {2}, {1}});
  auto w = standin::matrix({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  // lambda = 0: step 0 takes candidate 1, then the least redundant.
  auto zero = call(items, relevance, w, 0);
  EXPECT_EQ(zero.order, std::vector<double>({1, 3, 4, 2}));
  EXPECT_EQ(zero.scores, std::vector<double>({0, 0, 0, -0.5}));
  // lambda = 1: relevance alone.
  auto one = call(items, relevance, w, 1);
  EXPECT_EQ(one.order, std::vector<double>({1, 2, 3, 4}));
  EXPECT_EQ(one.scores, std::vector<double>({4, 3, 2, 1}));
}

TEST(RankDiverse, StepsWithoutWinnerTakeTheLowestRemaining) {
  auto items = standin::matrix({{0}, {0}, {1}});
  auto w = standin::matrix({{1, 0}, {0, 1}});
  auto nan_lambda = call(items, standin::matrix({{1}, {5}, {3}}), w, kNaN);
  EXPECT_EQ(nan_lambda.order, std::vector<double>({1, 2, 3}));
  for (double s : nan_lambda.scores) EXPECT_TRUE(std::isnan(s));
  // -Inf relevance: nothing qualifies until the finite candidate is gone.
  auto minus_inf = call(items, standin::matrix({{-kInf}, {-kInf}, {7}}), w, 1);
  EXPECT_EQ(minus_inf.order, std::vector<double>({3, 1, 2}));
  EXPECT_EQ(minus_inf.scores, std::vector<double>({7, -kInf, -kInf}));
  // The most negative finite double never beats the start value.
  auto lowest = call(items, standin::matrix({{kLowest}, {kLowest}, {kLowest}}), w, 1);
  EXPECT_EQ(lowest.order, std::vector<double>({1, 2, 3}));
  EXPECT_EQ(lowest.scores, std::vector<double>(3, kLowest));
  // Infinite redundancy (S > 0 over a zero denominator) for everyone left.
  auto infinite = call(standin::matrix({{0}, {1}, {1}}), standin::matrix({{3}, {2}, {1}}),
                       standin::matrix({{0.5, 1}, {1, 0.5}}), 0.5);
  EXPECT_EQ(infinite.order, std::vector<double>({1, 2, 3}));
  EXPECT_EQ(infinite.scores, std::vector<double>({1.5, -kInf, -kInf}));
}

TEST(RankDiverse, OneOutputRequestedStoresOnlyTheOrder) {
  auto items = standin::matrix({{0}, {1}});
  auto v = standin::matrix({{1}, {2}});
  auto w = standin::matrix({{1, 0}, {0, 1}});
  const std::size_t before = standin::live_arrays();
  {
    auto result = module().call(0, {&items, &v, &w});
    ASSERT_EQ(result.outputs.size(), 1u);
    EXPECT_EQ(standin::values(result.outputs[0].get()), std::vector<double>({2, 1}));
    EXPECT_EQ(result.released_arrays, 0u);
  }
  EXPECT_EQ(standin::live_arrays(), before);
}

TEST(RankDiverse, ArgumentErrors) {
  auto items = standin::matrix({{0, 1}});
  auto v = standin::matrix({{1}});
  auto w = standin::matrix({{1, 0}, {0, 1}});
  auto flag = standin::logical(1, 1, {true});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {1, 1, 2});
  auto single = standin::numeric(mxSINGLE_CLASS, {2, 2});
  auto none = standin::empty();
  auto two_rows = standin::matrix({{0}, {1}});
  const std::string at_least = "There should be at least 3 input parameters";
  const std::size_t before = standin::live_arrays();
  expect_mex_error(
      [&] {
        module().call(2, {&items, &v});
      },
      "mexsets:rank_diverse:nargin", at_least);
  expect_mex_error(
      [&] {
        module().call(2, {&flag, &v, &w});
      },
      "mexsets:rank_diverse:typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(2, {&items, &cube, &w});
      },
      "mexsets:rank_diverse:dimensionsNotCoherent", "Data dimensions not coherent");
  expect_mex_error(
      [&] {
        module().call(2, {&items, &v, &single});
      },
      "mexsets:rank_diverse:typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(2, {&items, &v, &w, &none});
      },
      "mexsets:rank_diverse:badScalar", "Expected a numeric scalar: input 4 (lambda) is empty");
  expect_mex_error(
      [&] {
        module().call(2, {&two_rows, &v, &w});
      },
      "mexsets:rank_diverse:tooFewValues",
      "Too few relevance values: input 2 holds 1 for the 2 rows of input 1");
  EXPECT_EQ(standin::live_arrays(), before);
  // Inputs after the fourth are ignored.
  auto l = standin::scalar(0.5);
  EXPECT_NO_THROW(module().call(2, {&items, &v, &w, &l, &flag}));
}

TEST(RankDiverse, IdsMustAddressW) {
  auto v = standin::matrix({{1}, {1}});
  auto run = [&](std::initializer_list<std::initializer_list<double>> rows,
                 const standin::Array& w) {
    auto items = standin::matrix(rows);
    module().call(2, {&items, &v, &w});
  };
  auto square = standin::matrix({{1, 0}, {0, 1}});
  auto wide = standin::matrix({{1, 0, 0}, {0, 1, 0}});  // 2-by-3: ids 0..1
  auto tall = standin::matrix({{1, 0}, {0, 1}, {0, 0}});
  expect_mex_error(
      [&] {
        run({{0, 1}, {1, 2}}, square);
      },
      "mexsets:rank_diverse:idOutOfRange",
      "Item id outside 0..1 (input 3 is 2-by-2): input 1 at row 2, column 2 holds 2");
  expect_mex_error(
      [&] {
        run({{2, -1}, {0, 0}}, wide);
      },
      "mexsets:rank_diverse:idOutOfRange",
      "Item id outside 0..1 (input 3 is 2-by-3): input 1 at row 1, column 1 holds 2");
  expect_mex_error(
      [&] {
        run({{0, 2.5}, {0, 0}}, tall);
      },
      "mexsets:rank_diverse:idOutOfRange",
      "(input 3 is 3-by-2): input 1 at row 1, column 2 holds 2.5");
  expect_mex_error(
      [&] {
        run({{0, kNaN}, {0, 0}}, square);
      },
      "mexsets:rank_diverse:idNotANumber", "input 1 at row 1, column 2 holds NaN");
  expect_mex_error(
      [&] {
        run({{0}, {kInf}}, square);
      },
      "mexsets:rank_diverse:idOutOfRange", "input 1 at row 2, column 1 holds Inf");
  auto empty = standin::empty();
  expect_mex_error(
      [&] {
        run({{0}, {-1}}, empty);
      },
      "mexsets:rank_diverse:idOutOfRange",
      "Item id with no item to address (input 3 is 0-by-0): input 1 at row 1, "
      "column 1 holds 0");
  // Fractions below the size, and anything after a row's end, are fine.
  EXPECT_NO_THROW(run({{1.99, -0.5, 9}, {0, -kInf, kNaN}}, wide));
  EXPECT_NO_THROW(run({{-1}, {-2}}, empty));
}

TEST(RankDiverse, OverlapRatioFollowsItsDefinition) {
  // W not symmetric: P's ids select rows.
  auto w = rows_of({{1, 2}, {0, 4}});
  const mexsets::ItemId p[] = {0, 0}, q[] = {1};
  const auto weight = [&](mexsets::ItemId a) { return w(a, a); };
  EXPECT_EQ(mexsets::shared_weight({p, 2}, {q, 1}, w.cref()), 4.0);
  EXPECT_EQ(mexsets::shared_weight({q, 1}, {p, 2}, w.cref()), 0.0);
  EXPECT_EQ(mexsets::overlap_ratio({p, 2}, {q, 1}, w.cref(), weight), 4.0 / (6.0 - 4.0));
  EXPECT_TRUE(std::isnan(mexsets::overlap_ratio({p, 0}, {q, 0}, w.cref(), weight)));
}

// Random inputs that reach every corner: exact zeros of both signs, NaN and
// infinite weights, integer or fractional weights, ties and non-finite
// relevance, repeated and fractional ids, empty lists and -0 ids.
struct Case {
  OwnedMatrix<double> items, w;
  std::vector<double> relevance;
  double lambda = 0.75;
};

// integral: 0 fractional weights, 1 small integers, 2 integers so large that
// their sums round (the order of the terms then matters).
Case random_case(std::mt19937_64& random, int integral, double zero_share, bool special) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Case c;
  const std::size_t k = 1 + random() % 12;
  const std::size_t m = random() % 30, n = random() % 9;
  c.w = OwnedMatrix<double>(k + random() % 2, k + random() % 2);
  for (double& x : c.w.data) x = random_weight(random, integral, zero_share, special);
  c.items = OwnedMatrix<double>(m, n);
  for (std::size_t i = 0; i < m; ++i) {
    const std::size_t len = random() % (n + 1);
    for (std::size_t j = 0; j < n; ++j) {
      double& x = c.items(i, j);
      if (j < len) {
        x = random_item_id(random, k);
      } else {
        const double markers[] = {-1, -0.5, -3, 5, kNaN};
        x = markers[random() % (j == len ? 3 : 5)];
      }
    }
  }
  c.relevance.resize(m + random() % 2);
  const double values[] = {0, 1, 1, 0.5, 2, -1};
  for (double& v : c.relevance) {
    v = (random() % 2) ? values[random() % 6] : unit(random);
    if (special && random() % 20 == 0) v = (random() % 2) ? kNaN : -kInf;
  }
  const double lambdas[] = {0.75, 0.5, 0, 1, 0.3, -0.25, 1.5, kNaN};
  c.lambda = lambdas[random() % (special ? 8 : 7)];
  return c;
}

TEST(RankDiverse, EveryStrategyMatchesThePlainAlgorithmBitForBit) {
  std::mt19937_64 random(7);
  for (int round = 0; round < 1200; ++round) {
    const Case c = random_case(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    const Ranking want = expected(c.items, c.relevance, c.w, c.lambda);
    for (SumStrategy s : kEveryStrategy) {
      const Ranking got = computed(c.items, c.relevance, c.w.cref(), c.lambda, s);
      ASSERT_TRUE(same_bits(want.order, got.order))
          << "round " << round << " strategy " << static_cast<int>(s);
      ASSERT_TRUE(same_bits(want.scores, got.scores))
          << "round " << round << " strategy " << static_cast<int>(s);
    }
    if (round % 10 == 0) {
      auto l = standin::scalar(c.lambda);
      auto items = to_host(c.items), w = to_host(c.w);
      auto v = standin::doubles(c.relevance.size(), 1, c.relevance);
      auto result = module().call(2, {&items, &v, &w, &l});
      ASSERT_TRUE(same_bits(want.order, standin::values(result.outputs[0].get())));
      ASSERT_TRUE(same_bits(want.scores, standin::values(result.outputs[1].get())));
    }
  }
}

// Larger inputs, where the automatic choice takes the fast strategies.
TEST(RankDiverse, AutomaticChoiceOnLargerInputs) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const std::size_t k = 200, m = 150;
  OwnedMatrix<double> items(m, 12, -1.0);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < 4 + random() % 8; ++j) items(i, j) = whole_below(random, k);
  std::vector<double> v(m);
  for (double& x : v) x = unit(random);
  OwnedMatrix<double> sparse(k, k), dense(k, k), integral(k, k);
  for (std::size_t a = 0; a < k; ++a)
    for (std::size_t b = 0; b < k; ++b) {
      dense(a, b) = unit(random) * (a == b ? 10 : 1);
      integral(a, b) = std::floor(dense(a, b) * 5);
      if (a == b || a + 1 == b || b + 1 == a) sparse(a, b) = dense(a, b);
    }
  sparse(3, 4) = kNaN;
  struct Expect {
    const OwnedMatrix<double>* w;
    SumStrategy strategy;
  };
  for (const Expect& e :
       {Expect{&sparse, SumStrategy::skip_zeros}, Expect{&dense, SumStrategy::interleaved},
        Expect{&integral, SumStrategy::reordered}}) {
    SumStrategy used;
    const Ranking got = computed(items, v, e.w->cref(), 0.6, SumStrategy::automatic, &used);
    EXPECT_EQ(used, e.strategy);
    const Ranking want = expected(items, v, *e.w, 0.6);
    EXPECT_TRUE(same_bits(want.order, got.order));
    EXPECT_TRUE(same_bits(want.scores, got.scores));
  }
  SumStrategy used;
  computed(rows_of({{0, 1}, {1, 2}}), {1, 2}, dense.cref(), 0.5, SumStrategy::automatic, &used);
  EXPECT_EQ(used, SumStrategy::plain);
}

// Many candidates over few items: the postings outgrow the copy of W. When
// half the memory limit cannot hold them, the next fastest route (eight sums
// at a time) takes over, and the plain loop when nothing else fits; every
// route gives the same bits.
TEST(RankDiverse, MemoryBoundRulesOutRoutes) {
  std::mt19937_64 random(13);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const std::size_t k = 60, m = 400;
  OwnedMatrix<double> items(m, 10), w(k, k);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < 10; ++j) items(i, j) = whole_below(random, k);
  for (std::size_t a = 0; a < k; ++a) {
    w(a, a) = 1 + 9 * unit(random);
    if (a + 1 < k) w(a, a + 1) = w(a + 1, a) = unit(random);
  }
  std::vector<double> v(m);
  for (double& x : v) x = unit(random);
  const Ranking want = expected(items, v, w, 0.7);
  // Postings take about 150 kB, the copy of W about 30 kB.
  for (const auto& [limit, route] :
       {std::pair{"1000000000", SumStrategy::skip_zeros},
        std::pair{"200000", SumStrategy::interleaved}, std::pair{"1000", SumStrategy::plain}}) {
    const testing_support::ScopedEnvironment bound("MEXSETS_MEMORY_LIMIT", limit);
    SumStrategy used;
    const Ranking got = computed(items, v, w.cref(), 0.7, SumStrategy::automatic, &used);
    EXPECT_EQ(used, route) << "limit " << limit;
    EXPECT_TRUE(same_bits(want.order, got.order));
    EXPECT_TRUE(same_bits(want.scores, got.scores));
  }
}

// Ctrl-C: stopped at any poll, on every route, the computation throws
// Interrupted, and the next call gives the plain result. Through the
// gateway, an interrupt that the host reports ends the call with
// mexsets:rank_diverse:interrupted, and the next call works.
TEST(RankDiverse, InterruptedOnEveryRouteThenCalledAgain) {
  std::mt19937_64 random(19);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const std::size_t k = 120, m = 400;
  OwnedMatrix<double> items(m, 16, -1.0), w(k, k);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < 4 + random() % 12; ++j) items(i, j) = whole_below(random, k);
  for (double& x : w.data) x = std::floor(unit(random) * 3);
  std::vector<double> v(m);
  for (double& x : v) x = unit(random);
  for (SumStrategy s : kEveryStrategy)
    testing_support::expect_interruptible([&] {
      const Ranking r = computed(items, v, w.cref(), 0.6, s);
      std::vector<double> both = r.order;
      both.insert(both.end(), r.scores.begin(), r.scores.end());
      return both;
    });

  // Long enough for the gateway's host to be asked a few times.
  OwnedMatrix<double> many(3000, 16, -1.0);
  for (std::size_t i = 0; i < many.rows; ++i)
    for (std::size_t j = 0; j < 4 + random() % 12; ++j) many(i, j) = whole_below(random, k);
  std::vector<double> relevance(many.rows);
  for (double& x : relevance) x = unit(random);
  auto host_items = to_host(many), host_w = to_host(w);
  auto host_v = standin::doubles(many.rows, 1, relevance);
  standin::interrupt_at_poll(0);  // counting only
  const Ranking want = call(host_items, host_v, host_w, 0.6);
  ASSERT_GE(standin::interrupt_polls(), 3u);
  for (std::size_t poll : {1, 3}) {
    standin::interrupt_at_poll(poll);
    expect_mex_error([&] { call(host_items, host_v, host_w, 0.6); },
                     "mexsets:rank_diverse:interrupted", "Interrupted");
    EXPECT_EQ(standin::interrupt_polls(), poll);
    const Ranking again = call(host_items, host_v, host_w, 0.6);
    EXPECT_TRUE(same_bits(want.order, again.order));
    EXPECT_TRUE(same_bits(want.scores, again.scores));
  }
}

TEST(RankDiverse, ItemsWrittenByAnotherThreadAreNeverReadOutside) {
  testing_support::RacingOverlapCase racing = testing_support::racing_overlap_case(6);
  OwnedMatrix<double>& items = racing.items;
  const OwnedMatrix<double>& w = racing.w;
  const std::vector<double> relevance(items.rows, 1.0);
  testing_support::expect_harmless_race({{items.data.data(), items.data.size()}}, [&] {
    std::vector<double> orders;
    mexsets::check_ranking_limits(items.cref(), relevance.size(), w.cref());
    for (SumStrategy s : kEveryStrategy) {
      const Ranking r = computed(items, relevance, w.cref(), 0.5, s);
      orders.insert(orders.end(), r.order.begin(), r.order.end());
    }
    return orders;
  });
}

// W sparse (stored -0, NaN and explicit zeros, empty columns) and W given as
// the vector of its diagonal, in every form and by every strategy, against
// the plain transcription over the dense W with the same entries; every
// tenth case through the MEX host as well.
TEST(RankDiverse, SparseAndVectorWMatchDenseWBitForBit) {
  std::mt19937_64 random(17);
  for (int round = 0; round < 600; ++round) {
    Case c = random_case(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    const testing_support::Compressed sparse = testing_support::compress(c.w, random);
    // The vector: as many weights as the lists may address (or one more).
    std::vector<double> d(std::min(c.w.rows, c.w.cols) + random() % 2);
    for (double& x : d) x = random_weight(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    const testing_support::VectorForms forms = testing_support::vector_forms(d, random);
    const OwnedMatrix<double> diagonal = testing_support::diagonal_matrix(d);
    const Ranking want = expected(c.items, c.relevance, c.w, c.lambda);
    const Ranking want_diagonal = expected(c.items, c.relevance, diagonal, c.lambda);
    const auto vectors = forms.diagonals();
    for (SumStrategy s : kEveryStrategy) {
      const Ranking got = computed(c.items, c.relevance,
                                   mexsets::WeightMatrix::compressed(sparse.view()), c.lambda, s);
      ASSERT_TRUE(same_bits(want.order, got.order)) << "round " << round;
      ASSERT_TRUE(same_bits(want.scores, got.scores)) << "round " << round;
      for (const mexsets::WeightMatrix& v : vectors) {
        const Ranking by_vector = computed(c.items, c.relevance, v, c.lambda, s);
        ASSERT_TRUE(same_bits(want_diagonal.order, by_vector.order)) << "round " << round;
        ASSERT_TRUE(same_bits(want_diagonal.scores, by_vector.scores)) << "round " << round;
      }
    }
    if (round % 10 == 0) {
      auto l = standin::scalar(c.lambda);
      auto items = to_host(c.items);
      auto v = standin::doubles(c.relevance.size(), 1, c.relevance);
      auto w = testing_support::to_host(sparse, round % 3);
      const Ranking host = call(items, v, w, c.lambda);
      ASSERT_TRUE(same_bits(want.order, host.order));
      ASSERT_TRUE(same_bits(want.scores, host.scores));
      auto row = to_host(forms.row), column = testing_support::to_host(forms.sparse_column);
      for (const standin::Array* vector : {&row, &column}) {
        const Ranking by_vector = call(items, v, *vector, c.lambda);
        ASSERT_TRUE(same_bits(want_diagonal.order, by_vector.order));
        ASSERT_TRUE(same_bits(want_diagonal.scores, by_vector.scores));
      }
    }
  }
}

// The host's checks of a sparse W's structure (shared by every function
// with a sparse route), the other inputs' refusal of sparse storage, and
// ids past a vector W.
TEST(RankDiverse, SparseStructureIsCheckedBeforeUse) {
  auto items = standin::matrix({{0, 1}});
  auto v = standin::matrix({{1}});
  const auto with = [](std::vector<std::size_t> jc, std::vector<std::size_t> ir,
                       std::size_t nzmax) {
    standin::Array w(mxCreateSparse(3, 2, nzmax, mxREAL));
    std::copy(jc.begin(), jc.end(), mxGetJc(w.get()));
    std::copy(ir.begin(), ir.end(), mxGetIr(w.get()));
    return w;
  };
  const std::string id = "mexsets:rank_diverse:badSparseStructure";
  const struct {
    standin::Array w;
    std::string message;
  } bad[] = {
      {with({1, 1, 2}, {0, 1}, 2), "input 3 has column starts beginning at 1, not 0"},
      {with({0, 2, 1}, {0, 1}, 2),
       "input 3 has column 1 (0-based) ending at 1, outside 2..2 (the stored entries)"},
      {with({0, 1, 3}, {0, 1}, 2),
       "input 3 has column 1 (0-based) ending at 3, outside 1..2 (the stored entries)"},
      {with({0, 1, 2}, {0, 3}, 2),
       "input 3 has row index 3 in column 1 (0-based), outside 0..3 (exclusive)"},
      {with({0, 2, 2}, {1, 0}, 2),
       "input 3 has row index 0 after 1 in column 0 (0-based) (row indices must strictly "
       "ascend: no entry unsorted or repeated)"},
      {with({0, 2, 2}, {1, 1}, 2),
       "input 3 has row index 1 after 1 in column 0 (0-based) (row indices must strictly "
       "ascend: no entry unsorted or repeated)"},
  };
  for (const auto& b : bad)
    expect_mex_error([&] { module().call(2, {&items, &v, &b.w}); }, id, b.message);
  standin::Array complex(mxCreateSparse(2, 2, 1, mxCOMPLEX));
  expect_mex_error(
      [&] {
        module().call(2, {&items, &v, &complex});
      },
      "mexsets:rank_diverse:complexInput", "input 3 is complex; pass real(...) instead");
  standin::Array flags(mxCreateSparseLogicalMatrix(2, 2, 1));
  expect_mex_error(
      [&] {
        module().call(2, {&items, &v, &flags});
      },
      "mexsets:rank_diverse:typesNotCoherent", "Data types not coherent");
  standin::Array sparse_items(mxCreateSparse(1, 2, 1, mxREAL));
  auto w = standin::matrix({{1, 0}, {0, 1}});
  expect_mex_error(
      [&] {
        module().call(2, {&sparse_items, &v, &w});
      },
      "mexsets:rank_diverse:sparseInput",
      "Sparse input is not supported (rank_diverse has no sparse route): input 1 is "
      "sparse; pass full(...) instead");
  auto vector = standin::matrix({{1, 2}});
  auto far = standin::matrix({{0, 2}});
  expect_mex_error(
      [&] {
        module().call(2, {&far, &v, &vector});
      },
      "mexsets:rank_diverse:idOutOfRange",
      "Item id outside 0..1 (input 3 holds 2 item weights): input 1 at row 1, column "
      "2 holds 2");
}

}  // namespace

// Any number of threads gives the same order and scores, on every route
// and form of W, however finely the candidates are cut; an interrupt still
// ends a split run.
TEST(RankDiverse, SameBitsForAnyThreadCount) {
  std::mt19937_64 random(29);
  for (int round = 0; round < 30; ++round) {
    const Case c = random_case(random, round % 3, (round % 4) * 0.3, round % 5 == 0);
    const testing_support::Compressed sparse = testing_support::compress(c.w, random);
    for (SumStrategy s : kEveryStrategy)
      for (const mexsets::WeightMatrix& w :
           {mexsets::WeightMatrix(c.w.cref()), mexsets::WeightMatrix::compressed(sparse.view())})
        testing_support::expect_same_for_threads([&] {
          const Ranking r = computed(c.items, c.relevance, w, c.lambda, s);
          return std::make_pair(r.order, r.scores);
        });
  }
  const std::size_t k = 60, m = 300;
  OwnedMatrix<double> items(m, 12, -1.0), w(k, k);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < 3 + random() % 9; ++j) items(i, j) = whole_below(random, k);
  for (double& x : w.data) x = whole_below(random, 3);
  std::vector<double> v(m);
  for (double& x : v) x = whole_below(random, 5) / 4.0;
  for (SumStrategy s : kEveryStrategy) {
    const auto run = [&] {
      const Ranking r = computed(items, v, w.cref(), 0.6, s);
      return std::make_pair(r.order, r.scores);
    };
    testing_support::expect_same_for_threads(run);
    testing_support::expect_interruptible_in_parallel(run);
  }
}

// The postings route over many blocks of candidates: W mostly zero (dense,
// compressed, and the vector of its diagonal), few distinct scores (ties
// across blocks), NaN and -Inf relevance, lambda above 1 (scores rise with
// the redundancy) and NaN; then the same bits on any number of threads.
TEST(RankDiverse, PostingsRouteKeepsTheFirstGreatestScore) {
  std::mt19937_64 random(41);
  for (int round = 0; round < 24; ++round) {
    const std::size_t k = 20 + random() % 60, m = 60 + random() % 400;
    const testing_support::MostlyZeroCase c = testing_support::mostly_zero_case(
        random, m, 8, k, round % 2,
        [&] { return round % 4 == 3 ? whole_below(random, 3) : 1 + whole_below(random, 4); });
    const OwnedMatrix<double>&items = c.items, &w = c.w;
    const std::vector<double>& d = c.diagonal;
    std::vector<double> v(m);
    for (double& x : v) x = whole_below(random, 4) / 4.0;
    v[random() % m] = kNaN;
    v[random() % m] = -kInf;
    const double lambda = std::array<double, 4>{0.75, 1.5, 0.0, kNaN}[round % 4];
    const testing_support::Compressed sparse = testing_support::compress(w, random);
    const Ranking want = expected(items, v, w, lambda);
    const Ranking want_diagonal = expected(items, v, testing_support::diagonal_matrix(d), lambda);
    const auto forms = testing_support::vector_forms(d, random);
    for (SumStrategy s : {SumStrategy::automatic, SumStrategy::skip_zeros}) {
      for (const mexsets::WeightMatrix& form :
           {mexsets::WeightMatrix(w.cref()), mexsets::WeightMatrix::compressed(sparse.view())}) {
        SumStrategy used{};
        const Ranking got = computed(items, v, form, lambda, s, &used);
        if (s == SumStrategy::skip_zeros) {
          ASSERT_EQ(used, s) << "round " << round;
        }
        ASSERT_TRUE(same_bits(want.order, got.order)) << "round " << round;
        ASSERT_TRUE(same_bits(want.scores, got.scores)) << "round " << round;
      }
      const Ranking got = computed(items, v, forms.diagonals()[round % 4], lambda, s);
      ASSERT_TRUE(same_bits(want_diagonal.order, got.order)) << "round " << round;
      ASSERT_TRUE(same_bits(want_diagonal.scores, got.scores)) << "round " << round;
    }
    if (round % 6 == 0) {
      testing_support::expect_same_for_threads([&] {
        const Ranking r = computed(items, v, forms.diagonals()[0], lambda, SumStrategy::skip_zeros);
        return std::make_pair(r.order, r.scores);
      });
      // The route chosen from W's columns, measured on the threads.
      testing_support::expect_same_for_threads([&] {
        SumStrategy used{};
        const Ranking r = computed(items, v, w.cref(), lambda, SumStrategy::automatic, &used);
        return std::make_tuple(r.order, r.scores, used);
      });
    }
  }
}
