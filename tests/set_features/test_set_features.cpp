// set_features: worked examples of the four modes, start values, mode
// selection, outputs offered, every error, and differential checks against
// the plain transcription.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>

#include "common/parallel.hpp"
#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_set_features.hpp"
#include "row_lengths.hpp"
#include "set_features.hpp"
#include "sparse_cases.hpp"
#include "support.hpp"

using testing_support::expect_mex_error;
using testing_support::rows_of;
using testing_support::same_bits;
using testing_support::to_host;
using testing_support::whole_below;
using Matrix = mexsets::OwnedMatrix<double>;

namespace {

const testing_support::LoadedModule module("set_features");

struct Result {
  std::vector<double> out1, out2;
  bool has_out2 = false;
  std::vector<mwSize> dims2;
};

Result call(const std::vector<const mxArray*>& inputs, int nlhs = 1) {
  auto result = module().call(nlhs, inputs);
  Result r;
  r.out1 = standin::values(result.outputs.at(0).get());
  if (result.outputs.size() > 1 && result.outputs[1]) {
    r.has_out2 = true;
    r.out2 = standin::values(result.outputs[1].get());
    r.dims2 = standin::dims(result.outputs[1].get());
  }
  return r;
}

// Two outputs in the modes that give two.
Result call(const Matrix& ids, const Matrix& values, double mode, const Matrix& weights = {}) {
  auto a = to_host(ids), v = to_host(values), w = to_host(weights);
  auto m = standin::scalar(mode);
  return call({a.get(), v.get(), m.get(), w.get()}, mode >= 2 && mode < 5 ? 2 : 1);
}

TEST(SetFeatures, PerimeterWorkedExample) {
  auto r = call(rows_of({{0, 1, -1}}), rows_of({{10}, {12}}), 3, rows_of({{0, 3}, {3, 0}}));
  EXPECT_EQ(r.out1, std::vector<double>({16}));
  EXPECT_EQ(r.out2, std::vector<double>({3}));
  // The earlier-listed id is the row of the weight read: [1 0] reads W(2,1).
  r = call(rows_of({{1, 0}, {1, -1}}), rows_of({{10}, {12}}), 3, rows_of({{0, 3}, {5, 0}}));
  EXPECT_EQ(r.out1, std::vector<double>({22 - 10, 12}));  // single id: its value, pair sum 0
  EXPECT_EQ(r.out2, std::vector<double>({5, 0}));
  // All pairs j < k, each read once, repeated ids included.
  r = call(rows_of({{0, 1, 0}}), rows_of({{1}, {2}}), 3, rows_of({{100, 10}, {1000, 0}}));
  EXPECT_EQ(r.out2, std::vector<double>({10 + 100 + 1000}));
  EXPECT_EQ(r.out1, std::vector<double>({1110 * -2 + 4}));
}

TEST(SetFeatures, MinimumIsTheDefaultMode) {
  auto a = to_host(rows_of({{2, 0, 1}, {-1, 0, 0}, {1, -3, 0}, {2.9, -0.0, 1}}));
  auto v = to_host(rows_of({{5}, {NAN}, {-2}}));
  auto r = call({a.get(), v.get()});
  // NaN never enters; an empty row keeps DBL_MAX; id 2.9 is 2, -0 is 0.
  EXPECT_EQ(r.out1, std::vector<double>({-2, DBL_MAX, DBL_MAX, -2}));
  EXPECT_FALSE(r.has_out2);
}

TEST(SetFeatures, RatioAndSum) {
  auto v = rows_of({{2}, {4}, {8}, {-1}, {0}, {NAN}, {-0.0}, {DBL_MIN / 4}});
  auto r =
      call(rows_of({{0, 1, 2}, {3, -1, 0}, {4, 4, -1}, {-1, 0, 0}, {5, 0, 1}, {3, 7, 7}}), v, 2);
  EXPECT_TRUE(same_bits(r.out2, {14, -1, 0, 0, NAN, -1 + DBL_MIN / 4 + DBL_MIN / 4}));
  // -1/DBL_MIN; 0/DBL_MIN; empty: DBL_MAX/DBL_MIN = Inf; NaN leaves 2/4;
  // every value <= DBL_MIN keeps max = DBL_MIN.
  EXPECT_TRUE(same_bits(r.out1, {0.25, -1 / DBL_MIN, 0, INFINITY, 0.5, -1 / DBL_MIN}));
  EXPECT_DOUBLE_EQ(r.out1[1], -4.49423283715579e307);
  // A sum of zeros starts at +0: -0 + ... stays +0.
  r = call(rows_of({{6, 6}}), v, 2);
  EXPECT_TRUE(same_bits(r.out2, {0.0}));
  EXPECT_TRUE(same_bits(r.out1, {-0.0 / DBL_MIN}));
}

TEST(SetFeatures, Box) {
  auto v = rows_of({{1, 10, 100, 1000}, {-1, 20, NAN, 500}, {3, -5, 50, 2000}});
  auto r = call(rows_of({{0, 1, 2}, {1, -1, 0}, {-2, 0, 0}}), v, 4);
  EXPECT_EQ(r.out1, std::vector<double>({0, 0, 0}));  // never written
  EXPECT_EQ(r.dims2, std::vector<mwSize>({3, 4}));
  EXPECT_TRUE(same_bits(
      r.out2, {-1, -1, DBL_MAX, -5, 20, DBL_MAX, 100, -DBL_MAX, -DBL_MAX, 2000, 500, -DBL_MAX}));
}

TEST(SetFeatures, ModeIsTruncatedAndOtherModesAreRefused) {
  auto ids = rows_of({{0, 1}, {1, -1}});
  auto v = rows_of({{2}, {4}});
  auto r = call(ids, v, 2.9);
  EXPECT_EQ(r.out2, std::vector<double>({6, 4}));
  EXPECT_EQ(call(ids, v, 1.5).out1, std::vector<double>({2, 4}));
  const std::pair<double, const char*> others[] = {
      {0.0, "0"},   {0.99, "0.99"},    {5.0, "5"},          {-1.0, "-1"},     {-0.5, "-0.5"},
      {NAN, "NaN"}, {INFINITY, "Inf"}, {-INFINITY, "-Inf"}, {1e300, "1e+300"}};
  for (const auto& other : others)
    expect_mex_error([&] { call(ids, v, other.first); }, "mexsets:set_features:badMode",
                     std::string("Mode must be 1, 2, 3 or 4 (truncated toward zero): input 3 "
                                 "(mode) is ") +
                         other.second);
  // The mode is refused before any id is read.
  expect_mex_error(
      [&] {
        call(rows_of({{7, NAN}}), v, 7);
      },
      "mexsets:set_features:badMode", "input 3 (mode) is 7");
  // Any numeric class: int8 3 needs W, logical true is mode 1.
  auto a = to_host(ids), values = to_host(v), w = to_host(rows_of({{0, 1}, {1, 0}}));
  auto three = standin::numeric(mxINT8_CLASS, {1, 1});
  *static_cast<std::int8_t*>(mxGetData(three.get())) = 3;
  EXPECT_EQ(call({a.get(), values.get(), three.get(), w.get()}, 2).out2,
            std::vector<double>({1, 0}));
  auto yes = standin::logical(1, 1, {true});
  EXPECT_EQ(call({a.get(), values.get(), yes.get()}).out1, std::vector<double>({2, 4}));
}

TEST(SetFeatures, EmptyShapes) {
  auto r = call(Matrix(0, 3), Matrix(0, 0), 4);
  EXPECT_TRUE(r.out1.empty());
  EXPECT_EQ(r.dims2, std::vector<mwSize>({0, 4}));
  // No columns (the host's data pointer is then null): every row is empty.
  // V with no rows or columns is fine then.
  r = call(Matrix(2, 0), Matrix(0, 0), 3, Matrix(0, 0));
  EXPECT_EQ(r.out1, std::vector<double>({0, 0}));
  EXPECT_EQ(r.out2, std::vector<double>({0, 0}));
  EXPECT_EQ(call(Matrix(2, 0), Matrix(0, 0), 1).out1, std::vector<double>({DBL_MAX, DBL_MAX}));
  EXPECT_TRUE(same_bits(call(Matrix(2, 0), Matrix(0, 0), 2).out1, {INFINITY, INFINITY}));
  EXPECT_EQ(call(Matrix(300, 0), Matrix(5, 4), 4).dims2, std::vector<mwSize>({300, 4}));
  r = call(rows_of({{-1}, {-5}}), Matrix(0, 0), 2);
  EXPECT_TRUE(same_bits(r.out1, {INFINITY, INFINITY}));
  r = call(rows_of({{-1}}), Matrix(0, 0), 4);
  EXPECT_TRUE(same_bits(r.out2, {DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX}));
  r = call(rows_of({{-1}, {-2}}), Matrix(3, 0), 4);  // no columns to address, none read
  EXPECT_EQ(r.dims2, std::vector<mwSize>({2, 4}));
}

TEST(SetFeatures, SecondOutputOnlyWhenTheHostOffersItsSlot) {
  auto a = to_host(rows_of({{0, 1}})), v = to_host(rows_of({{2}, {4}}));
  auto two = standin::scalar(2);
  const std::size_t before = standin::live_arrays();
  {
    auto result = module().call(1, {a.get(), v.get(), two.get()});
    ASSERT_EQ(result.outputs.size(), 1u);
    EXPECT_EQ(standin::values(result.outputs[0].get()), std::vector<double>({0.5}));
    EXPECT_EQ(result.released_arrays, 0u);
  }
  EXPECT_EQ(standin::live_arrays(), before);
}

TEST(SetFeatures, ArgumentErrors) {
  auto a = to_host(rows_of({{0, 1}})), v = to_host(rows_of({{2}, {4}}));
  auto three = standin::scalar(3), one = standin::scalar(1);
  auto flag = standin::logical(1, 1, {true});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {2, 1, 2});
  auto none = standin::empty(0, 0);
  auto cell = standin::numeric(mxCELL_CLASS, {1, 1});
  const std::string id = "mexsets:set_features:";
  const std::size_t before = standin::live_arrays();
  expect_mex_error([&] { call({a.get()}); }, id + "nargin",
                   "There should be at least 2 input parameters");
  expect_mex_error([&] { call({}); }, id + "nargin", "There should be at least 2 input parameters");
  expect_mex_error(
      [&] {
        call({flag.get(), v.get()});
      },
      id + "typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        call({a.get(), cube.get()});
      },
      id + "dimensionsNotCoherent", "Data dimensions not coherent");
  expect_mex_error(
      [&] {
        call({a.get(), v.get(), none.get()});
      },
      id + "badScalar", "input 3 (mode) is empty");
  expect_mex_error(
      [&] {
        call({a.get(), v.get(), cell.get()});
      },
      id + "badScalar", "input 3 (mode) is not numeric");
  expect_mex_error(
      [&] {
        call({a.get(), v.get(), three.get()});
      },
      id + "nargin", "For perimeter we need 4 parameters");
  expect_mex_error(
      [&] {
        call({a.get(), v.get(), three.get(), flag.get()});
      },
      id + "typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        call({a.get(), v.get(), three.get(), cube.get()});
      },
      id + "dimensionsNotCoherent", "Data dimensions not coherent");
  EXPECT_EQ(standin::live_arrays(), before);
  // Inputs past those a mode uses are ignored.
  EXPECT_EQ(call({a.get(), v.get(), one.get(), flag.get(), cell.get()}).out1,
            std::vector<double>({2}));
}

