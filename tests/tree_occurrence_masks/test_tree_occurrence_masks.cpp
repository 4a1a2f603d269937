// tree_occurrence_masks: worked example, the one-plane result, edge cases,
// time order of the merges, every message, and differential checks against
// the plain linked-list algorithm on random grids and trees.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "../../bench/support/tree_workloads.hpp"
#include "interrupt_cases.hpp"
#include "racing_writer.hpp"
#include "reference_tree_occurrence_masks.hpp"
#include "support.hpp"
#include "threads.hpp"
#include "tree_occurrence_masks.hpp"

using testing_support::expect_mex_error;
using testing_support::failure_of;
using testing_support::rows_of;
using testing_support::to_host;
using testing_support::whole_below;
using Flags = std::vector<bool>;

namespace {

const testing_support::LoadedModule module("tree_occurrence_masks");

struct Masks {
  std::vector<mwSize> dims;
  Flags flags;
};

// Calls the gateway; checks the class and returns extents and flags.
Masks call(const standin::Array& labels, const standin::Array& merges, const standin::Array& sets,
           int nlhs = 1) {
  auto result = module().call(nlhs, {&labels, &merges, &sets});
  const mxArray* out = result.outputs.at(0).get();
  EXPECT_EQ(mxGetClassID(out), mxLOGICAL_CLASS);
  const mxLogical* data = mxGetLogicals(out);
  return {standin::dims(out), Flags(data, data + mxGetNumberOfElements(out))};
}

// Every plane at once, checked and computed as the gateway does.
Flags masks_of(mexsets::ConstMatrix labels, mexsets::ConstMatrix merges,
               mexsets::ConstMatrix sets) {
  mexsets::TreeOccurrenceMasks masks(mexsets::TreeOccurrenceMasks::check(labels, merges, sets));
  const std::size_t count = masks.rows() * masks.cols() * masks.planes();
  std::unique_ptr<bool[]> flags(new bool[count]());
  masks.mark(flags.get());
  return Flags(flags.get(), flags.get() + count);
}

Flags compute(std::initializer_list<std::initializer_list<double>> labels,
              std::initializer_list<std::initializer_list<double>> merges,
              std::initializer_list<std::initializer_list<double>> sets) {
  auto l = rows_of(labels), m = rows_of(merges), s = rows_of(sets);
  return masks_of(l.cref(), m.cref(), s.cref());
}

TEST(TreeOccurrenceMasks, WorkedExample) {
  // Plane 1 (node 4 = labels 1, 2) is [1 1 1; 0 0 1]; plane 2 (nodes 3, 1)
  // is [1 1 0; 1 1 0]; the 0 in the last column of row 2 is never read.
  auto labels = standin::matrix({{1, 1, 2}, {3, 3, 2}});
  auto merges = standin::matrix({{1, 2, 4}, {4, 3, 0}});
  const Masks masks = call(labels, merges, standin::matrix({{4, 0}, {3, 1}}));
  EXPECT_EQ(masks.dims, (std::vector<mwSize>{2, 3, 2}));
  EXPECT_EQ(masks.flags, (Flags{1, 0, 1, 0, 1, 1, /**/ 1, 1, 1, 1, 0, 0}));
  // One node set: the host reports M-by-N; node 5 covers everything.
  const Masks one = call(labels, merges, standin::matrix({{5, 2}}));
  EXPECT_EQ(one.dims, (std::vector<mwSize>{2, 3}));
  EXPECT_EQ(one.flags, Flags(6, true));
  // No node set: M-by-N-by-0.
  EXPECT_EQ(call(labels, merges, standin::empty(0, 2)).dims, (std::vector<mwSize>{2, 3, 0}));
}

TEST(TreeOccurrenceMasks, EdgeCases) {
  // A node-set row starting with 0, fractional ids, zero columns.
  EXPECT_EQ(compute({{1, 2}}, {{1, 2, 3}}, {{0, 1}, {2.9, 0}, {3.5, 1}}),
            (Flags{0, 0, 0, 1, 1, 1}));
  EXPECT_EQ(compute({{1, 2}}, {{1, 2, 3}}, {{}, {}}).size(), 4u);
  EXPECT_EQ(compute({{1, 2}}, {{1, 2, 3}}, {{}, {}}), Flags(4, false));
  // One merge column: no children, only labels naming a node directly mark.
  EXPECT_EQ(compute({{1, 3, 4}}, {{3}, {9}}, {{3, 0}, {4, 0}, {1, 2}}),
            (Flags{0, 1, 0, /**/ 0, 0, 1, /**/ 1, 0, 0}));
  // A label naming a merge node gives it (and the nodes above) the position,
  // not its children; node 6 is reached by nothing.
  EXPECT_EQ(compute({{1, 4, 2}}, {{1, 2, 4}, {4, 3, 0}, {0, 0, 0}}, {{1}, {4}, {5}, {6}}),
            (Flags{1, 0, 0, /**/ 1, 1, 1, /**/ 1, 1, 1, /**/ 0, 0, 0}));
  // Empty label matrix.
  EXPECT_EQ(compute({}, {{1, 2, 3}}, {{3}}), Flags{});
}

TEST(TreeOccurrenceMasks, MergesReadNodesAsTheyAreAtThatRow) {
  // Row 1 names node 5 before row 2 builds it: node 4 gets only the
  // positions labelled 5 (and 1), not those of 2 and 3.
  EXPECT_EQ(compute({{1, 2, 3, 5}}, {{1, 5, 4}, {2, 3, 0}}, {{4}, {5}}),
            (Flags{1, 0, 0, 1, /**/ 0, 1, 1, 1}));
  // Rows naming their own node change nothing; the last column of later
  // rows is never read, whatever it holds.
  EXPECT_EQ(compute({{1, 2, 4}}, {{4, 1, 4}, {5, 2, NAN}}, {{4}, {5}}),
            (Flags{1, 0, 1, /**/ 0, 1, 0}));
}

TEST(TreeOccurrenceMasks, HugeLeafCountsUseStorageForNamedNodesOnly) {
  const double top = 3e9;  // L = 3e9 - 1
  EXPECT_EQ(compute({{1, 7, top + 1}, {2999999999, 8, top}}, {{1, 2999999999, top}, {top, 7, 0}},
                    {{top, 0}, {top + 1, 0}, {8, 0}}),
            (Flags{1, 1, 0, 0, 0, 1, /**/ 1, 1, 1, 0, 1, 1, /**/ 0, 0, 0, 1, 0, 0}));
}

TEST(TreeOccurrenceMasks, ArgumentErrors) {
  auto l = standin::matrix({{1, 2}});
  auto m = standin::matrix({{1, 2, 3}});
  auto flag = standin::logical(1, 1, {true});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {1, 2, 2});
  const std::string id = "mexsets:tree_occurrence_masks:";
  expect_mex_error(
      [&] {
        module().call(1, {&l, &m});
      },
      id + "nargin", "Three input arguments required.");
  expect_mex_error(
      [&] {
        module().call(1, {&l, &m, &m, &m});
      },
      id + "nargin", "Three input arguments required.");
  expect_mex_error(
      [&] {
        module().call(2, {&l, &m, &m});
      },
      id + "nargout", "Too many output arguments.");
  expect_mex_error(
      [&] {
        module().call(1, {&l, &flag, &m});
      },
      id + "typesNotCoherent", "Data types not coherent");
  expect_mex_error(
      [&] {
        module().call(1, {&l, &m, &cube});
      },
      id + "dimensionsNotCoherent", "Data dimensions not coherent");
}

