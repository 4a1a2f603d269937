// boundary_sums: sums a weight grid's mixed-parity cells per label and hands
// each label's sum to one cell of an n-by-n pair matrix or an n-element
// border vector.
//
// Inputs (column-major doubles; failures name them by these names):
//   n          size of both outputs: the host's scalar truncated toward zero,
//              0 .. 2^31-1 (pair_size checks and converts it).
//   first      first id per key: 0 (exactly; -0 too) selects the border
//              vector, anything else is a 1-based row of the pair matrix.
//   second     second id per key: a 1-based column of the pair matrix, or the
//              1-based index into the border vector when the first id is 0.
//   keys       the key list: its first L elements in column-major order, L
//              being the larger of its row and column counts. first and
//              second are read at the same L positions, whatever their shapes.
//   labels     M-by-N label grid. Only mixed-parity cells (one zero-based
//              index even, the other odd) are read; a value > 0 is a label and
//              must equal a key; 0, negative values and NaN are no label.
//   weights    at least M-by-N; weights(i, j) is added for labels(i, j).
// Outputs: pair (n-by-n) and border (n-by-1), zero wherever no key writes.
//
// Keys match by exact value (-0 equals +0); a repeated key matches its first
// position only, and its later copies write nothing (a zero handed out by a
// copy would overwrite the first copy's sum, or another key's, in the cell it
// names). Per-key sums start at
// +0 and add in visiting order: first the even rows at their odd columns,
// then the odd rows at their even columns, each pass row by row and left to
// right, so results are reproducible bit for bit. Distribution assigns (never
// adds) in key order: key k writes its sum to border(b) or pair(a, b), with
// a = first - 1 and b = second - 1 computed in double and truncated toward
// zero; a later key overwrites an earlier one in the same cell, and pair(b, a)
// is never touched.
//
// Limits (check_boundary_inputs and boundary_key_sums report the first
// breach as a Failure naming the argument, the entry and its value; an entry
// of first, second or keys is located at its column-major position k as row
// k mod rows, column k div rows): first and second hold at least L elements
// and keys does too (a 0-by-5 key list does not); the weight grid has at
// least M rows and N columns; no key is NaN; every first id is 0 or lies in
// (0, n+1), every second id in (0, n+1), so that truncation lands inside the
// outputs; every label matches a key. Ids in (0, 1) all address index 1
// (zero-based 0), even those so small that id - 1 rounds to -1. Another
// thread may write to an input during the call (a Python caller's, on an
// array read in place): the ids are checked again where they are used, the
// keys and labels read again kept inside the tables, so the result may
// change, never what is addressed.
//
// Cost: O(L) to index the keys; two passes down the label grid's columns:
// one counting each row's labelled mixed-parity cells, one with a lookup (a
// table read when the keys are small whole numbers, a hash probe otherwise)
// and a weight read per labelled cell, placing it in visiting order; the
// sums added in that order; O(L) to distribute. Memory: O(L + M) besides the
// outputs, and 12 bytes per labelled cell.
//
// Threads: large grids are split into bands of at least 8 consecutive
// columns, fixed by the grid's size. Each band counts and places its own
// cells, a row's cells after those of the bands to its left, so the sums
// add in visiting order as on one thread. Each band adds 16 bytes per grid
// row (a quarter of the label columns it reads, at most).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

struct BoundaryInputs {
  std::size_t n = 0;
  ConstMatrix first, second, keys;
  ConstMatrix labels, weights;
  std::size_t key_count() const { return keys.rows > keys.cols ? keys.rows : keys.cols; }
};

// n from the host's scalar: truncated toward zero; NaN, values that truncate
// below 0 or above 2^31-1, and sizes whose n-by-n doubles no address space
// holds fail.
std::size_t pair_size(double value);

// Shapes, NaN keys and ids (everything but the labels).
void check_boundary_inputs(const BoundaryInputs& in);

// Exact-value lookup from key to its first position. Positive whole keys up
// to a bound proportional to L sit in a direct table; other positive keys in
// an open-addressing hash table on their bit patterns (for positive numbers,
// equal values have equal bits). Keys <= 0 are left out: no label can match
// them.
class KeyIndex {
 public:
  static constexpr std::uint32_t none = 0xFFFFFFFFu;

  // keys[0 .. count-1], free of NaN.
  KeyIndex(const double* keys, std::size_t count);

  // The first position of key x (x > 0), or `none`.
  std::uint32_t find(double x) const {
    if (x <= table_limit_) {
      const auto whole = static_cast<std::uint32_t>(x);
      if (static_cast<double>(whole) == x) return table_[whole];
    }
    return hashed_.empty() ? none : find_hashed(x);
  }

 private:
  struct Slot {
    std::uint64_t bits;
    std::uint32_t position;  // none: empty slot
  };
  std::size_t home(std::uint64_t bits) const {
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ULL) >> shift_);
  }
  std::uint32_t find_hashed(double x) const;

  double table_limit_ = -1.0;         // no whole key above this is in the table
  std::vector<std::uint32_t> table_;  // whole key -> first position or none
  std::vector<Slot> hashed_;          // the other keys; a power of two, at most half full
  int shift_ = 64;
};

// The per-key sums (L values) of checked inputs, and which keys repeat an
// earlier key (those write nothing).
struct KeySums {
  std::vector<double> sums;
  std::vector<unsigned char> repeats;
};

// Fails on the first label, in visiting order, that matches no key.
KeySums boundary_key_sums(const BoundaryInputs& in);

// Assigns sums[k] for k = 0 .. L-1, repeated keys left out, into border (n)
// or pair (n-by-n, column-major), both zeroed by the caller.
void distribute_boundary_sums(const BoundaryInputs& in, const KeySums& sums, double* pair,
                              double* border);

// All steps, for tests and benchmarks.
struct BoundarySums {
  OwnedMatrix<double> pair;
  OwnedMatrix<double> border;
};
BoundarySums boundary_sums(const BoundaryInputs& in);

}  // namespace mexsets