// Every class and kind of array in place of each matrix argument (W in mode
// 3): only real, two-dimensional doubles are read, full ones (and W sparse
// too); the rest is refused with the reason, and nothing is left behind.
TEST(SetFeatures, EveryMatrixArgumentRefusesWhatItCannotRead) {
  std::vector<std::pair<standin::Array, std::string>> kinds;
  for (mxClassID id : {mxSINGLE_CLASS, mxINT8_CLASS, mxUINT8_CLASS, mxINT16_CLASS, mxUINT16_CLASS,
                       mxINT32_CLASS, mxUINT32_CLASS, mxINT64_CLASS, mxUINT64_CLASS,
                       mxLOGICAL_CLASS, mxCHAR_CLASS, mxCELL_CLASS, mxSTRUCT_CLASS})
    kinds.emplace_back(standin::numeric(id, {2, 2}), "typesNotCoherent");
  kinds.emplace_back(standin::Array(mxCreateSparse(2, 2, 1, mxREAL)), "sparseInput");
  const mwSize dims[2] = {2, 2};
  kinds.emplace_back(standin::Array(mxCreateNumericArray(2, dims, mxDOUBLE_CLASS, mxCOMPLEX)),
                     "complexInput");
  kinds.emplace_back(standin::numeric(mxDOUBLE_CLASS, {2, 2, 2}), "dimensionsNotCoherent");
  auto a = to_host(rows_of({{0, 1}})), v = to_host(rows_of({{2}, {4}}));
  auto w = to_host(rows_of({{0, 1}, {1, 0}})), three = standin::scalar(3);
  const std::size_t before = standin::live_arrays();
  for (int k = 0; k < 3; ++k)
    for (const auto& [array, reason] : kinds) {
      std::vector<const mxArray*> args = {a.get(), v.get(), three.get(), w.get()};
      args[k == 2 ? 3 : k] = array.get();
      if (k == 2 && reason == "sparseInput") {
        EXPECT_NO_THROW(call(args));
        continue;
      }
      expect_mex_error([&] { call(args); }, "mexsets:set_features:" + reason, "");
    }
  EXPECT_EQ(standin::live_arrays(), before);
}