// M*N*K bytes, twice over in this host, against MEXSETS_MEMORY_LIMIT.
TEST(TreeOccurrenceMasks, MasksLargerThanTheMemoryLimitAreRefused) {
  auto labels = standin::matrix({{1, 1, 2}, {3, 3, 2}});
  auto merges = standin::matrix({{1, 2, 4}, {4, 3, 0}});
  auto sets = standin::matrix({{4, 0}, {3, 1}});
  const std::string id = "mexsets:tree_occurrence_masks:outputTooLarge";
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "24");
    EXPECT_EQ(call(labels, merges, sets).flags.size(), 12u);
  }
  {
    const testing_support::ScopedEnvironment limit("MEXSETS_MEMORY_LIMIT", "23");
    expect_mex_error([&] { call(labels, merges, sets); }, id,
                     "Output too large: the 2-by-3-by-2 logical masks for input 3 (sets) would "
                     "take 12 bytes (24 with the 2 copies this host holds at once), but "
                     "MEXSETS_MEMORY_LIMIT allows 23 bytes; ask for fewer node sets (rows of "
                     "sets) per call");
  }
}

TEST(TreeOccurrenceMasks, IdsOutsideTheTreeAreRejected) {
  const std::string id = "mexsets:tree_occurrence_masks:";
  auto run = [](std::initializer_list<std::initializer_list<double>> labels,
                std::initializer_list<std::initializer_list<double>> merges,
                std::initializer_list<std::initializer_list<double>> sets) {
    auto l = standin::matrix(labels), m = standin::matrix(merges), s = standin::matrix(sets);
    module().call(1, {&l, &m, &s});
  };
  auto l = standin::matrix({{1}});
  auto empty = standin::empty(0, 3);
  const std::size_t before = standin::live_arrays();
  expect_mex_error(
      [&] {
        module().call(1, {&l, &empty, &l});
      },
      id + "emptyMergeMatrix",
      "Merge matrix is empty: input 2 is 0-by-3; its first row's last entry fixes "
      "the leaf count");
  expect_mex_error(
      [&] {
        run({{1}}, {{1, -2}}, {{1}});
      },
      id + "badLeafCount",
      "First row's last entry (leaf count + 1) is below 1: input 2 at row 1, "
      "column 2 holds -2");
  expect_mex_error([&] { run({{1}}, {{NAN}}, {{1}}); }, id + "idNotANumber",
                   "input 2 at row 1, column 1 holds NaN");
  expect_mex_error(
      [&] {
        run({{1}}, {{1, 5e9}}, {{1}});
      },
      id + "tooManyNodes",
      "plus 1 merge rows exceeds 2^32-1 nodes: input 2 at row 1, column 2 holds 5e+09");
  expect_mex_error(
      [&] {
        run({{1, 1, 2}, {3, 0, 2}}, {{1, 2, 4}, {4, 3, 0}}, {{1}});
      },
      id + "idOutOfRange", "Label outside 1..5: input 1 at row 2, column 2 holds 0");
  expect_mex_error(
      [&] {
        run({{1, 1, 2}, {3, 6, NAN}}, {{1, 2, 4}, {4, 3, 0}}, {{1}});
      },
      id + "idOutOfRange", "Label outside 1..5: input 1 at row 2, column 2 holds 6");
  expect_mex_error(
      [&] {
        run({{1, 1, NAN}}, {{1, 2, 4}, {4, 3, 0}}, {{1}});
      },
      id + "idNotANumber", "Label outside 1..5: input 1 at row 1, column 3 holds NaN");
  expect_mex_error(
      [&] {
        run({{1}}, {{1, 2, 4}, {4, -3, 0}}, {{1}});
      },
      id + "idOutOfRange", "Child id outside 1..5: input 2 at row 2, column 2 holds -3");
  expect_mex_error(
      [&] {
        run({{1}}, {{1, 2, 4}, {4, 3, 0}}, {{5, 6.5}, {6, 0}});
      },
      id + "idOutOfRange", "Node id outside 1..5: input 3 at row 1, column 2 holds 6.5");
  expect_mex_error(
      [&] {
        run({{1}}, {{1, 2, 4}, {4, 3, 0}}, {{1}, {INFINITY}});
      },
      id + "idOutOfRange", "Node id outside 1..5: input 3 at row 2, column 1 holds Inf");
  EXPECT_EQ(standin::live_arrays(), before);
  // Entries after a row's 0 are never read.
  EXPECT_NO_THROW(run({{1}}, {{1, 0, -1, 4}, {4, 3, 0, NAN}}, {{5, 0, NAN}}));
}

