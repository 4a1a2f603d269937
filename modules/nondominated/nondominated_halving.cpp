// nondominated: the front of rows without NaN in four columns by divide and
// conquer, O(n log^2 n) whatever the front's size.
//
// Copies first: of identical rows only the earliest can be on the front, and
// it covers whatever the others cover, so the others are dropped and the
// points left are distinct. Then a point can only be dominated by one before
// it in the order (x0, x1, x2, x3). Each half of that order is solved alone;
// a point of the first half has x0 no greater than every point of the
// second, so a point q of the second half is dominated from the first half
// iff some front point p there has p1 <= q1, p2 <= q2 and p3 <= q3 (distinct,
// so no greater everywhere is dominance). That query is a sweep of both
// halves in x1 order (the first half's points before the second's on equal
// x1), with a Fenwick tree over the ranks of x2 holding the least rank of x3 of the
// first half's front points met so far. The halves come back in x1 order, so
// each sweep is a merge.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "nondominated_routes.hpp"
#include "nondominated_sorting.hpp"

namespace mexsets {
namespace nd {
namespace {

constexpr std::size_t kColumns = 4;

class Halving {
 public:
  // Points distinct, in (x0, x1, x2, x3) order, kColumns doubles each.
  explicit Halving(const std::vector<double>& points)
      : n_(points.size() / kColumns), dominated_(n_, 1), items_(n_), spare_(n_) {
    for (std::size_t i = 0; i < n_; ++i) items_[i].point = static_cast<std::uint32_t>(i);
    rank_column(points, 1, &Item::x1);
    ranks_ = rank_column(points, 2, &Item::x2);
    rank_column(points, 3, &Item::x3);
    least_.assign(ranks_ + 1, kNone);
    const std::size_t left = n_ > 0 ? solve(0, n_) : 0;
    for (std::size_t i = 0; i < left; ++i) dominated_[items_[i].point] = 0;
  }

  bool dominated(std::size_t i) const { return dominated_[i] != 0; }

 private:
  static constexpr std::size_t kSmall = 16;
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // A point by its 1-based ranks in columns 1 to 3 (equal values share a
  // rank, so ranks compare as the values do) and its place in (x0, ...) order.
  struct Item {
    std::uint32_t x1, x2, x3, point;
  };

  // Sets the ranks of column k; returns the most.
  std::uint32_t rank_column(const std::vector<double>& points, std::size_t k,
                            std::uint32_t Item::*rank_of) {
    auto at = [&](std::size_t i) { return points[i * kColumns + k]; };
    Scratch<std::uint64_t> order = scratch<std::uint64_t>(n_), spare = scratch<std::uint64_t>(n_);
    pack_positions(order.get(), n_, at);
    sort_items(order, spare, n_, [&](std::size_t a, std::size_t b) { return at(a) < at(b); });
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < n_; ++i) {
      if (i == 0 || at(position_of(order[i - 1])) < at(position_of(order[i]))) ++rank;
      items_[position_of(order[i])].*rank_of = rank;
    }
    return rank;
  }

  static bool no_greater(const Item& a, const Item& b) {
    return a.x1 <= b.x1 && a.x2 <= b.x2 && a.x3 <= b.x3;
  }

