#include "nondominated.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace mexsets {
namespace {

bool holds_nan(const double* x, std::size_t count) {
  constexpr std::size_t block = 1024;
  for (std::size_t begin = 0; begin < count; begin += block) {
    const std::size_t end = std::min(count, begin + block);
    bool nan = false;
    for (std::size_t i = begin; i < end; ++i) nan |= x[i] != x[i];
    if (nan) return true;
  }
  return false;
}

}  // namespace

// The candidate sweep over the column-major input, one candidate byte per
// row. It is what runs on inputs holding NaN, where the result depends on the
// row order; its pair test is already tight (a row-major copy with a list of
// live rows measured no faster), so it stays as it stands.
void nondominated_sweep(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  // Some k has x(r, k) > x(s, k): row s is better than row r somewhere.
  auto better = [&](std::size_t s, std::size_t r) {
    for (std::size_t k = 0; k < d; ++k)
      if (x[r + k * m] > x[s + k * m]) return true;
    return false;
  };
  // No k has x(s, k) > x(r, k): row s is nowhere worse than row r.
  auto nowhere_worse = [&](std::size_t s, std::size_t r) {
    for (std::size_t k = 0; k < d; ++k)
      if (x[s + k * m] > x[r + k * m]) return false;
    return true;
  };
  std::vector<unsigned char> candidate(m, 1);
  for (std::size_t t = 0; t < m; ++t) {
    if (!candidate[t]) continue;
    candidate[t] = 0;
    std::size_t c = t;  // the champion
    for (std::size_t j = t + 1; j < m; ++j) {
      if (!candidate[j]) continue;
      if (!better(j, c)) {
        candidate[j] = 0;  // nowhere better than the champion: out for good
      } else if (nowhere_worse(j, c)) {
        candidate[j] = 0;  // dominates the champion and replaces it
        c = j;
      }
    }
    front[c] = 1;
    // Rows passed before the champion moved were compared with earlier
    // champions only (empty unless c >= t + 2).
    for (std::size_t j = t + 1; j < c; ++j)
      if (candidate[j] && !better(j, c)) candidate[j] = 0;
  }
}