void expect_limit_error(const Matrix& ids, const Matrix& values, double mode, const Matrix& weights,
                        const std::string& reason, const std::string& message) {
  const std::size_t before = standin::live_arrays();
  expect_mex_error([&] { call(ids, values, mode, weights); }, "mexsets:set_features:" + reason,
                   message);
  EXPECT_EQ(standin::live_arrays(), before) << reason;
}

TEST(SetFeatures, LimitErrorsNameInputEntryAndValue) {
  const Matrix v = rows_of({{1}, {2}, {3}});
  const Matrix w = rows_of({{0, 1}, {1, 0}});
  expect_limit_error(rows_of({{0, 3}}), v, 1, {}, "idOutOfRange",
                     "Id outside 0..2 (rows of input 2): input 1 at row 1, column 2 holds 3");
  expect_limit_error(rows_of({{0, 2.5}, {NAN, -1}}), v, 2, {}, "idNotANumber",
                     "Id outside 0..2 (rows of input 2): input 1 at row 2, column 1 holds NaN");
  expect_limit_error(rows_of({{INFINITY}}), rows_of({{1, 2, 3, 4}}), 4, {}, "idOutOfRange",
                     "Id outside 0..0 (rows of input 2): input 1 at row 1, column 1 holds Inf");
  expect_limit_error(
      rows_of({{0}}), Matrix(0, 1), 1, {}, "idOutOfRange",
      "Id with nothing to address (input 2 has no rows): input 1 at row 1, column 1 holds 0");
  expect_limit_error(rows_of({{1, 2}}), v, 3, w, "idOutOfRange",
                     "Id outside 0..1 (rows of input 2, rows and columns of input 4): input 1 at "
                     "row 1, column 2 holds 2");
  expect_limit_error(rows_of({{2, -1}}), v, 3, rows_of({{0, 1, 2}, {1, 0, 2}}), "idOutOfRange",
                     "Id outside 0..1 (rows of input 2, rows and columns of input 4): input 1 at "
                     "row 1, column 1 holds 2");
  expect_limit_error(rows_of({{0}}), rows_of({{1, 2, 3}}), 4, {}, "tooFewColumns",
                     "Too few value columns for mode 4, which reads 4: input 2 is 1-by-3");
  expect_limit_error(rows_of({{-1}, {NAN}}), Matrix(4, 0), 2, {}, "tooFewColumns",
                     "Too few value columns for mode 2, which reads 1: input 2 is 4-by-0");
  // The first offending id in row order, whatever the traversal: row 1's
  // late column comes before row 2's first; rows far apart too.
  expect_limit_error(rows_of({{0, 1, 9}, {9, 0, 0}}), v, 1, {}, "idOutOfRange",
                     "input 1 at row 1, column 3 holds 9");
  Matrix tall(1000, 3, 0.0);
  tall(700, 2) = 5;
  tall(999, 0) = -0.5;  // an end marker, then an id never read
  tall(999, 1) = 50;
  tall(900, 1) = 4;
  expect_limit_error(tall, v, 2, {}, "idOutOfRange", "input 1 at row 701, column 3 holds 5");
  expect_limit_error(tall, v, 3, rows_of({{0, 1, 2}, {1, 0, 2}, {2, 2, 0}}), "idOutOfRange",
                     "input 1 at row 701, column 3 holds 5");
  // Entries after a row's end are never examined.
  EXPECT_EQ(call(rows_of({{1, -1, 99, NAN}}), v, 1).out1, std::vector<double>({2}));
}