TEST(TreeOccurrenceMasks, FailuresWithoutAHostNameTheArgument) {
  EXPECT_EQ(failure_of([] {
              compute({{1, 0}}, {{1, 2, 4}}, {{3}});
            }),
            "idOutOfRange: Label outside 1..4: labels at row 1, column 2 holds 0");
  EXPECT_EQ(failure_of([] {
              compute({{1}}, {{1, 2, 0.5}}, {{3}});
            }),
            "badLeafCount: First row's last entry (leaf count + 1) is below 1: merges at row 1, "
            "column 3 holds 0.5");
  EXPECT_EQ(failure_of([] {
              compute({{1}}, {{1, 2, 4}}, {{3, 5}});
            }),
            "idOutOfRange: Node id outside 1..4: sets at row 1, column 2 holds 5");
}

// A random label grid and merge matrix outside the tidy shapes: labels
// naming any node, children created later, repeated children, rows naming
// their own node, fractional ids. `spread` raises the leaf count far above
// the inputs' size (storage per named node).
void random_case(std::mt19937_64& random, mexsets::OwnedMatrix<double>& labels,
                 mexsets::OwnedMatrix<double>& merges, mexsets::OwnedMatrix<double>& sets,
                 std::size_t spread = 0) {
  const std::size_t leaves = 1 + random() % 10 + spread;
  const std::size_t rows = 1 + random() % 12, cols = 1 + random() % 4;
  const std::size_t nodes = leaves + rows;
  auto any_id = [&] { return 1 + whole_below(random, nodes) + (random() % 4 == 0 ? 0.5 : 0.0); };
  auto leaf_id = [&] { return 1.0 + whole_below(random, leaves); };
  labels = mexsets::OwnedMatrix<double>(random() % 7, random() % 7);
  // Mostly blocks of leaves (runs), sometimes any node.
  for (std::size_t p = 0; p < labels.data.size(); ++p)
    labels.data[p] =
        random() % 6 == 0 ? any_id() : (p > 0 && random() % 2 ? labels.data[p - 1] : leaf_id());
  merges = mexsets::OwnedMatrix<double>(rows, cols, 0.0);
  merges(0, cols - 1) = static_cast<double>(leaves + 1);
  for (std::size_t r = 1; r < rows; ++r) merges(r, cols - 1) = random() % 3 ? 0.0 : any_id();
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t children = random() % cols;
    for (std::size_t c = 0; c < children; ++c) {
      const auto kind = random() % 10;
      merges(r, c) = kind == 0  ? static_cast<double>(leaves + r + 1)  // its own node
                     : kind < 5 ? leaf_id()
                                : any_id();  // earlier, later or a leaf
    }
  }
  sets = mexsets::OwnedMatrix<double>(random() % 8, random() % 4, 0.0);
  for (double& v : sets.data) v = random() % 6 == 0 ? 0.0 : any_id();
}

