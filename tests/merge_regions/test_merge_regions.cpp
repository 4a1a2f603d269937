// merge_regions: worked examples, the tie rules, boundaries listed more than
// once, regions that touch nothing, every error, and a differential check
// against a plain transcription on random inputs full of ties.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "interrupt_cases.hpp"
#include "merge_regions.hpp"
#include "racing_writer.hpp"
#include "reference_merge_regions.hpp"
#include "support.hpp"

using testing_support::expect_mex_error;
using testing_support::same_bits;
using testing_support::whole_below;

namespace {

const testing_support::LoadedModule module("merge_regions");

using Values = std::vector<double>;

struct Result {
  Values merges;  // column-major
  std::vector<mwSize> merge_dims;
  Values areas, heights;
};

Result call(const Values& first, const Values& second, const Values& lengths,
            const Values& strengths, const Values& areas, double base = 1) {
  auto row = [](const Values& v) { return standin::doubles(1, v.size(), v); };
  auto a = row(first), b = row(second), l = row(lengths), s = row(strengths), n = row(areas);
  auto k = standin::scalar(base);
  auto result = module().call(3, {&a, &b, &l, &s, &n, &k});
  return {standin::values(result.outputs.at(0).get()), standin::dims(result.outputs.at(0).get()),
          standin::values(result.outputs.at(1).get()), standin::values(result.outputs.at(2).get())};
}

// Rows written as in MATLAB, column-major.
Values rows(std::initializer_list<std::initializer_list<double>> r) {
  return testing_support::rows_of(r).data;
}

TEST(MergeRegions, WorkedExampleInBothBases) {
  const Values first{1, 2, 3, 1}, second{2, 3, 4, 3}, lengths{2, 1, 2, 1}, strengths{1, 3, 2, 2};
  const Values areas{4, 3, 5, 2, 1};
  const Result one = call(first, second, lengths, strengths, areas);
  EXPECT_EQ(one.merges, rows({{1, 2, 6}, {3, 4, 7}, {6, 7, 8}, {5, 8, 9}}));
  EXPECT_EQ(one.merge_dims, (std::vector<mwSize>{4, 3}));
  EXPECT_EQ(one.areas, (Values{4, 3, 5, 2, 1, 7, 7, 14, 15}));
  EXPECT_TRUE(same_bits({0.5, 1, 2.5, NAN}, one.heights));
  const Result zero = call(first, second, lengths, strengths, areas, 0);
  EXPECT_EQ(zero.merges, rows({{0, 1, 5}, {2, 3, 6}, {5, 6, 7}, {4, 7, 8}}));
  EXPECT_EQ(zero.areas, one.areas);
  // Ids in either order and truncated; one region gives no merge.
  EXPECT_EQ(call({2.9, 3.5, 4, 0.5}, {1, 2, 3, 3}, lengths, strengths, areas).merges, one.merges);
  const Result single = call({}, {}, {}, {}, {7});
  EXPECT_EQ(single.merge_dims, (std::vector<mwSize>{0, 3}));
  EXPECT_EQ(single.areas, Values{7});
  EXPECT_TRUE(single.heights.empty());
}

// Averages all 1 but for boundary 1-2 (0): who goes second is the tie rule.
TEST(MergeRegions, EqualAveragesGoByBoundaryNumber) {
  // 5 inherits 1-3 unchanged (number 1), which beats 3-4 (number 2).
  EXPECT_EQ(call({1, 1, 3}, {2, 3, 4}, {1, 1, 1}, {0, 1, 1}, {1, 1, 1, 1}).merges,
            rows({{1, 2, 5}, {3, 5, 6}, {4, 6, 7}}));
  // 5-3 sums 1-3 and 2-3 and is numbered after 3-4 (number 3).
  EXPECT_EQ(call({1, 1, 2, 3}, {2, 3, 3, 4}, {1, 1, 1, 1}, {0, 1, 1, 1}, {1, 1, 1, 1}).merges,
            rows({{1, 2, 5}, {3, 4, 6}, {5, 6, 7}}));
  // A NaN average comes after every number.
  const Result nan = call({1, 2}, {2, 3}, {1, 1}, {NAN, 5}, {1, 1, 1});
  EXPECT_EQ(nan.merges, rows({{2, 3, 4}, {1, 4, 5}}));
  EXPECT_TRUE(same_bits({5, NAN}, nan.heights));
}

TEST(MergeRegions, RepeatedListingsAddInListingOrder) {
  // Pair 1-2 in three listings: (0.1 + 0.2) + 0.3 = 0.6000000000000001, so
  // its average 0.20000000000000004 exceeds 0.6/3 of pair 2-3; summed in
  // another order the two would tie and 1-2 would go first.
  const Result r = call({1, 2, 3, 1}, {2, 1, 2, 2}, {1, 1, 3, 1}, {0.1, 0.2, 0.6, 0.3}, {1, 1, 1});
  EXPECT_EQ(r.merges, rows({{2, 3, 4}, {1, 4, 5}}));
  EXPECT_TRUE(same_bits({0.6 / 3, (0.1 + 0.2 + 0.3) / 3}, r.heights));
}

TEST(MergeRegions, PartsThatTouchNothingJoinSmallestFirst) {
  // Equal areas go by id; NaN comes last.
  const Result r = call({}, {}, {}, {}, {3, 1, 1, NAN, 2});
  EXPECT_EQ(r.merges, rows({{2, 3, 6}, {5, 6, 7}, {1, 7, 8}, {4, 8, 9}}));
  EXPECT_TRUE(same_bits({3, 1, 1, NAN, 2, 2, 4, 7, NAN}, r.areas));
  // Boundaries first, even the strongest: 1-3 joins before the tiny 2.
  EXPECT_EQ(call({1}, {3}, {1}, {1e300}, {5, 0, 5}).merges, rows({{1, 3, 4}, {2, 4, 5}}));
}

TEST(MergeRegions, Errors) {
  const std::string id = "mexsets:merge_regions:";
  auto run = [](const Values& first, const Values& second, const Values& lengths,
                const Values& areas, double base = 1) {
    call(first, second, lengths, Values(lengths.size(), 1.0), areas, base);
  };
  auto a = standin::matrix({{1}});
  expect_mex_error(
      [&] {
        module().call(2, {&a, &a, &a, &a});
      },
      id + "nargin", "There should be 5 or 6 input parameters");
  expect_mex_error(
      [&] {
        module().call(4, {&a, &a, &a, &a, &a});
      },
      id + "nargout", "Too many output arguments: merge_regions gives at most 3");
  auto flag = standin::logical(1, 1, {true});
  expect_mex_error(
      [&] {
        module().call(2, {&a, &a, &a, &flag, &a});
      },
      id + "typesNotCoherent", "Data types not coherent");
  expect_mex_error([&] { run({}, {}, {}, {1}, 2); }, id + "badBase",
                   "Base neither 0 nor 1: input 6 (base) holds 2");
  expect_mex_error([&] { run({}, {}, {}, {}); }, id + "noRegions",
                   "No region areas: input 5 is empty; at least one region needed");
  expect_mex_error(
      [&] {
        call({1}, {2}, {1}, {}, {1, 1});
      },
      id + "sizeMismatch",
      "Pair lists of different lengths: input 4 holds 0 elements, input 1 1 element");
  expect_mex_error(
      [&] {
        run({1, 2}, {2, 3}, {1, 1}, {1, 1});
      },
      id + "idOutOfRange", "Second id outside 1..2: input 2 at row 1, column 2 holds 3");
  expect_mex_error(
      [&] {
        run({1, 1e-300}, {2, 1}, {1, 1}, {1, 1});
      },
      id + "idOutOfRange", "First id outside 1..2: input 1 at row 1, column 2 holds 1e-300");
  expect_mex_error(
      [&] {
        run({NAN}, {2}, {1}, {1, 1});
      },
      id + "idNotANumber", "First id outside 1..2: input 1 at row 1, column 1 holds NaN");
  expect_mex_error(
      [&] {
        run({1, 2}, {2, 2.5}, {1, 1}, {1, 1});
      },
      id + "selfPair",
      "Second id names the first id's region: input 2 at row 1, column 2 holds 2.5");
  for (double length : {0.0, -1.0, double(NAN)})
    expect_mex_error(
        [&] {
          run({1}, {2}, {length}, {1, 1});
        },
        id + "badLength",
        "Boundary length not positive: input 3 at row 1, column 1 holds " +
            mexsets::format_value(length));
  // 4 regions: 3-by-3 merges, 7 areas and 3 heights, 152 bytes held twice by
  // this host.
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "304");
    EXPECT_NO_THROW(run({}, {}, {}, {1, 1, 1, 1}));
  }
  const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "303");
  expect_mex_error(
      [&] {
        run({}, {}, {}, {1, 1, 1, 1});
      },
      id + "outputTooLarge", "MEXSETS_MEMORY_LIMIT allows 303 bytes; merge fewer regions");
}

