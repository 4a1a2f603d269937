// set_features, mode 3 reading every pair's weight from w.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "set_features_modes.hpp"

namespace mexsets {
namespace set_features_modes {

namespace {

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
  // Buffers for rows begin .. end-1.
  Perimeter(ConstMatrix ids, ConstMatrix values, ConstMatrix weights, double* out1, double* out2,
            std::size_t begin, std::size_t end)
      : ids_(ids),
        begin_(begin),
        end_(end),
        v_(values.data),
        w_(weights.data),
        stride_(weights.rows),
        out1_(out1),
        out2_(out2),
        n_(ids.cols),
        per_block_(std::max<std::size_t>(
            1,
            std::min({kMaxBlockRows, kBufferedIds / std::max<std::size_t>(n_, 1), end - begin}))),
        row_(per_block_ * n_),
        column_(per_block_ * n_),
        length_(per_block_),
        order_(per_block_) {}

  void run(const IdLimit& limit) {
    RowReader reader(ids_, limit.limit);
    InterruptCheck interrupt;
    for (std::size_t first = begin_; first < end_; first += per_block_) {
      const std::size_t count = std::min(per_block_, end_ - first);
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
  std::size_t begin_, end_;
  const double* v_;
  const double* w_;
  std::size_t stride_;
  double *out1_, *out2_;
  std::size_t n_, per_block_;
  std::vector<std::size_t> row_, column_, length_;
  std::vector<std::uint32_t> order_;
};

}  // namespace

void perimeter_rows(ConstMatrix ids, ConstMatrix values, ConstMatrix weights, double* out1,
                    double* out2, const IdLimit& limit) {
  // A row of n ids costs about n^2 / 2 pair reads: threads take chunks of
  // rows.
  rows_in_chunks(ids, ids.cols * ids.cols + 4, [&](std::size_t begin, std::size_t end) {
    Perimeter(ids, values, weights, out1, out2, begin, end).run(limit);
  });
}

}  // namespace set_features_modes
}  // namespace mexsets
