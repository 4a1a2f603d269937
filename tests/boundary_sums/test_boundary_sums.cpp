// boundary_sums: worked example, scanning and distribution rules, every
// error, and differential checks against the plain transcription.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "boundary_sums.hpp"
#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_boundary_sums.hpp"
#include "support.hpp"
#include "threads.hpp"

using testing_support::expect_mex_error;
using testing_support::rows_of;
using testing_support::same_bits;
using testing_support::to_host;
using testing_support::whole_below;
using Matrix = mexsets::OwnedMatrix<double>;

namespace {

const testing_support::LoadedModule module("boundary_sums");

struct Result {
  std::vector<double> pair, border;
  std::vector<mwSize> pair_dims, border_dims;
};

Result call(const standin::Array& n, const standin::Array& first, const standin::Array& second,
            const standin::Array& keys, const standin::Array& labels,
            const standin::Array& weights) {
  auto result = module().call(2, {&n, &first, &second, &keys, &labels, &weights});
  const mxArray* p = result.outputs.at(0).get();
  const mxArray* b = result.outputs.at(1).get();
  return {standin::values(p), standin::values(b), standin::dims(p), standin::dims(b)};
}

Result call(double n, const Matrix& first, const Matrix& second, const Matrix& keys,
            const Matrix& labels, const Matrix& weights) {
  return call(standin::scalar(n), to_host(first), to_host(second), to_host(keys), to_host(labels),
              to_host(weights));
}

const Matrix example_labels = rows_of({{0, 5, 0}, {7, 0, 5}, {0, 7, 0}});
const Matrix example_weights = rows_of({{0, 1, 0}, {2, 0, 3}, {0, 4, 0}});

TEST(BoundarySums, WorkedExample) {
  auto r = call(2, rows_of({{1, 0}}), rows_of({{2, 1}}), rows_of({{5, 7}}), example_labels,
                example_weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 4, 0}));  // P = [0 4; 0 0]
  EXPECT_EQ(r.border, std::vector<double>({6, 0}));
  EXPECT_EQ(r.pair_dims, std::vector<mwSize>({2, 2}));
  EXPECT_EQ(r.border_dims, std::vector<mwSize>({2, 1}));
}

TEST(BoundarySums, OnlyMixedParityCellsAreRead) {
  // Same-parity cells hold labels that match no key and NaN weights.
  auto labels = rows_of({{99, 5, 99}, {7, 99, 5}, {99, 7, 99}});
  auto weights = rows_of({{NAN, 1, NAN}, {2, NAN, 3}, {NAN, 4, NAN}});
  auto r = call(2, rows_of({{1, 0}}), rows_of({{2, 1}}), rows_of({{5, 7}}), labels, weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 4, 0}));
  EXPECT_EQ(r.border, std::vector<double>({6, 0}));
}

TEST(BoundarySums, OneRowAndOneColumnGrids) {
  // One row: pass 1 only, columns 1, 3 (zero-based). One column: rows 1, 3.
  auto keys = rows_of({{1, 2}});
  auto first = rows_of({{0, 0}});
  auto second = rows_of({{1, 2}});
  auto row =
      call(2, first, second, keys, rows_of({{2, 1, 2, 1, 2}}), rows_of({{100, 1, 100, 2, 100}}));
  EXPECT_EQ(row.border, std::vector<double>({3, 0}));
  auto column = call(2, first, second, keys, rows_of({{2}, {2}, {1}, {2}}),
                     rows_of({{100}, {5}, {100}, {6}}));
  EXPECT_EQ(column.border, std::vector<double>({0, 11}));
}

