// set_features: what its modes share (set_features.cpp calls the mode
// chosen): the row reader and the id limit, the walks over rows that modes
// 1, 2 and 4 (and mode 3's nonzero-weight route) plug their accumulation
// into, and each mode's entry.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/bits.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/interrupt.hpp"
#include "row_lengths.hpp"
#include "set_features.hpp"

namespace mexsets {
namespace set_features_modes {

// Rows are read one after the other, each from its first column on, so every
// row takes its ids in its own order with its running state in registers. In
// the column-major id matrix a row's ids lie a whole column apart: without
// help each new group of rows waits on one cache miss per column. The reader
// therefore asks for the lines of the rows kAheadRows further on, as many
// columns as the longest recent row used.
inline constexpr std::size_t kAheadRows = 64;
inline constexpr std::size_t kRowsPerLine = 8;

class RowReader {
 public:
  RowReader(ConstMatrix ids, std::size_t limit) : ids_(ids), bound_(static_cast<double>(limit)) {}

  // Reads row i: calls visit(j, a) for each id a at column j up to the row's
  // end and returns the row's length, or the column of the first id that
  // breaks the limit (trunc(x) < limit, i.e. x < limit; NaN breaks it) as
  // `bad_column` with the length set to npos.
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  template <class Visit>
  std::size_t read(std::size_t i, std::size_t& bad_column, Visit&& visit) {
    if (i % kRowsPerLine == 0) prefetch_ahead(i);
    const std::size_t m = ids_.rows, n = ids_.cols;
    std::size_t j = 0;
    for (std::size_t at = i; j < n; ++j, at += m) {
      const double x = ids_.data[at];
      if (x < 0) break;  // the end marker
      if (!(x < bound_)) {
        bad_column = j;
        return npos;
      }
      visit(j, static_cast<std::size_t>(static_cast<std::int64_t>(x)));
    }
    reach_ = std::max(reach_, j + 1);
    return j;
  }

 private:
  void prefetch_ahead(std::size_t i) {
    const std::size_t ahead = i + kAheadRows, n = std::min(reach_, ids_.cols);
    reach_ = 1;
    if (ahead >= ids_.rows) return;
#if defined(__GNUC__) || defined(__clang__)
    for (std::size_t j = 0, at = ahead; j < n; ++j, at += ids_.rows)
      __builtin_prefetch(ids_.data + at);
#else
    (void)n;
#endif
  }

