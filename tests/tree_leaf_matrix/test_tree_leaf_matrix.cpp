// tree_leaf_matrix: worked example in both bases, empty shapes, every reason
// of its own, and the matrix against tree_leaf_sets' plain transcription
// padded by hand on random trees.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "../../bench/support/tree_workloads.hpp"
#include "../tree_leaf_sets/reference_tree_leaf_sets.hpp"
#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "support.hpp"
#include "threads.hpp"
#include "tree_leaf_matrix.hpp"

using testing_support::expect_mex_error;
using testing_support::rows_of;
using testing_support::to_host;
using testing_support::whole_below;

namespace {

const testing_support::LoadedModule module("tree_leaf_matrix");

struct Result {
  std::vector<mwSize> dims;
  std::vector<double> values;  // column-major
};

Result read(const standin::CallResult& result) {
  const mxArray* out = result.outputs.at(0).get();
  EXPECT_EQ(mxGetClassID(out), mxDOUBLE_CLASS);
  const double* data = mxGetPr(out);
  return {standin::dims(out), std::vector<double>(data, data + mxGetNumberOfElements(out))};
}

Result call(const standin::Array& merges, const standin::Array& sets) {
  return read(module().call(1, {&merges, &sets}));
}

Result call(const standin::Array& merges, const standin::Array& sets, double base) {
  auto b = standin::scalar(base);
  return read(module().call(1, {&merges, &sets, &b}));
}

// tree_leaf_sets' rows padded by hand: rows-by-longest, column-major.
Result padded(const mexsets::OwnedMatrix<double>& merges, const mexsets::OwnedMatrix<double>& sets,
              bool one_based) {
  const auto rows = reference::tree_leaf_sets(merges.cref(), sets.cref());
  std::size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.size());
  const double shift = one_based ? 0 : -1;
  mexsets::OwnedMatrix<double> m(rows.size(), width, shift);
  for (std::size_t j = 0; j < rows.size(); ++j)
    for (std::size_t k = 0; k < rows[j].size(); ++k) m(j, k) = rows[j][k] + shift;
  return {{rows.size(), width}, m.data};
}

TEST(TreeLeafMatrix, WorkedExampleInBothBases) {
  auto merges = standin::matrix({{1, 2, 4}, {4, 3, 5}});
  auto sets = standin::matrix({{5, 0}, {2, 4}, {3, 0}});
  const Result one = call(merges, sets), zero = call(merges, sets, 0);
  EXPECT_EQ(one.dims, (std::vector<mwSize>{3, 3}));
  EXPECT_EQ(one.values, (std::vector<double>{1, 1, 3, 2, 2, 0, 3, 2, 0}));
  EXPECT_EQ(call(merges, sets, 1).values, one.values);
  EXPECT_EQ(zero.values, (std::vector<double>{0, 0, 2, 1, 1, -1, 2, 1, -1}));
  // The largest leaf id that fits 32 bits stays exact in either base.
  auto top = standin::matrix({{4294967295.0}});
  auto leaf = standin::matrix({{4294967294.0}});
  EXPECT_EQ(call(top, leaf, 0).values, std::vector<double>{4294967293.0});
}

TEST(TreeLeafMatrix, EmptyShapes) {
  auto merges = standin::matrix({{1, 2, 4}, {4, 3, 5}});
  EXPECT_EQ(call(merges, standin::empty(0, 3)).dims, (std::vector<mwSize>{0, 0}));
  EXPECT_EQ(call(merges, standin::empty(3, 0), 0).dims, (std::vector<mwSize>{3, 0}));
  EXPECT_EQ(call(merges, standin::matrix({{0, 5}, {0, 0}})).dims, (std::vector<mwSize>{2, 0}));
  const Result some = call(merges, standin::matrix({{0, 5}, {4, 0}}), 0);
  EXPECT_EQ(some.dims, (std::vector<mwSize>{2, 2}));
  EXPECT_EQ(some.values, (std::vector<double>{-1, 0, -1, 1}));
}

