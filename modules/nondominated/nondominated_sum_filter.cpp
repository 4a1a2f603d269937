// nondominated: the front of rows without NaN in four or more columns, by
// sorting them by their sums and checking each against the front so far.
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "nondominated_routes.hpp"
#include "nondominated_sorting.hpp"

namespace mexsets {
namespace nd {
namespace {

// The front rows found so far by the sort-filter, eight to a block, stored
// column by column inside a block so that a row is checked against eight at
// once without branches. Unused lanes hold NaN, which covers nothing.
class FoundRows {
 public:
  explicit FoundRows(std::size_t d) : d_(d) {}

  void add(const double* point) {
    if (count_ % kLanes == 0)
      lanes_.resize(lanes_.size() + d_ * kLanes, std::numeric_limits<double>::quiet_NaN());
    double* block = &lanes_[(count_ / kLanes) * d_ * kLanes];
    for (std::size_t k = 0; k < d_; ++k) block[k * kLanes + count_ % kLanes] = point[k];
    ++count_;
  }

  // Whether a found row is no greater than `point` in every column; adds the
  // number of blocks examined to `work`.
  bool cover(const double* point, std::size_t& work) const {
    const std::size_t blocks = (count_ + kLanes - 1) / kLanes;
    for (std::size_t b = 0; b < blocks; ++b)
      if (block_covers(&lanes_[b * d_ * kLanes], point)) {
        work += b + 1;
        return true;
      }
    work += blocks;
    return false;
  }

 private:
  static constexpr std::size_t kLanes = 8;

#if defined(__GNUC__)  // GCC and Clang: pairs of lanes in vector registers
  typedef double Pair __attribute__((vector_size(2 * sizeof(double))));
  typedef std::int64_t PairFits __attribute__((vector_size(2 * sizeof(std::int64_t))));

  static Pair load(const double* at) {
    Pair pair;
    std::memcpy(&pair, at, sizeof pair);
    return pair;
  }

  bool block_covers(const double* block, const double* point) const {
    static_assert(kLanes == 8, "four pairs a block");
    PairFits f0 = {-1, -1}, f1 = f0, f2 = f0, f3 = f0;
    for (std::size_t k = 0; k < d_; ++k, block += kLanes) {
      const Pair bound = {point[k], point[k]};
      f0 &= load(block) <= bound;
      f1 &= load(block + 2) <= bound;
      f2 &= load(block + 4) <= bound;
      f3 &= load(block + 6) <= bound;
    }
    const PairFits any = (f0 | f1) | (f2 | f3);
    return (any[0] | any[1]) != 0;
  }
#else
  bool block_covers(const double* block, const double* point) const {
    std::int64_t fits[kLanes];
    for (std::size_t j = 0; j < kLanes; ++j) fits[j] = -1;
    for (std::size_t k = 0; k < d_; ++k)
      for (std::size_t j = 0; j < kLanes; ++j)
        fits[j] &= -std::int64_t{block[k * kLanes + j] <= point[k]};
    std::int64_t any = 0;
    for (std::size_t j = 0; j < kLanes; ++j) any |= fits[j];
    return any != 0;
  }
#endif

  std::size_t d_;
  std::size_t count_ = 0;
  std::vector<double> lanes_;
};

}  // namespace

// Sort-filter for four or more columns: the listed rows in the order of their
// sums (ties by the columns, then row), each checked only against the front
// rows found before it. A row that dominates or copies r is no greater in
// every column, so its sum (added in the same column order; rounding is
// monotone) is no greater either, and a tie falls to the columns: it comes
// first. Should a sum be NaN (+Inf and -Inf in one row), the lexicographic
// order serves instead. In a cloud the front is small and most rows meet a
// witness early; once the checks outgrow a budget linear in the rows handled
// (a large front), the rows left are resolved by halving (four columns,
// nondominated_halving.cpp) or with the k-d tree.
template <class Row>
void front_by_filter(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                     const Row* rows, std::size_t n) {
  // The listed rows copied row by row, in list order: the filter visits them
  // in an order unrelated to their place in x.
  Scratch<double> packed = scratch<double>(n * d);
  InterruptCheck interrupt;
  for (std::size_t k = 0; k < d; ++k)
    interrupt.for_each_index(n, 2, [&](std::size_t i) { packed[i * d + k] = x[rows[i] + k * m]; });
  auto sum = [&](std::size_t i) {
    const double* at = &packed[i * d];
    double s = at[0];
    for (std::size_t k = 1; k < d; ++k) s += at[k];
    return s;
  };
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n);
  {
    Scratch<std::uint64_t> spare = scratch<std::uint64_t>(n);
    bool nan_sum = false;
    interrupt.for_each_index(n, d, [&](std::size_t i) {
      const double s = sum(i);
      nan_sum = nan_sum || s != s;
    });
    if (nan_sum) {
      lexicographic(order, spare, x, m, d, rows, n);
    } else {
      pack_positions(order.get(), n, sum);
      sort_items(order, spare, n, [&](std::size_t a, std::size_t b) {
        const double sa = sum(a), sb = sum(b);
        if (sa < sb) return true;
        if (sb < sa) return false;
        return columns_then_position(x, m, d, rows, a, b);
      });
    }
  }
  FoundRows found(d);
  std::size_t work = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (work > 16 * i + 4096) {  // a large front: halving or the tree takes the rest
      std::vector<Row> left;
      left.reserve(n - i);
      for (std::size_t j = 0; j < i; ++j)
        if (front[rows[position_of(order[j])]]) left.push_back(rows[position_of(order[j])]);
      for (std::size_t j = i; j < n; ++j) left.push_back(rows[position_of(order[j])]);
      order.reset();
      packed.reset();
      if (d == 4 && left.size() < kPackedLimit)
        front_by_halving(front, x, m, left);
      else
        front_by_tree(front, x, m, d, std::move(left));
      return;
    }
    const std::size_t p = position_of(order[i]);
    const double* point = &packed[p * d];
    const std::size_t before = work;
    const bool covered = found.cover(point, work);
    interrupt.tick(1 + 8 * d * (work - before));
    if (covered) continue;
    front[rows[p]] = 1;
    found.add(point);
  }
}

template void front_by_filter<std::uint32_t>(unsigned char*, const double*, std::size_t,
                                             std::size_t, const std::uint32_t*, std::size_t);
template void front_by_filter<std::size_t>(unsigned char*, const double*, std::size_t, std::size_t,
                                           const std::size_t*, std::size_t);

}  // namespace nd
}  // namespace mexsets