TEST(BoundarySums, DistributionAssignsInKeyOrder) {
  // Keys 5 and 7 both name P(1,2): the later key's sum remains; P(2,1) stays 0.
  auto r = call(2, rows_of({{1, 1}}), rows_of({{2, 2}}), rows_of({{5, 7}}), example_labels,
                example_weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 6, 0}));
  // A key with no label writes 0 over an earlier sum.
  r = call(2, rows_of({{1, 1}}), rows_of({{2, 2}}), rows_of({{5, 8}}),
           rows_of({{0, 5, 0}, {-3, 0, 5}, {0, NAN, 0}}), example_weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 0, 0}));
  // An empty label grid leaves every sum 0, and every key still writes.
  r = call(3, rows_of({{2, 0, -0.0}}), rows_of({{3, 2, 3}}), rows_of({{1, 2, 3}}), Matrix(0, 0),
           Matrix(0, 0));
  EXPECT_EQ(r.pair, std::vector<double>(9, 0.0));
  EXPECT_EQ(r.border, std::vector<double>(3, 0.0));
}

TEST(BoundarySums, RepeatedKeysCollectAtTheirFirstPosition) {
  // Key 5 at positions 0 and 2: all of 5's weights go to position 0, and the
  // copy at 2 writes nothing, not even where position 0 wrote.
  auto keys = rows_of({{5, 7, 5}});
  auto r =
      call(2, rows_of({{1, 0, 0}}), rows_of({{2, 1, 2}}), keys, example_labels, example_weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 4, 0}));
  EXPECT_EQ(r.border, std::vector<double>({6, 0}));
  r = call(2, rows_of({{1, 0, 1}}), rows_of({{2, 1, 2}}), keys, example_labels, example_weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 4, 0}));
  // Nor over another key's sum (7's, in B(1)), nor for keys no label matches.
  r = call(2, rows_of({{0, 0, 0, 0, 0}}), rows_of({{1, 2, 2, 1, 1}}), rows_of({{7, -1, 5, -1, 7}}),
           example_labels, example_weights);
  EXPECT_EQ(r.border, std::vector<double>({6, 4}));
}

TEST(BoundarySums, KeysMatchByExactValue) {
  // Fractional, huge and infinite keys, a -0 first id (border), fractional
  // ids truncated after subtracting 1; ids in (0, 1), however tiny, address 1.
  auto labels = rows_of({{0, 2.5, 0, 1e300, 0}, {INFINITY, 0, 2.5, 0, 3}});
  auto weights = rows_of({{0, 1, 0, 2, 0}, {4, 0, 8, 0, 16}});
  auto keys = rows_of({{3, 1e300, 2.5, INFINITY, 2.5000000000000004}});
  auto r = call(3.9, rows_of({{-0.0, 1.9, 1e-300, 3, 2}}), rows_of({{1, 0.5, 3.99, 3, 2}}), keys,
                labels, weights);
  // 3 -> B(1) = 16; 1e300 -> P(1,1) = 2; 2.5 -> P(1,3) = 1 + 8; Inf -> P(3,3) = 4.
  EXPECT_EQ(r.border, std::vector<double>({16, 0, 0}));
  EXPECT_EQ(r.pair, std::vector<double>({2, 0, 0, 0, 0, 0, 9, 0, 4}));
}

TEST(BoundarySums, KeyListsOfAnyShape) {
  // L = max(rows, cols) of the key list; ids are read column-major.
  auto r = call(2, rows_of({{1}, {0}}), rows_of({{2, 9}, {1, 9}}), rows_of({{5}, {7}}),
                example_labels, example_weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 4, 0}));
  EXPECT_EQ(r.border, std::vector<double>({6, 0}));
  // A 2-by-3 key list has L = 3: its first three elements in column-major order.
  r = call(2, rows_of({{1, 0, 1}}), rows_of({{2, 1, 1}}), rows_of({{5, 9, 9}, {7, 9, 9}}),
           example_labels, example_weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 4, 0}));
  EXPECT_EQ(r.border, std::vector<double>({6, 0}));
}

