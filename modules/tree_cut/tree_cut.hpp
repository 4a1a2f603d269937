// tree_cut: the flat labelling of the L leaves of a merge tree after its
// first merges, chosen by a region count or by a height.
//
// Inputs (column-major doubles; failures name them by these names):
//   merges   (L-1)-by-3, as merge_regions gives it with base 1: row r
//            (0-based) is [c1 c2 L+r+1], two 1-based node ids and the node
//            that merge r makes. Leaves are nodes 1..L, merge r makes node
//            L+r+1. A merge matrix with no row (0-by-3, or [] ) is a tree
//            of one leaf. Every id must be a whole number in 1..2L-1; the
//            third column must be L+r+1; a child must be a leaf or a node
//            made by an earlier row, and no node may be a child twice.
//   heights  L-1 elements, any shape: merge r's height (NaN allowed).
//   count    a whole number in 1..L: apply merges 1..L-count, leaving
//            count regions; or
//   height   any number but NaN: apply the merges before the first one
//            whose height is not below `height` (>= height, or NaN). This
//            is the partition of greedy merging that stops once the
//            weakest boundary left is not below the threshold, whatever
//            the heights do further on.
// Output:
//   labels   L doubles: leaf n's region, 1..K, numbered by first appearance
//            in leaf order (leaf 1 is in region 1, the first leaf outside
//            it in region 2, ...).
//
// Limits (read_cut_tree; the first breach is a Failure naming the argument,
// the entry and its value): merges has 3 columns unless it has no row;
// fewer than 2^31 rows; heights holds rows(merges) elements; then row by
// row, column by column, each id is a number (idNotANumber), in 1..2L-1
// (idOutOfRange), whole (idNotWhole); then the row's new node is L+r+1
// (badNewNode), and each child was made before (childNotMade) and is a
// child of no earlier row (childReused). Each id is read once, into the
// tree's own storage, and used only from there.
//
// Cost: O(L) time, 8 bytes a merge for the tree and 8 bytes a node for the
// labelling: one reverse pass over the applied merges gives each node the
// top node of its region, one forward pass over the leaves numbers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

// A checked merge tree: 0-based children, two per merge.
struct CutTree {
  explicit CutTree(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : children(memory) {}
  std::uint32_t leaves = 1;
  std::pmr::vector<std::uint32_t> children;
  std::size_t merges() const { return children.size() / 2; }
};

// Checks merges and the size of heights (see Limits) and reads the tree.
CutTree read_cut_tree(ConstMatrix merges, ConstMatrix heights,
                      std::pmr::memory_resource* memory = std::pmr::get_default_resource());

// The number of merges to apply for a count of regions, checked (badCount).
std::size_t merges_for_count(const CutTree& tree, double count);

// The number of merges before the first whose height is not below `height`,
// checked not NaN (badHeight).
std::size_t merges_below(ConstMatrix heights, double height);

// Writes the L leaf labels after the first `applied` merges.
void cut_labels(const CutTree& tree, std::size_t applied, double* labels,
                std::pmr::memory_resource* memory = std::pmr::get_default_resource());

// Checks and cuts (tests, benchmarks, other bindings): by count when
// `by_count`, else by height.
std::vector<double> tree_cut(ConstMatrix merges, ConstMatrix heights, bool by_count, double value);

}  // namespace mexsets
