// region_graph: worked examples, edge cases and errors through the stand-in
// host; random label images and volumes against the plain transcription;
// and image lists equal, bit for bit, to what boundary_grid and
// boundary_sums give for the same inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "../../modules/boundary_grid/boundary_grid.hpp"
#include "../../modules/boundary_sums/boundary_sums.hpp"
#include "interrupt_cases.hpp"
#include "reference_region_graph.hpp"
#include "region_graph.hpp"
#include "support.hpp"
#include "threads.hpp"

using testing_support::expect_mex_error;
using testing_support::same_bits;

namespace {

const testing_support::LoadedModule module("region_graph");
using Lists = std::vector<std::vector<double>>;

standin::Array cube(std::size_t h, std::size_t w, std::size_t d, const std::vector<double>& v) {
  auto array = standin::numeric(mxDOUBLE_CLASS, {h, w, d});
  std::copy(v.begin(), v.end(), mxGetPr(array.get()));
  return array;
}

Lists call(std::initializer_list<const standin::Array*> inputs) {
  Lists out;
  for (auto& output : module().call(6, inputs).outputs)
    out.push_back(standin::values(output.get()));
  return out;
}

Lists lists(const mexsets::RegionGraph& g) {
  Lists out;
  for (const auto* list : {&g.first, &g.second, &g.lengths, &g.strengths, &g.areas, &g.border})
    out.emplace_back(list->begin(), list->end());
  return out;
}

TEST(RegionGraph, WorkedExamples) {
  // Labels 0, 3, 7 are regions 1, 2, 3; regions 1 and 3 meet along two
  // cracks of steps 1 and 2.
  auto labels = standin::matrix({{0, 0, 7}, {3, 7, 7}});
  auto values = standin::matrix({{1, 2, 4}, {1, 3, 6}});
  EXPECT_EQ(call({&labels, &values}),
            Lists({{1, 1, 2}, {2, 3, 3}, {1, 2, 1}, {0, 3, 2}, {2, 1, 3}, {3, 2, 5}}));
  // Label 0 as the background: its cracks count toward nothing.
  auto zero = standin::scalar(0), background = standin::text("background");
  EXPECT_EQ(call({&labels, &values, &background, &zero}),
            Lists({{1}, {2}, {1}, {2}, {1, 3}, {2, 5}}));
  // A 1-by-2-by-2 volume with an edge map: the larger and the mean value.
  auto volume = cube(1, 2, 2, {1, 1, 2, 5});
  auto edges = cube(1, 2, 2, {1, 2, 3, 8});
  auto weight = standin::text("weight"), max = standin::text("max"), mean = standin::text("mean");
  EXPECT_EQ(call({&volume, &edges, &weight, &max}),
            Lists({{1, 1, 2}, {2, 3, 3}, {1, 1, 1}, {3, 8, 8}, {2, 1, 1}, {8, 4, 4}}));
  EXPECT_EQ(call({&volume, &edges, &weight, &mean})[3], std::vector<double>({2, 5, 5.5}));
  // No values, or []: every strength 0.
  auto none = standin::empty();
  EXPECT_EQ(call({&volume})[3], std::vector<double>({0, 0, 0}));
  EXPECT_EQ(call({&volume, &none})[3], std::vector<double>({0, 0, 0}));
}

// The name-value pairs as the MEX host reads them: names and choices in any
// case, pairs in any order, defaults when left out; values may be left out
// before them.
TEST(RegionGraph, Options) {
  auto volume = cube(1, 2, 2, {1, 1, 2, 5});
  auto edges = cube(1, 2, 2, {1, 2, 3, 8});
  auto weight = standin::text("Weight"), mean = standin::text("MEAN"), step = standin::text("step"),
       background = standin::text("BackGround"), five = standin::scalar(5), none = standin::empty();
  const Lists means = call({&volume, &edges, &weight, &mean, &background, &five});
  EXPECT_EQ(means, Lists({{1}, {2}, {1}, {2}, {2, 1}, {8, 4}}));
  EXPECT_EQ(call({&volume, &edges, &background, &five, &weight, &mean}), means);
  EXPECT_EQ(call({&volume, &edges, &weight, &step, &background, &none}), call({&volume, &edges}));
  EXPECT_EQ(call({&volume, &background, &five})[4], means[4]);
}

TEST(RegionGraph, EdgeCases) {
  auto nothing = standin::empty(0, 3);
  EXPECT_EQ(call({&nothing}), Lists(6));
  // One pixel has 4 rim cracks, a one-page volume is an image, a 1-by-1-by-2
  // volume has 5 per pixel; -0 is label 0; huge labels number compactly.
  auto one = standin::matrix({{-0.0}});
  EXPECT_EQ(call({&one}), Lists({{}, {}, {}, {}, {1}, {4}}));
  auto two = cube(1, 1, 2, {9007199254740992.0, -9007199254740992.0});
  EXPECT_EQ(call({&two}), Lists({{1}, {2}, {1}, {0}, {1, 1}, {5, 5}}));
  // A background that no pixel holds (or a fraction) changes nothing.
  auto labels = standin::matrix({{1, 2}});
  auto half = standin::scalar(1.5), background = standin::text("background");
  EXPECT_EQ(call({&labels, &nothing, &background, &half}), call({&labels}));
}

TEST(RegionGraph, Errors) {
  const std::string id = "mexsets:region_graph:";
  auto run = [](std::initializer_list<const standin::Array*> inputs) {
    return [inputs] { module().call(6, inputs); };
  };
  auto fraction = standin::matrix({{1, 2.5}});
  expect_mex_error(run({&fraction}), id + "labelNotWhole",
                   "Label not a whole number: input 1 at row 1, column 2 holds 2.5");
  // In a volume the column counts w columns per page.
  auto volume = cube(2, 2, 2, {1, 1, 1, 1, 1, 1, NAN, 1});
  expect_mex_error(run({&volume}), id + "idNotANumber", "input 1 at row 1, column 4 holds NaN");
  auto huge = standin::matrix({{1, 9007199254740994.0}}), inf = standin::matrix({{INFINITY}});
  expect_mex_error(run({&huge}), id + "idOutOfRange", "holds 9007199254740994");
  expect_mex_error(run({&inf}), id + "idOutOfRange", "holds Inf");
  auto labels = standin::matrix({{1, 2}}), wide = standin::matrix({{1, 2, 3}});
  expect_mex_error(run({&labels, &wide}), id + "valueSizeMismatch",
                   "input 2 is 1-by-3, input 1 is 1-by-2");
  auto colour = cube(1, 2, 3, {1, 2, 3, 4, 5, 6});
  auto weight = standin::text("weight"), mean = standin::text("mean");
  expect_mex_error(run({&labels, &colour, &weight, &mean}), id + "valueSizeMismatch",
                   "input 2 is 1-by-2-by-3, input 1 is 1-by-2");
  auto background = standin::text("background");
  expect_mex_error(run({&labels, &labels, &background, &labels}), id + "badBackground",
                   "Background not one value or empty: option 'background' holds 2 elements");
}

// Every refusal of the name-value pairs, with its message; the positional
// inputs are counted before the pairs are read.
TEST(RegionGraph, OptionErrors) {
  const std::string id = "mexsets:region_graph:";
  auto run = [](std::initializer_list<const standin::Array*> inputs) {
    return [inputs] { module().call(6, inputs); };
  };
  auto labels = standin::matrix({{1, 2}}), zero = standin::scalar(0), two = standin::scalar(2);
  auto weight = standin::text("weight"), loud = standin::text("WEIGHT"), max = standin::text("max"),
       avg = standin::text("avg"), size = standin::text("size");
  const std::string options = "region_graph takes 'background' and 'weight'";
  // The call shape of before: a third positional input.
  expect_mex_error(run({&labels, &labels, &zero, &two}), id + "badOptionName",
                   "Expected an option name: input 3 is double; " + options);
  expect_mex_error(run({&labels, &size, &two}), id + "unknownOption",
                   "Unknown option 'size' at input 2; " + options);
  expect_mex_error(run({&labels, &labels, &max, &weight}), id + "unknownOption",
                   "Unknown option 'max' at input 3; " + options);
  expect_mex_error(run({&labels, &weight, &max, &loud}), id + "optionWithoutValue",
                   "Option 'weight' at input 4 has no value");
  expect_mex_error(run({&labels, &weight, &max, &loud, &max}), id + "repeatedOption",
                   "Option 'weight' given twice: at inputs 2 and 4");
  expect_mex_error(run({&labels, &weight, &avg}), id + "badChoice",
                   "Expected 'step', 'mean' or 'max': option 'weight' is 'avg'");
  expect_mex_error(run({&labels, &weight, &two}), id + "badChoice",
                   "option 'weight' is double, not text");
  expect_mex_error(run({}), id + "nargin",
                   "One or two input arguments required, then name-value pairs.");
  // Text ends the positional inputs only after the required ones.
  expect_mex_error(run({&weight, &max}), id + "unknownOption",
                   "Unknown option 'max' at input 2; " + options);
}

// Ctrl-C: stopped at any poll, on one thread or several, the computation
// throws Interrupted, and the next call gives the plain result.
TEST(RegionGraph, InterruptedThenCalledAgain) {
  std::mt19937_64 random(17);
  const std::size_t h = 40, w = 30, d = 2;
  std::vector<double> labels(h * w * d), values(h * w * d);
  for (double& x : labels) x = static_cast<double>(random() % 300);
  for (double& v : values) v = static_cast<double>(random() % 2000) / 7;
  mexsets::RegionGraphInputs in;
  in.labels = {labels.data(), h, w, d};
  in.values = {values.data(), h, w, d};
  auto run = [&] {
    std::vector<double> all;
    for (const auto& list : lists(mexsets::region_graph(in)))
      all.insert(all.end(), list.begin(), list.end());
    return all;
  };
  testing_support::expect_interruptible(run);
  testing_support::expect_interruptible_in_parallel(run);
}

// Bands of pixels on several threads: the same lists, bit for bit, and the
// same failure (the first bad label in column-major order) as one thread.
TEST(RegionGraph, SameForAnyThreadCount) {
  std::mt19937_64 random(23);
  std::normal_distribution<double> normal;
  auto check = [&](std::size_t h, std::size_t w, std::size_t d, std::vector<double> labels,
                   mexsets::CrackWeight kind, std::size_t channels) {
    std::vector<double> values(h * w * (d > 1 ? d : channels));
    for (double& x : values) x = normal(random);
    mexsets::RegionGraphInputs in;
    in.labels = {labels.data(), h, w, d};
    in.weight = kind;
    if (channels) in.values = {values.data(), h, w, d > 1 ? d : channels};
    in.has_background = labels.size() % 2;
    in.background = labels.empty() ? 0 : labels[labels.size() / 2];
    SCOPED_TRACE(std::to_string(h) + "-by-" + std::to_string(w) + "-by-" + std::to_string(d));
    testing_support::expect_same_for_threads([&] { return lists(mexsets::region_graph(in)); });
  };
  auto blocks = [&](std::size_t n, std::size_t count, std::size_t run) {
    std::vector<double> labels(n);
    for (std::size_t k = 0; k < n; ++k)
      labels[k] = k % run == 0 ? static_cast<double>(random() % count) * 5 - 10 : labels[k - 1];
    return labels;
  };
  // Random images and volumes with gaps, negatives and 0; runs of equal
  // labels as regions have them.
  for (int round = 0; round < 12; ++round) {
    const std::size_t h = 1 + random() % 13, w = 1 + random() % 13, d = round % 4 ? 1 : 3;
    const auto kind = static_cast<mexsets::CrackWeight>(round % 3);
    check(h, w, d, blocks(h * w * d, 2 + random() % 40, 1 + random() % 4), kind,
          d > 1 || round % 3 ? 1 : round % 2 + 2);
  }
  // 1-by-N and N-by-1, one label, all labels distinct.
  check(1, 70, 1, blocks(70, 9, 3), mexsets::CrackWeight::step, 3);
  check(70, 1, 1, blocks(70, 9, 3), mexsets::CrackWeight::max, 1);
  check(9, 8, 1, std::vector<double>(72, 4.0), mexsets::CrackWeight::step, 1);
  std::vector<double> distinct(99);
  for (std::size_t k = 0; k < distinct.size(); ++k) distinct[k] = 1e15 - 3.0 * double(k * 37 % 99);
  check(11, 9, 1, distinct, mexsets::CrackWeight::mean, 1);
  // Bad labels in several places: the first in column-major order fails.
  std::vector<double> bad = blocks(120, 6, 2);
  bad[100] = NAN;
  bad[57] = 0.5;
  bad[90] = INFINITY;
  check(10, 12, 1, bad, mexsets::CrackWeight::step, 1);
  bad[31] = 1e300;
  check(10, 12, 1, bad, mexsets::CrackWeight::step, 1);
}

// Enough cracks that a band's list spans several blocks and the bands'
// blocks several slabs: the transcription's lists, for any thread count.
TEST(RegionGraph, ManyCracks) {
  std::mt19937_64 random(31);
  std::normal_distribution<double> normal;
  for (const std::size_t d : {1, 4}) {
    const std::size_t h = 100, w = 90 / d, channels = d > 1 ? 1 : 3;
    std::vector<double> labels(h * w * d), values(h * w * d * channels);
    for (double& x : labels) x = static_cast<double>(random() % 30);
    for (double& x : values) x = normal(random);
    mexsets::RegionGraphInputs in;
    in.labels = {labels.data(), h, w, d};
    in.values = {values.data(), h, w, d > 1 ? d : channels};
    const Lists expected = lists(reference::region_graph(in));
    const Lists actual = lists(mexsets::region_graph(in));
    for (std::size_t k = 0; k < 6; ++k) EXPECT_TRUE(same_bits(expected[k], actual[k])) << k;
    testing_support::expect_same_for_threads([&] { return lists(mexsets::region_graph(in)); });
  }
}

// Random labels with gaps, negatives and 0, any background, every weight
// kind, images and volumes.
TEST(RegionGraph, AgreesWithTheTranscription) {
  std::mt19937_64 random(7);
  for (int round = 0; round < 300; ++round) {
    const std::size_t h = 1 + random() % 7, w = 1 + random() % 7;
    const std::size_t d = round % 3 == 0 ? 2 + random() % 3 : 1;
    const auto kind = static_cast<std::size_t>(round / 3 % 3);
    const std::size_t channels = d > 1 || kind ? 1 : random() % 4;
    const std::size_t n = h * w * d, count = 1 + random() % 6;
    std::vector<double> labels(n), values(n * channels);
    for (double& x : labels) x = static_cast<double>(random() % count) * 3 - 4;
    std::normal_distribution<double> normal;
    for (double& x : values) x = random() % 10 == 0 ? 0.0 : normal(random);
    mexsets::RegionGraphInputs in;
    in.labels = {labels.data(), h, w, d};
    in.weight = static_cast<mexsets::CrackWeight>(kind);
    if (channels) in.values = {values.data(), h, w, d > 1 ? d : channels};
    in.has_background = round % 2;
    in.background = static_cast<double>(random() % count) * 3 - 4;
    const Lists expected = lists(reference::region_graph(in));
    const Lists actual = lists(mexsets::region_graph(in));
    for (std::size_t k = 0; k < 6; ++k)
      ASSERT_TRUE(same_bits(expected[k], actual[k])) << "round " << round << ", output " << k;
  }
}

// Images of regions 1..L: the lists are boundary_sums' pair matrices over
// boundary_grid's grids, read as the demo hands them to merge_regions.
TEST(RegionGraph, EqualsBoundaryGridAndBoundarySums) {
  std::mt19937_64 random(11);
  int compared = 0;
  for (int round = 0; round < 100; ++round) {
    const std::size_t h = 1 + random() % 12, w = 1 + random() % 12, C = random() % 4;
    const std::size_t L = 1 + random() % 8;
    std::vector<double> labels(h * w), values(h * w * C);
    for (double& x : labels) x = static_cast<double>(1 + random() % L);
    std::uniform_real_distribution<double> uniform(-1, 1);
    for (double& x : values) x = uniform(random);
    const mexsets::ConstArray3 image{values.data(), h, w, C};
    const auto grid = mexsets::boundary_grid({labels.data(), h, w}, &image);
    mexsets::BoundaryInputs sums;
    sums.n = static_cast<std::size_t>(*std::max_element(labels.begin(), labels.end()));
    sums.first = {grid.first.data(), grid.first.size(), 1};
    sums.second = {grid.second.data(), grid.second.size(), 1};
    sums.keys = {grid.keys.data(), grid.keys.size(), 1};
    sums.labels = grid.grid.cref();
    const mexsets::OwnedMatrix<double> ones(grid.grid.rows, grid.grid.cols, 1.0);
    sums.weights = ones.cref();
    const auto length = mexsets::boundary_sums(sums);
    sums.weights = grid.strength.cref();
    const auto strength = mexsets::boundary_sums(sums);

    mexsets::RegionGraphInputs in;
    in.labels = {labels.data(), h, w, 1};
    in.values = image;
    const auto g = mexsets::region_graph(in);
    Lists expected(6);
    for (std::size_t a = 0; a < sums.n; ++a)
      for (std::size_t b = a + 1; b < sums.n; ++b)
        if (length.pair(a, b) > 0) {
          expected[0].push_back(static_cast<double>(a + 1));
          expected[1].push_back(static_cast<double>(b + 1));
          expected[2].push_back(length.pair(a, b));
          expected[3].push_back(strength.pair(a, b));
        }
    expected[4].assign(sums.n, 0.0);
    for (double x : labels) expected[4][static_cast<std::size_t>(x) - 1] += 1;
    expected[5] = length.border.data;
    // Labels 1..L with some missing number compactly; compare where all occur.
    if (g.areas.size() != sums.n) continue;
    ++compared;
    const Lists actual = lists(g);
    for (std::size_t k = 0; k < 6; ++k)
      ASSERT_TRUE(same_bits(expected[k], actual[k])) << "round " << round << ", output " << k;
  }
  EXPECT_GT(compared, 60);
}

}  // namespace
