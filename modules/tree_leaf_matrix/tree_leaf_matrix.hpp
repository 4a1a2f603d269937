// tree_leaf_matrix: the leaves below the nodes of each node set of a merge
// tree, as one padded id matrix (the form that score_subsets, rank_diverse,
// suppress_overlaps and set_features read).
//
// Inputs (column-major doubles): merges and sets exactly as tree_leaf_sets
// reads them (1-based node ids, 0 ends a row; see common/leaf_sets.hpp), and
// base, which must be 0 or 1.
// Output: R2-by-C doubles, R2 = rows of sets and C = the largest leaf count
// of a row (0 when every row has none). Row j holds the leaves that
// tree_leaf_sets gives for row j of sets, ascending, repeats kept: with
// base 1 as 1-based ids followed by 0s, with base 0 as 0-based ids followed
// by -1s.
//
// Limits: base is checked first (badBase), then those of tree_leaf_sets
// (the same reasons and messages), then the size: every row's count, and
// R2 * C doubles, must be addressable (resultTooLarge). The contract then
// compares the matrix with the memory available (outputTooLarge).
//
// Cost: tree_leaf_sets' cost, plus O(R2 * C) to write the matrix. A matrix
// of at least 2^16 entries that leaves fill at most a quarter of (the rest
// is padding) is written column by column, each column in order, from every
// row's leaves gathered first; any other, by blocks of rows (consecutive
// rows share the cache lines of each column). Scratch: the tree's, plus
// the gathered leaves (at most R2 * C / 4 uint32) and O(R2 + C), or for
// blocks of rows up to 2^18 uint32 (or one row's leaves, if more).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>

#include "common/leaf_sets.hpp"
#include "mexsets/column_major.hpp"

namespace mexsets {

// True for base 1, false for base 0; throws Failure (badBase) otherwise.
bool leaf_matrix_one_based(double base);

// C, the largest leaf count of a row of `tree`; throws Failure
// (resultTooLarge) when a row's count, or rows * C doubles, cannot be
// addressed.
std::size_t leaf_matrix_width(const TreeLeafSets& tree);

// Writes every entry of the tree.size()-by-width matrix `out` (column-major),
// width = leaf_matrix_width(tree). `memory` holds the gathered leaves, or
// one block's, meanwhile. Large matrices are written on the threads of the
// call: the gathered leaves row by row (TreeLeafSets::fill_rows), then a
// range of columns per chunk; or a block of rows per chunk, each with leaves
// and a Filling of its own from the heap. The entries are the same on any
// number of threads.
void write_leaf_matrix(TreeLeafSets& tree, std::size_t width, bool one_based, double* out,
                       std::pmr::memory_resource* memory = std::pmr::get_default_resource());

// The whole matrix at once (tests, benchmarks, other bindings).
OwnedMatrix<double> tree_leaf_matrix(ConstMatrix merges, ConstMatrix sets, double base = 1);

}  // namespace mexsets
