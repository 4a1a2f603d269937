// set_features: per-row aggregates of an id matrix, in four modes.
//
// Inputs (column-major doubles; failures name them by these names):
//   ids        M-by-N. Row i lists 0-based ids from column 0 on, up to the
//              first negative entry (the end marker) or the end of the row;
//              0 and -0 are id 0. An id x addresses row trunc(x) of the value
//              matrix (2.9 is 2).
//   v          one row per id: modes 1 to 3 read column 0, mode 4 columns
//              0 to 3.
//   mode       1 minimum, 2 minimum/maximum ratio and sum, 3 perimeter,
//              4 box; the host's scalar truncated toward zero. Any other
//              value, NaN included, selects nothing (see feature_mode).
//   w          mode 3 only: w(a, b) for the pair of ids a listed before
//              b in a row. Dense or compressed columns (WeightMatrix; a
//              vector is a matrix of one row or column here): a compressed w
//              is read by its nonzero entries alone, which gives the bits of
//              the dense w with the same entries.
// Outputs per row i (out1 M-by-1, out2 M-by-second_output_columns(mode)):
//   mode 1: out1 = the minimum of the row's values, starting from DBL_MAX.
//   mode 2: out1 = min / max, out2 = the sum from +0; min starts at DBL_MAX,
//           max at DBL_MIN (so an empty row gives DBL_MAX / DBL_MIN = Inf,
//           and a row of values <= DBL_MIN keeps max = DBL_MIN).
//   mode 3: out2 = P, the sum over position pairs j < k (j outer, k inner, both
//           ascending) of w(id_j, id_k); S = the sum of the values in
//           row order; out1 = P * -2 + S. Both sums start at +0.
//   mode 4: out2 = [min v0, min v1, max v2, max v3] starting from
//           [DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX]; out1 is left untouched.
// A running minimum (maximum) takes a value only when it is strictly less
// (greater), so NaN never enters and ties keep the earlier value; sums take
// NaN in. Every sum adds in the row's own order, so results are reproducible
// bit for bit whatever the traversal.
//
// Limits (reported, never read past): every id up to a row's end is a number
// x with trunc(x) < K, K being rows(v) and, in mode 3, also the row and
// column counts of w; v has at least mode_value_columns(mode) columns when
// any row holds an id. An id read again after its check (the grouped
// kernels of set_features_modes.hpp) is kept below K, so that another thread
// writing to ids during the call can change the result, never what is
// addressed.
//
// Cost: one read of each id up to its row's end (and one of the end marker)
// and one value read per id; mode 3 adds one weight read per id pair, about
// len^2 / 2 per row. On x86-64, modes 1, 2 and 4 take id matrices of up to
// 255 columns in blocks of rows: a branch-free sweep finds each row's length
// and checks its ids, then rows of equal length are accumulated side by side
// (see set_features_modes.hpp, row_lengths.hpp); wider matrices, and other
// processors, walk rows one by one with later rows' lines requested ahead.
// Mode 3 buffers blocks of rows and advances the pair sums of rows of equal
// length side by side; when w is large, mostly zeros and the pairs many, it
// first keeps w's nonzero entries (one streaming read of w) and looks each
// row's pairs up among them instead (sparse_weights.hpp), or, for short rows
// whose pairs often have nonzero weights, each pair in turn. Memory: O(1)
// besides the outputs, a block buffer of at most 2^14 ids in mode 3 (or,
// with the nonzero weights kept, 12 bytes per nonzero weight, 48 per
// addressable id and 8 per column of ids; when that memory is not there,
// every pair is read from w), and in mode 4 a row-major copy of the four
// value columns when the ids outnumber four times its rows.
#pragma once

#include <cstddef>

#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

// The mode selected by the host's scalar: 1..4, or 0 for any other value.
// Truncation is toward zero (2.9 is 2, -0.5 is 0); NaN and infinities, whose
// conversion to an integer is undefined, select nothing like any other value.
int feature_mode(double value);

// Columns of v that a mode reads (0 for no computation), and the column
// count of its second output (0: no second output).
std::size_t mode_value_columns(int mode);
std::size_t second_output_columns(int mode);

// Whether any row of ids holds at least one id (its first entry is not
// negative).
bool holds_any_id(ConstMatrix ids);

// Fails (tooFewColumns) when v has too few columns for the mode and
// some row holds an id.
void check_value_columns(int mode, ConstMatrix ids, ConstMatrix values);

// Computes mode's outputs into out1 (M) and out2 (M times its columns;
// unused when the mode has none). The first id, in row order, outside the
// limits is reported (a Failure locating it in "ids", idOutOfRange or
// idNotANumber) instead of being read; outputs are then partial.
// How mode 3 reads its weights: by estimated cost, every pair's weight from
// w, or the nonzero weights kept in one pass over w first (when the memory
// is there). All give the same bits; tests and benchmarks pick one.
enum class PairReads { chosen, every_pair, nonzero_kept };

// A sparse w (WeightMatrix::compressed) is always read by its nonzero
// entries, whatever `reads` asks.
void set_features(int mode, ConstMatrix ids, ConstMatrix values, const WeightMatrix& weights,
                  double* out1, double* out2, PairReads reads = PairReads::chosen);

}  // namespace mexsets
