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
    if (rows_.empty()) return;
    keyed_.resize(rows_.size());
    build(1, 0, rows_.size(), 0);
    std::vector<Keyed>().swap(keyed_);
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
    // The median is selected among the rows' values read once into keyed_:
    // the input may change under another thread, and std::nth_element over
    // values read each time it compares could run off the array.
    const double* column = x_ + (depth % d_) * m_;
    Keyed* keyed = keyed_.data();
    for (std::size_t i = begin; i < end; ++i) keyed[i] = {column[rows_[i]], rows_[i]};
    std::nth_element(keyed + begin, keyed + half, keyed + end,
                     [](const Keyed& a, const Keyed& b) { return a.value < b.value; });
    for (std::size_t i = begin; i < end; ++i) rows_[i] = keyed[i].row;
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
  struct Keyed {
    double value;
    Row row;
  };
  std::vector<Keyed> keyed_;  // while building
};

}  // namespace nd
}  // namespace mexsets
