// tree_overlap_matrix and its sorted-set routines: worked examples, edge
// cases, every error, and differential checks against the plain algorithm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <random>

#include "../../bench/support/tree_workloads.hpp"
#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_tree_overlap_matrix.hpp"
#include "support.hpp"
#include "threads.hpp"
#include "tree_overlap_matrix.hpp"

using testing_support::expect_mex_error;
using testing_support::failure_of;
using testing_support::rows_of;
using testing_support::same_bits;
using testing_support::to_host;
using testing_support::whole_below;

namespace {

using Ids = std::vector<unsigned int>;
using mexsets::OwnedMatrix;

// ---------------------------------------------------------------- sorted sets

TEST(SortedSets, WorkedExampleFollowsMultisetRules) {
  Ids a{1, 3, 3, 7}, b{3, 4, 7, 7}, out;
  mexsets::vector_union(a, b, out);
  EXPECT_EQ(out, Ids({1, 3, 3, 4, 7, 7}));
  mexsets::vector_intersection(a, b, out);
  EXPECT_EQ(out, Ids({3, 7}));
  mexsets::vector_union(b, a, out);
  EXPECT_EQ(out, Ids({1, 3, 3, 4, 7, 7}));
  mexsets::vector_intersection(b, a, out);
  EXPECT_EQ(out, Ids({3, 7}));
}

TEST(SortedSets, EmptyInputsAndStaleOutput) {
  Ids a{2, 5, 5}, none, out(10, 99);  // longer than any result
  mexsets::vector_union(a, none, out);
  EXPECT_EQ(out, a);
  out.assign(10, 99);
  mexsets::vector_union(none, a, out);
  EXPECT_EQ(out, a);
  mexsets::vector_intersection(a, none, out);
  EXPECT_TRUE(out.empty());
  mexsets::vector_intersection(none, a, out);
  EXPECT_TRUE(out.empty());
  out.assign(3, 1);
  mexsets::vector_union(none, none, out);
  EXPECT_TRUE(out.empty());
  Ids big{0, 4294967295u}, top{4294967295u};
  mexsets::vector_intersection(big, top, out);
  EXPECT_EQ(out, Ids({4294967295u}));  // compared as unsigned
}

TEST(SortedSets, UnsortedInputsFollowTheStepRule) {
  Ids a{5, 1, 4}, b{2, 9, 1}, out;
  mexsets::vector_union(a, b, out);
  EXPECT_EQ(out, Ids({2, 5, 1, 4, 9, 1}));
  mexsets::vector_intersection(a, b, out);
  EXPECT_TRUE(out.empty());  // 5 > 2, 5 < 9, then 1 < 9, 4 < 9: nothing equal met
  Ids c{3, 1}, d{3, 1};
  mexsets::vector_intersection(c, d, out);
  EXPECT_EQ(out, Ids({3, 1}));
}

TEST(SortedSets, OutputMayBeAnInput) {
  Ids a{1, 2, 2, 6}, b{2, 6, 8};
  mexsets::vector_union(a, b, a);
  EXPECT_EQ(a, Ids({1, 2, 2, 6, 8}));
  mexsets::vector_intersection(a, b, b);
  EXPECT_EQ(b, Ids({2, 6, 8}));
  mexsets::vector_intersection(a, a, a);
  EXPECT_EQ(a, Ids({1, 2, 2, 6, 8}));
}

TEST(SortedSets, CountsAreMaxAndMinOnRandomMultisets) {
  std::mt19937 random(7);
  Ids out;
  for (int round = 0; round < 300; ++round) {
    Ids a(random() % 20), b(random() % 20);
    for (auto& v : a) v = random() % 8;
    for (auto& v : b) v = random() % 8;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::map<unsigned, int> ca, cb;
    for (auto v : a) ++ca[v];
    for (auto v : b) ++cb[v];
    Ids expect_union, expect_common;
    for (unsigned v = 0; v < 8; ++v) {
      expect_union.insert(expect_union.end(), std::max(ca[v], cb[v]), v);
      expect_common.insert(expect_common.end(), std::min(ca[v], cb[v]), v);
    }
    mexsets::vector_union(a, b, out);
    ASSERT_EQ(out, expect_union);
    mexsets::vector_intersection(a, b, out);
    ASSERT_EQ(out, expect_common);
  }
}

// ------------------------------------------------------------------- gateway

const testing_support::LoadedModule module("tree_overlap_matrix");

std::vector<double> call(const standin::Array& merge, const standin::Array& nodes) {
  auto unused = standin::empty();
  auto result = module().call(1, {&unused, &merge, &nodes});
  return standin::values(result.outputs.at(0).get());
}

std::vector<double> call(const OwnedMatrix<double>& merge, const OwnedMatrix<double>& nodes) {
  return call(to_host(merge), to_host(nodes));
}

const std::vector<double> kWorked = {0, 0, 0, 2, 2,  // column-major, symmetric
                                     0, 0, 0, 3, 3,  //
                                     0, 0, 0, 0, 5,  //
                                     2, 3, 0, 0, 5,  //
                                     2, 3, 5, 5, 0};

TEST(TreeOverlapMatrix, WorkedExample) {
  auto nodes = rows_of({{2, 7}, {3, 7}, {5, 7}, {NAN, 1}, {-4, 1}});  // merge rows unread
  EXPECT_EQ(call(rows_of({{0, 1, -1, 3}, {3, 2, -1, 4}}), nodes), kWorked);
  EXPECT_EQ(call(rows_of({{0, 1, 3}, {3, 2, 4}}), nodes), kWorked);
  // Fractions truncate; -0 is the child 0; anything after the end marker is
  // never read; a new id in (-1, 0) is node 0.
  EXPECT_EQ(call(rows_of({{1.9, -0.0, -0.5, NAN, 3.2}, {2.5, 3.99, -7, 1e300, 4.7}}), nodes),
            kWorked);
}

TEST(TreeOverlapMatrix, InputOneAndExtraInputsAreNeverRead) {
  auto merge = standin::matrix({{0, 1, -1, 3}, {3, 2, -1, 4}});
  auto nodes = standin::matrix({{2}, {3}, {5}, {0}, {0}});
  standin::Array sparse(mxCreateSparse(3, 3, 1, mxREAL));
  standin::Array complex(mxCreateDoubleMatrix(2, 2, mxCOMPLEX));
  auto big = standin::doubles(2, 3, {NAN, 1, 2, 3, 4, 5});
  auto flag = standin::logical(1, 1, {true});
  for (const standin::Array* first : {&big, &sparse, &complex}) {
    auto result = module().call(0, {first, &merge, &nodes, &flag});  // nlhs 0: one slot
    EXPECT_EQ(standin::values(result.outputs.at(0).get()), kWorked);
    EXPECT_EQ(standin::dims(result.outputs[0].get()), std::vector<mwSize>({5, 5}));
  }
}

TEST(TreeOverlapMatrix, EmptyAndLeafOnlyTrees) {
  EXPECT_EQ(call(standin::empty(0, 3), standin::matrix({{1}, {2}, {3}})),
            std::vector<double>(9, 0.0));
  EXPECT_EQ(call(standin::empty(0, 0), standin::empty(0, 0)), std::vector<double>{});
  auto unused = standin::empty(), merge = standin::empty(0, 0), nodes = standin::empty(0, 2);
  auto result = module().call(1, {&unused, &merge, &nodes});
  EXPECT_EQ(standin::dims(result.outputs.at(0).get()), std::vector<mwSize>({0, 0}));
  // No weight column is fine while no merge node holds a leaf.
  EXPECT_EQ(call(standin::empty(0, 0), standin::empty(2, 0)), std::vector<double>(4, 0.0));
  EXPECT_EQ(call(standin::matrix({{-1, 2}}), standin::empty(3, 0)), std::vector<double>(9, 0.0));
}

TEST(TreeOverlapMatrix, UncreatedLateAndDuplicateNodes) {
  // Node 4 is never created; row 1 names node 5 before row 2 creates it, so
  // node 3 gets leaf 0 only; node 5 lists leaf 1 twice.
  auto w = call(rows_of({{0, 5, 3}, {1, 1, 5}, {-1, -1, 5}}),
                rows_of({{1}, {10}, {100}, {0}, {0}, {0}}));
  OwnedMatrix<double> expect(6, 6, 0.0);
  auto both = [&](std::size_t a, std::size_t b, double v) { expect(a, b) = expect(b, a) = v; };
  both(0, 3, 1);
  both(1, 5, 10);  // min(1, 2) copies: leaf 1 holds itself once
  EXPECT_EQ(w, expect.data);
  // Two nodes that both hold leaf 1 twice share it twice.
  auto twice = call(rows_of({{1, 1, 2}, {1, 1, 3}}), rows_of({{1}, {0.25}, {0}, {0}}));
  OwnedMatrix<double> pairs(4, 4, 0.0);
  pairs(1, 2) = pairs(2, 1) = pairs(1, 3) = pairs(3, 1) = 0.25;
  pairs(2, 3) = pairs(3, 2) = 0.5;
  EXPECT_EQ(twice, pairs.data);
}

TEST(TreeOverlapMatrix, NewIdsThatAlreadyHoldLeaves) {
  // Row 1 adds leaf 1 to leaf 0; rows 2 and 3 both add to node 3, and row 3
  // reads node 0 with its gained leaf. Nodes 4 and 5 are never created.
  auto w = call(rows_of({{1, 0}, {2, 3}, {0, 3}}), rows_of({{1}, {2}, {4}, {0}, {0}, {0}}));
  // Lists: node 0 = {0, 1}, node 3 = {0, 1, 2}; the leaf pair (0, 1) stays 0.
  OwnedMatrix<double> expect(6, 6, 0.0);
  expect(0, 3) = expect(3, 0) = 3;
  expect(1, 3) = expect(3, 1) = 2;
  expect(2, 3) = expect(3, 2) = 4;
  EXPECT_EQ(w, expect.data);
}

// Plain trees are filled along the merge tree itself; any other rows (a
// repeated child, a leaf as new id, a node read before its row, a row
// without children, a child of two rows) go through the nesting check.
TEST(TreeOverlapMatrix, PlainTreesAreRecognised) {
  const auto parents = [](const OwnedMatrix<double>& merge, std::size_t nodes) {
    return mexsets::LeafLists(mexsets::check_merge_matrix(merge.cref(), nodes), nodes)
        .tree_parents();
  };
  constexpr std::uint32_t none = mexsets::LeafLists::none;
  // Node 4 = {0, 1}, node 5 = node 4 alone, node 6 = {5, 2, 3}.
  const OwnedMatrix<double> plain = rows_of({{0, 1, -1, 4}, {4, -1, -1, 5}, {5, 2, 3, 6}});
  EXPECT_EQ(parents(plain, 7), (std::vector<std::uint32_t>{4, 4, 6, 6, 5, 6, none}));
  const std::pair<OwnedMatrix<double>, std::size_t> others[] = {
      {rows_of({{0, 0, 4}, {4, 1, 5}}), 6},
      {rows_of({{1, 0}, {0, 2}}), 4},
      {rows_of({{5, 0, 4}, {1, 2, 5}}), 6},
      {rows_of({{-1, -1, 4}, {4, 0, 5}}), 6},
      {rows_of({{0, 1, 4}, {1, 2, 5}}), 6}};
  for (const auto& [merge, nodes] : others) EXPECT_TRUE(parents(merge, nodes).empty()) << nodes;
}

TEST(TreeOverlapMatrix, SpecialWeightsKeepTheirBits) {
  auto merge = rows_of({{0, 1, 3}, {2, 3, 4}});
  const double nan_a = std::numeric_limits<double>::quiet_NaN();
  double nan_b;
  const std::uint64_t payload = 0x7ff8000000000abcULL;
  std::memcpy(&nan_b, &payload, sizeof nan_b);
  for (auto weights : std::vector<std::vector<double>>{{-0.0, -0.0, -0.0},
                                                       {INFINITY, -INFINITY, 1},
                                                       {nan_b, 1, nan_a},
                                                       {1e16, 1, -1e16},
                                                       {0.1, 0.2, 0.3}}) {
    OwnedMatrix<double> nodes(5, 1, 0.0);
    for (std::size_t k = 0; k < 3; ++k) nodes(k, 0) = weights[k];
    const auto expected = reference::tree_overlap_matrix(merge.cref(), nodes.cref());
    EXPECT_TRUE(same_bits(expected.data, call(merge, nodes)));
  }
  // -0 leaves sum to +0 (the sums start at +0); unrelated pairs stay +0.
  OwnedMatrix<double> zeros(5, 1, -0.0);
  const auto w = call(merge, zeros);
  for (double v : w) EXPECT_FALSE(std::signbit(v));
}

TEST(TreeOverlapMatrix, ArgumentErrors) {
  auto ok = standin::matrix({{1}});
  auto merge = standin::matrix({{0, 1, 2}});
  auto nodes = standin::matrix({{1}, {2}, {3}});
  auto flag = standin::logical(1, 1, {true});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {2, 2, 2});
  standin::Array sparse(mxCreateSparse(3, 1, 1, mxREAL));
  standin::Array complex(mxCreateDoubleMatrix(3, 1, mxCOMPLEX));
  const std::string id = "mexsets:tree_overlap_matrix:";
  const std::size_t before = standin::live_arrays();
  expect_mex_error(
      [&] {
        module().call(1, {&ok, &merge});
      },
      id + "nargin", "There should be at least 3 input parameters");
  expect_mex_error(
      [&] {
        module().call(1, {&flag, &merge, &nodes});
      },
      id + "typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(1, {&cube, &flag, &nodes});
      },
      id + "dimensionsNotCoherent", "Data dimensions not coherent");
  expect_mex_error(
      [&] {
        module().call(1, {&ok, &merge, &cube});
      },
      id + "dimensionsNotCoherent", "Data dimensions not coherent");
  expect_mex_error(
      [&] {
        module().call(1, {&ok, &sparse, &nodes});
      },
      id + "sparseInput", "input 2 is sparse; pass full(...) instead");
  expect_mex_error(
      [&] {
        module().call(1, {&ok, &merge, &complex});
      },
      id + "complexInput", "input 3 is complex; pass real(...) instead");
  EXPECT_EQ(standin::live_arrays(), before);
}

