#include "set_features.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "mexsets/bits.hpp"
#include "mexsets/interrupt.hpp"
#include "row_lengths.hpp"
#include "sparse_weights.hpp"

#ifdef MEXSETS_ROW_LENGTHS
#include <emmintrin.h>
#endif

namespace mexsets {

namespace {

// Rows are read one after the other, each from its first column on, so every
// row takes its ids in its own order with its running state in registers. In
// the column-major id matrix a row's ids lie a whole column apart: without
// help each new group of rows waits on one cache miss per column. The reader
// therefore asks for the lines of the rows kAheadRows further on, as many
// columns as the longest recent row used.
constexpr std::size_t kAheadRows = 64;
constexpr std::size_t kRowsPerLine = 8;

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
[[noreturn]] void fail_id_at(ConstMatrix ids, std::size_t i, std::size_t j, const IdLimit& limit) {
  const double x = ids(i, j);
  const std::string holds = " holds " + format_value(x);
  if (limit.limit == 0) {
    if (limit.perimeter)
      fail(id_reason(x), "Id with nothing to address (", arg("v"), " or ", arg("w"),
           " is empty): ", entry("ids", i, j), holds);
    fail(id_reason(x), "Id with nothing to address (", arg("v"),
         " has no rows): ", entry("ids", i, j), holds);
  }
  const std::string range = "Id outside 0.." + std::to_string(limit.limit - 1) + " (rows of ";
  if (limit.perimeter)
    fail(id_reason(x), range, arg("v"), ", rows and columns of ", arg("w"),
         "): ", entry("ids", i, j), holds);
  fail(id_reason(x), range, arg("v"), "): ", entry("ids", i, j), holds);
}

// Modes 1, 2 and 4 on wide id matrices: one pass per row with the state in
// registers.
template <class Mode>
void each_row(const Mode& mode, ConstMatrix ids, const IdLimit& limit) {
  RowReader reader(ids, limit.limit);
  InterruptCheck interrupt;
  for (std::size_t i = 0; i < ids.rows; ++i) {
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
constexpr std::size_t kBlockRows = 256;

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
void grouped_rows(const Mode& mode, ConstMatrix ids, const IdLimit& limit) {
  const std::size_t m = ids.rows, n = ids.cols;
  const double bound = static_cast<double>(limit.limit);
  const LengthSweep sweep = best_length_sweep();
  std::uint8_t lengths[kBlockRows];
  std::uint32_t order[kBlockRows];
  std::uint32_t ends[kMaxSweptColumns + 2];
  InterruptCheck interrupt;
  for (std::size_t first = 0; first < m; first += kBlockRows) {
    const std::size_t count = std::min(kBlockRows, m - first);
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

struct Minimum {
  const double* v;
  double* out1;

  struct State {
    double low;
  };
  State start() const { return {DBL_MAX}; }
  void add(State& s, std::size_t a) const {
    const double x = v[a];
    if (x < s.low) s.low = x;
  }
  void finish(const State& s, std::size_t i) const { out1[i] = s.low; }

#ifdef MEXSETS_ROW_LENGTHS
  static constexpr std::size_t kSideBySide = 4;
  template <std::size_t K>
  void rows(const double* block, std::size_t m, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    const double* p[K];
    double low[K];
    for (std::size_t k = 0; k < K; ++k) p[k] = block + rows[k], low[k] = DBL_MAX;
    for (std::size_t j = 0, at = 0; j < length; ++j, at += m)
      for (std::size_t k = 0; k < K; ++k) {
        const double x = v[id_at(p[k] + at, last)];
        low[k] = x < low[k] ? x : low[k];
      }
    for (std::size_t k = 0; k < K; ++k) out1[first + rows[k]] = low[k];
  }
#endif
};

struct RatioAndSum {
  const double* v;
  double *out1, *out2;

  struct State {
    double sum, low, high;
  };
  State start() const { return {0.0, DBL_MAX, DBL_MIN}; }
  void add(State& s, std::size_t a) const {
    const double x = v[a];
    s.sum += x;
    if (x < s.low) s.low = x;
    if (x > s.high) s.high = x;
  }
  void finish(const State& s, std::size_t i) const {
    out2[i] = s.sum;
    out1[i] = s.low / s.high;
  }

#ifdef MEXSETS_ROW_LENGTHS
  // Four rows as two vectors of two lanes, each lane one row's sum, minimum
  // and maximum: addpd adds lane by lane, minpd(x, low) is x < low ? x : low
  // and maxpd(x, high) is x > high ? x : high, the running extremes' own
  // rules. (Named variables, not arrays, keep the states in registers.)
  static constexpr std::size_t kSideBySide = 4;
  template <std::size_t K>
  void rows(const double* block, std::size_t m, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    if constexpr (K == 4) {
      const double *p0 = block + rows[0], *p1 = block + rows[1];
      const double *p2 = block + rows[2], *p3 = block + rows[3];
      __m128d sum01 = _mm_setzero_pd(), sum23 = sum01;
      __m128d low01 = _mm_set1_pd(DBL_MAX), low23 = low01;
      __m128d high01 = _mm_set1_pd(DBL_MIN), high23 = high01;
      for (std::size_t j = 0, at = 0; j < length; ++j, at += m) {
        const __m128d x01 =
            _mm_loadh_pd(_mm_load_sd(v + id_at(p0 + at, last)), v + id_at(p1 + at, last));
        const __m128d x23 =
            _mm_loadh_pd(_mm_load_sd(v + id_at(p2 + at, last)), v + id_at(p3 + at, last));
        sum01 = _mm_add_pd(sum01, x01);
        sum23 = _mm_add_pd(sum23, x23);
        low01 = _mm_min_pd(x01, low01);
        low23 = _mm_min_pd(x23, low23);
        high01 = _mm_max_pd(x01, high01);
        high23 = _mm_max_pd(x23, high23);
      }
      const __m128d ratio01 = _mm_div_pd(low01, high01), ratio23 = _mm_div_pd(low23, high23);
      double* const sums = out2 + first;
      double* const ratios = out1 + first;
      _mm_storel_pd(sums + rows[0], sum01);
      _mm_storeh_pd(sums + rows[1], sum01);
      _mm_storel_pd(sums + rows[2], sum23);
      _mm_storeh_pd(sums + rows[3], sum23);
      _mm_storel_pd(ratios + rows[0], ratio01);
      _mm_storeh_pd(ratios + rows[1], ratio01);
      _mm_storel_pd(ratios + rows[2], ratio23);
      _mm_storeh_pd(ratios + rows[3], ratio23);
    } else {
      for (std::size_t k = 0; k < K; ++k) {
        State s = start();
        for (std::size_t j = 0, at = 0; j < length; ++j, at += m)
          add(s, id_at(block + rows[k] + at, last));
        finish(s, first + rows[k]);
      }
    }
  }
#endif
};

// Columns are addressed by offsets, not pointers: with no id to read, the
// value matrix may have fewer than four columns (or none). When the ids are
// many next to the value rows, the four value columns are first laid side by
// side (packed[4a .. 4a+3] = V(a, 0 .. 3)), so that an id's four values share
// one cache line.
struct Box {
  const double* v;
  std::size_t v_rows;
  double* out2;
  std::size_t m;
  const double* packed = nullptr;

  struct State {
    double low0, low1, high2, high3;
  };
  State start() const { return {DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX}; }
  void add(State& s, std::size_t a) const {
    const double x0 = v[a], x1 = v[a + v_rows], x2 = v[a + 2 * v_rows], x3 = v[a + 3 * v_rows];
    if (x0 < s.low0) s.low0 = x0;
    if (x1 < s.low1) s.low1 = x1;
    if (x2 > s.high2) s.high2 = x2;
    if (x3 > s.high3) s.high3 = x3;
  }
  void finish(const State& s, std::size_t i) const {
    out2[i] = s.low0;
    out2[i + m] = s.low1;
    out2[i + 2 * m] = s.high2;
    out2[i + 3 * m] = s.high3;
  }

#ifdef MEXSETS_ROW_LENGTHS
  // minpd(x, low) is x < low ? x : low lane by lane, the running minimum's
  // own rule (NaN and ties keep low); maxpd likewise.
  static constexpr std::size_t kSideBySide = 2;
  template <std::size_t K>
  void rows(const double* block, std::size_t m_ids, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    if constexpr (K == 2) {
      const double *p0 = block + rows[0], *p1 = block + rows[1];
      __m128d low0 = _mm_set1_pd(DBL_MAX), low1 = low0;
      __m128d high0 = _mm_set1_pd(-DBL_MAX), high1 = high0;
      for (std::size_t j = 0, at = 0; j < length; ++j, at += m_ids) {
        const double* x0 = packed + 4 * id_at(p0 + at, last);
        const double* x1 = packed + 4 * id_at(p1 + at, last);
        low0 = _mm_min_pd(_mm_loadu_pd(x0), low0);
        high0 = _mm_max_pd(_mm_loadu_pd(x0 + 2), high0);
        low1 = _mm_min_pd(_mm_loadu_pd(x1), low1);
        high1 = _mm_max_pd(_mm_loadu_pd(x1 + 2), high1);
      }
      store(first + rows[0], low0, high0);
      store(first + rows[1], low1, high1);
    } else {
      for (std::size_t k = 0; k < K; ++k) {
        const double* p = block + rows[k];
        __m128d low = _mm_set1_pd(DBL_MAX), high = _mm_set1_pd(-DBL_MAX);
        for (std::size_t j = 0, at = 0; j < length; ++j, at += m_ids) {
          const double* x = packed + 4 * id_at(p + at, last);
          low = _mm_min_pd(_mm_loadu_pd(x), low);
          high = _mm_max_pd(_mm_loadu_pd(x + 2), high);
        }
        store(first + rows[k], low, high);
      }
    }
  }
  void store(std::size_t i, __m128d low, __m128d high) const {
    _mm_storel_pd(out2 + i, low);
    _mm_storeh_pd(out2 + i + m, low);
    _mm_storel_pd(out2 + i + 2 * m, high);
    _mm_storeh_pd(out2 + i + 3 * m, high);
  }
#endif
};

// Modes 1 and 2: grouped where the sweep serves, else row by row.
template <class Mode>
void all_rows(const Mode& mode, ConstMatrix ids, const IdLimit& limit) {
#ifdef MEXSETS_ROW_LENGTHS
  if (sweepable(ids)) return grouped_rows(mode, ids, limit);
#endif
  each_row(mode, ids, limit);
}

// Mode 3. A row's pair sum is one chain of dependent additions, as long as
// its number of id pairs. Rows are therefore buffered in blocks (ids, and
// their column offsets into the weights, row by row), sorted by length, and
// the chains of rows of equal length advance side by side, four or two at a
// time; each chain still adds its own pairs in (j, k) order, and each value
// sum its values in row order.
// A block holds at most this many rows and ids, and no more rows than the
// matrix: a few rows cost a few rows' buffers.
constexpr std::size_t kMaxBlockRows = 256;
constexpr std::size_t kBufferedIds = std::size_t{1} << 14;  // per block

class Perimeter {
 public:
  Perimeter(ConstMatrix ids, ConstMatrix values, ConstMatrix weights, double* out1, double* out2)
      : ids_(ids),
        v_(values.data),
        w_(weights.data),
        stride_(weights.rows),
        out1_(out1),
        out2_(out2),
        n_(ids.cols),
        per_block_(std::max<std::size_t>(
            1, std::min({kMaxBlockRows, kBufferedIds / std::max<std::size_t>(n_, 1), ids.rows}))),
        row_(per_block_ * n_),
        column_(per_block_ * n_),
        length_(per_block_),
        order_(per_block_) {}

  void run(const IdLimit& limit) {
    RowReader reader(ids_, limit.limit);
    InterruptCheck interrupt;
    for (std::size_t first = 0; first < ids_.rows; first += per_block_) {
      const std::size_t count = std::min(per_block_, ids_.rows - first);
      for (std::size_t r = 0; r < count; ++r) {
        std::size_t* row = row_.data() + r * n_;
        std::size_t* column = column_.data() + r * n_;
        std::size_t bad_column = 0;
        length_[r] = reader.read(first + r, bad_column, [&](std::size_t j, std::size_t a) {
          row[j] = a;
          column[j] = a * stride_;
        });
        if (length_[r] == RowReader::npos) fail_id_at(ids_, first + r, bad_column, limit);
        order_[r] = static_cast<std::uint32_t>(r);
        interrupt.tick(4 * (length_[r] + 1));
      }
      std::sort(order_.begin(), order_.begin() + count,
                [&](std::uint32_t a, std::uint32_t b) { return length_[a] < length_[b]; });
      for (std::size_t at = 0; at < count;) {
        const std::size_t length = length_[order_[at]];
        std::size_t same = 1;
        while (at + same < count && length_[order_[at + same]] == length) ++same;
        for (; same >= 4; same -= 4, at += 4)
          side_by_side<4>(first, order_.data() + at, length, interrupt);
        for (; same >= 2; same -= 2, at += 2)
          side_by_side<2>(first, order_.data() + at, length, interrupt);
        for (; same >= 1; same -= 1, at += 1)
          side_by_side<1>(first, order_.data() + at, length, interrupt);
      }
    }
  }

 private:
  // Block rows `rows[0 .. Count-1]`, all of the given length, side by side.
  template <std::size_t Count>
  void side_by_side(std::size_t first, const std::uint32_t* rows, std::size_t length,
                    InterruptCheck& interrupt) const {
    double sum[Count], pair[Count];
    const std::size_t *row[Count], *column[Count];
    for (std::size_t l = 0; l < Count; ++l) {
      sum[l] = 0.0;
      pair[l] = 0.0;
      row[l] = row_.data() + rows[l] * n_;
      column[l] = column_.data() + rows[l] * n_;
    }
    for (std::size_t j = 0; j < length; ++j)
      for (std::size_t l = 0; l < Count; ++l) sum[l] += v_[row[l][j]];
    for (std::size_t j = 0; j < length; ++j) {
      interrupt.tick(2 * Count * (length - j));
      const double* w[Count];
      for (std::size_t l = 0; l < Count; ++l) w[l] = w_ + row[l][j];
      for (std::size_t k = j + 1; k < length; ++k)
        for (std::size_t l = 0; l < Count; ++l) pair[l] += w[l][column[l][k]];
    }
    for (std::size_t l = 0; l < Count; ++l) {
      const std::size_t i = first + rows[l];
      out2_[i] = pair[l];
      // Written as P * -2 + S; the doubling is exact, so even a fused
      // multiply-add would round the same way short of overflow.
      out1_[i] = pair[l] * -2 + sum[l];
    }
  }

  ConstMatrix ids_;
  const double* v_;
  const double* w_;
  std::size_t stride_;
  double *out1_, *out2_;
  std::size_t n_, per_block_;
  std::vector<std::size_t> row_, column_, length_;
  std::vector<std::uint32_t> order_;
};

// Mode 3 from the nonzero weights alone (sparse_weights.hpp). Rows are taken
// one at a time, in any order, each id in column order. Each id a at column
// k looks up the rows of column a of the weights among the ids before it in
// its row (marked with the row's number, with the last column holding each;
// earlier columns holding the same id are chained from there), so the pairs
// found are those of nonzero weight; they are then added in (j, k) order.
// Columns hold few entries: the first kSlots of each are looked up without
// a loop.
class SparsePairs {
 public:
  static constexpr std::size_t kSideBySide = 1;

  SparsePairs(const SparseWeights& sparse, std::size_t size, std::size_t cols, const double* v,
              ConstMatrix w, double* out1, double* out2)
      : sparse_(sparse), w_(w), out1_(out1), out2_(out2), s_(new Scratch) {
    s_->ids.resize(size);
    InterruptCheck interrupt;
    for (std::size_t a = 0; a < size; ++a) {
      interrupt.tick(8);
      Id& id = s_->ids[a];
      id.value = v[a];
      id.first = sparse.start[a];
      const std::size_t count = sparse.start[a + 1] - sparse.start[a];
      id.more = static_cast<std::uint32_t>(count - std::min(count, kSlots));
      // The first kSlots rows, padded with `size` (never marked).
      for (std::size_t t = 0; t < kSlots; ++t)
        id.slot[t] = t < count ? sparse.row[id.first + t] : static_cast<std::uint32_t>(size);
    }
    s_->marked.assign(size + 1, 0);
    s_->column.assign(size + 1, 0);
    s_->earlier.resize(cols);
    s_->found.resize(64);
  }

  // Row i, of the given length, whose id at column k is id_at(k).
  template <class IdAt>
  void row(std::size_t i, std::size_t length, IdAt id_at) const {
    Scratch& s = *s_;
    if (++s.number == 0) {  // after 2^32 - 1 rows the numbers start afresh
      std::fill(s.marked.begin(), s.marked.end(), 0);
      s.number = 1;
    }
    const std::uint32_t number = s.number;
    std::uint32_t* marked = s.marked.data();
    std::uint32_t* column = s.column.data();
    std::uint32_t* earlier = s.earlier.data();
    const Id* ids = s.ids.data();
    const std::uint32_t* rows = sparse_.row.data();
    std::size_t found = 0;
    bool crowded = false;
    // The columns j < k holding id b, each paired with k through entry p.
    auto take = [&](std::uint32_t b, std::size_t k, std::uint32_t p) {
      for (std::uint32_t j = column[b]; j != kNone; j = earlier[j]) {
        if (found == s.found.size()) {
          if (found >= kMostFound) {
            crowded = true;
            return;
          }
          s.found.resize(2 * found);
        }
        s.found[found++] = {std::uint64_t{j} << 32 | k, p};
      }
    };
    double sum = 0.0;
    for (std::size_t k = 0; k < length; ++k) {
      const std::size_t a = id_at(k);
      // The ids ahead are known: their entries are asked for now, so that
      // looking up their slots' marks waits on one load, not two.
      if (k + kAhead < length) prefetch(ids + id_at(k + kAhead));
      const Id& id = ids[a];
      sum += id.value;
      // Mostly none of the slots' rows is in the row: one test for all.
      bool any = false;
      for (std::size_t t = 0; t < kSlots; ++t) any |= marked[id.slot[t]] == number;
      if (any)
        for (std::size_t t = 0; t < kSlots; ++t)
          if (marked[id.slot[t]] == number)
            take(id.slot[t], k, id.first + static_cast<std::uint32_t>(t));
      if (id.more)
        for (std::uint32_t p = id.first + kSlots, end = p + id.more; p < end; ++p)
          if (marked[rows[p]] == number) take(rows[p], k, p);
      earlier[k] = marked[a] == number ? column[a] : kNone;
      marked[a] = number;
      column[a] = static_cast<std::uint32_t>(k);
    }
    double pair = 0.0;
    if (crowded) {
      // So many pairs of nonzero weight (a row repeating ids a great many
      // times) that listing them would take more memory than reading them.
      for (std::size_t j = 0; j < length; ++j)
        for (std::size_t k = j + 1; k < length; ++k) pair += w_(id_at(j), id_at(k));
      found = 0;
    }
    // Found in k order; mostly few, sorted by insertion then.
    Found* pairs = s.found.data();
    auto before = [](const Found& x, const Found& y) { return x.at < y.at; };
    if (found > kFewFound) {
      std::sort(pairs, pairs + found, before);
    } else {
      for (std::size_t f = 1; f < found; ++f)
        for (std::size_t g = f; g > 0 && before(pairs[g], pairs[g - 1]); --g)
          std::swap(pairs[g], pairs[g - 1]);
    }
    for (std::size_t f = 0; f < found; ++f) pair += sparse_.value[pairs[f].entry];
    out2_[i] = pair;
    out1_[i] = pair * -2 + sum;
  }

#ifdef MEXSETS_ROW_LENGTHS
  // As a mode of grouped_rows.
  template <std::size_t K>
  void rows(const double* block, std::size_t m, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    const double* p = block + rows[0];
    row(first + rows[0], length, [p, m, last](std::size_t k) { return id_at(p + k * m, last); });
  }
#endif

 private:
  static constexpr std::size_t kSlots = 4;
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr std::size_t kAhead = 4;
  static constexpr std::size_t kFewFound = 16;
  static constexpr std::size_t kMostFound = std::size_t{1} << 16;
  // A pair found in a row: j << 32 | k, and its weight's entry.
  struct Found {
    std::uint64_t at;
    std::uint32_t entry;
  };
  // What a row's walk reads of an id, in one place: its value, the rows of
  // its column's first kSlots nonzero weights (padded with `size`), where
  // they start among the weights, and how many follow them.
  struct alignas(32) Id {
    double value;
    std::uint32_t first, more;
    std::uint32_t slot[kSlots];
  };
  struct Scratch {
    std::vector<Id> ids;
    // Per id (and the padding row `size`, never marked): the number of the
    // row that last marked it, from 1, and its last column there.
    std::vector<std::uint32_t> marked, column;
    // Per column of the row: the previous column holding the same id, or
    // kNone.
    std::vector<std::uint32_t> earlier;
    std::vector<Found> found;  // the row's pairs of nonzero weight
    std::uint32_t number = 0;
  };

  const SparseWeights& sparse_;
  ConstMatrix w_;
  double *out1_, *out2_;
  std::unique_ptr<Scratch> s_;
};

void sparse_rows(const SparsePairs& pairs, ConstMatrix ids, const IdLimit& limit) {
#ifdef MEXSETS_ROW_LENGTHS
  if (sweepable(ids)) return grouped_rows(pairs, ids, limit);
#endif
  RowReader reader(ids, limit.limit);
  std::vector<std::size_t> row(ids.cols);
  InterruptCheck interrupt;
  for (std::size_t i = 0; i < ids.rows; ++i) {
    std::size_t bad_column = 0;
    const std::size_t length =
        reader.read(i, bad_column, [&](std::size_t j, std::size_t a) { row[j] = a; });
    if (length == RowReader::npos) fail_id_at(ids, i, bad_column, limit);
    interrupt.tick(16 * (length + 1));
    pairs.row(i, length, [&row](std::size_t k) { return row[k]; });
  }
}

// Whether mode 3 reads the nonzero weights kept beforehand: always when asked
// to (and the memory is there), else when the estimated cost says so. Every
// pair's weight read from w costs a random read, a few nanoseconds once w
// outgrows the caches; keeping the nonzero weights costs a streaming read of
// the addressed square of w, then per id a lookup of its column's nonzero
// entries. Row lengths and the share of nonzero weights are estimated from
// samples; the choice bears on cost only. Fills `sparse` when it returns true.
bool nonzero_weights(PairReads reads, ConstMatrix ids, ConstMatrix w, const IdLimit& limit,
                     SparseWeights& sparse) {
  const std::size_t size = limit.limit;
  if (size == 0 || size > 0xFFFFFFFFu || ids.rows == 0 || ids.cols < 2 || ids.cols > 0xFFFFFFFFu)
    return false;
  std::size_t most = std::min<std::size_t>(size * size, 0xFFFFFFFEu);
  if (reads == PairReads::chosen) {
    // A small square of w is read pair by pair at once.
    constexpr std::size_t kSmallSide = 256;
    if (size < kSmallSide) return false;
    // Row lengths from 8 runs of 128 neighbouring rows (which share the
    // lines of the id matrix), spread over it.
    constexpr std::size_t kRuns = 8, kRunRows = 128, kSampledWeights = 4096;
    double sampled_ids = 0, sampled_pairs = 0, sampled_rows = 0;
    for (std::size_t run = 0; run < kRuns; ++run) {
      const std::size_t first = ids.rows / kRuns * run;
      for (std::size_t i = first; i < std::min(first + kRunRows, ids.rows); ++i, ++sampled_rows) {
        std::size_t length = 0;
        while (length < ids.cols && !(ids(i, length) < 0)) ++length;
        const double l = static_cast<double>(length);
        sampled_ids += l;
        sampled_pairs += l * (l - (length > 0)) / 2;
      }
    }
    const double rows = static_cast<double>(ids.rows) / sampled_rows;
    const double id_count = sampled_ids * rows, pair_count = sampled_pairs * rows;
    // Costs in nanoseconds, as measured on a 2 MB second-level cache: a
    // pair's random read of w, cheaper while the square fits that cache; a
    // weight of the square streamed; per id a few fixed steps plus one per
    // nonzero entry of its column.
    constexpr double kCachedPairRead = 2.5, kPairRead = 6, kStreamed = 1, kPerId = 8;
    const double side = static_cast<double>(size);
    const bool cached = side * side * sizeof(double) <= 2.0 * (1 << 20);
    const double every_pair = pair_count * (cached ? kCachedPairRead : kPairRead);
    const double fixed = side * side * kStreamed + id_count * kPerId;
    if (fixed >= every_pair) return false;
    // Nonzero entries per column at which the kept weights stop paying.
    const double per_column = (every_pair - fixed) / std::max(id_count, 1.0);
    if (nonzero_share(w, size, kSampledWeights) * side > per_column / 2) return false;
    most = static_cast<std::size_t>(std::min(static_cast<double>(most), per_column * side));
  }
  try {
    return keep_nonzero_weights(w, size, most, sparse);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

int feature_mode(double value) { return value >= 1 && value < 5 ? static_cast<int>(value) : 0; }

std::size_t mode_value_columns(int mode) { return mode == 4 ? 4 : mode >= 1 && mode <= 3; }

std::size_t second_output_columns(int mode) { return mode == 4 ? 4 : mode == 2 || mode == 3; }

bool holds_any_id(ConstMatrix ids) {
  if (ids.cols == 0) return false;
  for (std::size_t i = 0; i < ids.rows; ++i)
    if (!(ids(i, 0) < 0)) return true;
  return false;
}

void check_value_columns(int mode, ConstMatrix ids, ConstMatrix values) {
  const std::size_t needed = mode_value_columns(mode);
  if (values.cols < needed && holds_any_id(ids))
    fail("tooFewColumns",
         "Too few value columns for mode " + std::to_string(mode) + ", which reads " +
             std::to_string(needed) + ": ",
         arg("v"), " is " + std::to_string(values.rows) + "-by-" + std::to_string(values.cols));
}

void set_features(int mode, ConstMatrix ids, ConstMatrix values, ConstMatrix weights, double* out1,
                  double* out2, PairReads reads) {
  if (mode < 1 || mode > 4) return;
  IdLimit limit{values.rows, mode == 3};
  if (mode == 3) limit.limit = std::min({limit.limit, weights.rows, weights.cols});
  const double* v = values.data;
  switch (mode) {
    case 1:
      return all_rows(Minimum{v, out1}, ids, limit);
    case 2:
      return all_rows(RatioAndSum{v, out1, out2}, ids, limit);
    case 3: {
      SparseWeights sparse;
      std::unique_ptr<SparsePairs> pairs;
      if (reads != PairReads::every_pair && nonzero_weights(reads, ids, weights, limit, sparse)) {
        try {
          pairs.reset(new SparsePairs(sparse, limit.limit, ids.cols, v, weights, out1, out2));
        } catch (const std::bad_alloc&) {  // then every pair is read from w
        }
      }
      if (pairs) return sparse_rows(*pairs, ids, limit);
      return Perimeter(ids, values, weights, out1, out2).run(limit);
    }
    default: {
      Box box{v, values.rows, out2, ids.rows};
#ifdef MEXSETS_ROW_LENGTHS
      // Values laid side by side only when the ids are many next to them
      // (and there are four columns to lay).
      if (sweepable(ids) && values.cols >= 4 && values.rows <= ids.size() / 4) {
        // Aligned to a cache line, so that an id's four values share one.
        std::vector<double> storage(4 * values.rows + 7);
        double* packed = storage.data();
        if (const auto offset = reinterpret_cast<std::uintptr_t>(packed) % 64)
          packed += (64 - offset) / sizeof(double);
        InterruptCheck interrupt;
        for (std::size_t a = 0; a < values.rows; ++a) {
          interrupt.tick(4);
          for (std::size_t c = 0; c < 4; ++c) packed[4 * a + c] = v[a + c * values.rows];
        }
        box.packed = packed;
        return grouped_rows(box, ids, limit);
      }
#endif
      return each_row(box, ids, limit);
    }
  }
}

}  // namespace mexsets