TEST(BoundarySums, SizeFromAnyNumericScalar) {
  auto first = to_host(rows_of({{1, 0}})), second = to_host(rows_of({{2, 1}}));
  auto keys = to_host(rows_of({{5, 7}}));
  auto labels = to_host(example_labels), weights = to_host(example_weights);
  auto n32 = standin::numeric(mxINT32_CLASS, {1, 1});
  *static_cast<std::int32_t*>(mxGetData(n32.get())) = 2;
  auto r = call(n32, first, second, keys, labels, weights);
  EXPECT_EQ(r.pair, std::vector<double>({0, 0, 4, 0}));
  auto none = to_host(Matrix(0, 0));
  r = call(standin::scalar(-0.5), none, none, none, none, none);
  EXPECT_EQ(r.pair_dims, std::vector<mwSize>({0, 0}));
  EXPECT_EQ(r.border_dims, std::vector<mwSize>({0, 1}));
}

TEST(BoundarySums, OneOutputRequestedStoresOnlyThePairMatrix) {
  auto n = standin::scalar(2);
  auto first = to_host(rows_of({{1, 0}})), second = to_host(rows_of({{2, 1}}));
  auto keys = to_host(rows_of({{5, 7}}));
  auto labels = to_host(example_labels), weights = to_host(example_weights);
  const std::size_t before = standin::live_arrays();
  {
    auto result = module().call(1, {&n, &first, &second, &keys, &labels, &weights});
    ASSERT_EQ(result.outputs.size(), 1u);
    EXPECT_EQ(standin::values(result.outputs[0].get()), std::vector<double>({0, 0, 4, 0}));
    EXPECT_EQ(result.released_arrays, 0u);
  }
  EXPECT_EQ(standin::live_arrays(), before);
}

TEST(BoundarySums, ArgumentErrors) {
  auto n = standin::scalar(2);
  auto ids = to_host(rows_of({{1, 0}})), keys = to_host(rows_of({{5, 7}}));
  auto labels = to_host(example_labels);
  auto flag = standin::logical(1, 2, {true, false});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {3, 3, 2});
  auto cell = standin::numeric(mxCELL_CLASS, {1, 1});
  auto none = standin::empty(0, 0);
  const std::size_t before = standin::live_arrays();
  const std::string id = "mexsets:boundary_sums:";
  expect_mex_error(
      [&] {
        module().call(2, {&n, &ids, &ids, &keys, &labels});
      },
      id + "nargin", "There should be 6 input parameters");
  expect_mex_error(
      [&] {
        module().call(2, {&n, &ids, &ids, &keys, &labels, &labels, &n});
      },
      id + "nargin", "There should be 6 input parameters");
  expect_mex_error(
      [&] {
        module().call(2, {&n, &ids, &flag, &keys, &labels, &labels});
      },
      id + "typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(2, {&n, &ids, &ids, &keys, &labels, &cube});
      },
      id + "dimensionsNotCoherent", "Data dimensions not coherent");
  expect_mex_error(
      [&] {
        module().call(2, {&cell, &ids, &ids, &keys, &labels, &labels});
      },
      id + "badScalar", "input 1 (n) is not numeric");
  expect_mex_error(
      [&] {
        module().call(2, {&none, &ids, &ids, &keys, &labels, &labels});
      },
      id + "badScalar", "input 1 (n) is empty");
  EXPECT_EQ(standin::live_arrays(), before);
}