namespace {

// ---------------------------------------------------------------------------
// Inputs without NaN: the result is the definition (no row dominates r and no
// earlier row is identical to r), reached through sorting and searching.
// Scratch is kept small (fresh memory costs page faults on every call): rows
// are listed as 32-bit positions where they fit, sorts pack key and position
// into one 64-bit word, and the search tree reads the input in place.

// Big scratch arrays of plain values, left uninitialised.
template <class T>
using Scratch = std::unique_ptr<T[]>;
template <class T>
Scratch<T> scratch(std::size_t n) {
  return Scratch<T>(new T[n]);
}

// Unsigned keys in the order of the doubles, -0 and +0 sharing one key (they
// compare equal). NaN has no key.
inline std::uint64_t order_key(double v) {
  if (v == 0) v = 0.0;
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
}

constexpr std::size_t kPackedLimit = 0xFFFFFFFFu;  // positions below it fit 32 bits, with one spare

// Sort items: a coarse key in the upper 32 bits, a position in the lower.
// The coarse key is the top 32 bits of the keys' varying range, so it never
// decreases as the value grows; equal coarse keys need a finer look.
template <class Value>
void pack_positions(std::uint64_t* items, std::size_t n, Value value) {
  if (n == 0) return;
  std::uint64_t lowest = order_key(value(0)), highest = lowest;
  for (std::size_t i = 1; i < n; ++i) {
    const std::uint64_t key = order_key(value(i));
    lowest = std::min(lowest, key);
    highest = std::max(highest, key);
  }
  int shift = 0;
  for (std::uint64_t span = (highest - lowest) >> 32; span != 0; span >>= 1) ++shift;
  for (std::size_t i = 0; i < n; ++i)
    items[i] = ((order_key(value(i)) - lowest) >> shift << 32) | i;
}

// Whether row a comes before row b by the columns alone ("<" on doubles).
inline bool columns_less(const double* x, std::size_t m, std::size_t d, std::size_t a,
                         std::size_t b) {
  for (std::size_t k = 0; k < d; ++k) {
    const double xa = x[a + k * m], xb = x[b + k * m];
    if (xa < xb) return true;
    if (xb < xa) return false;
  }
  return false;
}

// Stable LSD radix sort of n items by their upper 32 bits, a byte a pass; a
// byte that is the same in every item takes no pass. `spare` holds n items.
void radix_sort(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, std::size_t n) {
  if (n < 2) return;
  std::size_t counts[4][256] = {};
  for (std::size_t i = 0; i < n; ++i)
    for (int b = 0; b < 4; ++b) ++counts[b][(items[i] >> (32 + 8 * b)) & 255];
  for (int b = 0; b < 4; ++b) {
    std::size_t* count = counts[b];
    const int shift = 32 + 8 * b;
    if (count[(items[0] >> shift) & 255] == n) continue;
    std::size_t offset = 0;
    for (int digit = 0; digit < 256; ++digit) {
      const std::size_t here = count[digit];
      count[digit] = offset;
      offset += here;
    }
    const std::uint64_t* from = items.get();
    std::uint64_t* to = spare.get();
    for (std::size_t i = 0; i < n; ++i) to[count[(from[i] >> shift) & 255]++] = from[i];
    items.swap(spare);
  }
}

inline std::size_t position_of(std::uint64_t item) { return item & 0xFFFFFFFFu; }

// Sorts packed items by their coarse key and then each run of equal coarse
// keys with `less` (on positions), which must order the finer part.
template <class Less>
void sort_items(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, std::size_t n,
                Less less) {
  radix_sort(items, spare, n);
  for (std::size_t begin = 0; begin < n;) {
    std::size_t end = begin + 1;
    while (end < n && (items[end] >> 32) == (items[begin] >> 32)) ++end;
    if (end - begin > 1)
      std::sort(&items[begin], &items[end], [&](std::uint64_t a, std::uint64_t b) {
        return less(position_of(a), position_of(b));
      });
    begin = end;
  }
}

// The listed rows (ascending, at most kPackedLimit) as positions in the order
// (x0, x1, ..., row): every row that dominates or copies r comes before r.
// Comparing doubles with "<" keeps -0 and +0 together.
template <class Row>
void lexicographic(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, const double* x,
                   std::size_t m, std::size_t d, const Row* rows, std::size_t n) {
  pack_positions(items.get(), n, [&](std::size_t i) { return x[rows[i]]; });
  sort_items(items, spare, n, [&](std::size_t a, std::size_t b) {
    return columns_less(x, m, d, rows[a], rows[b]) ||
           (a < b && !columns_less(x, m, d, rows[b], rows[a]));
  });
}

void first_minimum(unsigned char* front, const double* x, std::size_t m) {
  std::size_t best = 0;
  for (std::size_t r = 1; r < m; ++r)
    if (x[r] < x[best]) best = r;
  front[best] = 1;
}

// In (x0, x1, row) order a row is on the front iff its x1 is below that of
// every row before it.
template <class Row>
void front_of_pairs(unsigned char* front, const double* x, std::size_t m, const Row* rows,
                    std::size_t n) {
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n), spare = scratch<std::uint64_t>(n);
  lexicographic(order, spare, x, m, 2, rows, n);
  spare.reset();
  const double* x1 = x + m;
  double lowest = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t r = rows[position_of(order[i])];
    if (i == 0 || x1[r] < lowest) {
      front[r] = 1;
      lowest = x1[r];
    }
  }
}