TEST(TreeOccurrenceMasks, MatchesTheLinkedListAlgorithmOnRandomGrids) {
  std::mt19937_64 random(5);
  for (int round = 0; round < 3000; ++round) {
    mexsets::OwnedMatrix<double> labels, merges, sets;
    random_case(random, labels, merges, sets);
    const Flags expected =
        reference::tree_occurrence_masks(labels.cref(), merges.cref(), sets.cref());
    ASSERT_EQ(masks_of(labels.cref(), merges.cref(), sets.cref()), expected) << "round " << round;
    if (round % 10 == 0) {
      ASSERT_EQ(call(to_host(labels), to_host(merges), to_host(sets)).flags, expected);
    }
  }
}

TEST(TreeOccurrenceMasks, MatchesWithOnlyNamedNodesStored) {
  std::mt19937_64 random(9);
  for (int round = 0; round < 200; ++round) {
    mexsets::OwnedMatrix<double> labels, merges, sets;
    random_case(random, labels, merges, sets, 30000);
    ASSERT_EQ(masks_of(labels.cref(), merges.cref(), sets.cref()),
              reference::tree_occurrence_masks(labels.cref(), merges.cref(), sets.cref()));
  }
}

// Enough planes that the labels are kept as runs, over random grids where
// ids of one node with other fractions (3, 3.25, 3.5) stand side by side:
// the runs then split where the node does not change, and the writes join
// them again. On any number of threads too, down to chunks of one position.
TEST(TreeOccurrenceMasks, MatchesWithRunsSplitWithinANode) {
  std::mt19937_64 random(17);
  for (int round = 0; round < 400; ++round) {
    mexsets::OwnedMatrix<double> labels, merges, sets;
    random_case(random, labels, merges, sets);
    for (std::size_t p = 1; p < labels.data.size(); ++p)
      if (random() % 3 == 0)
        labels.data[p] = std::floor(labels.data[p - 1]) + 0.25 * static_cast<double>(random() % 4);
    mexsets::OwnedMatrix<double> many(sets.rows * 40, sets.cols, 0.0);
    for (std::size_t k = 0; k < many.rows; ++k)
      for (std::size_t c = 0; c < sets.cols; ++c) many(k, c) = sets(k % sets.rows, c);
    const auto run = [&] { return masks_of(labels.cref(), merges.cref(), many.cref()); };
    ASSERT_EQ(run(), reference::tree_occurrence_masks(labels.cref(), merges.cref(), many.cref()))
        << "round " << round;
    if (round % 40 == 0)
      testing_support::expect_same_for_threads([&] {
        const Flags flags = run();
        return std::vector<char>(flags.begin(), flags.end());
      });
  }
}

