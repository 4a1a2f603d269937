// set_features, mode 3: the weights that are not zero, column by column.
//
// A row's pair sum starts at +0 and adds its weights in (j, k) order. Adding
// a zero of either sign leaves every sum unchanged except -0, and a sum that
// starts at +0 never becomes -0 (under round-to-nearest x + y is -0 only when
// both are -0). So the sum of a row's nonzero weights alone, in the same
// order, has the same bits. When the weight matrix is large and mostly
// zeros (shared boundary lengths of a map's regions are), one pass over it
// that keeps its nonzero entries turns the random reads of every pair into
// lookups in a structure that stays in cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"

namespace mexsets {

// The entries of the leading size-by-size square of w that are not zero
// (NaN included), in compressed columns: column b holds rows row[p] with
// weights value[p] for p from start[b] to start[b + 1] - 1, rows ascending.
struct SparseWeights {
  std::vector<std::uint32_t> start;
  std::vector<std::uint32_t> row;
  std::vector<double> value;
};

// Fills `sparse` from w's leading size-by-size square (size at most the row
// and column counts of w, and below 2^32), unless more than `most` (below
// 2^32) of its entries are not zero: then returns false, leaving `sparse`
// partial. May throw std::bad_alloc.
bool keep_nonzero_weights(ConstMatrix w, std::size_t size, std::size_t most, SparseWeights& sparse);

// Fills `sparse` from the stored entries of a sparse W's leading
// size-by-size square (size below 2^32) that are not zero, unless they
// number 2^32 - 1 or more: then returns false. Work and memory in proportion
// to size and the square's stored entries. May throw std::bad_alloc.
bool keep_stored_weights(const WeightMatrix& w, std::size_t size, SparseWeights& sparse);

// The share of nonzero entries among `samples` entries of w's leading
// size-by-size square (size >= 1) spread over it in a fixed pseudo-random
// pattern.
double nonzero_share(ConstMatrix w, std::size_t size, std::size_t samples);

}  // namespace mexsets