// In (x0, x1, x2, row) order a row is on the front iff no row before it has
// both x1 and x2 no greater. A Fenwick tree over the ranks of x1 holds, at
// each node, the position of the front row of least x2 seen so far within the
// node's range of ranks.
template <class Row>
void front_of_triples(unsigned char* front, const double* x, std::size_t m, const Row* rows,
                      std::size_t n) {
  const double* x1 = x + m;
  const double* x2 = x + 2 * m;
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n), spare = scratch<std::uint64_t>(n);
  Scratch<std::uint32_t> rank = scratch<std::uint32_t>(n);  // 1-based ranks of x1, by position
  std::size_t ranks = 0;
  pack_positions(order.get(), n, [&](std::size_t i) { return x1[rows[i]]; });
  sort_items(order, spare, n,
             [&](std::size_t a, std::size_t b) { return x1[rows[a]] < x1[rows[b]]; });
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t p = position_of(order[i]);
    if (i == 0 || x1[rows[position_of(order[i - 1])]] < x1[rows[p]]) ++ranks;
    rank[p] = static_cast<std::uint32_t>(ranks);
  }
  lexicographic(order, spare, x, m, 3, rows, n);
  spare.reset();

  constexpr std::uint32_t none = 0xFFFFFFFFu;
  std::vector<std::uint32_t> least(ranks + 1, none);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t p = position_of(order[i]);
    const double z = x2[rows[p]];
    bool covered = false;
    for (std::size_t j = rank[p]; j > 0 && !covered; j &= j - 1)
      covered = least[j] != none && !(x2[rows[least[j]]] > z);
    if (covered) continue;
    front[rows[p]] = 1;
    // The nodes on the way up cover ever larger ranges, so their minima
    // never increase: once one is <= z, so are the rest.
    for (std::size_t j = rank[p]; j <= ranks; j += j & (~j + 1)) {
      if (least[j] != none && !(x2[rows[least[j]]] > z)) break;
      least[j] = static_cast<std::uint32_t>(p);
    }
  }
}

// A k-d tree over listed rows of an m-by-d matrix that finds, for a row, a
// row covering it: no greater in every column and either smaller in one or
// earlier (so it dominates the row or is an earlier copy). Each node holds
// the lower and upper corners of its rows' box; a search skips a box whose
// lower corner exceeds the row somewhere, and a box that lies entirely at or
// below the row while reaching strictly below it holds a witness for sure.
// The nodes form an implicit binary tree (children of node i are 2i and
// 2i + 1, halves of its positions), so only the corners are stored.
template <class Row>
class CoverTree {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  CoverTree(const double* x, std::size_t m, std::size_t d, std::vector<Row> rows)
      : x_(x), m_(m), d_(d), rows_(std::move(rows)) {
    const std::size_t n = rows_.size();
    std::size_t slots = 2;
    for (std::size_t size = n; size > kLeaf; size = (size + 1) / 2) slots *= 2;
    corners_.resize(slots * 2 * d);
    build(1, 0, n, 0);
  }

  std::size_t size() const { return rows_.size(); }
  std::size_t row(std::size_t position) const { return rows_[position]; }

  // Whether the row at position `other` covers the row at `position`.
  bool covers(std::size_t other, std::size_t position) const {
    if (other == position) return false;
    const std::size_t a = rows_[other], b = rows_[position];
    bool less = a < b;
    for (std::size_t k = 0; k < d_; ++k) {
      const double xa = x_[a + k * m_], xb = x_[b + k * m_];
      if (xa > xb) return false;
      less = less || xa < xb;
    }
    return less;
  }

  // The position of a row that covers the row at `position`, or kNone.
  std::size_t witness(std::size_t position, double* point) const {
    for (std::size_t k = 0; k < d_; ++k) point[k] = x_[rows_[position] + k * m_];
    struct Visit {
      std::size_t node, begin, end;
    };
    std::array<Visit, 2 * 64 + 8> stack;
    std::size_t top = 0;
    stack[top++] = {1, 0, rows_.size()};
    while (top > 0) {
      const Visit v = stack[--top];
      const double* lower = &corners_[v.node * 2 * d_];
      const double* upper = lower + d_;
      std::size_t k = 0;
      while (k < d_ && !(lower[k] > point[k])) ++k;
      if (k < d_) continue;  // the box lies beyond the row somewhere
      bool below = false;
      for (k = 0; k < d_ && !(upper[k] > point[k]); ++k) below = below || lower[k] < point[k];
      if (v.end - v.begin <= kLeaf || (k == d_ && below)) {  // a leaf, or sure to hold a witness
        for (std::size_t i = v.begin; i < v.end; ++i)
          if (covers(i, position)) return i;
      } else {  // the lower half first: it holds the likelier witnesses
        const std::size_t middle = v.begin + (v.end - v.begin) / 2;
        stack[top++] = {2 * v.node + 1, middle, v.end};
        stack[top++] = {2 * v.node, v.begin, middle};
      }
    }
    return kNone;
  }

