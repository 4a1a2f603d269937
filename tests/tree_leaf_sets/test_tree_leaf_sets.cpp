// tree_leaf_sets: worked example, edge cases, time order of the merges,
// every message, and differential checks against the plain linked-list
// algorithm on random trees (out-of-order rows, repeats, self references).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "../../bench/support/tree_workloads.hpp"
#include "common/leaf_sets.hpp"
#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_tree_leaf_sets.hpp"
#include "support.hpp"
#include "threads.hpp"

using testing_support::expect_mex_error;
using testing_support::failure_of;
using testing_support::rows_of;
using testing_support::to_host;
using testing_support::whole_below;
using Rows = std::vector<std::vector<std::uint32_t>>;

namespace {

// The host of these tests holds at most 64 MiB of new arrays per call, like
// a host with little memory left (set before the first array is made).
const bool small_host = setenv("MEXSETS_STANDIN_MAX_ARRAY_BYTES", "67108864", 1) == 0;

const testing_support::LoadedModule module("tree_leaf_sets");

// Calls the gateway; checks that the result is a column of cells, each a
// 1-by-n uint32 row, and returns their contents.
Rows call(const standin::Array& merges, const standin::Array& sets, int nlhs = 1) {
  auto result = module().call(nlhs, {&merges, &sets});
  const mxArray* cells = result.outputs.at(0).get();
  EXPECT_EQ(mxGetClassID(cells), mxCELL_CLASS);
  EXPECT_EQ(standin::dims(cells), (std::vector<mwSize>{mxGetM(sets.get()), 1}));
  Rows rows;
  for (std::size_t j = 0; j < mxGetNumberOfElements(cells); ++j) {
    const mxArray* cell = mxGetCell(cells, j);
    EXPECT_EQ(mxGetClassID(cell), mxUINT32_CLASS);
    EXPECT_EQ(mxGetM(cell), 1u);
    const auto* data = static_cast<const std::uint32_t*>(mxGetData(cell));
    rows.emplace_back(data, data + mxGetN(cell));
  }
  return rows;
}

Rows compute(std::initializer_list<std::initializer_list<double>> merges,
             std::initializer_list<std::initializer_list<double>> sets) {
  auto m = rows_of(merges), s = rows_of(sets);
  return mexsets::tree_leaf_sets(m.cref(), s.cref());
}

TEST(TreeLeafSets, WorkedExample) {
  // L = 3; node 4 = {1, 2}, node 5 = {1, 2, 3}; nodes 2 and 4 share leaf 2.
  EXPECT_EQ(
      call(standin::matrix({{1, 2, 4}, {4, 3, 5}}), standin::matrix({{5, 0}, {2, 4}, {3, 0}})),
      (Rows{{1, 2, 3}, {1, 2, 2}, {3}}));
  // Padding with zeros, fractional ids and a 0 ending a node-set row early.
  EXPECT_EQ(compute({{1, 2, 0, 0, 4}, {4.7, 3, 0, 0, 5}}, {{5.2, 0, 1}, {0, 4, 4}, {4, 4, 1}}),
            (Rows{{1, 2, 3}, {}, {1, 1, 1, 2, 2}}));
}

TEST(TreeLeafSets, EmptyShapes) {
  auto merges = standin::matrix({{1, 2, 4}, {4, 3, 5}});
  EXPECT_EQ(call(merges, standin::empty(0, 3)), Rows{});
  EXPECT_EQ(call(merges, standin::empty(3, 0)), (Rows{{}, {}, {}}));
  // One column: rows have no children, merge nodes stay empty.
  EXPECT_EQ(compute({{3}, {4}}, {{1, 2, 3}, {4, 0, 0}, {2, 1, 0}}), (Rows{{1, 2}, {}, {1, 2}}));
  // A first new id of 1: no leaves at all.
  EXPECT_EQ(compute({{0, 1}, {1, 2}}, {{1, 2}}), (Rows{{}}));
  // Node 6 (row 3's slot) is never created: it contributes nothing.
  EXPECT_EQ(compute({{1, 2, 4}, {4, 3, 5}, {1, 0, 5}}, {{6, 2}}), (Rows{{2}}));
}

TEST(TreeLeafSets, MergesReadNodesAsTheyAreAtThatRow) {
  // Row 1 reads node 5 before row 2 fills it: node 4 gets only leaf 1.
  EXPECT_EQ(compute({{1, 5, 4}, {2, 3, 5}}, {{4}, {5}}), (Rows{{1}, {2, 3}}));
  // Node 5 is built twice (repeated new id); row 2 reads the first build.
  EXPECT_EQ(compute({{1, 0, 5}, {5, 2, 6}, {3, 0, 5}}, {{6}, {5}}), (Rows{{1, 2}, {1, 3}}));
  // A row naming its own node appends what it holds so far once more.
  EXPECT_EQ(compute({{1, 2, 4, 4}, {3, 4, 0, 5}}, {{4}, {5}}),
            (Rows{{1, 1, 2, 2}, {1, 1, 2, 2, 3}}));
  EXPECT_EQ(compute({{4, 1, 4, 4}}, {{4}}), (Rows{{1, 1}}));  // empty at first, then doubled
  // A leaf as new id keeps itself and gains the children.
  EXPECT_EQ(compute({{1, 2, 4}, {2, 3, 1}, {1, 0, 6}}, {{1, 0}, {6, 0}, {1, 6}, {4, 0}}),
            (Rows{{1, 2, 3}, {1, 2, 3}, {1, 1, 2, 2, 3, 3}, {1, 2}}));
  // A child listed twice is copied twice.
  EXPECT_EQ(compute({{2, 2, 3}}, {{3, 3}}), (Rows{{2, 2, 2, 2}}));
}

TEST(TreeLeafSets, HugeLeafCountsUseStorageForNamedNodesOnly) {
  // L = 3e9 - 1: only the few nodes named get storage.
  const double top = 3e9;
  EXPECT_EQ(compute({{1, 2999999999, top}, {top, 7, top + 1}}, {{top + 1, 0}, {2999999999, 5}}),
            (Rows{{1, 7, 2999999999u}, {5, 2999999999u}}));
  // The last leaf id that fits in 32 bits.
  EXPECT_EQ(compute(
                {
                    {4294967295.0},
                },
                {{4294967294.0}}),
            (Rows{{4294967294u}}));
}

TEST(TreeLeafSets, CountsBeyondTheAddressRangeAreAnError) {
  // Node 2 = leaf 1 twice, then 69 doublings.
  std::vector<double> data(2 * 71, 0.0);
  mexsets::MatrixRef<double> m{data.data(), 2, 71};
  m(0, 0) = 1;
  m(0, 1) = 2;
  m(0, 70) = 2;
  for (std::size_t k = 0; k < 71; ++k) m(1, k) = 2;
  auto merges = standin::doubles(2, 71, data);
  EXPECT_EQ(call(merges, standin::matrix({{1}})), (Rows{{1}}));
  const std::size_t before = standin::live_arrays(), blocks = standin::live_blocks();
  expect_mex_error(
      [&] {
        call(merges, standin::matrix({{1}, {2}}));
      },
      "mexsets:tree_leaf_sets:resultTooLarge",
      "Result too large: the leaves of node-set row 2 of input 2 number more than "
      "this machine can address");
  // The tree lives in host memory and is given back on the way out.
  EXPECT_EQ(standin::live_arrays(), before);
  EXPECT_EQ(standin::live_blocks(), blocks);
  auto sets = standin::matrix({{1}, {1}});
  EXPECT_EQ(module().call(1, {&merges, &sets}).released_blocks, 0u);
  // 2^21 copies still work (weights through shared versions).
  auto small = rows_of({{1, 2, 0, 0, 2},
                        {2, 2, 2, 2, 2},
                        {2, 2, 2, 2, 2},
                        {2, 2, 2, 2, 2},
                        {2, 2, 2, 2, 2},
                        {2, 2, 2, 2, 2}});
  auto twice = rows_of({{2, 1}});
  const Rows many = mexsets::tree_leaf_sets(small.cref(), twice.cref());
  ASSERT_EQ(many[0].size(), (std::size_t{1} << 21) + 1);
  EXPECT_EQ(std::count(many[0].begin(), many[0].end(), 1u), many[0].size());
}

// 4 bytes a leaf and 128 a list, twice over in this host, against
// MEXSETS_MEMORY_LIMIT; a total beyond 64 bits is refused whatever the limit.
TEST(TreeLeafSets, ListsLargerThanTheMemoryLimitAreRefused) {
  auto merges = standin::matrix({{1, 2, 4}, {4, 3, 5}});
  auto sets = standin::matrix({{5, 0}, {2, 4}, {3, 0}});
  const std::string id = "mexsets:tree_leaf_sets:outputTooLarge";
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "824");
    EXPECT_EQ(call(merges, sets), (Rows{{1, 2, 3}, {1, 2, 2}, {3}}));
  }
  const std::size_t before = standin::live_arrays(), blocks = standin::live_blocks();
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "823");
    expect_mex_error([&] { call(merges, sets); }, id,
                     "Output too large: the leaf lists of 3 node sets for input 2 (sets) would "
                     "take 412 bytes (824 with the 2 copies this host holds at once), but "
                     "MEXSETS_MEMORY_LIMIT allows 823 bytes; ask for fewer node sets (rows of "
                     "sets) per call");
  }
  // Node 2 = leaf 1 doubled 60 times: 2^62 bytes a list, 2^64 for four.
  std::vector<double> data(2 * 62, 0.0);
  mexsets::MatrixRef<double> m{data.data(), 2, 62};
  m(0, 0) = 1;
  m(0, 61) = 2;
  for (std::size_t k = 0; k < 60; ++k) m(1, k) = 2;
  m(1, 61) = 2;
  const testing_support::ScopedEnvironment most("MEXSETS_MEMORY_LIMIT", "18446744073709551615");
  expect_mex_error(
      [&] {
        call(standin::doubles(2, 62, data), standin::matrix({{2}, {2}, {2}, {2}}));
      },
      id,
      "the leaf lists of 4 node sets for input 2 (sets) would take more than "
      "2^64-1 bytes (more than 2^64-1 with the 2 copies this host holds at once), "
      "but MEXSETS_MEMORY_LIMIT allows 18446744073709551615 bytes; ask for fewer "
      "node sets (rows of sets) per call");
  EXPECT_EQ(standin::live_arrays(), before);
  EXPECT_EQ(standin::live_blocks(), blocks);
}