// Every class and kind of array in place of each matrix argument: only real,
// full, two-dimensional doubles are read; the rest is refused with the
// reason, and nothing is left behind.
TEST(BoundarySums, EveryMatrixArgumentRefusesWhatItCannotRead) {
  struct Kind {
    standin::Array array;
    std::string reason;
  };
  auto kinds = [] {
    std::vector<Kind> list;
    for (mxClassID id : {mxSINGLE_CLASS, mxINT8_CLASS, mxUINT8_CLASS, mxINT16_CLASS, mxUINT16_CLASS,
                         mxINT32_CLASS, mxUINT32_CLASS, mxINT64_CLASS, mxUINT64_CLASS,
                         mxLOGICAL_CLASS, mxCHAR_CLASS, mxCELL_CLASS, mxSTRUCT_CLASS})
      list.push_back({standin::numeric(id, {3, 3}), "typesNotCoherent"});
    list.push_back({standin::Array(mxCreateSparse(3, 3, 1, mxREAL)), "sparseInput"});
    const mwSize dims[2] = {3, 3};
    list.push_back(
        {standin::Array(mxCreateNumericArray(2, dims, mxDOUBLE_CLASS, mxCOMPLEX)), "complexInput"});
    list.push_back({standin::numeric(mxDOUBLE_CLASS, {3, 3, 2}), "dimensionsNotCoherent"});
    return list;
  };
  std::vector<standin::Array> args;
  for (const auto& a : {rows_of({{2}}), rows_of({{1, 0}}), rows_of({{2, 1}}), rows_of({{5, 7}}),
                        example_labels, example_weights})
    args.push_back(to_host(a));
  const std::size_t before = standin::live_arrays();
  for (std::size_t k = 1; k < args.size(); ++k)
    for (auto& kind : kinds()) {
      std::vector<const mxArray*> call_args;
      for (std::size_t q = 0; q < args.size(); ++q)
        call_args.push_back(q == k ? kind.array.get() : args[q].get());
      try {
        module().call(2, call_args);
        ADD_FAILURE() << "input " << k + 1 << " accepted " << kind.reason;
      } catch (const standin::MexError& error) {
        EXPECT_EQ(error.identifier(), "mexsets:boundary_sums:" + kind.reason) << "input " << k + 1;
      }
    }
  EXPECT_EQ(standin::live_arrays(), before);
}

// Runs the gateway on the worked example with one argument replaced.
void expect_example_error(int input, const Matrix& replacement, const std::string& reason,
                          const std::string& message) {
  std::vector<Matrix> args = {rows_of({{2}}),    rows_of({{1, 0}}), rows_of({{2, 1}}),
                              rows_of({{5, 7}}), example_labels,    example_weights};
  args[input - 1] = replacement;
  std::vector<standin::Array> host;
  for (const auto& a : args) host.push_back(to_host(a));
  const std::size_t before = standin::live_arrays();
  expect_mex_error(
      [&] {
        module().call(2, {&host[0], &host[1], &host[2], &host[3], &host[4], &host[5]});
      },
      "mexsets:boundary_sums:" + reason, message);
  EXPECT_EQ(standin::live_arrays(), before) << reason;
}

// 8*n^2 + 8*n bytes, twice over in this host, against MEXSETS_MEMORY_LIMIT,
// once every input has been checked; without it against the machine.
TEST(BoundarySums, OutputsLargerThanTheMemoryLimitAreRefused) {
  const std::string advice = "pass a smaller n (the largest id in first and second is enough)";
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "96");
    EXPECT_EQ(call(2, rows_of({{1, 0}}), rows_of({{2, 1}}), rows_of({{5, 7}}), example_labels,
                   example_weights)
                  .border,
              std::vector<double>({6, 0}));
  }
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "95");
    expect_example_error(1, rows_of({{2}}), "outputTooLarge",
                         "Output too large: the 2-by-2 pair matrix and the 2-by-1 border sums for "
                         "input 1 (n) would take 48 bytes (96 with the 2 copies this host holds "
                         "at once), but MEXSETS_MEMORY_LIMIT allows 95 bytes; " +
                             advice);
    expect_example_error(6, rows_of({{0}}), "weightGridTooSmall", "input 5 is 3-by-3");
  }
  expect_example_error(1, rows_of({{1e6}}), "outputTooLarge", advice);
}