// 8*R^2 bytes, twice over in this host, against MEXSETS_MEMORY_LIMIT; an R
// whose 8*R^2 passes 64 bits is refused whatever the machine.
TEST(TreeOverlapMatrix, MatricesLargerThanTheMemoryLimitAreRefused) {
  auto merge = standin::matrix({{0, 1, -1, 3}, {3, 2, -1, 4}});
  auto nodes = standin::matrix({{2}, {3}, {5}, {0}, {0}});
  const std::string id = "mexsets:tree_overlap_matrix:outputTooLarge";
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "400");
    EXPECT_EQ(call(merge, nodes), kWorked);
  }
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "399");
    expect_mex_error([&] { call(merge, nodes); }, id,
                     "Output too large: the 5-by-5 overlap matrix for input 3 (node_rows) would "
                     "take 200 bytes (400 with the 2 copies this host holds at once), but "
                     "MEXSETS_MEMORY_LIMIT allows 399 bytes; pass a tree with fewer nodes (rows "
                     "of node_rows)");
  }
  const testing_support::ScopedEnvironment most("MEXSETS_MEMORY_LIMIT", "18446744073709551615");
  expect_mex_error([&] { call(standin::empty(), standin::empty(std::size_t{1} << 32, 0)); }, id,
                   "the 4294967296-by-4294967296 overlap matrix for input 3 (node_rows) would "
                   "take more than 2^64-1 bytes (more than 2^64-1 with the 2 copies this host "
                   "holds at once), but MEXSETS_MEMORY_LIMIT allows 18446744073709551615 bytes; "
                   "pass a tree with fewer nodes (rows of node_rows)");
}

