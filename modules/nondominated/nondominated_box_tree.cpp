// nondominated: the k-d tree route for inputs without NaN whose front is
// large, finding for each row a row that covers it.
#include "nondominated_box_tree.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "nondominated_routes.hpp"

namespace mexsets {
namespace nd {
namespace {

// A BoxTree that finds, for a row, a row covering it: no greater in every
// column and either smaller in one or earlier (so it dominates the row or is
// an earlier copy). A search skips a box whose lower corner exceeds the row
// somewhere, and a box that lies entirely at or below the row while reaching
// strictly below it holds a witness for sure.
//
// Each node also holds the least row sum of its box (columns added in
// order). A row q of the box that covers the point p has q(k) <= u(k) =
// min(p(k), upper(k)) for every k, and rounding is monotone, so sum(q) <=
// sum(u) computed the same way: a box whose least sum exceeds sum(u) holds no
// witness. On a front of anti-correlated points (near a plane of equal sums)
// this prunes nearly every box the corners alone cannot. A row whose sum is
// NaN (+Inf and -Inf) is left out of the least: a row it covers holds +Inf
// where it does, and so does u, whose sum is then +Inf or NaN and prunes
// nothing.
template <class Row>
class CoverTree : public BoxTree<Row> {
  using Base = BoxTree<Row>;

 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  CoverTree(const double* x, std::size_t m, std::size_t d, std::vector<Row> rows)
      : Base(x, m, d, std::move(rows)) {
    least_sum_.resize(this->slots());
    if (!this->rows_.empty()) set_least_sum(1, 0, this->rows_.size());
  }

  // Whether the row at position `other` covers the row at `position`.
  bool covers(std::size_t other, std::size_t position) const {
    return nd::covers(this->x_, this->m_, this->d_, this->rows_[other], this->rows_[position]);
  }

  // The position of a row that covers the row at `position`, or kNone.
  std::size_t witness(std::size_t position, double* point) const {
    const std::size_t d = this->d_;
    for (std::size_t k = 0; k < d; ++k) point[k] = this->x_[this->rows_[position] + k * this->m_];
    struct Visit {
      std::size_t node, begin, end;
    };
    std::array<Visit, 2 * 64 + 8> stack;
    std::size_t top = 0;
    stack[top++] = {1, 0, this->rows_.size()};
    while (top > 0) {
      const Visit v = stack[--top];
      this->interrupt_.tick(4 * d);
      const double* lower = this->lower(v.node);
      const double* upper = this->upper(v.node);
      if (better_somewhere(point, 1, lower, 1, d)) continue;  // the box lies beyond the row
      double bound = std::min(point[0], upper[0]);
      for (std::size_t k = 1; k < d; ++k) bound += std::min(point[k], upper[k]);
      if (bound < least_sum_[v.node]) continue;  // too little room below the row
      bool below = false;
      std::size_t k = 0;
      for (; k < d && !(upper[k] > point[k]); ++k) below = below || lower[k] < point[k];
      if (v.end - v.begin <= Base::kLeaf ||
          (k == d && below)) {  // a leaf, or sure to hold a witness
        this->interrupt_.tick(2 * d * (v.end - v.begin));
        for (std::size_t i = v.begin; i < v.end; ++i)
          if (covers(i, position)) return i;
      } else {  // the lower half first: it holds the likelier witnesses
        const std::size_t half = Base::middle(v.begin, v.end);
        stack[top++] = {2 * v.node + 1, half, v.end};
        stack[top++] = {2 * v.node, v.begin, half};
      }
    }
    return kNone;
  }

 private:
  // The least sum of the box's rows (std::min passes NaN over).
  void set_least_sum(std::size_t node, std::size_t begin, std::size_t end) {
    double least = std::numeric_limits<double>::infinity();
    if (end - begin <= Base::kLeaf) {
      this->interrupt_.tick(2 * this->d_ * (end - begin));
      for (std::size_t i = begin; i < end; ++i) {
        const std::size_t r = this->rows_[i];
        double sum = this->x_[r];
        for (std::size_t k = 1; k < this->d_; ++k) sum += this->x_[r + k * this->m_];
        least = std::min(least, sum);
      }
    } else {
      const std::size_t half = Base::middle(begin, end);
      set_least_sum(2 * node, begin, half);
      set_least_sum(2 * node + 1, half, end);
      least = std::min(least_sum_[2 * node], least_sum_[2 * node + 1]);
    }
    least_sum_[node] = least;
  }

  std::vector<double> least_sum_;  // by node
};

}  // namespace

// Resolves the listed rows that are not yet on the front (front[row] == 0)
// with a CoverTree over all listed rows; rows already marked only serve as
// witnesses.
template <class Row>
void front_by_tree(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                   std::vector<Row> rows) {
  const CoverTree<Row> tree(x, m, d, std::move(rows));
  std::vector<double> point(d);
  // Neighbours in tree order are neighbours in space: the last witness found
  // often covers the next row too.
  std::size_t hint = CoverTree<Row>::kNone;
  InterruptCheck interrupt;
  for (std::size_t i = 0; i < tree.size(); ++i) {
    interrupt.tick(2 * d);
    if (front[tree.row(i)]) continue;  // marked before this search began
    if (hint != CoverTree<Row>::kNone && tree.covers(hint, i)) continue;
    const std::size_t witness = tree.witness(i, point.data());
    if (witness == CoverTree<Row>::kNone)
      front[tree.row(i)] = 1;
    else
      hint = witness;
  }
}

template void front_by_tree<std::uint32_t>(unsigned char*, const double*, std::size_t, std::size_t,
                                           std::vector<std::uint32_t>);
template void front_by_tree<std::size_t>(unsigned char*, const double*, std::size_t, std::size_t,
                                         std::vector<std::size_t>);

}  // namespace nd
}  // namespace mexsets