// Random inputs inside the limits: ids with fractions and -0, end markers at
// random places, values with NaN, zeros, tiny and infinite entries.
Matrix random_ids(std::mt19937_64& random, std::size_t rows, std::size_t cols, std::size_t items) {
  Matrix a(rows, cols);
  for (std::size_t i = 0; i < rows; ++i) {
    const std::size_t length = random() % 5 == 0 ? cols : random() % (cols + 1);
    for (std::size_t j = 0; j < cols; ++j) {
      if (j < length)
        a(i, j) = random() % 30 == 0 ? -0.0 : whole_below(random, items * 4) / 4.0;
      else
        a(i, j) = j == length || random() % 2 ? -1.0 - whole_below(random, 8) / 4.0
                                              : whole_below(random, 50);
    }
  }
  return a;
}

Matrix random_values(std::mt19937_64& random, std::size_t rows, std::size_t cols) {
  Matrix v(rows, cols);
  std::normal_distribution<double> normal(0.0, 100.0);
  for (double& x : v.data) {
    const auto pick = random() % 40;
    x = pick == 0   ? NAN
        : pick == 1 ? 0.0
        : pick == 2 ? -0.0
        : pick == 3 ? DBL_MIN
        : pick == 4 ? -INFINITY
        : pick == 5 ? DBL_MIN / 3
                    : normal(random) * std::ldexp(1.0, static_cast<int>(random() % 60) - 30);
  }
  return v;
}

