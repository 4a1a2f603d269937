// tree_cut: worked examples, every refusal, and a differential check
// against a plain transcription on random trees with ties and NaN heights.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_tree_cut.hpp"
#include "support.hpp"
#include "tree_cut.hpp"

using testing_support::expect_mex_error;

namespace {

const testing_support::LoadedModule module("tree_cut");

using Values = std::vector<double>;
using Rows = std::vector<Values>;

standin::Array merge_matrix(const Rows& rows) {
  Values data(3 * rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < 3; ++c) data[r + c * rows.size()] = rows[r][c];
  return standin::doubles(rows.size(), 3, data);
}

// count and height as given: empty for none; `inputs` how many to pass.
Values call(const Rows& rows, const Values& heights, const Values& count, const Values& height = {},
            std::size_t inputs = 4) {
  auto m = merge_matrix(rows), h = standin::doubles(1, heights.size(), heights);
  auto c = standin::doubles(1, count.size(), count), t = standin::doubles(1, height.size(), height);
  auto name = standin::text("height");
  std::vector<const mxArray*> in{m.get(), h.get(), c.get()};
  in.resize(std::min<std::size_t>(inputs, 3));
  if (inputs > 3) in.insert(in.end(), {name.get(), t.get()});
  return standin::values(module().call(1, in).outputs.at(0).get());
}

// merge_regions' example: [1 2], [3 4], [12 34], then 5 at height NaN.
const Rows example{{1, 2, 6}, {3, 4, 7}, {6, 7, 8}, {5, 8, 9}};
const Values example_heights{0.5, 1, 2.5, NAN};

TEST(TreeCut, WorkedExamples) {
  EXPECT_EQ(call(example, example_heights, {3}, {}, 3), (Values{1, 1, 2, 2, 3}));
  EXPECT_EQ(call(example, example_heights, {5}), (Values{1, 2, 3, 4, 5}));
  EXPECT_EQ(call(example, example_heights, {1}), (Values{1, 1, 1, 1, 1}));
  // Heights below the cut only; NaN stops a cut at Inf too.
  EXPECT_EQ(call(example, example_heights, {}, {2}), (Values{1, 1, 2, 2, 3}));
  EXPECT_EQ(call(example, example_heights, {}, {2.5}), (Values{1, 1, 2, 2, 3}));
  EXPECT_EQ(call(example, example_heights, {}, {INFINITY}), (Values{1, 1, 1, 1, 2}));
  EXPECT_EQ(call(example, example_heights, {}, {-INFINITY}), (Values{1, 2, 3, 4, 5}));
  // A later merge below the cut does not count once one is not below it.
  EXPECT_EQ(call(example, {0.5, 3, 1, 1}, {}, {2}), (Values{1, 1, 2, 3, 4}));
  // Labels by first appearance in leaf order.
  EXPECT_EQ(call({{2, 3, 5}, {4, 5, 6}, {1, 6, 7}}, {1, 2, 3}, {2}), (Values{1, 2, 2, 2}));
  EXPECT_EQ(call({{2, 1, 3}}, {0}, {2}), (Values{1, 2}));
  EXPECT_EQ(call({}, {}, {1}), Values{1});
}

TEST(TreeCut, Errors) {
  const std::string id = "mexsets:tree_cut:";
  auto m = merge_matrix(example), h = standin::doubles(4, 1, example_heights);
  auto one = standin::scalar(1);
  expect_mex_error([&] { module().call(1, {&m}); }, id + "nargin",
                   "Two or three input arguments required, then name-value pairs.");
  expect_mex_error(
      [&] {
        module().call(2, {&m, &h, &one});
      },
      id + "nargout", "Too many output arguments: tree_cut gives at most 1");
  auto narrow = standin::matrix({{1, 2}});
  expect_mex_error(
      [&] {
        module().call(1, {&narrow, &one, &one});
      },
      id + "badMergeShape", "Merge matrix not 3 columns wide: input 1 is 1-by-2");
  expect_mex_error(
      [&] {
        call(example, {1, 2, 3}, {1});
      },
      id + "sizeMismatch",
      "Heights do not match the merges: input 2 holds 3 elements, input 1 has 4 rows");
  for (double count : {0.0, 6.0, 2.5, double(NAN)})
    expect_mex_error(
        [&] { call(example, example_heights, {count}); }, id + "badCount",
        "Count not a whole number in 1..5: input 3 (count) holds " + mexsets::format_value(count));
  expect_mex_error(
      [&] {
        call(example, example_heights, {1, 2});
      },
      id + "badCount", "Not one value: input 3 (count) holds 2 elements");
  expect_mex_error([&] { call(example, example_heights, {}, {NAN}); }, id + "badHeight",
                   "Height is NaN: option 'height' holds NaN");
  expect_mex_error(
      [&] { call(example, example_heights, {}, {}); }, id + "noCut",
      "Neither count nor height given: give one of input 3 (count) and option 'height'");
  expect_mex_error(
      [&] { call(example, example_heights, {}, {}, 3); }, id + "noCut",
      "Neither count nor height given: give one of input 3 (count) and option 'height'");
  expect_mex_error([&] { call(example, example_heights, {2}, {1}); }, id + "twoCuts",
                   "Both count and height given: give one of input 3 (count) and option 'height'");
  const Values h3{1, 2, 3};
  expect_mex_error(
      [&] {
        call({{1, 2, 5}, {3, NAN, 6}, {5, 6, 7}}, h3, {1});
      },
      id + "idNotANumber", "Node id outside 1..7: input 1 at row 2, column 2 holds NaN");
  expect_mex_error(
      [&] {
        call({{1, 2, 5}, {3, 4, 6}, {5, 6, 8}}, h3, {1});
      },
      id + "idOutOfRange", "Node id outside 1..7: input 1 at row 3, column 3 holds 8");
  expect_mex_error(
      [&] {
        call({{0.5, 2, 5}, {3, 4, 6}, {5, 6, 7}}, h3, {1});
      },
      id + "idOutOfRange", "Node id outside 1..7: input 1 at row 1, column 1 holds 0.5");
  expect_mex_error(
      [&] {
        call({{1, 2.5, 5}, {3, 4, 6}, {5, 6, 7}}, h3, {1});
      },
      id + "idNotWhole", "Node id not a whole number: input 1 at row 1, column 2 holds 2.5");
  expect_mex_error(
      [&] {
        call({{1, 2, 5}, {3, 4, 7}, {5, 6, 7}}, h3, {1});
      },
      id + "badNewNode", "New node not 6: input 1 at row 2, column 3 holds 7");
  expect_mex_error(
      [&] {
        call({{1, 5, 5}, {3, 4, 6}, {5, 6, 7}}, h3, {1});
      },
      id + "childNotMade", "Child not made by an earlier row: input 1 at row 1, column 2 holds 5");
  expect_mex_error(
      [&] {
        call({{1, 2, 5}, {3, 1, 6}, {5, 6, 7}}, h3, {1});
      },
      id + "childReused",
      "Child already merged by an earlier row: input 1 at row 2, column 2 holds 1");
  expect_mex_error(
      [&] {
        call({{1, 2, 5}, {3, 4, 6}, {6, 6, 7}}, h3, {1});
      },
      id + "childReused",
      "Child already merged by an earlier row: input 1 at row 3, column 2 holds 6");
  // 5 leaves: 40 bytes, held twice by this host.
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "80");
    EXPECT_NO_THROW(call(example, example_heights, {1}));
  }
  const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "79");
  expect_mex_error([&] { call(example, example_heights, {1}); }, id + "outputTooLarge",
                   "MEXSETS_MEMORY_LIMIT allows 79 bytes; cut a smaller tree");
}