TEST(TreeLeafMatrix, ArgumentErrorsLeakNothing) {
  auto m = standin::matrix({{1, 2, 4}, {4, 3, 5}});
  auto s = standin::matrix({{5}});
  auto none = standin::empty(0, 0);
  const std::string id = "mexsets:tree_leaf_matrix:";
  const std::size_t arrays = standin::live_arrays(), blocks = standin::live_blocks();
  expect_mex_error([&] { module().call(1, {&m}); }, id + "nargin",
                   "Two or three input arguments required.");
  expect_mex_error(
      [&] {
        module().call(1, {&m, &s, &s, &s});
      },
      id + "nargin", "Two or three input arguments required.");
  expect_mex_error(
      [&] {
        module().call(2, {&m, &s});
      },
      id + "nargout", "Too many output arguments.");
  for (double base : {0.5, 2.0, -1.0, std::nan("")})
    expect_mex_error([&] { call(m, s, base); }, id + "badBase",
                     "Expected a leaf numbering base of 0 or 1: input 3 (base) is " +
                         mexsets::format_value(base));
  expect_mex_error(
      [&] {
        module().call(1, {&m, &s, &none});
      },
      id + "badScalar", "Expected a numeric scalar: input 3 (base) is empty");
  // The tree's checks and messages are tree_leaf_sets' own.
  expect_mex_error(
      [&] {
        call(m, standin::matrix({{1, 6}}), 0);
      },
      id + "idOutOfRange", "Node id outside 1..5: input 2 at row 1, column 2 holds 6");
  expect_mex_error([&] { call(standin::empty(0, 3), s); }, id + "emptyMergeMatrix",
                   "Merge matrix is empty: input 1 is 0-by-3; its first row's last entry "
                   "fixes the leaf count");
  EXPECT_EQ(standin::live_arrays(), arrays);
  EXPECT_EQ(standin::live_blocks(), blocks);
}

TEST(TreeLeafMatrix, MatricesTooLargeAreRefusedBeforeMade) {
  // Node 2 = leaf 1 doubled 57 times: 2^57 leaves, a count that fits, but
  // 64 such rows of doubles do not.
  std::vector<double> data(2 * 71, 0.0);
  mexsets::MatrixRef<double> m{data.data(), 2, 71};
  m(0, 0) = 1;
  m(0, 70) = 2;
  m(1, 70) = 2;
  for (std::size_t k = 0; k < 57; ++k) m(1, k) = 2;
  auto merges = standin::doubles(2, 71, data);
  for (std::size_t k = 0; k < 70; ++k) m(1, k) = 2;  // 2^70 leaves
  auto deeper = standin::doubles(2, 71, data);
  auto sets = to_host(mexsets::OwnedMatrix<double>(64, 1, 2.0));
  auto two = standin::matrix({{1}, {2}});
  auto small = standin::matrix({{1, 2, 4}, {4, 3, 5}});
  auto three = standin::matrix({{5, 0}, {2, 4}, {3, 0}});
  const std::size_t arrays = standin::live_arrays(), blocks = standin::live_blocks();
  expect_mex_error([&] { call(merges, sets); }, "mexsets:tree_leaf_matrix:resultTooLarge",
                   "Result too large: 64-by-144115188075855872 leaves of input 2 are more "
                   "than this machine can address");
  // A row whose count alone is too large: tree_leaf_sets' message.
  expect_mex_error([&] { call(deeper, two); }, "mexsets:tree_leaf_matrix:resultTooLarge",
                   "Result too large: the leaves of node-set row 2 of input 2 number more "
                   "than this machine can address");
  // A matrix that the host could not hold twice in the memory allowed.
  setenv("MEXSETS_MEMORY_LIMIT", "143", 1);
  expect_mex_error([&] { call(small, three); }, "mexsets:tree_leaf_matrix:outputTooLarge",
                   "Output too large: the 3-by-3 leaf matrix for input 2 (sets) would take 72 "
                   "bytes (144 with the 2 copies this host holds at once), but "
                   "MEXSETS_MEMORY_LIMIT allows 143 bytes; ask for fewer node sets (rows of "
                   "sets) per call");
  setenv("MEXSETS_MEMORY_LIMIT", "144", 1);
  EXPECT_EQ(call(small, three).dims, (std::vector<mwSize>{3, 3}));
  unsetenv("MEXSETS_MEMORY_LIMIT");
  EXPECT_EQ(standin::live_arrays(), arrays);
  EXPECT_EQ(standin::live_blocks(), blocks);
}