 private:
  static constexpr std::size_t kLeaf = 16;

  // Splits at the median of one column, the columns taken in turn by depth;
  // the halves shrink, so the depth stays below 64. Corners come from the
  // leaves up.
  void build(std::size_t node, std::size_t begin, std::size_t end, std::size_t depth) {
    double* lower = &corners_[node * 2 * d_];
    double* upper = lower + d_;
    if (end - begin <= kLeaf) {
      for (std::size_t k = 0; k < d_; ++k) {
        const double* column = x_ + k * m_;
        double lo = column[rows_[begin]], hi = lo;
        for (std::size_t i = begin + 1; i < end; ++i) {
          lo = std::min(lo, column[rows_[i]]);
          hi = std::max(hi, column[rows_[i]]);
        }
        lower[k] = lo;
        upper[k] = hi;
      }
      return;
    }
    const std::size_t middle = begin + (end - begin) / 2;
    const double* column = x_ + (depth % d_) * m_;
    std::nth_element(&rows_[begin], &rows_[middle], &rows_[0] + end,
                     [column](Row a, Row b) { return column[a] < column[b]; });
    build(2 * node, begin, middle, depth + 1);
    build(2 * node + 1, middle, end, depth + 1);
    const double* a = &corners_[2 * node * 2 * d_];
    const double* b = &corners_[(2 * node + 1) * 2 * d_];
    for (std::size_t k = 0; k < d_; ++k) {
      lower[k] = std::min(a[k], b[k]);
      upper[k] = std::max(a[d_ + k], b[d_ + k]);
    }
  }

  const double* x_;
  std::size_t m_, d_;
  std::vector<Row> rows_;        // tree order
  std::vector<double> corners_;  // lower then upper corner of each node slot
};

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
  for (std::size_t i = 0; i < tree.size(); ++i) {
    if (front[tree.row(i)]) continue;  // marked before this search began
    if (hint != CoverTree<Row>::kNone && tree.covers(hint, i)) continue;
    const std::size_t witness = tree.witness(i, point.data());
    if (witness == CoverTree<Row>::kNone)
      front[tree.row(i)] = 1;
    else
      hint = witness;
  }
}

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

// Sort-filter for four or more columns: the listed rows in the order of their
// sums (ties by the columns, then row), each checked only against the front
// rows found before it. A row that dominates or copies r is no greater in
// every column, so its sum (added in the same column order; rounding is
// monotone) is no greater either, and a tie falls to the columns: it comes
// first. Should a sum be NaN (+Inf and -Inf in one row), the lexicographic
// order serves instead. In a cloud the front is small and most rows meet a
// witness early; once the checks outgrow a budget linear in the rows handled
// (a large front), the rows left are resolved with the k-d tree.
template <class Row>
void front_by_filter(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                     const Row* rows, std::size_t n) {
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n);
  {
    Scratch<std::uint64_t> spare = scratch<std::uint64_t>(n);
    Scratch<double> sum = scratch<double>(n);
    bool nan_sum = false;
    for (std::size_t i = 0; i < n; ++i) {
      double s = x[rows[i]];
      for (std::size_t k = 1; k < d; ++k) s += x[rows[i] + k * m];
      sum[i] = s;
      nan_sum = nan_sum || s != s;
    }
    if (nan_sum) {
      lexicographic(order, spare, x, m, d, rows, n);
    } else {
      pack_positions(order.get(), n, [&](std::size_t i) { return sum[i]; });
      sort_items(order, spare, n, [&](std::size_t a, std::size_t b) {
        if (sum[a] < sum[b]) return true;
        if (sum[b] < sum[a]) return false;
        return columns_less(x, m, d, rows[a], rows[b]) ||
               (a < b && !columns_less(x, m, d, rows[b], rows[a]));
      });
    }
  }
  FoundRows found(d);
  std::vector<double> point(d);
  std::size_t work = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (work > 16 * i + 4096) {  // a large front: the tree takes the rest
      std::vector<Row> left;
      left.reserve(n - i);
      for (std::size_t j = 0; j < i; ++j)
        if (front[rows[position_of(order[j])]]) left.push_back(rows[position_of(order[j])]);
      for (std::size_t j = i; j < n; ++j) left.push_back(rows[position_of(order[j])]);
      order.reset();
      front_by_tree(front, x, m, d, std::move(left));
      return;
    }
    const std::size_t r = rows[position_of(order[i])];
    for (std::size_t k = 0; k < d; ++k) point[k] = x[r + k * m];
    if (found.cover(point.data(), work)) continue;
    front[r] = 1;
    found.add(point.data());
  }
}