using reference::random_tree;

TEST(TreeCut, MatchesThePlainTranscription) {
  std::mt19937_64 random(17);
  for (int trial = 0; trial < 400; ++trial) {
    const std::size_t leaves = 1 + random() % 40;
    const Rows rows = random_tree(random, leaves);
    Values heights(leaves - 1);
    for (double& h : heights) h = random() % 9 ? static_cast<double>(random() % 5) : NAN;
    const double count = static_cast<double>(1 + random() % leaves);
    const Values by_count = call(rows, heights, {count});
    ASSERT_EQ(by_count, reference::tree_cut(rows, leaves - static_cast<std::size_t>(count)))
        << "trial " << trial;
    ASSERT_EQ(*std::max_element(by_count.begin(), by_count.end()), count);
    const double height = static_cast<double>(random() % 6) - 0.5 * static_cast<double>(trial % 2);
    ASSERT_EQ(call(rows, heights, {}, {height}),
              reference::tree_cut(rows, reference::merges_below(heights, height)))
        << "trial " << trial;
  }
}

mexsets::ConstMatrix view(const Values& v, std::size_t rows, std::size_t cols) {
  return {v.data(), rows, cols};
}

TEST(TreeCut, InterruptedThenCalledAgain) {
  std::mt19937_64 random(19);
  const Rows rows = random_tree(random, 20000);
  Values merges(3 * rows.size()), heights(rows.size(), 1.0);
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < 3; ++c) merges[r + c * rows.size()] = rows[r][c];
  testing_support::expect_interruptible([&] {
    return mexsets::tree_cut(view(merges, rows.size(), 3), view(heights, 1, rows.size()), true, 7);
  });
}

TEST(TreeCut, IdsWrittenByAnotherThreadAreNeverReadOutside) {
  std::mt19937_64 random(23);
  const Rows rows = random_tree(random, 3000);
  Values merges(3 * rows.size()), heights(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < 3; ++c) merges[r + c * rows.size()] = rows[r][c];
  for (double& h : heights) h = static_cast<double>(random() % 9);
  testing_support::expect_harmless_race(
      {{merges.data(), merges.size()}, {heights.data(), heights.size()}}, [&] {
        return mexsets::tree_cut(view(merges, rows.size(), 3), view(heights, 1, rows.size()), false,
                                 4);
      });
}

}  // namespace