// Random adjacency over few values, so that averages and areas tie often;
// some regions touch nothing, some pairs are listed twice or reversed.
TEST(MergeRegions, MatchesThePlainTranscription) {
  std::mt19937_64 random(11);
  for (int trial = 0; trial < 300; ++trial) {
    const std::size_t leaves = 1 + random() % 30, pairs = leaves > 1 ? random() % (3 * leaves) : 0;
    Values first, second, lengths, strengths, areas(leaves);
    for (double& area : areas) area = static_cast<double>(random() % 4);
    const std::size_t touching = 1 + random() % leaves;  // regions beyond never touch
    for (std::size_t k = 0; k < pairs && touching > 1; ++k) {
      const double a = 1.0 + whole_below(random, touching), b = 1.0 + whole_below(random, touching);
      if (a == b) continue;
      first.push_back(a);
      second.push_back(b);
      lengths.push_back(1.0 + whole_below(random, 3));
      strengths.push_back((trial % 7 ? 1.0 : 0.1) * whole_below(random, 4));
    }
    const reference::Tree expected =
        reference::merge_regions(first, second, lengths, strengths, areas);
    const Result got = call(first, second, lengths, strengths, areas);
    Values want(3 * (leaves - 1));
    for (std::size_t r = 0; r + 1 < leaves; ++r)
      for (std::size_t c = 0; c < 3; ++c) want[r + c * (leaves - 1)] = expected.rows[r][c];
    ASSERT_EQ(want, got.merges) << "trial " << trial;
    ASSERT_TRUE(same_bits(expected.areas, got.areas)) << "trial " << trial;
    ASSERT_TRUE(same_bits(expected.heights, got.heights)) << "trial " << trial;
    // Whole lengths and strengths sum exactly: heights ascend, NaN last.
    for (std::size_t r = 1; trial % 7 && r < got.heights.size(); ++r)
      ASSERT_TRUE(std::isnan(got.heights[r]) || got.heights[r - 1] <= got.heights[r])
          << "trial " << trial << ", merge " << r;
    for (double& id : want) id -= 1;
    ASSERT_EQ(want, call(first, second, lengths, strengths, areas, 0).merges);
  }
}