  // Drops from items_[begin, end) (in (x0, ...) order) the points that one
  // there dominates, and leaves the others at items_[begin, begin + count) in
  // x1 order; returns count. An earlier point has x0 no greater, and points
  // are distinct, so no greater in columns 1 to 3 is dominance.
  std::size_t solve(std::size_t begin, std::size_t end) {
    if (end - begin <= kSmall) {
      std::size_t count = 0;
      for (std::size_t j = begin; j < end; ++j) {
        bool covered = false;
        for (std::size_t i = begin; i < begin + count && !covered; ++i)
          covered = no_greater(items_[i], items_[j]);
        if (!covered) items_[begin + count++] = items_[j];
      }
      std::sort(&items_[begin], &items_[begin] + count,
                [](const Item& a, const Item& b) { return a.x1 < b.x1; });
      return count;
    }
    const std::size_t middle = begin + (end - begin) / 2;
    const std::size_t first = solve(begin, middle);
    const std::size_t second = solve(middle, end);
    // The merge in x1 order, the first half first on ties; a point of the
    // second half is dominated when a point of the first met before it has
    // x2 and x3 no greater.
    std::size_t a = begin, b = middle, out = begin;
    const std::size_t a_end = begin + first, b_end = middle + second;
    while (a < a_end || b < b_end) {
      if (b == b_end || (a < a_end && items_[a].x1 <= items_[b].x1)) {
        insert(items_[a].x2, items_[a].x3);
        spare_[out++] = items_[a++];
      } else {
        if (!some_no_greater(items_[b].x2, items_[b].x3)) spare_[out++] = items_[b];
        ++b;
      }
    }
    for (std::size_t i = begin; i < a_end; ++i) clear(items_[i].x2);
    std::copy(&spare_[begin], &spare_[0] + out, &items_[begin]);
    return out - begin;
  }
  // The nodes on the way up cover ever larger ranges, so their least values
  // never increase: once one is no greater than `value`, so are the rest.
  void insert(std::size_t rank, std::uint32_t value) {
    for (; rank <= ranks_ && value < least_[rank]; rank += rank & (~rank + 1)) least_[rank] = value;
  }
  // Whether a value at a rank up to `rank` is no greater than `bound`.
  bool some_no_greater(std::size_t rank, std::uint32_t bound) const {
    for (; rank > 0; rank &= rank - 1)
      if (least_[rank] <= bound) return true;
    return false;
  }
  // Undoes the inserts at `rank`: every node on an insert's way up holds a
  // value until a clear passes it, and a clear goes on up to a node cleared.
  void clear(std::size_t rank) {
    for (; rank <= ranks_ && least_[rank] != kNone; rank += rank & (~rank + 1))
      least_[rank] = kNone;
  }

  std::size_t n_, ranks_ = 0;
  std::vector<unsigned char> dominated_;  // by point
  std::vector<Item> items_, spare_;
  std::vector<std::uint32_t> least_;  // Fenwick tree over ranks of x2: least rank of x3
};

}  // namespace

template <class Row>
void front_by_halving(unsigned char* front, const double* x, std::size_t m,
                      const std::vector<Row>& rows) {
  const std::size_t n = rows.size();
  if (n == 0) return;
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n), spare = scratch<std::uint64_t>(n);
  lexicographic(order, spare, x, m, kColumns, rows.data(), n);
  spare.reset();
  // Runs of identical rows become one point, standing for the earliest row.
  std::vector<double> points;
  std::vector<std::size_t> row_of;
  points.reserve(n * kColumns);
  row_of.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t r = rows[position_of(order[i])];
    if (!row_of.empty()) {
      const double* last = &points[points.size() - kColumns];
      std::size_t k = 0;
      while (k < kColumns && last[k] == x[r + k * m]) ++k;
      if (k == kColumns) {
        row_of.back() = std::min(row_of.back(), r);
        continue;
      }
    }
    for (std::size_t k = 0; k < kColumns; ++k) points.push_back(x[r + k * m]);
    row_of.push_back(r);
  }
  order.reset();
  const Halving halving(points);
  for (std::size_t i = 0; i < row_of.size(); ++i)
    if (!halving.dominated(i)) front[row_of[i]] = 1;
}

template void front_by_halving<std::uint32_t>(unsigned char*, const double*, std::size_t,
                                              const std::vector<std::uint32_t>&);
template void front_by_halving<std::size_t>(unsigned char*, const double*, std::size_t,
                                            const std::vector<std::size_t>&);

}  // namespace nd
}  // namespace mexsets