TEST(BoundarySums, LimitErrorsNameInputEntryAndValue) {
  expect_example_error(1, rows_of({{NAN}}), "sizeOutOfRange",
                       "Size n outside 0..2147483647: input 1 (n) holds NaN");
  expect_example_error(1, rows_of({{-1}}), "sizeOutOfRange",
                       "Size n outside 0..2147483647: input 1 (n) holds -1");
  expect_example_error(1, rows_of({{2147483648.0}}), "sizeOutOfRange",
                       "Size n outside 0..2147483647: input 1 (n) holds 2147483648");
  expect_example_error(1, rows_of({{2147483647.0}}), "outOfMemory",
                       "Size n too large for an n-by-n double matrix: input 1 (n) holds "
                       "2147483647");
  expect_example_error(4, Matrix(0, 2), "emptyKeyList",
                       "Key list empty but 2 keys long: input 4 is 0-by-2");
  expect_example_error(4, Matrix(1, 0), "emptyKeyList",
                       "Key list empty but 1 key long: input 4 is 1-by-0");
  expect_example_error(2, rows_of({{1}}), "tooFewIds",
                       "Too few first ids: input 2 holds 1 element, the key list (input 4) 2");
  expect_example_error(3, Matrix(0, 0), "tooFewIds",
                       "Too few second ids: input 3 holds 0 elements, the key list (input 4) 2");
  expect_example_error(6, rows_of({{0, 1, 0}, {2, 0, 3}}), "weightGridTooSmall",
                       "Weight grid smaller than the label grid: input 6 is 2-by-3, input 5 is "
                       "3-by-3");
  expect_example_error(6, rows_of({{0, 1}, {2, 0}, {3, 4}}), "weightGridTooSmall",
                       "input 6 is 3-by-2, input 5 is 3-by-3");
  expect_example_error(4, rows_of({{5}, {NAN}}), "keyNotANumber",
                       "Key is NaN: input 4 at row 2, column 1 holds NaN");
  expect_example_error(2, rows_of({{3, 0}}), "idOutOfRange",
                       "First id neither 0 nor in 1..2: input 2 at row 1, column 1 holds 3");
  expect_example_error(2, rows_of({{1, -0.5}}), "idOutOfRange",
                       "input 2 at row 1, column 2 holds -0.5");
  expect_example_error(2, rows_of({{NAN, 0}}), "idNotANumber",
                       "input 2 at row 1, column 1 holds NaN");
  expect_example_error(3, rows_of({{2, 0}}), "idOutOfRange",
                       "Second id outside 1..2: input 3 at row 1, column 2 holds 0");
  expect_example_error(3, rows_of({{2}, {INFINITY}}), "idOutOfRange",
                       "Second id outside 1..2: input 3 at row 2, column 1 holds Inf");
  expect_example_error(3, rows_of({{2, NAN}}), "idNotANumber",
                       "Second id outside 1..2: input 3 at row 1, column 2 holds NaN");
  expect_example_error(5, rows_of({{0, 5, 0}, {7, 0, 5}, {0, 6.5, 0}}), "labelWithoutKey",
                       "Label matches no key: input 5 at row 3, column 2 holds 6.5");
  // Reported in visiting order: the second pass comes after the first.
  expect_example_error(5, rows_of({{0, 5, 0}, {8, 0, 5}, {0, 9, 0}}), "labelWithoutKey",
                       "input 5 at row 3, column 2 holds 9");
  // n = 0 admits no key at all.
  expect_example_error(1, rows_of({{0.9}}), "idOutOfRange",
                       "First id neither 0 nor in 1..0: input 2 at row 1, column 1 holds 1");
}