TEST(TreeLeafSets, HostRunningOutOfMemoryMidwayLeaksNothing) {
  // Node 2 = leaf 1 doubled 22 times: 4,194,304 leaves, 16 MiB per cell. The
  // host runs out of memory at the fourth cell, while the tree is held.
  ASSERT_TRUE(small_host);
  std::vector<double> data(2 * 24, 0.0);
  mexsets::MatrixRef<double> m{data.data(), 2, 24};
  m(0, 0) = 1;
  m(0, 23) = 2;
  for (std::size_t k = 0; k < 23; ++k) m(1, k) = 2;
  m(1, 22) = 0;
  m(1, 23) = 2;
  auto merges = standin::doubles(2, 24, data);
  auto three = standin::matrix({{2}, {2}, {2}});
  auto four = standin::matrix({{2}, {2}, {1}, {2}, {2}});
  const std::size_t arrays = standin::live_arrays(), blocks = standin::live_blocks();
  EXPECT_EQ(call(merges, three)[2].size(), std::size_t{1} << 22);
  expect_mex_error([&] { module().call(1, {&merges, &four}); }, "MATLAB:nomem", "Out of memory.");
  EXPECT_EQ(standin::live_arrays(), arrays);
  EXPECT_EQ(standin::live_blocks(), blocks);
}