// The front of an m-by-d matrix without NaN, d >= 2. A row covered by a pivot
// row (dominated by it, or a later copy of it) is off the front, and every row
// it covers the pivot covers too; so such rows are dropped first, changing no
// other row's result. The pivot is the first row of least sum: in a cloud it
// covers most rows; on a front it costs one pass. Both passes go through the
// rows in blocks, column by column, so that they vectorise.
template <class Row>
void front_without_nan(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  constexpr std::size_t kBlock = 256;
  std::size_t pivot = 0;
  double least = std::numeric_limits<double>::infinity();
  for (std::size_t begin = 0; begin < m; begin += kBlock) {
    const std::size_t count = std::min(kBlock, m - begin);
    double sum[kBlock];
    std::copy_n(x + begin, count, sum);
    for (std::size_t k = 1; k < d; ++k) {
      const double* column = x + k * m + begin;
      for (std::size_t i = 0; i < count; ++i) sum[i] += column[i];
    }
    double lowest = least;
    for (std::size_t i = 0; i < count; ++i) lowest = sum[i] < lowest ? sum[i] : lowest;
    if (lowest < least) {  // a NaN sum (+Inf and -Inf) never wins
      least = lowest;
      pivot = begin + static_cast<std::size_t>(std::find(sum, sum + count, lowest) - sum);
    }
  }
  std::vector<Row> kept(m);
  std::size_t n = 0;
  for (std::size_t begin = 0; begin < m; begin += kBlock) {
    const std::size_t count = std::min(kBlock, m - begin);
    std::int64_t no_greater[kBlock], less[kBlock];  // all ones or zero
    std::fill_n(no_greater, count, -1);
    std::fill_n(less, count, 0);
    for (std::size_t k = 0; k < d; ++k) {
      const double p = x[pivot + k * m];
      const double* column = x + k * m + begin;
      for (std::size_t i = 0; i < count; ++i) {
        const double v = column[i];
        no_greater[i] = v >= p ? no_greater[i] : 0;  // no NaN here: the same as !(p > v)
        less[i] = p < v ? -1 : less[i];
      }
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t r = begin + i;
      kept[n] = static_cast<Row>(r);
      n += !no_greater[i] || r == pivot || (!less[i] && r < pivot);
    }
  }
  kept.resize(n);
  if (d == 2 && n <= kPackedLimit)
    front_of_pairs(front, x, m, kept.data(), n);
  else if (d == 3 && n <= kPackedLimit)
    front_of_triples(front, x, m, kept.data(), n);
  else if (n <= kPackedLimit)
    front_by_filter(front, x, m, d, kept.data(), n);
  else
    front_by_tree(front, x, m, d, std::move(kept));
}

}  // namespace

void nondominated(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  if (m == 0) return;
  if (d == 0) {  // no row is better than another anywhere
    front[0] = 1;
    return;
  }
  if (holds_nan(x, m * d)) return nondominated_sweep(front, x, m, d);
  if (d == 1) return first_minimum(front, x, m);
  try {
    if (m <= 0xFFFFFFFFu)
      front_without_nan<std::uint32_t>(front, x, m, d);
    else
      front_without_nan<std::size_t>(front, x, m, d);
  } catch (const std::bad_alloc&) {  // the sweep needs only m bytes
    std::memset(front, 0, m);
    nondominated_sweep(front, x, m, d);
  }
}

}  // namespace mexsets