TEST(SetFeatures, MatchesThePlainAlgorithmOnRandomInputs) {
  std::mt19937_64 random(5);
  for (int round = 0; round < 400; ++round) {
    const std::size_t items = 1 + random() % 40;
    const std::size_t rows = round % 10 == 0 ? 300 + random() % 700 : random() % 40;
    const std::size_t cols = random() % 12 + (round % 7 == 0 ? 60 : 0);
    const double mode = 1 + round % 4 + whole_below(random, 3) * 0.3;
    const Matrix ids = random_ids(random, rows, cols, items);
    const Matrix v = random_values(random, items + random() % 3, 4 + random() % 2);
    const Matrix w = random_values(random, items + random() % 2, items + random() % 2);
    const auto expected = reference::set_features(ids, v, mode, w);

    const int m = mexsets::feature_mode(mode);
    std::vector<double> out1(rows, 0.0), out2(rows * mexsets::second_output_columns(m), 0.0);
    ASSERT_NO_THROW(
        mexsets::set_features(m, ids.cref(), v.cref(), w.cref(), out1.data(), out2.data()));
    ASSERT_TRUE(same_bits(expected.out1, out1)) << "round " << round << " mode " << mode;
    ASSERT_TRUE(same_bits(expected.out2, out2)) << "round " << round << " mode " << mode;
    const Result host = call(ids, v, mode, w);
    ASSERT_TRUE(same_bits(expected.out1, host.out1)) << "round " << round;
    ASSERT_TRUE(same_bits(expected.out2, host.out2)) << "round " << round;
  }
}

TEST(SetFeatures, VeryWideRowsMatchThePlainAlgorithm) {
  // So many columns that the perimeter buffers one row at a time.
  std::mt19937_64 random(12);
  Matrix ids(3, 70000, -1.0);
  for (std::size_t j = 0; j < 300; ++j) ids(0, j) = whole_below(random, 20);
  for (std::size_t j = 0; j < 70000; ++j) ids(1, j) = static_cast<double>(j % 20);
  const Matrix v = random_values(random, 20, 4);
  const Matrix w = random_values(random, 20, 20);
  for (double mode : {1.0, 2.0, 3.0, 4.0}) {
    if (mode == 3) ids(1, 400) = -1;  // keep the pair count modest
    const auto expected = reference::set_features(ids, v, mode, w);
    const Result host = call(ids, v, mode, w);
    EXPECT_TRUE(same_bits(expected.out1, host.out1)) << mode;
    EXPECT_TRUE(same_bits(expected.out2, host.out2)) << mode;
  }
}

// Mode 3 from the nonzero weights kept beforehand, against the plain
// algorithm: weights mostly +0 and -0 (so skipped) with NaN, infinities and
// tiny values among the rest, columns with more nonzero weights than the
// lookup's slots, repeated ids (whose pairs read w's diagonal), rows of every
// length, and ids matrices too wide for the length sweep. Out-of-range ids
// fail at the same entry either way.
TEST(SetFeatures, NonzeroWeightsGiveThePlainSums) {
  std::mt19937_64 random(41);
  for (int round = 0; round < 300; ++round) {
    const std::size_t items = 1 + random() % 30;
    const std::size_t cols = round % 50 == 0 ? 300 : random() % 14;
    const Matrix ids = random_ids(random, random() % 200, cols, items + (round % 7 == 0 ? 2 : 0));
    const Matrix v = random_values(random, items + random() % 3, 1);
    Matrix w = random_values(random, items + random() % 2, items + random() % 2);
    const auto zeros = random() % 10;  // tenths of w that are zeros
    for (double& x : w.data)
      if (random() % 10 < zeros) x = random() % 4 ? 0.0 : -0.0;
    std::vector<double> out1(ids.rows, 0.0), out2(ids.rows, 0.0);
    std::string failed;
    try {
      mexsets::set_features(3, ids.cref(), v.cref(), w.cref(), out1.data(), out2.data(),
                            mexsets::PairReads::nonzero_kept);
    } catch (const mexsets::Failure& f) {
      failed = f.message();
    }
    std::string plain_failed;
    std::vector<double> plain1(ids.rows, 0.0), plain2(ids.rows, 0.0);
    try {
      mexsets::set_features(3, ids.cref(), v.cref(), w.cref(), plain1.data(), plain2.data(),
                            mexsets::PairReads::every_pair);
    } catch (const mexsets::Failure& f) {
      plain_failed = f.message();
    }
    ASSERT_EQ(failed, plain_failed) << "round " << round;
    if (!failed.empty()) continue;
    const auto expected = reference::set_features(ids, v, 3, w);
    ASSERT_TRUE(same_bits(expected.out1, out1)) << "round " << round;
    ASSERT_TRUE(same_bits(expected.out2, out2)) << "round " << round;
  }
  // A row with more pairs of nonzero weight than are listed (ids repeated
  // hundreds of times), beside a short one.
  Matrix ids(2, 500, -1.0);
  for (std::size_t j = 0; j < 500; ++j) ids(0, j) = static_cast<double>(j % 3);
  ids(1, 0) = 2, ids(1, 1) = 1;
  const Matrix v = random_values(random, 3, 1), w = random_values(random, 3, 3);
  const auto expected = reference::set_features(ids, v, 3, w);
  std::vector<double> out1(2), out2(2);
  mexsets::set_features(3, ids.cref(), v.cref(), w.cref(), out1.data(), out2.data(),
                        mexsets::PairReads::nonzero_kept);
  EXPECT_TRUE(same_bits(expected.out1, out1));
  EXPECT_TRUE(same_bits(expected.out2, out2));
}