TEST(TreeLeafSets, ArgumentErrors) {
  auto m = standin::matrix({{1, 2, 4}, {4, 3, 5}});
  auto s = standin::matrix({{5}});
  auto flag = standin::logical(1, 1, {true});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {1, 2, 2});
  const std::string id = "mexsets:tree_leaf_sets:";
  expect_mex_error([&] { module().call(1, {&m}); }, id + "nargin", "Two input arguments required.");
  expect_mex_error(
      [&] {
        module().call(1, {&m, &s, &s});
      },
      id + "nargin", "Two input arguments required.");
  expect_mex_error(
      [&] {
        module().call(2, {&m, &s});
      },
      id + "nargout", "Too many output arguments.");
  EXPECT_NO_THROW(module().call(0, {&m, &s}));
  expect_mex_error(
      [&] {
        module().call(1, {&m, &flag});
      },
      id + "typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(1, {&cube, &flag});
      },
      id + "dimensionsNotCoherent", "Data dimensions not coherent");
}

TEST(TreeLeafSets, IdsOutsideTheTreeAreRejected) {
  const std::string id = "mexsets:tree_leaf_sets:";
  auto run = [](std::initializer_list<std::initializer_list<double>> merges,
                std::initializer_list<std::initializer_list<double>> sets) {
    auto m = standin::matrix(merges), s = standin::matrix(sets);
    module().call(1, {&m, &s});
  };
  auto empty_rows = standin::empty(0, 3), empty_cols = standin::empty(2, 0);
  auto s = standin::matrix({{1}});
  const std::size_t before = standin::live_arrays();
  expect_mex_error(
      [&] {
        module().call(1, {&empty_rows, &s});
      },
      id + "emptyMergeMatrix",
      "Merge matrix is empty: input 1 is 0-by-3; its first row's last entry fixes "
      "the leaf count");
  expect_mex_error(
      [&] {
        module().call(1, {&empty_cols, &s});
      },
      id + "emptyMergeMatrix",
      "input 1 is 2-by-0; its first row's last entry fixes the leaf count");
  expect_mex_error(
      [&] {
        run({{1, 0.5}}, {{1}});
      },
      id + "badLeafCount",
      "First row's last entry (leaf count + 1) is below 1: input 1 at row 1, "
      "column 2 holds 0.5");
  expect_mex_error(
      [&] {
        run({{1, NAN}}, {{1}});
      },
      id + "idNotANumber",
      "First row's last entry (leaf count + 1) is not a number: input 1 at row 1, "
      "column 2 holds NaN");
  expect_mex_error(
      [&] {
        run({{1, 4294967295.0}, {1, 3}}, {{1}});
      },
      id + "tooManyNodes",
      "Leaf count (first row's last entry - 1) plus 2 merge rows exceeds 2^32-1 "
      "nodes: input 1 at row 1, column 2 holds 4294967295");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {4, 6, 5}}, {{1}});
      },
      id + "idOutOfRange", "Child id outside 1..5: input 1 at row 2, column 2 holds 6");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {-1, 3, 5}}, {{1}});
      },
      id + "idOutOfRange", "Child id outside 1..5: input 1 at row 2, column 1 holds -1");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {1e-300, 3, 5}}, {{1}});
      },
      id + "idOutOfRange", "Child id outside 1..5: input 1 at row 2, column 1 holds 1e-300");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {4, NAN, 5}}, {{1}});
      },
      id + "idNotANumber", "Child id outside 1..5: input 1 at row 2, column 2 holds NaN");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {4, 3, 6}}, {{1}});
      },
      id + "idOutOfRange", "New node id outside 1..5: input 1 at row 2, column 3 holds 6");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {4, 3, INFINITY}}, {{1}});
      },
      id + "idOutOfRange", "New node id outside 1..5: input 1 at row 2, column 3 holds Inf");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {4, 3, 5}}, {{1, 2}, {3, 5.99}, {4, 6}});
      },
      id + "idOutOfRange", "Node id outside 1..5: input 2 at row 3, column 2 holds 6");
  expect_mex_error(
      [&] {
        run({{1, 2, 4}, {4, 3, 5}}, {{NAN, 0}});
      },
      id + "idNotANumber", "Node id outside 1..5: input 2 at row 1, column 1 holds NaN");
  EXPECT_EQ(standin::live_arrays(), before);
  // Entries after a row's 0 are never read.
  EXPECT_NO_THROW(run({{1, 0, NAN, 4}, {4, 3, 0, 5}}, {{5, 0, -7}}));
}