void expect_tree_error(std::initializer_list<std::initializer_list<double>> merge,
                       std::size_t nodes, const std::string& reason, const std::string& message) {
  expect_mex_error(
      [&] {
        call(standin::matrix(merge), standin::doubles(nodes, 1, std::vector<double>(nodes, 1.0)));
      },
      "mexsets:tree_overlap_matrix:" + reason, message);
}

TEST(TreeOverlapMatrix, BadIdsAreRejected) {
  const std::size_t before = standin::live_arrays();
  expect_tree_error({{0, 1, 3}, {3, 2, 5}}, 5, "idOutOfRange",
                    "New node id outside 0..4: input 2 at row 2, column 3 holds 5");
  expect_tree_error({{0, 1, -1}}, 3, "idOutOfRange",
                    "New node id outside 0..2: input 2 at row 1, column 3 holds -1");
  expect_tree_error({{0, 1, NAN}}, 3, "idNotANumber",
                    "New node id outside 0..2: input 2 at row 1, column 3 holds NaN");
  expect_tree_error({{0, 5.5, 3}, {3, 2, 4}}, 5, "idOutOfRange",
                    "Child id outside 0..4: input 2 at row 1, column 2 holds 5.5");
  expect_tree_error({{0, INFINITY, 3}, {3, 2, 4}}, 5, "idOutOfRange",
                    "Child id outside 0..4: input 2 at row 1, column 2 holds Inf");
  expect_tree_error({{0, 1, 3}, {NAN, -1, 4}}, 5, "idNotANumber",
                    "Child id outside 0..4: input 2 at row 2, column 1 holds NaN");
  expect_tree_error(
      {{0, 1, 3}, {3, 4.25, 4}}, 5, "childIsNewNode",
      "Child id names the row's own new node 4: input 2 at row 2, column 2 holds 4.25");
  EXPECT_EQ(standin::live_arrays(), before);
}