// Mode 3 with w sparse (stored -0, NaN and explicit zeros, empty columns,
// more rows or columns than ids address) against the plain algorithm over
// the dense w with the same entries, whatever way of reading is asked for;
// out-of-range ids fail at the same entry; a crowded row looks its pairs up.
// A vector w stays a 1-by-L (L-by-1) matrix here, sparse or not.
TEST(SetFeatures, SparseWeightsGiveTheDenseSums) {
  std::mt19937_64 random(47);
  for (int round = 0; round < 300; ++round) {
    const std::size_t items = 1 + random() % 30;
    const std::size_t cols = round % 50 == 0 ? 300 : random() % 14;
    const Matrix ids = random_ids(random, random() % 200, cols, items + (round % 7 == 0 ? 2 : 0));
    const Matrix v = random_values(random, items + random() % 3, 1);
    Matrix w = random_values(random, items + random() % 2, items + random() % 2);
    const auto zeros = random() % 10;
    for (double& x : w.data)
      if (random() % 10 < zeros) x = random() % 4 ? 0.0 : -0.0;
    const testing_support::Compressed sparse = testing_support::compress(w, random);
    std::string want_failure;
    std::vector<double> want1(ids.rows, 0.0), want2(ids.rows, 0.0);
    try {
      mexsets::set_features(3, ids.cref(), v.cref(), w.cref(), want1.data(), want2.data(),
                            mexsets::PairReads::every_pair);
    } catch (const mexsets::Failure& f) {
      want_failure = f.message();
    }
    for (auto reads : {mexsets::PairReads::chosen, mexsets::PairReads::every_pair}) {
      std::vector<double> out1(ids.rows, 0.0), out2(ids.rows, 0.0);
      std::string failure;
      try {
        mexsets::set_features(3, ids.cref(), v.cref(),
                              mexsets::WeightMatrix::compressed(sparse.view()), out1.data(),
                              out2.data(), reads);
      } catch (const mexsets::Failure& f) {
        failure = f.message();
      }
      ASSERT_EQ(want_failure, failure) << "round " << round;
      if (!failure.empty()) continue;
      const auto expected = reference::set_features(ids, v, 3, w);
      ASSERT_TRUE(same_bits(expected.out1, out1)) << "round " << round;
      ASSERT_TRUE(same_bits(expected.out2, out2)) << "round " << round;
    }
    if (round % 10 == 0 && want_failure.empty()) {
      auto a = to_host(ids), values = to_host(v), three = standin::scalar(3);
      auto host_w = testing_support::to_host(sparse, round % 3);
      const Result host = call({a.get(), values.get(), three.get(), host_w.get()}, 2);
      ASSERT_TRUE(same_bits(want1, host.out1)) << "round " << round;
      ASSERT_TRUE(same_bits(want2, host.out2)) << "round " << round;
    }
  }
  Matrix ids(2, 500, -1.0);
  for (std::size_t j = 0; j < 500; ++j) ids(0, j) = static_cast<double>(j % 3);
  ids(1, 0) = 2, ids(1, 1) = 1;
  const Matrix v = random_values(random, 3, 1);
  Matrix w = random_values(random, 3, 3);
  w(1, 2) = 0.0;
  const testing_support::Compressed sparse = testing_support::compress(w, random);
  const auto expected = reference::set_features(ids, v, 3, w);
  std::vector<double> out1(2), out2(2);
  mexsets::set_features(3, ids.cref(), v.cref(), mexsets::WeightMatrix::compressed(sparse.view()),
                        out1.data(), out2.data());
  EXPECT_TRUE(same_bits(expected.out1, out1));
  EXPECT_TRUE(same_bits(expected.out2, out2));
  // Rows that hold no id, a v of no columns (no values to read): sums of 0.
  Matrix no_columns(3, 0);
  std::vector<double> none1(2, 7.0), none2(2, 7.0);
  mexsets::set_features(3, rows_of({{-1, 0}, {-2, 1}}).cref(), no_columns.cref(),
                        mexsets::WeightMatrix::compressed(sparse.view()), none1.data(),
                        none2.data());
  EXPECT_EQ(none1, std::vector<double>({0, 0}));
  EXPECT_EQ(none2, std::vector<double>({0, 0}));
  Matrix row(1, 3, 1.0);
  auto a = to_host(rows_of({{0, 1}})), values = to_host(v), three = standin::scalar(3);
  auto sparse_row = testing_support::to_host(testing_support::compress(row, random));
  expect_mex_error(
      [&] {
        call({a.get(), values.get(), three.get(), sparse_row.get()});
      },
      "mexsets:set_features:idOutOfRange",
      "Id outside 0..0 (rows of input 2, rows and columns of input 4): input 1 at "
      "row 1, column 2 holds 1");
}