TEST(TreeLeafSets, FailuresWithoutAHostNameTheArgument) {
  EXPECT_EQ(failure_of([] {
              compute({{1, 2, 4}, {4, 6, 5}}, {{1}});
            }),
            "idOutOfRange: Child id outside 1..5: merges at row 2, column 2 holds 6");
  EXPECT_EQ(failure_of([] {
              compute({{1, 2, 4}, {4, 3, 5}}, {{5, 0}, {2, NAN}});
            }),
            "idNotANumber: Node id outside 1..5: sets at row 2, column 2 holds NaN");
  auto empty = mexsets::OwnedMatrix<double>(0, 3), sets = rows_of({{1}});
  EXPECT_EQ(failure_of([&] { mexsets::tree_leaf_sets(empty.cref(), sets.cref()); }),
            "emptyMergeMatrix: Merge matrix is empty: merges is 0-by-3; its first row's last "
            "entry fixes the leaf count");
}

// A random merge matrix outside the tidy shapes: out-of-order children,
// self references, repeated and leaf new ids, fractional ids, zero padding.
// Returns false when some node would hold more than `limit` entries (the
// linked-list algorithm would take too long).
bool random_tree(std::mt19937_64& random, mexsets::OwnedMatrix<double>& merges,
                 mexsets::OwnedMatrix<double>& sets, std::size_t leaf_offset = 0) {
  const std::size_t leaves = random() % 12 + (random() % 8 == 0 ? 0 : 1);
  const std::size_t rows = 1 + random() % 14, cols = 1 + random() % 5;
  const std::size_t nodes = leaves + leaf_offset + rows;
  auto any_id = [&] { return 1 + whole_below(random, nodes) + (random() % 4 == 0 ? 0.25 : 0.0); };
  merges = mexsets::OwnedMatrix<double>(rows, cols, 0.0);
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t first_merge = leaves + leaf_offset + 1;
    double p = static_cast<double>(first_merge + r);
    if (r > 0 && random() % 5 == 0) p = any_id();
    merges(r, cols - 1) = p;
    const std::size_t children = random() % cols;
    for (std::size_t c = 0; c < children; ++c) {
      const auto kind = random() % 10;
      if (kind == 0)
        merges(r, c) = p;  // its own node
      else if (kind < 4)
        merges(r, c) = 1 + whole_below(random, first_merge - 1 + (first_merge == 1));
      else
        merges(r, c) = any_id();  // earlier, later or a leaf
    }
  }
  sets = mexsets::OwnedMatrix<double>(random() % 8, random() % 5, 0.0);
  for (double& v : sets.data) v = random() % 6 == 0 ? 0.0 : any_id();
  // Sizes as the linked lists would have them.
  auto index = [](double v) { return static_cast<std::size_t>(v - 1); };
  std::vector<double> size(nodes, 0.0);
  for (std::size_t n = 0; n < leaves + leaf_offset; ++n) size[n] = 1;
  for (std::size_t r = 0; r < rows; ++r)
    for (std::size_t c = 0; c + 1 < cols && merges(r, c) != 0; ++c)
      size[index(merges(r, cols - 1))] += size[index(merges(r, c))];
  for (double s : size)
    if (s > 20000) return false;
  return true;
}