TEST(TreeOverlapMatrix, ShapeErrors) {
  const std::string id = "mexsets:tree_overlap_matrix:";
  expect_mex_error(
      [&] {
        call(standin::matrix({{0, 1, 2}, {2, 1, 3}}), standin::matrix({{1}}));
      },
      id + "tooFewNodeRows",
      "Fewer node rows than merge rows: input 3 has 1 rows but input 2 has 2");
  expect_mex_error([&] { call(standin::empty(2, 0), standin::empty(3, 1)); }, id + "noNewIdColumn",
                   "Merge rows without a new node id: input 2 has 2 rows but no columns");
  expect_mex_error(
      [&] {
        call(standin::matrix({{0, 1, 3}, {-1, -1, 4}}), standin::empty(5, 0));
      },
      id + "noLeafWeights",
      "Leaf weights missing: input 3 has no columns, but merge node 3 holds leaves");
  // A leaf that gains leaves shares them only with another leaf: no weight needed.
  EXPECT_EQ(call(standin::matrix({{1, 0}}), standin::empty(3, 0)), std::vector<double>(9, 0.0));
  const std::size_t too_many = (std::size_t{1} << 32) + 1;
  expect_mex_error([&] { call(standin::empty(0, 1), standin::empty(too_many, 0)); },
                   id + "tooManyNodes",
                   "Too many nodes for 32-bit leaf and node ids: input 3 has 4294967297 rows, at "
                   "most 4294967296 are allowed");
}