// A host may leave the call without unwinding when it cannot create an
// output, so the outputs are created before any container is built: a call
// whose pair matrix the host refuses ends with the host's error, even when a
// label without a key would fail later, and leaves nothing behind. (No
// memory limit here: the host itself refuses.)
TEST(BoundarySums, OutputsAreCreatedBeforeTheKeySums) {
  const testing_support::ScopedEnvironment most("MEXSETS_MEMORY_LIMIT", "18446744073709551615");
  auto n = standin::scalar(1e6);  // 8 TB of pair matrix
  auto first = to_host(rows_of({{1, 0}})), second = to_host(rows_of({{2, 1}}));
  auto keys = to_host(rows_of({{5, 7}}));
  auto labels = to_host(rows_of({{0, 5, 0}, {7, 0, 5}, {0, 6, 0}}));  // 6 has no key
  auto weights = to_host(example_weights);
  const std::size_t before = standin::live_arrays();
  try {
    module().call(2, {&n, &first, &second, &keys, &labels, &weights});
    ADD_FAILURE() << "the call succeeded";
  } catch (const standin::MexError& error) {
    EXPECT_EQ(error.identifier(), "MATLAB:array:SizeLimitExceeded");
  }
  EXPECT_EQ(standin::live_arrays(), before);
}

// Random inputs inside the limits: keys with repeats, fractions, huge values
// and non-positive keys; labels drawn from the positive keys or non-labels.
struct RandomCase {
  double n;
  Matrix first, second, keys, labels, weights;
};

RandomCase random_case(std::mt19937_64& random, bool small_whole_keys) {
  RandomCase c;
  const std::size_t n = random() % 6;
  c.n = static_cast<double>(n) + (random() % 2 ? 0.75 : 0.0);
  const std::size_t count = n ? random() % 12 : 0;
  const bool column = random() % 2;
  c.keys = !count ? Matrix(0, 0) : column ? Matrix(count, 1) : Matrix(1, count);
  c.first = Matrix(1, count);
  c.second = Matrix(count, 1);
  std::vector<double> positive;
  for (std::size_t k = 0; k < count; ++k) {
    double key;
    const auto pick = random() % 10;
    if (small_whole_keys || pick < 5)
      key = 1.0 + whole_below(random, 20);
    else if (pick < 7)
      key = whole_below(random, 1000) / 8.0 - 20;  // fractions, 0, -0 and negatives
    else if (pick < 8)
      key = k ? c.keys.data[random() % k] : 1.0;  // a repeat
    else
      key = std::ldexp(1.0 + whole_below(random, 1000) / 1000.0, static_cast<int>(random() % 1000));
    if (random() % 20 == 0) key = -0.0;
    c.keys.data[k] = key;
    if (key > 0) positive.push_back(key);
    c.first.data[k] =
        random() % 3 == 0 ? 0.0 : 1.0 + whole_below(random, n) + whole_below(random, 4) * 0.25;
    c.second.data[k] = 1.0 + whole_below(random, n) + whole_below(random, 4) * 0.25;
  }
  const std::size_t rows = random() % 9, cols = random() % 9;
  c.labels = Matrix(rows, cols);
  c.weights = Matrix(rows + random() % 2, cols + random() % 2);
  std::normal_distribution<double> value(0.0, 1e3);
  for (double& w : c.weights.data) w = random() % 50 == 0 ? NAN : value(random);
  for (double& x : c.labels.data) {
    const auto pick = random() % 8;
    x = !positive.empty() && pick < 5 ? positive[random() % positive.size()]
        : pick == 5                   ? -1.0 - whole_below(random, 3)
        : pick == 6                   ? NAN
                                      : 0.0;
  }
  return c;
}

TEST(BoundarySums, MatchesThePlainAlgorithmOnRandomInputs) {
  std::mt19937_64 random(8);
  for (int round = 0; round < 600; ++round) {
    const RandomCase c = random_case(random, round % 3 == 0);
    const auto expected =
        reference::boundary_sums(c.n, c.first.data.data(), c.second.data.data(), c.keys.cref(),
                                 c.labels.cref(), c.weights.cref());
    mexsets::BoundaryInputs in;
    in.n = mexsets::pair_size(c.n);
    in.first = c.first.cref();
    in.second = c.second.cref();
    in.keys = c.keys.cref();
    in.labels = c.labels.cref();
    in.weights = c.weights.cref();
    const auto got = mexsets::boundary_sums(in);
    ASSERT_TRUE(same_bits(expected.pair, got.pair.data)) << "round " << round;
    ASSERT_TRUE(same_bits(expected.border, got.border.data)) << "round " << round;
    const auto host = call(c.n, c.first, c.second, c.keys, c.labels, c.weights);
    ASSERT_TRUE(same_bits(expected.pair, host.pair)) << "round " << round;
    ASSERT_TRUE(same_bits(expected.border, host.border)) << "round " << round;
  }
}