TEST(TreeLeafSets, MatchesTheLinkedListAlgorithmOnRandomTrees) {
  std::mt19937_64 random(7);
  int checked = 0;
  while (checked < 3000) {
    mexsets::OwnedMatrix<double> merges, sets;
    if (!random_tree(random, merges, sets)) continue;
    const Rows expected = reference::tree_leaf_sets(merges.cref(), sets.cref());
    ASSERT_EQ(mexsets::tree_leaf_sets(merges.cref(), sets.cref()), expected) << "case " << checked;
    if (checked % 10 == 0) {
      ASSERT_EQ(call(to_host(merges), to_host(sets)), expected);
    }
    ++checked;
  }
}

TEST(TreeLeafSets, MatchesWithOnlyNamedNodesStored) {
  // A leaf count far above the inputs' size switches to storage per named node.
  std::mt19937_64 random(11);
  int checked = 0;
  while (checked < 300) {
    mexsets::OwnedMatrix<double> merges, sets;
    if (!random_tree(random, merges, sets, 50000)) continue;
    ASSERT_EQ(mexsets::tree_leaf_sets(merges.cref(), sets.cref()),
              reference::tree_leaf_sets(merges.cref(), sets.cref()));
    ++checked;
  }
}

TEST(TreeLeafSets, MatchesOnWideRowsAndManySmallNodes) {
  // Rows of up to 12 nodes (more than are merged from sorted lists), and
  // hundreds of 64-leaf nodes, more than the sorted lists' budget holds.
  std::mt19937_64 random(13);
  const std::size_t leaves = 100, rows = 600;
  mexsets::OwnedMatrix<double> merges(rows, 3, 0.0);
  for (std::size_t r = 0; r < rows; ++r) {
    // Rows 0..61 chain leaves 1..63 into node 162; the later ones add to it.
    merges(r, 0) = static_cast<double>(r == 0 ? 1 : leaves + std::min<std::size_t>(r, 62));
    merges(r, 1) = r < 62 ? static_cast<double>(r + 2) : 1.0 + whole_below(random, leaves);
    merges(r, 2) = static_cast<double>(leaves + r + 1);
  }
  mexsets::OwnedMatrix<double> sets(300, 12, 0.0);
  for (std::size_t j = 0; j < sets.rows; ++j) {
    const std::size_t k = 1 + random() % 12;
    for (std::size_t c = 0; c < k; ++c) sets(j, c) = 1.0 + whole_below(random, leaves + rows);
  }
  const Rows expected = reference::tree_leaf_sets(merges.cref(), sets.cref());
  ASSERT_EQ(mexsets::tree_leaf_sets(merges.cref(), sets.cref()), expected);
  ASSERT_EQ(call(to_host(merges), to_host(sets)), expected);
  std::size_t wide = 0;
  for (std::size_t j = 0; j < sets.rows; ++j) wide += sets(j, 8) != 0;
  EXPECT_GT(wide, 50u);
}