TEST(TreeOverlapMatrix, LeafCountsBeyond32BitsAreRejected) {
  // Each row doubles node r's copies of leaf 0: the 32nd row reaches 2^32.
  const auto doubling = [](std::size_t rows) {
    OwnedMatrix<double> merge(rows, 3);
    for (std::size_t r = 0; r < rows; ++r) {
      merge(r, 0) = merge(r, 1) = static_cast<double>(r);
      merge(r, 2) = static_cast<double>(r + 1);
    }
    return merge;
  };
  const auto merge = doubling(32);
  const std::size_t before = standin::live_arrays();
  expect_mex_error([&] { call(merge, OwnedMatrix<double>(33, 1, 1.0)); },
                   "mexsets:tree_overlap_matrix:leafCountTooLarge",
                   "Leaf count too large: row 32 of input 2 would put leaf 0 into node 32 more "
                   "than 4294967295 times");
  EXPECT_EQ(standin::live_arrays(), before);  // the result created first is released
  // 31 rows give 2^31 copies, which is allowed (the lists hold counts, not copies).
  const auto fewer = doubling(31);
  EXPECT_NO_THROW(mexsets::LeafLists(mexsets::check_merge_matrix(fewer.cref(), 32), 32));
}

TEST(TreeOverlapMatrix, FailuresWithoutAHostNameTheArgument) {
  const auto overlaps = [](std::initializer_list<std::initializer_list<double>> merge,
                           std::size_t nodes) {
    return failure_of([&] {
      mexsets::tree_overlap_matrix(rows_of(merge).cref(),
                                   OwnedMatrix<double>(nodes, 1, 1.0).cref());
    });
  };
  EXPECT_EQ(overlaps({{0, 1, 3}, {3, 4.25, 4}}, 5),
            "childIsNewNode: Child id names the row's own new node 4: merges at row 2, column 2 "
            "holds 4.25");
  EXPECT_EQ(
      overlaps({{0, 1, 3}, {3, 2, 4}}, 1),
      "tooFewNodeRows: Fewer node rows than merge rows: node_rows has 1 rows but merges has 2");
}

// ---------------------------------------------------------- differential tests

struct RandomTree {
  OwnedMatrix<double> merge;
  OwnedMatrix<double> nodes;
};

double random_weight(std::mt19937_64& random) {
  switch (random() % 12) {
    case 0:
      return NAN;
    case 1:
      return INFINITY;
    case 2:
      return -INFINITY;
    case 3:
      return -0.0;
    case 4:
      return 0.0;
    case 5:
      return std::ldexp(static_cast<double>(random() % 1000), 60);  // absorbs small ones
    default:
      return std::ldexp(static_cast<double>(random() % 100000) - 50000.0, -17);
  }
}