// Bands of columns on several threads: the same sums, bit for bit, and the
// same failure (the first label without a key in visiting order).
TEST(BoundarySums, SameForAnyThreadCount) {
  std::mt19937_64 random(31);
  auto expect_same = [](RandomCase& c) {
    mexsets::BoundaryInputs in{mexsets::pair_size(c.n), c.first.cref(),  c.second.cref(),
                               c.keys.cref(),           c.labels.cref(), c.weights.cref()};
    testing_support::expect_same_for_threads([&] {
      auto out = mexsets::boundary_sums(in);
      return std::make_pair(out.pair.data, out.border.data);
    });
  };
  for (int round = 0; round < 40; ++round) {
    RandomCase c = random_case(random, round % 2 == 0);
    expect_same(c);
  }
  // Tall, wide and one-row grids of many labelled cells; then two labels
  // without a key, the later one in an earlier column.
  for (const auto& [rows, cols] : {std::pair{61, 57}, {1, 90}, {90, 1}, {3, 70}}) {
    RandomCase c{
        5, Matrix(1, 30), Matrix(1, 30), Matrix(1, 30), Matrix(rows, cols), Matrix(rows, cols)};
    for (std::size_t k = 0; k < 30; ++k) {
      c.keys.data[k] = k % 3 ? 1.0 + double(k) : 0.25 + double(k);
      c.first.data[k] = double(k % 6);
      c.second.data[k] = 1.0 + double(k % 5);
    }
    std::normal_distribution<double> value;
    for (double& w : c.weights.data) w = value(random);
    for (double& x : c.labels.data) x = random() % 6 ? c.keys.data[random() % 30] : 0.0;
    expect_same(c);
    if (rows < 3 || cols < 3) continue;
    const std::size_t late = cols % 2 ? cols - 2 : cols - 1;  // odd: read in row 2
    c.labels(1, 0) = 1000;  // row 1 is visited after the even rows
    c.labels(2, late) = 999;
    expect_same(c);
    EXPECT_THROW(
        {
          try {
            mexsets::boundary_sums(mexsets::BoundaryInputs{5, c.first.cref(), c.second.cref(),
                                                           c.keys.cref(), c.labels.cref(),
                                                           c.weights.cref()});
          } catch (const mexsets::Failure& failure) {
            EXPECT_NE(failure.message().find("holds 999"), std::string::npos);
            throw;
          }
        },
        mexsets::Failure);
  }
}

TEST(BoundarySums, LargeGridsMatchThePlainAlgorithm) {
  // Many keys and a long visiting order: sums of many terms in a fixed order.
  std::mt19937_64 random(21);
  const std::size_t n = 40, count = 700, rows = 301, cols = 257;
  Matrix keys(count, 1), first(count, 1), second(count, 1);
  for (std::size_t k = 0; k < count; ++k) {
    keys.data[k] = (k % 5 == 0 ? 0.5 : 1.0) + whole_below(random, 3000);
    first.data[k] = random() % 4 == 0 ? 0.0 : 1.0 + whole_below(random, n);
    second.data[k] = 1.0 + whole_below(random, n);
  }
  Matrix labels(rows, cols), weights(rows, cols);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (std::size_t c = 0; c < labels.data.size(); ++c) {
    labels.data[c] = random() % 4 == 0 ? 0.0 : keys.data[random() % count];
    weights.data[c] = value(random) * std::ldexp(1.0, static_cast<int>(random() % 40));
  }
  const auto expected = reference::boundary_sums(double(n), first.data.data(), second.data.data(),
                                                 keys.cref(), labels.cref(), weights.cref());
  const auto host = call(double(n), first, second, keys, labels, weights);
  EXPECT_TRUE(same_bits(expected.pair, host.pair));
  EXPECT_TRUE(same_bits(expected.border, host.border));
}