TEST(TreeLeafSets, MatchesWhenRowsTouchFewLeavesOfAVastTree) {
  // Leaf order from the two-level bitmap costs a step per 4096 leaves, so a
  // row touching a handful of a tree's 300,000 leaves (one slot each: the
  // node sets are large enough) lists and sorts them instead. Rows of 9 or
  // 10 nodes (more than are merged from sorted lists) with repeats, now and
  // then a merged node, shared ones included; the rows reaching the largest
  // node take the bitmap, so both orders take turns on the same scratch.
  std::mt19937_64 random(17);
  const double leaves = 300000;
  const auto merges = rows_of({{1, 2, 3, leaves + 1},
                               {leaves + 1, leaves + 1, 5, leaves + 2},
                               {leaves + 2, 7, 0, leaves + 3}});
  mexsets::OwnedMatrix<double> sets(16000, 10, 0.0);
  for (std::size_t j = 0; j < sets.rows; ++j) {
    const std::size_t k = 9 + random() % 2;
    for (std::size_t c = 0; c < k; ++c)
      sets(j, c) = c > 0 && random() % 8 == 0 ? sets(j, c - 1)
                   : random() % 40 == 0       ? leaves + 1 + whole_below(random, 3)
                                              : 1 + whole_below(random, 300000);
  }
  ASSERT_EQ(mexsets::tree_leaf_sets(merges.cref(), sets.cref()),
            reference::tree_leaf_sets(merges.cref(), sets.cref()));
}

TEST(TreeLeafSets, MatchesOnRegionMergeTreesOfEveryShape) {
  const auto grid = tree_workloads::label_grid(40, 40, 150, 3);
  for (std::size_t depth : {0, 12, 60, 149})
    for (std::size_t arity : {2, 4}) {
      const auto tree = tree_workloads::merge_tree(grid, depth, depth + arity, arity);
      const auto merges = tree_workloads::merge_matrix_1based(tree);
      const auto sets = tree_workloads::node_sets(tree, 400, 4, depth);
      ASSERT_EQ(mexsets::tree_leaf_sets(merges.cref(), sets.cref()),
                reference::tree_leaf_sets(merges.cref(), sets.cref()));
    }
}

