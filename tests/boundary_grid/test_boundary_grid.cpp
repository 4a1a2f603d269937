// boundary_grid: worked example, edge cases, every error and a differential
// check, through the computation and the stand-in host, against a plain
// transcription.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "boundary_grid.hpp"
#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_boundary_grid.hpp"
#include "support.hpp"

using testing_support::expect_mex_error;
using testing_support::same_bits;
using testing_support::whole_below;

namespace {

const testing_support::LoadedModule module("boundary_grid");

standin::Array cube(std::size_t h, std::size_t w, std::size_t c, const std::vector<double>& v) {
  auto array = standin::numeric(mxDOUBLE_CLASS, {h, w, c});
  std::copy(v.begin(), v.end(), mxGetPr(array.get()));
  return array;
}

std::vector<std::vector<double>> call(const standin::Array& labels, const standin::Array* values) {
  auto result = values ? module().call(5, {&labels, values}) : module().call(5, {&labels});
  std::vector<std::vector<double>> out;
  for (auto& output : result.outputs) out.push_back(standin::values(output.get()));
  return out;
}

TEST(BoundaryGrid, WorkedExample) {
  auto labels = standin::matrix({{1, 2}, {1, 1}});
  auto values = standin::matrix({{0, 3}, {4, 0}});
  const auto out = call(labels, &values);
  // Column-major 5-by-5: L = 2, key 5 = 1*3 + 2 between regions 1 and 2.
  EXPECT_EQ(out[0], std::vector<double>({0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 0, 5, 0, 0, 0,
                                         2, 0, 5, 0, 1, 0, 2, 0, 1, 0}));
  EXPECT_EQ(out[1], std::vector<double>({0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 3, 0, 4, 0,
                                         0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(out[2], std::vector<double>({1, 2, 5}));
  EXPECT_EQ(out[3], std::vector<double>({0, 0, 1}));
  EXPECT_EQ(out[4], std::vector<double>({1, 2, 2}));
}

TEST(BoundaryGrid, EdgeCases) {
  for (auto [h, w] : {std::pair<std::size_t, std::size_t>{0, 0}, {0, 3}, {2, 0}}) {
    auto labels = standin::empty(h, w);
    auto result = module().call(5, {&labels});
    EXPECT_EQ(standin::dims(result.outputs[0].get()), std::vector<mwSize>({2 * h + 1, 2 * w + 1}));
    EXPECT_EQ(standin::dims(result.outputs[2].get()), std::vector<mwSize>({0, 1}));
  }
  // One pixel: only the rim; ids truncate; no values or no channels: zeros.
  auto one = standin::matrix({{2.9}});
  EXPECT_EQ(call(one, nullptr)[0], std::vector<double>({0, 2, 0, 2, 0, 2, 0, 2, 0}));
  auto row = standin::matrix({{1, 1, 3.5}});
  auto none = cube(1, 3, 0, {});
  const auto out = call(row, &none);
  EXPECT_EQ(out[1], std::vector<double>(21, 0.0));
  EXPECT_EQ(out[2], std::vector<double>({1, 3, 7}));  // 7 = 1*4 + 3; the 1|1 cell holds 0
  // The largest id: keys exact up to L*(L+1) + L - 1.
  const double top = mexsets::largest_region_id;
  auto far = standin::matrix({{top - 1, top + 0.5}});
  EXPECT_EQ(call(far, nullptr)[2], std::vector<double>({top - 1, top, (top - 1) * (top + 1) + top}));
  // One output asked for: the others are made and released, nothing leaks.
  const std::size_t before = standin::live_arrays();
  EXPECT_EQ(module().call(1, {&row}).released_arrays, 0u);
  EXPECT_EQ(standin::live_arrays(), before);
}

TEST(BoundaryGrid, Errors) {
  const std::string id = "mexsets:boundary_grid:";
  const std::string range = "Region id outside 1..94906264: input 1 at row ";
  auto ok = standin::matrix({{1, 2}});
  auto wide = cube(1, 3, 3, std::vector<double>(9, 0.0));
  auto flags = standin::logical(1, 2, {true, false});
  auto four = standin::numeric(mxDOUBLE_CLASS, {1, 2, 2, 2});
  auto run = [](std::initializer_list<std::initializer_list<double>> rows) {
    auto labels = standin::matrix(rows);
    module().call(1, {&labels});
  };
  const std::size_t before = standin::live_arrays();
  expect_mex_error([&] { module().call(1, {}); }, id + "nargin",
                   "One or two input arguments required.");
  expect_mex_error([&] { module().call(1, {&ok, &ok, &ok}); }, id + "nargin",
                   "One or two input arguments required.");
  expect_mex_error([&] { module().call(6, {&ok}); }, id + "nargout",
                   "Too many output arguments: boundary_grid gives at most 5");
  // The first bad label in column order.
  expect_mex_error([&] { run({{1, 0}, {-1, 2}}); }, id + "idOutOfRange", range + "2, column 1 holds -1");
  expect_mex_error([&] { run({{1, 0.5}}); }, id + "idOutOfRange", range + "1, column 2 holds 0.5");
  expect_mex_error([&] { run({{INFINITY}}); }, id + "idOutOfRange", range + "1, column 1 holds Inf");
  expect_mex_error([&] { run({{1, 94906265}}); }, id + "idOutOfRange",
                   range + "1, column 2 holds 94906265");
  expect_mex_error([&] { run({{2, NAN, 0}}); }, id + "idNotANumber", range + "1, column 2 holds NaN");
  expect_mex_error([&] { module().call(1, {&ok, &wide}); }, id + "valueSizeMismatch",
                   "Value image not the size of the label image: input 2 is 1-by-3-by-3, input 1 "
                   "is 1-by-2");
  expect_mex_error([&] { module().call(1, {&ok, &flags}); }, id + "typesNotCoherent",
                   "Data types not coherent");
  expect_mex_error([&] { module().call(1, {&ok, &four}); }, id + "dimensionsNotCoherent",
                   "Data dimensions not coherent");
  EXPECT_EQ(standin::live_arrays(), before);
  EXPECT_EQ(standin::live_blocks(), 0u);
}

TEST(BoundaryGrid, MatchesThePlainTranscriptionOnRandomImages) {
  std::mt19937_64 random(11);
  for (int trial = 0; trial < 60; ++trial) {
    const std::size_t h = random() % 9, w = random() % 9, planes = random() % 4;
    const int regions = 1 + static_cast<int>(random() % (trial % 2 ? 6 : 300));
    std::vector<double> labels(h * w), values(h * w * planes);
    for (double& x : labels) x = 1 + whole_below(random, regions) + whole_below(random, 2) * 0.75;
    for (double& v : values)
      v = random() % 50 == 0 ? NAN : static_cast<double>(random() % 2000) / 7;
    const mexsets::ConstMatrix grid_labels{labels.data(), h, w};
    const mexsets::ConstArray3 image{values.data(), h, w, planes};
    const auto expected = reference::boundary_grid(grid_labels, &image);
    const auto actual = mexsets::boundary_grid(grid_labels, &image);
    EXPECT_TRUE(same_bits(expected.grid.data, actual.grid.data)) << "trial " << trial;
    EXPECT_TRUE(same_bits(expected.strength.data, actual.strength.data)) << "trial " << trial;
    EXPECT_TRUE(same_bits(expected.keys, actual.keys)) << "trial " << trial;
    EXPECT_TRUE(same_bits(expected.first, actual.first)) << "trial " << trial;
    EXPECT_TRUE(same_bits(expected.second, actual.second)) << "trial " << trial;
    auto host_labels = standin::doubles(h, w, labels);
    auto host_values = cube(h, w, planes, values);
    const auto out = call(host_labels, &host_values);
    EXPECT_TRUE(same_bits(expected.grid.data, out[0]) && same_bits(expected.strength.data, out[1]) &&
                same_bits(expected.keys, out[2]) && same_bits(expected.second, out[4]))
        << "trial " << trial;
  }
}

// Ctrl-C: stopped at any poll, the computation throws Interrupted, and the
// next call gives the plain result.
TEST(BoundaryGrid, InterruptedThenCalledAgain) {
  std::mt19937_64 random(17);
  const std::size_t h = 60, w = 50, planes = 3;
  std::vector<double> labels(h * w), values(h * w * planes);
  for (double& x : labels) x = 1 + whole_below(random, 200);
  for (double& v : values) v = static_cast<double>(random() % 2000) / 7;
  const mexsets::ConstMatrix grid_labels{labels.data(), h, w};
  const mexsets::ConstArray3 image{values.data(), h, w, planes};
  testing_support::expect_interruptible([&] {
    const auto out = mexsets::boundary_grid(grid_labels, &image);
    std::vector<double> all = out.grid.data;
    for (const auto* part : {&out.strength.data, &out.keys, &out.first, &out.second})
      all.insert(all.end(), part->begin(), part->end());
    return all;
  });
}

TEST(BoundaryGrid, LabelsWrittenByAnotherThreadAreNeverReadOutside) {
  std::mt19937_64 random(14);
  mexsets::OwnedMatrix<double> labels(150, 150);
  for (std::size_t p = 0; p < labels.data.size(); ++p)
    labels.data[p] = p > 0 && random() % 4 ? labels.data[p - 1] : 1.0 + whole_below(random, 400);
  testing_support::expect_harmless_race({{labels.data.data(), labels.data.size()}}, [&] {
    mexsets::BoundaryGrid grid = mexsets::boundary_grid(labels.cref(), nullptr);
    grid.keys.insert(grid.keys.end(), grid.grid.data.begin(), grid.grid.data.end());
    return grid.keys;
  });
}

}  // namespace