// Ctrl-C: stopped at any poll, with keys found in a table or by hashing,
// the computation throws Interrupted, and the next call gives the plain
// result.
TEST(BoundarySums, InterruptedThenCalledAgain) {
  std::mt19937_64 random(23);
  const std::size_t n = 30, count = 500, rows = 120, cols = 90;
  Matrix keys(count, 1), first(count, 1), second(count, 1);
  for (std::size_t k = 0; k < count; ++k) {
    keys.data[k] = (k % 5 == 0 ? 0.5 : 1.0) + whole_below(random, 3000);
    first.data[k] = random() % 4 == 0 ? 0.0 : 1.0 + whole_below(random, n);
    second.data[k] = 1.0 + whole_below(random, n);
  }
  Matrix labels(rows, cols), weights(rows, cols);
  for (std::size_t c = 0; c < labels.data.size(); ++c) {
    labels.data[c] = random() % 4 == 0 ? 0.0 : keys.data[random() % count];
    weights.data[c] = static_cast<double>(random() % 1000) / 8;
  }
  mexsets::BoundaryInputs in;
  in.n = n;
  in.first = first.cref();
  in.second = second.cref();
  in.keys = keys.cref();
  in.labels = labels.cref();
  in.weights = weights.cref();
  testing_support::expect_interruptible([&] {
    const auto out = mexsets::boundary_sums(in);
    std::vector<double> both = out.pair.data;
    both.insert(both.end(), out.border.data.begin(), out.border.data.end());
    return both;
  });
}

TEST(BoundarySums, InputsWrittenByAnotherThreadAreNeverReadOutside) {
  // Whole keys (looked up in a table) and fractional ones (hashed).
  std::mt19937_64 random(8);
  const std::size_t count = 400, n = 30;
  std::vector<RandomCase> cases(2);
  for (std::size_t c = 0; c < 2; ++c) {
    RandomCase& r = cases[c];
    r.n = n;
    r.keys = r.first = r.second = Matrix(count, 1);
    for (std::size_t k = 0; k < count; ++k) {
      r.keys.data[k] = 1.0 + static_cast<double>(k) + (c ? 0.5 : 0.0);
      r.first.data[k] = random() % 4 ? 1.0 + whole_below(random, n) : 0.0;
      r.second.data[k] = 1.0 + whole_below(random, n);
    }
    r.labels = r.weights = Matrix(150, 150);
    for (std::size_t p = 0; p < r.labels.data.size(); ++p) {
      r.labels.data[p] = random() % 5 ? r.keys.data[random() % count] : 0.0;
      r.weights.data[p] = whole_below(random, 100);
    }
  }
  std::vector<testing_support::RacedInput> inputs;
  const mexsets::ThreadScope bands(3, 8);  // bands of 8 columns on 3 threads
  for (RandomCase& r : cases)
    for (Matrix* m : {&r.first, &r.second, &r.keys, &r.labels})
      inputs.push_back({m->data.data(), m->data.size()});
  testing_support::expect_harmless_race(inputs, [&] {
    std::vector<double> sums;
    for (const RandomCase& r : cases) {
      mexsets::BoundaryInputs in{
          n, r.first.cref(), r.second.cref(), r.keys.cref(), r.labels.cref(), r.weights.cref()};
      const auto out = mexsets::boundary_sums(in);
      sums.insert(sums.end(), out.pair.data.begin(), out.pair.data.end());
      sums.insert(sums.end(), out.border.data.begin(), out.border.data.end());
    }
    return sums;
  });
}

}  // namespace
