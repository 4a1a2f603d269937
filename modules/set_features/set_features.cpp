#include "set_features.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

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

BadEntry bad_id(ConstMatrix ids, std::size_t i, std::size_t j, const std::string& problem) {
  const double x = ids(i, j);
  return BadEntry{std::isnan(x) ? "idNotANumber" : "idOutOfRange", problem, i, j, x};
}

std::string limit_problem(int mode, std::size_t limit) {
  if (limit == 0)
    return mode == 3 ? "id with nothing to address (input 2 or input 4 is empty)"
                     : "id with nothing to address (input 2 has no rows)";
  const std::string range = "id outside 0.." + std::to_string(limit - 1);
  return mode == 3 ? range + " (rows of input 2, rows and columns of input 4)"
                   : range + " (rows of input 2)";
}

// Modes 1, 2 and 4: one pass per row with the state in registers.
template <class Mode>
std::optional<BadEntry> each_row(const Mode& mode, ConstMatrix ids, std::size_t limit,
                                 const std::string& problem) {
  RowReader reader(ids, limit);
  for (std::size_t i = 0; i < ids.rows; ++i) {
    typename Mode::State state = mode.start();
    std::size_t bad_column = 0;
    if (reader.read(i, bad_column, [&](std::size_t, std::size_t a) { mode.add(state, a); }) ==
        RowReader::npos)
      return bad_id(ids, i, bad_column, problem);
    mode.finish(state, i);
  }
  return std::nullopt;
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
};

// Columns are addressed by offsets, not pointers: with no id to read, the
// value matrix may have fewer than four columns (or none).
struct Box {
  const double* v;
  std::size_t v_rows;
  double* out2;
  std::size_t m;
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
};

// Mode 3. A row's pair sum is one chain of dependent additions, as long as
// its number of id pairs. Rows are therefore buffered in blocks (ids, and
// their column offsets into the weights, row by row), sorted by length, and
// the chains of rows of equal length advance side by side, four or two at a
// time; each chain still adds its own pairs in (j, k) order, and each value
// sum its values in row order.
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
            1, std::min(kMaxBlockRows, kBufferedIds / std::max<std::size_t>(n_, 1)))),
        row_(per_block_ * n_),
        column_(per_block_ * n_),
        length_(per_block_),
        order_(per_block_) {}

  std::optional<BadEntry> run(std::size_t limit, const std::string& problem) {
    RowReader reader(ids_, limit);
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
        if (length_[r] == RowReader::npos) return bad_id(ids_, first + r, bad_column, problem);
        order_[r] = static_cast<std::uint32_t>(r);
      }
      std::sort(order_.begin(), order_.begin() + count,
                [&](std::uint32_t a, std::uint32_t b) { return length_[a] < length_[b]; });
      for (std::size_t at = 0; at < count;) {
        const std::size_t length = length_[order_[at]];
        std::size_t same = 1;
        while (at + same < count && length_[order_[at + same]] == length) ++same;
        for (; same >= 4; same -= 4, at += 4) side_by_side<4>(first, order_.data() + at, length);
        for (; same >= 2; same -= 2, at += 2) side_by_side<2>(first, order_.data() + at, length);
        for (; same >= 1; same -= 1, at += 1) side_by_side<1>(first, order_.data() + at, length);
      }
    }
    return std::nullopt;
  }

 private:
  // Block rows `rows[0 .. Count-1]`, all of the given length, side by side.
  template <std::size_t Count>
  void side_by_side(std::size_t first, const std::uint32_t* rows, std::size_t length) const {
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
    fail("tooFewColumns", "Too few value columns for mode " + std::to_string(mode) +
                              ", which reads " + std::to_string(needed) + ": input 2 is " +
                              std::to_string(values.rows) + "-by-" + std::to_string(values.cols));
}

std::optional<BadEntry> set_features(int mode, ConstMatrix ids, ConstMatrix values,
                                     ConstMatrix weights, double* out1, double* out2) {
  if (mode < 1 || mode > 4) return std::nullopt;
  std::size_t limit = values.rows;
  if (mode == 3) limit = std::min({limit, weights.rows, weights.cols});
  const std::string problem = limit_problem(mode, limit);
  const double* v = values.data;
  switch (mode) {
    case 1:
      return each_row(Minimum{v, out1}, ids, limit, problem);
    case 2:
      return each_row(RatioAndSum{v, out1, out2}, ids, limit, problem);
    case 3:
      return Perimeter(ids, values, weights, out1, out2).run(limit, problem);
    default:
      return each_row(Box{v, values.rows, out2, ids.rows}, ids, limit, problem);
  }
}

}  // namespace mexsets
