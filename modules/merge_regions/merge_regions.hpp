// merge_regions: the merge tree of L regions, built by joining, L-1 times,
// the two current nodes whose common boundary is weakest on average.
//
// Inputs (column-major doubles; each is read as its elements in column-major
// order, whatever its shape; failures name them by these names):
//   first, second  E elements each: the 1-based ids of two touching regions
//                  per listing k. An id v names region trunc(v - 1) + 1 and
//                  must land in 1..L (so 0.5 names region 1; NaN and Inf
//                  name none). The order of the two ids does not matter.
//   lengths        E elements: listing k's boundary length, > 0 (+Inf too).
//   strengths      E elements: listing k's boundary strength sum, any value.
//   areas          L elements, L >= 1: the area of region n, any value.
//   base           0 or 1 (default 1): the numbering of the merge output.
// Outputs:
//   merges  (L-1)-by-3. Row r (0-based) = [c1 c2 L+r] + (base - 1): the two
//           nodes joined by merge r, c1 < c2, and the new node. With base 1
//           nodes are 1..2L-1 (leaves 1..L, merges(0, 2) = L + 1), the form
//           that tree_leaf_sets and tree_occurrence_masks read; with base 0
//           every id is one less, the form that tree_overlap_matrix reads (a
//           row's children end at the new-id column, so no end marker is
//           needed, and `areas` below serves as its node_rows).
//   areas   2L-1: the area of every node, leaves first; a merge node's is
//           area(c1) + area(c2).
//   heights L-1: merge r's height, the average of the boundary it joined
//           along (the quotient it was chosen by, below), NaN when no
//           boundary was left.
//
// Boundaries. Listings of one unordered pair (either order) form one
// boundary whose length and strength sums start with the first listing's
// values and add the later listings' in listing order. A boundary's average
// is its strength sum divided by its length sum, as a double: averages are
// compared exactly as these quotients (-0 equals +0; NaN, from a NaN
// strength or Inf/Inf, comes after every number). Every boundary carries a
// number that breaks ties: the leaf boundaries are numbered 0, 1, ... in
// ascending order of (lower id, higher id); a merge that sums two
// boundaries into one (a neighbour touching both children) numbers the sums
// next, in ascending order of the neighbour's id; a boundary that passes
// from one child to the new node keeps its number.
//
// Merging. Each merge joins the two current nodes (not yet joined) whose
// boundary has the smallest average, the smallest number among equal
// averages. The new node touches every neighbour of its children: a
// neighbour touching one child keeps that boundary's sums, one touching both
// gets the two children's length sums added and the strength sums added
// (two terms, so the order does not matter); the boundary between the
// children disappears. When no boundary remains (parts of the picture that
// touch nothing else), each merge joins the two current nodes of smallest
// area, the smaller id among equal areas (NaN after every number).
//
// Heights. A summed boundary's exact average lies between the averages of
// the two it sums, and every boundary left has an average at least the one
// just taken, so in exact arithmetic heights never decrease: numbers first,
// then NaN (a NaN average comes after every number and sums with NaN stay
// NaN; the joins without a boundary are NaN). Rounding a quotient keeps
// order, so heights computed from exact sums (whole lengths and strengths
// below 2^53, say) never decrease either. A decrease needs an inexact sum:
// a few units in the last place from the rounding of the two sums, or any
// amount when a sum overflows (a length sum of Inf makes the quotient 0 or
// NaN, a strength sum of negative numbers -Inf).
//
// Limits (check_merge_inputs; the first breach is a Failure naming the
// argument, the entry and its value; entry k of an E-element input is
// located at row k mod rows, column k div rows): L >= 1; L <= 2^31 (node
// ids fit 32 bits); E < 2^31; second, lengths and strengths hold E
// elements each; listing by listing, first id then second id in 1..L, the
// two naming different regions, the length > 0; base is 0 or 1. The ids are
// read once more for merging and checked there again (another thread may
// write to them during the call).
//
// Cost: O(E + L) to sort the listings (two counting passes); O((E + L)
// log(E + L)) to merge: the leaf boundaries sorted once and a heap of the
// summed ones, both with lazy deletion, a hash table of the boundaries
// between current nodes, and per node a contiguous list of its boundaries,
// of which the node whose leaves have fewer leaf boundaries in all hands its
// list to the other, so a boundary changes hands O(log E) times. Scratch:
// O((E + L) log E) at worst, O(E + L) typically. One thread: each merge
// depends on the one before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

struct MergeInputs {
  ConstMatrix first, second, lengths, strengths, areas;
  std::size_t pairs() const { return first.size(); }
  std::size_t regions() const { return areas.size(); }
};

// The numbering of the merge output from the host's scalar: 0 or 1 exactly.
int merge_base(double base);

// Counts, ids and lengths, as listed under Limits above.
void check_merge_inputs(const MergeInputs& in);

// Writes the (L-1)-by-3 merge matrix (column-major), the 2L-1 node areas
// and the L-1 heights of checked inputs. Scratch comes from `memory`.
void merge_regions(const MergeInputs& in, int base, double* merges, double* areas, double* heights,
                   std::pmr::memory_resource* memory = std::pmr::get_default_resource());

// Checks and merges (tests, benchmarks, other bindings).
struct MergeTree {
  OwnedMatrix<double> merges;
  std::vector<double> areas, heights;
};
MergeTree merge_regions(const MergeInputs& in, int base = 1);

}  // namespace mexsets