TEST(TreeLeafMatrix, MatchesTreeLeafSetsPaddedOnRandomTrees) {
  // Random merge matrices: children of any id (earlier, later, own node,
  // leaves, fractions), repeated new ids, zero padding, node sets with 0s.
  std::mt19937_64 random(5);
  for (int round = 0; round < 400; ++round) {
    const std::size_t leaves = random() % 9, rows = 1 + random() % 8, cols = 1 + random() % 4;
    const std::size_t nodes = leaves + rows;
    auto any_id = [&] { return 1 + whole_below(random, nodes) + (random() % 4 == 0 ? 0.5 : 0.0); };
    mexsets::OwnedMatrix<double> merges(rows, cols, 0.0);
    for (std::size_t r = 0; r < rows; ++r) {
      merges(r, cols - 1) =
          r > 0 && random() % 5 == 0 ? any_id() : static_cast<double>(leaves + r + 1);
      for (std::size_t c = 0; c < random() % cols; ++c) merges(r, c) = any_id();
    }
    mexsets::OwnedMatrix<double> sets(random() % 6, random() % 4, 0.0);
    for (double& v : sets.data) v = random() % 5 == 0 ? 0.0 : any_id();
    for (bool one_based : {true, false}) {
      const Result expected = padded(merges, sets, one_based);
      const auto computed = mexsets::tree_leaf_matrix(merges.cref(), sets.cref(), one_based);
      ASSERT_EQ((std::vector<mwSize>{computed.rows, computed.cols}), expected.dims);
      ASSERT_EQ(computed.data, expected.values) << "round " << round;
      if (round % 8 == 0) {
        ASSERT_EQ(call(to_host(merges), to_host(sets), one_based).values, expected.values);
      }
    }
  }
}

TEST(TreeLeafMatrix, MatchesOnManyRowsWrittenInBlocks) {
  // More rows than a block, of every length: a matrix mostly of padding,
  // written by columns.
  const auto w = tree_workloads::workload(60, 60, 400, 30, 1500, 2);
  const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  const Result expected = padded(merges, w.sets, false);
  ASSERT_GT(expected.dims[1], 50u);
  EXPECT_EQ(mexsets::tree_leaf_matrix(merges.cref(), w.sets.cref(), 0).data, expected.values);
  EXPECT_EQ(call(to_host(merges), to_host(w.sets), 0).values, expected.values);
  // Two rows in three hold every leaf (the last merge row's node), the
  // third one leaf: written by blocks.
  mexsets::OwnedMatrix<double> dense(700, 1);
  for (std::size_t j = 0; j < dense.rows; ++j)
    dense(j, 0) = j % 3 ? merges(merges.rows - 1, merges.cols - 1) : double(1 + j % 400);
  EXPECT_EQ(mexsets::tree_leaf_matrix(merges.cref(), dense.cref(), 1).data,
            padded(merges, dense, true).values);
}

// Ctrl-C: stopped at any poll, the computation throws Interrupted, and the
// next call gives the plain result.
TEST(TreeLeafMatrix, InterruptedThenCalledAgain) {
  const auto w = tree_workloads::workload(30, 30, 100, 20, 600, 4);
  const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  testing_support::expect_interruptible(
      [&] { return mexsets::tree_leaf_matrix(merges.cref(), w.sets.cref(), 1).data; });
}

TEST(TreeLeafMatrix, InputsWrittenByAnotherThreadAreNeverReadOutside) {
  const auto w = tree_workloads::workload(40, 40, 200, 12, 300, 7);
  auto merges = tree_workloads::merge_matrix_1based(w.tree), sets = w.sets;
  testing_support::expect_harmless_race(
      {{merges.data.data(), merges.data.size()}, {sets.data.data(), sets.data.size()}},
      [&] { return mexsets::tree_leaf_matrix(merges.cref(), sets.cref(), 0).data; });
}

}  // namespace

// Any number of threads writes the same matrix, however finely its columns
// (a large matrix mostly of padding: 1,500 rows) or its blocks of rows (the
// first 40 rows) are cut; an interrupt still ends a split run.
TEST(TreeLeafMatrix, SameBitsForAnyThreadCount) {
  const auto w = tree_workloads::workload(60, 60, 400, 30, 1500, 2);
  const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  mexsets::OwnedMatrix<double> few(40, w.sets.cols);
  for (std::size_t c = 0; c < few.cols; ++c)
    for (std::size_t j = 0; j < few.rows; ++j) few(j, c) = w.sets(j, c);
  const mexsets::OwnedMatrix<double>* both[] = {&w.sets, &few};
  for (const auto* sets : both)
    for (double base : {0.0, 1.0}) {
      const auto run = [&] {
        return mexsets::tree_leaf_matrix(merges.cref(), sets->cref(), base).data;
      };
      testing_support::expect_same_for_threads(run);
      testing_support::expect_interruptible_in_parallel(run);
    }
}