// A weight matrix large and sparse enough that the cost estimate keeps its
// nonzero weights, and a dense one that it reads pair by pair: both as the
// plain algorithm.
TEST(SetFeatures, EitherChosenWayOfReadingWeightsGivesThePlainSums) {
  std::mt19937_64 random(43);
  const std::size_t items = 1100;
  const Matrix ids = random_ids(random, 20000, 20, items);
  const Matrix v = random_values(random, items, 1);
  for (bool sparse : {true, false}) {
    Matrix w(items, items, 0.0);
    for (double& x : w.data)
      if (!sparse || random() % 500 == 0) x = static_cast<double>(random() % 1000) / 8.0;
    const auto expected = reference::set_features(ids, v, 3, w);
    const Result host = call(ids, v, 3, w);
    EXPECT_TRUE(same_bits(expected.out1, host.out1)) << sparse;
    EXPECT_TRUE(same_bits(expected.out2, host.out2)) << sparse;
  }
}

// Rows of ids drawn from the cells near one cell of a map, with W the
// boundaries that map neighbours share: W is nearly all zeros, yet about one
// pair in eight of a row has a nonzero weight, and rows repeat ids. Every
// way of reading the weights gives the plain sums, on any number of threads.
TEST(SetFeatures, RowsOfNearIdsGiveThePlainSums) {
  std::mt19937_64 random(44);
  constexpr std::size_t map_rows = 20, map_cols = 30, items = map_rows * map_cols, near = 30;
  Matrix w(items, items, 0.0);
  for (std::size_t q = 0; q < map_cols; ++q)
    for (std::size_t p = 0; p < map_rows; ++p) {
      const std::size_t a = p + q * map_rows;
      if (p + 1 < map_rows) w(a, a + 1) = w(a + 1, a) = (whole_below(random, 20) + 1) / 7;
      if (q + 1 < map_cols)
        w(a, a + map_rows) = w(a + map_rows, a) = (whole_below(random, 20) + 1) / 7;
    }
  const Matrix v = random_values(random, items, 1);
  Matrix ids(16000, 20, -1.0);
  std::vector<std::size_t> cells;
  for (std::size_t i = 0; i < ids.rows; ++i) {
    const auto r = static_cast<long>(random() % map_rows),
               c = static_cast<long>(random() % map_cols);
    cells.clear();
    for (long d = 0; cells.size() < near; ++d)  // rings of growing distance
      for (long dr = -d; dr <= d; ++dr)
        for (long dc = -d; dc <= d; ++dc)
          if (std::max(std::labs(dr), std::labs(dc)) == d && r + dr >= 0 &&
              r + dr < long{map_rows} && c + dc >= 0 && c + dc < long{map_cols} &&
              cells.size() < near)
            cells.push_back(static_cast<std::size_t>(r + dr + (c + dc) * long{map_rows}));
    for (std::size_t j = 0, length = 1 + random() % 20; j < length; ++j)
      ids(i, j) = static_cast<double>(cells[random() % near]);
  }
  const auto expected = reference::set_features(ids, v, 3, w);
  for (auto reads : {mexsets::PairReads::chosen, mexsets::PairReads::every_pair,
                     mexsets::PairReads::nonzero_kept})
    for (std::size_t threads : {1, 2}) {
      const mexsets::ThreadScope scope(threads);
      std::vector<double> out1(ids.rows), out2(ids.rows);
      mexsets::set_features(3, ids.cref(), v.cref(), w.cref(), out1.data(), out2.data(), reads);
      EXPECT_TRUE(same_bits(expected.out1, out1)) << static_cast<int>(reads) << " " << threads;
      EXPECT_TRUE(same_bits(expected.out2, out2)) << static_cast<int>(reads) << " " << threads;
    }
}