TEST(TreeOccurrenceMasks, MatchesOnRegionGridsWithRunsAndWithoutThem) {
  // Many planes keep the labels as runs; a single plane over a grid whose
  // every position differs from the next fills the plane label by label.
  auto grid = tree_workloads::label_grid(60, 50, 120, 4);
  for (std::size_t depth : {0, 15, 119}) {
    const auto tree = tree_workloads::merge_tree(grid, depth, depth + 1, 3);
    const auto merges = tree_workloads::merge_matrix_1based(tree);
    for (std::size_t planes : {1, 40}) {
      const auto sets = tree_workloads::node_sets(tree, planes, 4, depth + planes);
      ASSERT_EQ(masks_of(grid.labels.cref(), merges.cref(), sets.cref()),
                reference::tree_occurrence_masks(grid.labels.cref(), merges.cref(), sets.cref()));
    }
  }
  auto noisy = grid.labels;
  for (std::size_t p = 0; p < noisy.data.size(); ++p)
    noisy.data[p] = static_cast<double>(1 + (p * 7919) % 120);
  const auto tree = tree_workloads::merge_tree(grid, 10, 2);
  const auto merges = tree_workloads::merge_matrix_1based(tree);
  const auto sets = tree_workloads::node_sets(tree, 1, 4, 3);
  ASSERT_EQ(masks_of(noisy.cref(), merges.cref(), sets.cref()),
            reference::tree_occurrence_masks(noisy.cref(), merges.cref(), sets.cref()));
}

