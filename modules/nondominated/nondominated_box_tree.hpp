// nondominated: a k-d tree over rows of an input, free of NaN, that the
// search trees of the routes build on.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "mexsets/interrupt.hpp"

namespace mexsets {
namespace nd {

// A k-d tree over listed rows of an m-by-d matrix without NaN: each node
// holds the lower and upper corners of its rows' box. The nodes form an
// implicit binary tree (children of node i are 2i and 2i + 1, halves of its
// positions), so only the corners are stored. Splits are at the median of
// one column, the columns taken in turn by depth; the halves shrink, so the
// depth stays below 64.
template <class Row>
class BoxTree {
 public:
  std::size_t size() const { return rows_.size(); }
  std::size_t row(std::size_t position) const { return rows_[position]; }

 protected:
  static constexpr std::size_t kLeaf = 16;

  BoxTree(const double* x, std::size_t m, std::size_t d, std::vector<Row> rows)
      : x_(x), m_(m), d_(d), rows_(std::move(rows)) {
    corners_.resize(slots() * 2 * d);
    if (!rows_.empty()) build(1, 0, rows_.size(), 0);
  }

  // Node numbers run below this.
  std::size_t slots() const {
    std::size_t slots = 2;
    for (std::size_t size = rows_.size(); size > kLeaf; size = (size + 1) / 2) slots *= 2;
    return slots;
  }
  const double* lower(std::size_t node) const { return &corners_[node * 2 * d_]; }
  const double* upper(std::size_t node) const { return &corners_[node * 2 * d_] + d_; }
  static std::size_t middle(std::size_t begin, std::size_t end) {
    return begin + (end - begin) / 2;
  }

  const double* x_;
  std::size_t m_, d_;
  std::vector<Row> rows_;  // tree order
  // The work of building and of every search, counted for the host (a
  // search changes no tree, so it ticks a const tree's countdown).
  mutable InterruptCheck interrupt_;

 private:
  // Corners come from the leaves up.
  void build(std::size_t node, std::size_t begin, std::size_t end, std::size_t depth) {
    double* low = &corners_[node * 2 * d_];
    double* high = low + d_;
    interrupt_.tick(2 * (end - begin) + 4 * d_);
    if (end - begin <= kLeaf) {
      for (std::size_t k = 0; k < d_; ++k) {
        const double* column = x_ + k * m_;
        double lo = column[rows_[begin]], hi = lo;
        for (std::size_t i = begin + 1; i < end; ++i) {
          lo = std::min(lo, column[rows_[i]]);
          hi = std::max(hi, column[rows_[i]]);
        }
        low[k] = lo;
        high[k] = hi;
      }
      return;
    }
    const std::size_t half = middle(begin, end);
    const double* column = x_ + (depth % d_) * m_;
    std::nth_element(&rows_[begin], &rows_[half], &rows_[0] + end,
                     [column](Row a, Row b) { return column[a] < column[b]; });
    build(2 * node, begin, half, depth + 1);
    build(2 * node + 1, half, end, depth + 1);
    const double* a = lower(2 * node);
    const double* b = lower(2 * node + 1);
    for (std::size_t k = 0; k < d_; ++k) {
      low[k] = std::min(a[k], b[k]);
      high[k] = std::max(a[d_ + k], b[d_ + k]);
    }
  }

  std::vector<double> corners_;  // lower then upper corner of each node slot
};

}  // namespace nd
}  // namespace mexsets