  ConstMatrix ids_;
  double bound_;
  std::size_t reach_ = 1;  // columns used by the longest row of the current group
};

// What an id is checked against: fewer than `limit`, the rows of v (and,
// in mode 3, the rows and columns of w).
struct IdLimit {
  std::size_t limit;
  bool perimeter;  // mode 3
};

// The id at row i, column j of ids breaks the limit.
[[noreturn]] void fail_id_at(ConstMatrix ids, std::size_t i, std::size_t j, const IdLimit& limit);

// Modes 1, 2 and 4 on wide id matrices: one pass per row with the state in
// registers.
// Rows begin .. end-1.
template <class Mode>
void each_row(const Mode& mode, ConstMatrix ids, const IdLimit& limit, std::size_t begin,
              std::size_t end) {
  RowReader reader(ids, limit.limit);
  InterruptCheck interrupt;
  for (std::size_t i = begin; i < end; ++i) {
    typename Mode::State state = mode.start();
    std::size_t bad_column = 0;
    const std::size_t length =
        reader.read(i, bad_column, [&](std::size_t, std::size_t a) { mode.add(state, a); });
    if (length == RowReader::npos) fail_id_at(ids, i, bad_column, limit);
    mode.finish(state, i);
    interrupt.tick(4 * (length + 1));
  }
}

#ifdef MEXSETS_ROW_LENGTHS
// Modes 1, 2 and 4 on x86-64, for id matrices of up to kMaxSweptColumns
// columns. Walking a row to its end marker costs a mispredicted branch per
// row, and a row's running state is one chain of dependent operations; rows
// of random lengths leave both exposed. So rows are taken in blocks of
// kBlockRows: a first sweep finds every row's length and whether any id
// breaks the limit (row_lengths.hpp); then the block's rows are visited
// grouped by length, several rows of one length side by side over a loop of
// known count. Each row still takes its ids in column order with its own
// state; only the order in which rows are done changes, and rows do not
// interact. The sweep requests the next block's lines, which arrive while
// this block's rows are accumulated.
inline constexpr std::size_t kBlockRows = 256;

// The sweep serves matrices of up to kMaxSweptColumns columns; a matrix
// with no column (whose data pointer may be null) holds no id anyway.
inline bool sweepable(ConstMatrix ids) { return ids.cols > 0 && ids.cols <= kMaxSweptColumns; }

// Rows of one length, side by side: Mode::rows<K>(...) for K rows at once.
// The ids are read again, after the sweep checked them: each is taken as
// id_at(p, last) gives it, with `last` the largest id in the limit.
template <class Mode>
void accumulate_group(const Mode& mode, const double* block, std::size_t m, std::size_t first,
                      const std::uint32_t* rows, std::size_t count, std::size_t length,
                      std::size_t last) {
  constexpr std::size_t K = Mode::kSideBySide;
  std::size_t at = 0;
  for (; at + K <= count; at += K) mode.template rows<K>(block, m, first, rows + at, length, last);
  for (; at < count; ++at) mode.template rows<1>(block, m, first, rows + at, length, last);
}

template <class Mode>
void grouped_rows(const Mode& mode, ConstMatrix ids, const IdLimit& limit, std::size_t begin,
                  std::size_t end) {
  const std::size_t m = ids.rows, n = ids.cols;
  const double bound = static_cast<double>(limit.limit);
  const LengthSweep sweep = best_length_sweep();
  std::uint8_t lengths[kBlockRows];
  std::uint32_t order[kBlockRows];
  std::uint32_t ends[kMaxSweptColumns + 2];
  InterruptCheck interrupt;
  for (std::size_t first = begin; first < end; first += kBlockRows) {
    const std::size_t count = std::min(kBlockRows, end - first);
    const double* block = ids.data + first;
    if (measure_rows(sweep, ids, first, count, bound, lengths)) {
      // The first offending id in row order; the rows are walked plainly
      // (and their lengths taken from the walk).
      for (std::size_t r = 0; r < count; ++r) {
        std::size_t j = 0;
        for (; j < n && !(block[r + j * m] < 0); ++j)
          if (!(block[r + j * m] < bound)) fail_id_at(ids, first + r, j, limit);
        lengths[r] = static_cast<std::uint8_t>(j);
      }
    }
    // Rows by length; a counting sort keeps row order within a length.
    std::fill(ends, ends + n + 2, 0u);
    std::size_t ids_in_block = 0;
    for (std::size_t r = 0; r < count; ++r) {
      ++ends[lengths[r] + 1];
      ids_in_block += lengths[r];
    }
    interrupt.tick(count * n + 4 * ids_in_block);
    for (std::size_t l = 1; l <= n + 1; ++l) ends[l] += ends[l - 1];
    for (std::size_t r = 0; r < count; ++r)
      order[ends[lengths[r]]++] = static_cast<std::uint32_t>(r);
    // ends[l] is now where the rows of length l end.
    for (std::size_t l = 0, at = 0; l <= n; at = ends[l++])
      if (ends[l] > at)
        accumulate_group(mode, block, m, first, order + at, ends[l] - at, l, limit.limit - 1);
  }
}
#endif

// The id at p, which the sweep found below the limit (last + 1), read again:
// another thread may have written anything there since, so it is converted
// as any double can be and kept at most `last`. Unchanged, it is itself.
inline std::size_t id_at(const double* p, std::size_t last) {
  const auto id = static_cast<std::size_t>(truncate_toward_zero(*p));
  return id < last ? id : last;
}

// Threads take chunks of rows (rows do not interact), a multiple of
// kBlockRows each, each row costing about `units`; a bad id fails as the
// first one in row order does on one thread. body(begin, end) walks rows
// begin .. end-1. A call that does not split walks them here, as before
// threads: a tiny call pays for no more than its rows.
template <class Body>
void rows_in_chunks(ConstMatrix ids, std::size_t units, Body&& body) {
  constexpr std::size_t block = 256;
  const std::size_t grain = (grain_for(units) + block - 1) / block * block;
  if (splits(ids.rows, grain))
    parallel_for_ordered(ids.rows, grain, body);
  else
    body(std::size_t{0}, ids.rows);
}

// Modes 1, 2 and 4: grouped where the sweep serves, else row by row.
template <class Mode>
void all_rows(const Mode& mode, ConstMatrix ids, const IdLimit& limit) {
  rows_in_chunks(ids, 4 * (ids.cols + 1), [&](std::size_t begin, std::size_t end) {
#ifdef MEXSETS_ROW_LENGTHS
    if (sweepable(ids)) return grouped_rows(mode, ids, limit, begin, end);
#endif
    each_row(mode, ids, limit, begin, end);
  });
}

// The modes, each in its own file: out1 and out2 as set_features describes
// them, ids checked against `limit`.
void minimum_rows(ConstMatrix ids, const double* v, double* out1,
                  const IdLimit& limit);  // set_features_minimum.cpp
void ratio_and_sum_rows(ConstMatrix ids, const double* v, double* out1, double* out2,
                        const IdLimit& limit);  // set_features_ratio_and_sum.cpp
void box_rows(ConstMatrix ids, ConstMatrix values, double* out2,
              const IdLimit& limit);  // set_features_box.cpp
// Mode 3 reading every pair's weight from w (set_features_perimeter.cpp).
void perimeter_rows(ConstMatrix ids, ConstMatrix values, ConstMatrix weights, double* out1,
                    double* out2, const IdLimit& limit);
// Mode 3 from the nonzero weights kept beforehand, when `reads` and the
// estimated cost choose them and the memory is there; false (and nothing
// computed) otherwise (set_features_sparse_pairs.cpp).
// A sparse w is read only this way: always true for it.
bool sparse_pair_rows(PairReads reads, ConstMatrix ids, ConstMatrix values,
                      const WeightMatrix& weights, double* out1, double* out2,
                      const IdLimit& limit);

}  // namespace set_features_modes
}  // namespace mexsets