// A random merge matrix within the limits. `proper` gives trees (each node a
// child at most once, rows in order, repeated children allowed); otherwise
// rows may name later nodes, reuse nodes, repeat new ids and extend leaves.
RandomTree random_tree(std::mt19937_64& random, bool proper) {
  const std::size_t leaves = random() % (proper ? 40 : 8);
  const std::size_t rows = random() % (proper ? 30 : 10);
  const std::size_t cols = 1 + random() % 4;
  const std::size_t nodes = leaves + rows;
  RandomTree t{OwnedMatrix<double>(rows, cols, -1.0), OwnedMatrix<double>(nodes, 1 + random() % 2)};
  for (double& v : t.nodes.data) v = random_weight(random);
  std::vector<std::size_t> free;  // proper trees: nodes not yet used as a child
  for (std::size_t k = 0; k < leaves; ++k) free.push_back(k);
  const auto fraction = [&] { return whole_below(random, 4) * 0.25; };  // truncated away
  for (std::size_t r = 0; r < rows; ++r) {
    std::size_t parent = leaves + r;
    if (!proper && random() % 4 == 0) parent = random() % nodes;
    t.merge(r, cols - 1) = static_cast<double>(parent) + fraction();
    std::size_t j = 0;
    const std::size_t children = random() % cols;
    for (; j < children; ++j) {
      std::size_t child;
      if (proper && j > 0 && random() % 5 == 0) {
        child = static_cast<std::size_t>(t.merge(r, j - 1));  // the same child again
      } else if (proper) {
        if (free.empty()) break;
        const std::size_t at = random() % free.size();
        child = free[at];
        free.erase(free.begin() + at);
      } else {
        child = random() % nodes;
        if (child == parent) break;
      }
      t.merge(r, j) = static_cast<double>(child) + fraction();
    }
    if (j < cols - 1) {
      t.merge(r, j) = random() % 2 ? -1.0 : -0.25;  // end marker
      for (std::size_t k = j + 1; k + 1 < cols; ++k) t.merge(r, k) = random() % 2 ? NAN : 1e9;
    }
    if (proper) free.push_back(parent);
  }
  return t;
}

void expect_matches_reference(const RandomTree& t, bool through_gateway) {
  const auto expected = reference::tree_overlap_matrix(t.merge.cref(), t.nodes.cref());
  const auto computed = mexsets::tree_overlap_matrix(t.merge.cref(), t.nodes.cref());
  ASSERT_TRUE(same_bits(expected.data, computed.data));
  if (through_gateway) {
    ASSERT_TRUE(same_bits(expected.data, call(t.merge, t.nodes)));
  }
}

TEST(TreeOverlapMatrix, WeightsAreNeededOnlyWhenAMergeNodeHoldsLeaves) {
  const std::string reason = "mexsets:tree_overlap_matrix:noLeafWeights";
  // Node 3 reads node 4 before row 2 fills it, so only node 4 holds a leaf.
  expect_mex_error(
      [&] {
        call(standin::matrix({{4, 3}, {0, 4}}), standin::empty(5, 0));
      },
      reason, "Leaf weights missing: input 3 has no columns, but merge node 4 holds leaves");
  // A merge node fed by a leaf that gained leaves, and one fed by nothing.
  expect_mex_error(
      [&] {
        call(standin::matrix({{1, 0}, {-1, 3}, {0, 4}}), standin::empty(5, 0));
      },
      reason, "merge node 4 holds leaves");
  EXPECT_EQ(call(standin::matrix({{4, 3}, {-1, 4}}), standin::empty(5, 0)),
            std::vector<double>(25, 0.0));
  // On random tangled trees the check fails exactly when, with unit weights,
  // some pair shares a leaf.
  std::mt19937_64 random(5);
  for (int round = 0; round < 500; ++round) {
    auto t = random_tree(random, false);
    OwnedMatrix<double> ones(t.nodes.rows, 1, 1.0);
    const auto w = reference::tree_overlap_matrix(t.merge.cref(), ones.cref());
    const bool shared = std::any_of(w.data.begin(), w.data.end(), [](double v) { return v != 0; });
    bool failed = false;
    try {
      mexsets::check_leaf_weights(mexsets::check_merge_matrix(t.merge.cref(), t.nodes.rows),
                                  t.nodes.rows, 0);
    } catch (const mexsets::Failure&) {
      failed = true;
    }
    ASSERT_EQ(failed, shared) << round;
  }
}

TEST(TreeOverlapMatrix, ProperTreesMatchThePlainAlgorithm) {
  std::mt19937_64 random(2024);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    expect_matches_reference(random_tree(random, true), round % 4 == 0);
  }
}

TEST(TreeOverlapMatrix, TangledTreesMatchThePlainAlgorithm) {
  std::mt19937_64 random(99);
  for (int round = 0; round < 1500; ++round) {
    SCOPED_TRACE(round);
    expect_matches_reference(random_tree(random, false), round % 4 == 0);
  }
}