#ifdef MEXSETS_ROW_LENGTHS
// The kernels' first sweep: row lengths and the limit check, by every sweep
// the processor offers, against a plain walk of each row. Blocks of any
// size and offset, ends at every column, entries after the end that would
// break the limit, NaN and -0 before and after it.
TEST(SetFeatures, RowLengthSweepsAgreeWithAPlainWalk) {
  std::mt19937_64 random(31);
  std::vector<mexsets::LengthSweep> sweeps = {mexsets::LengthSweep::sse2};
  if (mexsets::best_length_sweep() == mexsets::LengthSweep::avx2)
    sweeps.push_back(mexsets::LengthSweep::avx2);
  const double awkward[] = {-0.0, NAN, -NAN, INFINITY, -INFINITY, 7.0, 6.999, -1e-300, 1e300};
  for (int round = 0; round < 300; ++round) {
    const std::size_t rows = 1 + random() % 70, cols = random() % 30 + (round % 10 == 0 ? 200 : 0);
    const double limit = 7;
    Matrix ids(rows, cols);
    for (double& x : ids.data) {
      const auto pick = random() % 12;
      x = pick < 6 ? whole_below(random, 7) : pick < 8 ? -1.0 : awkward[random() % 9];
      if (round % 3 == 0 && x >= limit) x = 3;  // blocks with no bad entry
    }
    const std::size_t first = random() % rows, count = 1 + random() % (rows - first);
    std::vector<std::uint8_t> expected(count);
    bool expected_bad = false;
    for (std::size_t r = 0; r < count; ++r) {
      std::size_t j = 0;
      for (; j < cols && !(ids(first + r, j) < 0); ++j)
        expected_bad |= !(ids(first + r, j) < limit);
      expected[r] = static_cast<std::uint8_t>(j);
    }
    for (const auto sweep : sweeps) {
      std::vector<std::uint8_t> lengths(count);
      const bool bad =
          mexsets::measure_rows(sweep, ids.cref(), first, count, limit, lengths.data());
      ASSERT_EQ(bad, expected_bad) << "round " << round << " sweep " << int(sweep);
      if (!bad) {
        ASSERT_EQ(lengths, expected) << "round " << round << " sweep " << int(sweep);
      }
    }
  }
}
#endif

// Ctrl-C: stopped at any poll, in every mode, on narrow and wide id
// matrices, with the pairs' weights read from w or from its nonzero entries,
// the computation throws Interrupted, and the next call gives the plain
// result.
TEST(SetFeatures, InterruptedInEveryModeThenCalledAgain) {
  std::mt19937_64 random(47);
  const Matrix narrow = random_ids(random, 600, 10, 30), wide = random_ids(random, 40, 300, 30);
  const Matrix v = random_values(random, 30, 4), w = random_values(random, 30, 30);
  Matrix sparse = w;
  for (std::size_t k = 0; k < sparse.data.size(); ++k)
    if (k % 7 != 0) sparse.data[k] = 0.0;
  using mexsets::PairReads;
  for (const Matrix* ids : {&narrow, &wide})
    for (int mode : {1, 2, 3, 4})
      for (PairReads reads : {PairReads::every_pair, PairReads::nonzero_kept}) {
        if (mode != 3 && reads == PairReads::nonzero_kept) continue;
        const Matrix& weights = reads == PairReads::every_pair ? w : sparse;
        testing_support::expect_interruptible([&] {
          std::vector<double> out1(ids->rows),
              out2(ids->rows * mexsets::second_output_columns(mode));
          mexsets::set_features(mode, ids->cref(), v.cref(), weights.cref(), out1.data(),
                                out2.data(), reads);
          out1.insert(out1.end(), out2.begin(), out2.end());
          return out1;
        });
      }
}

TEST(SetFeatures, IdsWrittenByAnotherThreadAreNeverReadOutside) {
  std::mt19937_64 random(12);
  const std::size_t k = 300;
  Matrix ids = random_ids(random, 2000, 12, k), weights(k, k);
  const Matrix values = random_values(random, k, 4);
  for (double& x : weights.data) x = random() % 8 ? 0.0 : whole_below(random, 10);
  testing_support::expect_harmless_race({{ids.data.data(), ids.data.size()}}, [&] {
    std::vector<double> out;
    for (int mode = 1; mode <= 4; ++mode)
      for (auto reads : {mexsets::PairReads::every_pair, mexsets::PairReads::nonzero_kept}) {
        if (mode != 3 && reads != mexsets::PairReads::every_pair) continue;
        std::vector<double> out1(ids.rows), out2(4 * ids.rows);
        mexsets::check_value_columns(mode, ids.cref(), values.cref());
        mexsets::set_features(mode, ids.cref(), values.cref(), weights.cref(), out1.data(),
                              out2.data(), reads);
        out.insert(out.end(), out1.begin(), out1.end());
        out.insert(out.end(), out2.begin(), out2.end());
      }
    return out;
  });
}

}  // namespace