// Ctrl-C: stopped at any poll, with rows merged from sorted lists or counted
// leaf by leaf, and with only the named nodes stored, the computation throws
// Interrupted, and the next call gives the plain result.
TEST(TreeLeafSets, InterruptedThenCalledAgain) {
  const auto grid = tree_workloads::label_grid(30, 30, 100, 3);
  for (std::size_t depth : {0, 99}) {
    const auto tree = tree_workloads::merge_tree(grid, depth, depth + 2, 2);
    const auto merges = tree_workloads::merge_matrix_1based(tree);
    const auto sets = tree_workloads::node_sets(tree, 60, 10, depth);
    testing_support::expect_interruptible(
        [&] { return mexsets::tree_leaf_sets(merges.cref(), sets.cref()); });
  }
  std::mt19937_64 random(31);
  mexsets::OwnedMatrix<double> merges, sets;
  while (!random_tree(random, merges, sets, 50000) || sets.rows < 3 || sets.cols < 2) {
  }
  testing_support::expect_interruptible(
      [&] { return mexsets::tree_leaf_sets(merges.cref(), sets.cref()); });
}

TEST(TreeLeafSets, InputsWrittenByAnotherThreadAreNeverReadOutside) {
  // Slots for every node, and (with 10^6 more leaves) for the named ones.
  const auto w = tree_workloads::workload(40, 40, 200, 12, 300, 6);
  auto merges = tree_workloads::merge_matrix_1based(w.tree), sets = w.sets;
  const double leaves = merges(0, merges.cols - 1) - 1;
  auto far_merges = merges, far_sets = sets;
  for (auto* m : {&far_merges, &far_sets})
    for (double& id : m->data) id += id > leaves ? 1e6 : 0;
  testing_support::expect_harmless_race(
      {{merges.data.data(), merges.data.size()},
       {sets.data.data(), sets.data.size()},
       {far_merges.data.data(), far_merges.data.size()},
       {far_sets.data.data(), far_sets.data.size()}},
      [&] {
        auto lists = mexsets::tree_leaf_sets(merges.cref(), sets.cref());
        const auto far = mexsets::tree_leaf_sets(far_merges.cref(), far_sets.cref());
        lists.insert(lists.end(), far.begin(), far.end());
        return lists;
      });
}

}  // namespace

// Any number of threads fills the same rows, merged from sorted lists or
// counted leaf by leaf, however finely the rows are cut; an interrupt still
// ends a split run.
TEST(TreeLeafSets, SameBitsForAnyThreadCount) {
  std::mt19937_64 random(43);
  for (int checked = 0; checked < 80;) {
    mexsets::OwnedMatrix<double> merges, sets;
    if (!random_tree(random, merges, sets, checked % 4 == 0 ? 50000 : 0)) continue;
    testing_support::expect_same_for_threads(
        [&] { return mexsets::tree_leaf_sets(merges.cref(), sets.cref()); });
    ++checked;
  }
  const auto grid = tree_workloads::label_grid(30, 30, 100, 3);
  for (std::size_t depth : {0, 99}) {
    const auto tree = tree_workloads::merge_tree(grid, depth, depth + 2, 2);
    const auto merges = tree_workloads::merge_matrix_1based(tree);
    const auto sets = tree_workloads::node_sets(tree, 60, 10, depth);
    const auto run = [&] { return mexsets::tree_leaf_sets(merges.cref(), sets.cref()); };
    testing_support::expect_same_for_threads(run);
    testing_support::expect_interruptible_in_parallel(run);
    // Rows of at most four nodes are all merged from sorted lists: the
    // threads fill them without the layout for counting.
    const auto merged = tree_workloads::node_sets(tree, 60, 4, depth);
    testing_support::expect_same_for_threads(
        [&] { return mexsets::tree_leaf_sets(merges.cref(), merged.cref()); });
  }
}