TEST(TreeOverlapMatrix, OverlappingListsMatchThePlainAlgorithm) {
  // Nodes 3 = {0, 1} and 4 = {1, 2} overlap without nesting; node 5 =
  // {0, 1, 1, 1, 2}, node 6 = {0, 1, 1, 1, 1, 2, 2}.
  auto merge = rows_of({{0, 1, -1, 3}, {1, 2, -1, 4}, {1, 3, 4, 5}, {4, 5, -1, 6}});
  auto nodes = rows_of({{0.1}, {0.7}, {1e17}, {0}, {0}, {0}, {0}});
  const auto expected = reference::tree_overlap_matrix(merge.cref(), nodes.cref());
  EXPECT_TRUE(same_bits(expected.data, call(merge, nodes)));
  EXPECT_EQ(expected(3, 4), 0.7);
  double shared = 0.0;
  for (double w : {0.1, 0.7, 0.7, 0.7, 1e17}) shared += w;
  EXPECT_EQ(expected(5, 6), shared);
}

TEST(TreeOverlapMatrix, NodesMadeAgainAndAgainMatchThePlainAlgorithm) {
  // Node 120 gains two leaves in each of 300 rows; every tenth row makes a
  // node of its own from it and a leaf. The lists it leaves behind outgrow
  // the current ones, which are then moved together, over and over.
  std::mt19937_64 random(7);
  RandomTree t{OwnedMatrix<double>(300, 3, -1.0), OwnedMatrix<double>(420, 1)};
  for (double& v : t.nodes.data) v = random_weight(random);
  for (std::size_t r = 0; r < 300; ++r) {
    const bool own = r % 10 == 9;
    t.merge(r, 0) = own ? 120 : static_cast<double>(r % 120);
    t.merge(r, 1) = static_cast<double>((r * 7) % 120);
    t.merge(r, 2) = own ? static_cast<double>(120 + r) : 120;
  }
  expect_matches_reference(t, true);
}

// Ctrl-C: stopped at any poll, on nested lists and on overlapping ones, the
// computation throws Interrupted, and the next call gives the plain result.
TEST(TreeOverlapMatrix, InterruptedThenCalledAgain) {
  const auto grid = tree_workloads::label_grid(30, 30, 80, 5);
  const auto tree = tree_workloads::merge_tree(grid, 10, 7, 3);
  const auto nested = tree_workloads::merge_matrix_0based(tree);
  const OwnedMatrix<double> weights(80 + nested.rows, 1, 0.5);
  const auto overlapping = rows_of({{0, 1, -1, 3}, {1, 2, -1, 4}, {1, 3, 4, 5}, {4, 5, -1, 6}});
  const OwnedMatrix<double> seven(7, 1, 0.25);
  testing_support::expect_interruptible(
      [&] { return mexsets::tree_overlap_matrix(nested.cref(), weights.cref()).data; });
  testing_support::expect_interruptible(
      [&] { return mexsets::tree_overlap_matrix(overlapping.cref(), seven.cref()).data; });
}

TEST(TreeOverlapMatrix, MergesWrittenByAnotherThreadAreNeverReadOutside) {
  // A tree whose lists nest, and one whose lists do not.
  const auto w = tree_workloads::workload(40, 40, 150, 10, 1, 5);
  OwnedMatrix<double> nested = tree_workloads::merge_matrix_0based(w.tree);
  const OwnedMatrix<double> weights = tree_workloads::node_weights(w.tree, 5);
  // One more row joins leaves 0 and 1, which have parents already.
  OwnedMatrix<double> tangled(nested.rows + 1, nested.cols, -1.0),
      more_weights(weights.rows + 1, 1);
  for (std::size_t j = 0; j < nested.cols; ++j)
    for (std::size_t r = 0; r < nested.rows; ++r) tangled(r, j) = nested(r, j);
  tangled(nested.rows, 0) = 0;
  tangled(nested.rows, 1) = 1;
  tangled(nested.rows, nested.cols - 1) = static_cast<double>(weights.rows);
  std::copy(weights.data.begin(), weights.data.end(), more_weights.data.begin());
  testing_support::expect_harmless_race(
      {{nested.data.data(), nested.data.size()}, {tangled.data.data(), tangled.data.size()}}, [&] {
        std::vector<double> overlaps =
            mexsets::tree_overlap_matrix(nested.cref(), weights.cref()).data;
        const auto more = mexsets::tree_overlap_matrix(tangled.cref(), more_weights.cref()).data;
        overlaps.insert(overlaps.end(), more.begin(), more.end());
        return overlaps;
      });
}

}  // namespace