// Grids of a few hundred regions, where boundaries change hands many times
// between long lists and summed boundaries queue beside the leaf ones.
TEST(MergeRegions, MatchesThePlainTranscriptionOnGrids) {
  std::mt19937_64 random(13);
  for (std::size_t side : {12, 20}) {
    const std::size_t leaves = side * side;
    Values first, second, lengths, strengths, areas(leaves);
    for (double& area : areas) area = static_cast<double>(random() % 50);
    for (std::size_t i = 0; i < side; ++i)
      for (std::size_t j = 0; j < side; ++j) {
        const double id = static_cast<double>(i * side + j + 1);
        for (const double other :
             {j + 1 < side ? id + 1 : 0.0, i + 1 < side ? id + static_cast<double>(side) : 0.0}) {
          if (other == 0) continue;
          first.push_back(random() % 2 ? id : other);  // either order
          second.push_back(first.back() == id ? other : id);
          lengths.push_back(1.0 + whole_below(random, 4));
          strengths.push_back(whole_below(random, 6));  // many equal averages
        }
      }
    const reference::Tree expected =
        reference::merge_regions(first, second, lengths, strengths, areas);
    const Result got = call(first, second, lengths, strengths, areas);
    Values want(3 * (leaves - 1));
    for (std::size_t r = 0; r + 1 < leaves; ++r)
      for (std::size_t c = 0; c < 3; ++c) want[r + c * (leaves - 1)] = expected.rows[r][c];
    ASSERT_EQ(want, got.merges) << side;
    ASSERT_TRUE(same_bits(expected.areas, got.areas)) << side;
    ASSERT_TRUE(same_bits(expected.heights, got.heights)) << side;
  }
}

// Ctrl-C: stopped at any poll, while boundaries are left and after, the
// computation throws Interrupted, and the next call gives the plain result.
TEST(MergeRegions, InterruptedThenCalledAgain) {
  std::mt19937_64 random(13);
  const std::size_t leaves = 400, touching = 300;
  Values first, second, lengths, strengths, areas(leaves);
  for (double& area : areas) area = static_cast<double>(random() % 4);
  for (std::size_t k = 0; k < 3 * leaves; ++k) {
    const double a = 1.0 + whole_below(random, touching), b = 1.0 + whole_below(random, touching);
    if (a == b) continue;
    first.push_back(a);
    second.push_back(b);
    lengths.push_back(1.0 + whole_below(random, 3));
    strengths.push_back(whole_below(random, 4));
  }
  auto row = [](const Values& v) { return mexsets::ConstMatrix{v.data(), 1, v.size()}; };
  const mexsets::MergeInputs in{row(first), row(second), row(lengths), row(strengths), row(areas)};
  testing_support::expect_interruptible([&] {
    const mexsets::MergeTree tree = mexsets::merge_regions(in);
    Values both = tree.merges.data;
    both.insert(both.end(), tree.areas.begin(), tree.areas.end());
    return both;
  });
}

TEST(MergeRegions, IdsWrittenByAnotherThreadAreNeverReadOutside) {
  std::mt19937_64 random(13);
  const std::size_t leaves = 500;
  Values first, second, lengths, strengths, areas(leaves, 1.0);
  while (first.size() < 3000) {
    const double a = 1.0 + whole_below(random, leaves), b = 1.0 + whole_below(random, leaves);
    if (a == b) continue;
    first.push_back(a);
    second.push_back(b);
    lengths.push_back(1.0 + whole_below(random, 3));
    strengths.push_back(whole_below(random, 9));
  }
  const auto matrix = [](Values& v) { return mexsets::ConstMatrix{v.data(), 1, v.size()}; };
  const mexsets::MergeInputs in{matrix(first), matrix(second), matrix(lengths), matrix(strengths),
                                matrix(areas)};
  testing_support::expect_harmless_race(
      {{first.data(), first.size()}, {second.data(), second.size()}}, [&] {
        mexsets::MergeTree tree = mexsets::merge_regions(in);
        tree.areas.insert(tree.areas.end(), tree.merges.data.begin(), tree.merges.data.end());
        return tree.areas;
      });
}

}  // namespace
