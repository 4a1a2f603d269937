// tree_overlap_matrix: the shared leaf weight of every pair of nodes of a
// merge tree.
//
// Inputs (column-major doubles):
//   merge      R2-by-C2 merge matrix, 0-based node ids. Row r lists child ids
//              in columns 0 .. C2-2 up to the first negative entry (the end
//              marker; -0 and NaN are not negative); column C2-1 holds the
//              id of the node that the row creates or adds to.
//   node_rows  R-by-C, one row per node, leaves first. R fixes the node
//              count; column 0 at the leaf rows holds the leaf weights, and
//              nothing else of it is read.
// Numbering: nodes 0 .. R-1; the leaves are 0 .. L-1 with L = R - R2. Ids are
// truncated toward zero (2.7 is node 2, -0.5 as a new id is node 0).
//
// Leaf lists: a multiset of leaves per node. Leaf k starts as {k}, every
// other node empty. Rows run first to last; a row adds to its new node the
// current lists of its children, one copy per listing, and keeps what the
// node held (a leaf or an earlier row's node as new id keeps its leaves). A
// child is read as it stands when its row runs, so a node created by a later
// row contributes what it holds then (usually nothing).
//
// Result W, R-by-R: for d != i with at least one of them a merge node,
// W(d, i) = W(i, d) = the sum over the leaves l in ascending order of the
// weight of l, added min(a, b) times one by one (a, b: the counts of l in the
// two lists), starting from +0 in double precision. This is the sum of the
// multiset intersection of the two sorted lists taken in ascending order, so
// results are reproducible bit for bit. The diagonal and the pairs of two
// leaves are 0.
//
// Limits (check_merge_matrix and check_leaf_weights check them before the
// result is created, LeafLists the count of copies): R >= R2; a
// merge matrix with rows has a column for the new ids; R <= 2^32 (leaf and
// node ids fit in 32 bits); every new id and child id up to the end marker is
// a number in 0 .. R-1 after truncation; no row lists its own new node as a
// child; a node holds one leaf at most 2^32 - 1 times; node_rows has a column
// whenever a merge node holds a leaf.
//
// Cost: building the lists merges sorted (leaf, count) runs, so multiplicities
// cost nothing and scratch stays within twice the total number of distinct
// leaves per node (lists share one block; lists replaced are dropped once
// they outnumber the rest). A plain tree (each node a child once) builds no
// lists: each leaf, in ascending order, adds its weight to the sums of the
// nodes above it, in O(R) scratch. When the lists of any two nodes are
// nested or disjoint (every proper tree, repeated children included; a plain
// tree is taken as such without checking), each entry is one per-node sum
// and the work after zeroing W is the total list size plus the sum of the
// node depths. Otherwise each leaf adds its weight to every pair of nodes
// that hold it, in ascending leaf order, and the upper triangle is mirrored. Threads: the entries are filled
// on the threads of the call (common/parallel.hpp), each whole on one thread,
// so the bits are the same on any number. Nested lists split W by column (a
// column's entries are its ancestors and descendants in the nesting forest),
// so each thread writes, and first touches, only columns of its own; a plain
// tree's sums split its nodes by depth (each sum whole on one thread); the
// lists and the nesting check are built on the calling thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"
#include "sorted_sets.hpp"

namespace mexsets {

// `count` copies of leaf `leaf` in a node's list.
struct LeafRun {
  std::uint32_t leaf;
  std::uint32_t count;
};

struct LeafRuns {
  const LeafRun* first = nullptr;
  std::size_t size = 0;
  const LeafRun* begin() const { return first; }
  const LeafRun* end() const { return first + size; }
};

// The ids of a merge matrix as check_merge_matrix reads them, once, into
// storage of its own (from `memory`): row r adds to node parents[r] the
// children children[first[r] .. first[r+1]), all 0-based. Everything after
// the check works from these, so another thread writing to the merge matrix
// meanwhile can change the result, never what is addressed.
struct MergeRows {
  explicit MergeRows(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : parents(memory), children(memory), first(1, 0, memory) {}
  std::size_t rows() const { return parents.size(); }

  std::pmr::vector<std::uint32_t> parents;
  std::pmr::vector<std::uint32_t> children;
  std::pmr::vector<std::size_t> first;
};

// The leaf lists of every node after all merge rows, as ascending runs. Only
// the nodes that some row names as new node are stored; the others hold
// their initial list. Rows that make a plain tree store none: tree_parents
// gives the lists then.
class LeafLists {
 public:
  // `merge` comes from check_merge_matrix(..., nodes). Throws Failure
  // (leafCountTooLarge) when a node would hold one leaf 2^32 times or more.
  LeafLists(const MergeRows& merge, std::size_t nodes);

  std::size_t nodes() const { return nodes_; }
  std::size_t leaves() const { return leaves_; }

  // The runs of every node; the run of a leaf that no row changed is
  // written to singles[k]. Only for rows that are not a plain tree.
  std::vector<LeafRuns> all_runs(std::vector<LeafRun>& singles) const;

  // When the rows make a plain tree (each creates a new merge node, once,
  // from at least one child; each child is a leaf or a node created by an
  // earlier row and is named once in all), the row that names each node as
  // a child: tree_parents()[k] is its new id, or none for a root. The lists
  // then nest exactly along this tree. Empty for any other rows.
  static constexpr std::uint32_t none = 0xffffffffu;
  const std::vector<std::uint32_t>& tree_parents() const { return tree_parents_; }

 private:
  std::size_t nodes_;
  std::size_t leaves_;
  std::vector<std::uint32_t> tree_parents_;
  struct Span {
    std::size_t first, size;
  };
  std::vector<std::size_t> named_;  // distinct new ids, ascending
  std::vector<Span> spans_;         // the list of node named_[k], in store_
  std::vector<LeafRun> store_;
};

// Throws Failure when `merge` (the argument "merges") and the node count
// (the rows of "node_rows") break the limits above: tooFewNodeRows,
// noNewIdColumn, tooManyNodes, idNotANumber, idOutOfRange, childIsNewNode
// (failures name those two arguments). Rows are checked
// first to last, in each the new id first, then the children left to right.
// Returns the ids read, each read once; `memory` holds them.
MergeRows check_merge_matrix(ConstMatrix merge, std::size_t nodes,
                             std::pmr::memory_resource* memory = std::pmr::get_default_resource());

// Throws Failure (noLeafWeights) when node_rows has no column although a
// merge node holds a leaf. Needs no more memory than the merge matrix's
// distinct new ids.
void check_leaf_weights(const MergeRows& merge, std::size_t nodes, std::size_t weight_columns);

// Writes W into out (R*R doubles, column-major, all +0 on entry). weights
// holds R doubles; it may be null only when check_leaf_weights passes with
// no columns.
void fill_overlap_matrix(const LeafLists& lists, const double* weights, double* out);

// All of the above in one call.
OwnedMatrix<double> tree_overlap_matrix(ConstMatrix merge, ConstMatrix node_rows);

}  // namespace mexsets