// Any number of threads gives the same matrix, nested lists or not, however
// finely the nodes are cut; an interrupt still ends a split run.
TEST(TreeOverlapMatrix, SameBitsForAnyThreadCount) {
  std::mt19937_64 random(37);
  for (int round = 0; round < 60; ++round) {
    const RandomTree t = random_tree(random, round % 2 == 0);
    testing_support::expect_same_for_threads(
        [&] { return mexsets::tree_overlap_matrix(t.merge.cref(), t.nodes.cref()).data; });
  }
  const auto grid = tree_workloads::label_grid(30, 30, 120, 3);
  for (std::size_t depth : {0, 119}) {
    const auto tree = tree_workloads::merge_tree(grid, depth, depth + 2, 2);
    OwnedMatrix<double> merge = tree_workloads::merge_matrix_0based(tree);
    OwnedMatrix<double> nodes(tree.nodes(), 1);
    for (double& v : nodes.data) v = random_weight(random);
    // One more row that merges two leaves again: the lists stop nesting.
    OwnedMatrix<double> tangled(merge.rows + 1, merge.cols, -1.0);
    for (std::size_t r = 0; r < merge.rows; ++r)
      for (std::size_t c = 0; c < merge.cols; ++c) tangled(r, c) = merge(r, c);
    tangled(merge.rows, 0) = 0;
    tangled(merge.rows, 1) = 1;
    tangled(merge.rows, merge.cols - 1) = static_cast<double>(tree.nodes());
    OwnedMatrix<double> more(tree.nodes() + 1, 1);
    for (double& v : more.data) v = random_weight(random);
    for (const auto* m : {&merge, &tangled}) {
      const auto& weights = m == &merge ? nodes : more;
      const auto run = [&] { return mexsets::tree_overlap_matrix(m->cref(), weights.cref()).data; };
      testing_support::expect_same_for_threads(run);
      testing_support::expect_interruptible_in_parallel(run);
    }
  }
}

// A chain that takes the leaves in shuffled order, large enough for the
// sums to be cut into bands on their own: each merge node's sum adds the
// leaves below it in ascending order, whatever order the chain took them in.
TEST(TreeOverlapMatrix, DeepPlainTreeSumsLeavesInAscendingOrder) {
  std::mt19937_64 random(41);
  constexpr std::size_t leaves = 400, nodes = 2 * leaves - 1;
  std::vector<std::size_t> taken(leaves);
  for (std::size_t l = 0; l < leaves; ++l) taken[l] = l;
  std::shuffle(taken.begin(), taken.end(), random);
  OwnedMatrix<double> merge(leaves - 1, 3), weights(nodes, 1);
  for (double& v : weights.data)  // finite: a NaN's payload may come from either operand
    v = random() % 4 ? std::ldexp(static_cast<double>(random() % 100000) - 50000.0, -17)
                     : std::ldexp(static_cast<double>(random() % 1000), 60);
  for (std::size_t r = 0; r + 1 < leaves; ++r) {
    merge(r, 0) = static_cast<double>(r == 0 ? taken[0] : leaves + r - 1);
    merge(r, 1) = static_cast<double>(taken[r + 1]);
    merge(r, 2) = static_cast<double>(leaves + r);
  }
  std::vector<double> expected(nodes * nodes, 0.0), below;  // below[r]: node leaves + r
  std::vector<std::size_t> row_of(leaves);  // the first row whose node holds the leaf
  for (std::size_t r = 0; r + 1 < leaves; ++r) {
    std::vector<std::size_t> held(taken.begin(), taken.begin() + static_cast<long>(r + 2));
    std::sort(held.begin(), held.end());
    double sum = 0.0;
    for (std::size_t l : held) sum += weights.data[l];
    below.push_back(sum);
    row_of[taken[r + 1]] = r;
  }
  row_of[taken[0]] = 0;
  for (std::size_t c = leaves; c < nodes; ++c) {
    for (std::size_t l = 0; l < leaves; ++l)
      if (row_of[l] <= c - leaves)
        expected[l + c * nodes] = expected[c + l * nodes] = 0.0 + weights.data[l];
    for (std::size_t d = leaves; d < nodes; ++d)
      if (d != c) expected[d + c * nodes] = below[std::min(c, d) - leaves];
  }
  const auto run = [&] { return mexsets::tree_overlap_matrix(merge.cref(), weights.cref()).data; };
  EXPECT_TRUE(same_bits(run(), expected));
  testing_support::expect_same_for_threads(run);
}