// Ctrl-C: stopped at any poll, with planes written from runs of labels or
// label by label, and with only the named nodes stored, the computation
// throws Interrupted, and the next call gives the plain result.
TEST(TreeOccurrenceMasks, InterruptedThenCalledAgain) {
  const auto grid = tree_workloads::label_grid(40, 30, 100, 6);
  const auto tree = tree_workloads::merge_tree(grid, 12, 5, 3);
  const auto merges = tree_workloads::merge_matrix_1based(tree);
  auto noisy = grid.labels;
  for (std::size_t p = 0; p < noisy.data.size(); ++p)
    noisy.data[p] = static_cast<double>(1 + (p * 7919) % 100);
  const auto many = tree_workloads::node_sets(tree, 30, 4, 7);
  const auto one = tree_workloads::node_sets(tree, 1, 4, 8);
  std::mt19937_64 random(37);
  mexsets::OwnedMatrix<double> labels, named_merges, sets;
  do random_case(random, labels, named_merges, sets, 30000);
  while (labels.data.size() < 4 || sets.rows < 2);
  struct Case {
    const mexsets::OwnedMatrix<double>&labels, &merges, &sets;
  };
  for (const Case& c : {Case{grid.labels, merges, many}, Case{noisy, merges, one},
                        Case{labels, named_merges, sets}})
    testing_support::expect_interruptible(
        [&] { return masks_of(c.labels.cref(), c.merges.cref(), c.sets.cref()); });
}

TEST(TreeOccurrenceMasks, InputsWrittenByAnotherThreadAreNeverReadOutside) {
  // Masks written from runs (many planes) and position by position (one
  // plane), with a slot for every node and, after 10^6 more leaves, for the
  // named nodes only.
  const auto w = tree_workloads::workload(50, 50, 200, 12, 1, 3);
  const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  const double leaves = merges(0, merges.cols - 1) - 1, more = 1e6;
  struct Case {
    mexsets::OwnedMatrix<double> labels, merges, sets;
  };
  std::vector<Case> cases;
  for (std::size_t planes : {20, 1}) {
    Case c{w.grid.labels, merges, tree_workloads::node_sets(w.tree, planes, 4, planes)};
    cases.push_back(c);
    for (auto* m : {&c.merges, &c.sets})
      for (double& id : m->data) id += id > leaves ? more : 0;
    cases.push_back(c);
  }
  std::vector<testing_support::RacedInput> inputs;
  for (Case& c : cases)
    for (auto* m : {&c.labels, &c.merges, &c.sets})
      inputs.push_back({m->data.data(), m->data.size()});
  testing_support::expect_harmless_race(inputs, [&] {
    std::vector<bool> flags;
    for (const Case& c : cases) {
      const auto masks = masks_of(c.labels.cref(), c.merges.cref(), c.sets.cref());
      flags.insert(flags.end(), masks.begin(), masks.end());
    }
    return flags;
  });
}

}  // namespace

// Any number of threads marks the same planes, from runs of labels or label
// by label, however finely the planes are cut; an interrupt still ends a
// split run.
TEST(TreeOccurrenceMasks, SameBitsForAnyThreadCount) {
  const auto bytes = [](const Flags& flags) {
    return std::vector<char>(flags.begin(), flags.end());
  };
  std::mt19937_64 random(41);
  for (int round = 0; round < 80; ++round) {
    mexsets::OwnedMatrix<double> labels, merges, sets;
    random_case(random, labels, merges, sets, round % 4 == 0 ? 30000 : 0);
    testing_support::expect_same_for_threads(
        [&] { return bytes(masks_of(labels.cref(), merges.cref(), sets.cref())); });
  }
  const auto grid = tree_workloads::label_grid(40, 30, 100, 6);
  const auto tree = tree_workloads::merge_tree(grid, 12, 5, 3);
  const auto merges = tree_workloads::merge_matrix_1based(tree);
  auto noisy = grid.labels;
  for (std::size_t p = 0; p < noisy.data.size(); ++p)
    noisy.data[p] = static_cast<double>(1 + (p * 7919) % 100);
  const auto sets = tree_workloads::node_sets(tree, 30, 4, 12);
  for (const mexsets::OwnedMatrix<double>* labels :
       std::initializer_list<const mexsets::OwnedMatrix<double>*>{&grid.labels, &noisy}) {
    const auto run = [&] { return bytes(masks_of(labels->cref(), merges.cref(), sets.cref())); };
    testing_support::expect_same_for_threads(run);
    testing_support::expect_interruptible_in_parallel(run);
  }
}
