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

// Some k has x(r, k) > x(s, k): row s is better than row r somewhere.
inline bool better(const double* x, std::size_t m, std::size_t d, std::size_t s, std::size_t r) {
  for (std::size_t k = 0; k < d; ++k)
    if (x[r + k * m] > x[s + k * m]) return true;
  return false;
}

// No k has x(s, k) > x(r, k): row s is nowhere worse than row r.
inline bool nowhere_worse(const double* x, std::size_t m, std::size_t d, std::size_t s,
                          std::size_t r) {
  for (std::size_t k = 0; k < d; ++k)
    if (x[s + k * m] > x[r + k * m]) return false;
  return true;
}

// The first row from j on (below end) whose flag is not 0, or end. Runs of
// settled rows are passed eight flags at a time.
inline std::size_t next_live(const unsigned char* flag, std::size_t j, std::size_t end) {
  for (; j < end && j % 8 != 0; ++j)
    if (flag[j]) return j;
  for (std::uint64_t eight; j + 8 <= end; j += 8) {
    std::memcpy(&eight, flag + j, sizeof eight);
    if (eight) break;
  }
  while (j < end && !flag[j]) ++j;
  return j;
}

// One outer step of the candidate sweep, for the candidate t: t stops being a
// candidate and becomes the champion c; the later candidates j, in ascending
// order, stop being candidates when nowhere better than c, or replace c when
// they dominate it; then front(c) = 1, and the candidates between t and c
// stay only when they are better than c somewhere. `dropped(j)` is told of
// every row whose flag goes to 0 (t included).
template <class Dropped>
void sweep_step(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                std::size_t d, std::size_t t, Dropped&& dropped) {
  candidate[t] = 0;
  dropped(t);
  std::size_t c = t;  // the champion
  for (std::size_t j = t + 1; j < m; ++j) {
    if (!candidate[j]) {
      j = next_live(candidate, j, m);  // a run of settled rows
      if (j == m) break;
    }
    if (!better(x, m, d, j, c)) {
      candidate[j] = 0;  // nowhere better than the champion: out for good
      dropped(j);
    } else if (nowhere_worse(x, m, d, j, c)) {
      candidate[j] = 0;  // dominates the champion and replaces it
      dropped(j);
      c = j;
    }
  }
  front[c] = 1;
  // Rows passed before the champion moved were compared with earlier
  // champions only (none unless c >= t + 2).
  for (std::size_t j = next_live(candidate, t + 1, c); j < c; j = next_live(candidate, j + 1, c))
    if (!better(x, m, d, j, c)) {
      candidate[j] = 0;
      dropped(j);
    }
}

// The rest of the candidate sweep when only the listed rows (ascending) are
// still candidates: the same steps, visiting the list instead of every row.
void sweep_listed(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                  std::size_t d, const std::vector<std::size_t>& rows) {
  const std::size_t n = rows.size();
  for (std::size_t a = 0; a < n; ++a) {
    const std::size_t t = rows[a];
    if (!candidate[t]) continue;
    candidate[t] = 0;
    std::size_t c = t, at = a;  // the champion and its place in the list
    for (std::size_t b = a + 1; b < n; ++b) {
      const std::size_t j = rows[b];
      if (!candidate[j]) continue;
      if (!better(x, m, d, j, c)) {
        candidate[j] = 0;
      } else if (nowhere_worse(x, m, d, j, c)) {
        candidate[j] = 0;
        c = j;
        at = b;
      }
    }
    front[c] = 1;
    for (std::size_t b = a + 1; b < at; ++b)
      if (candidate[rows[b]] && !better(x, m, d, rows[b], c)) candidate[rows[b]] = 0;
  }
}

}  // namespace

// The candidate sweep over the column-major input, one candidate byte per
// row; its pair test is already tight (a row-major copy with a list of live
// rows measured no faster), so it stays as it stands.
void nondominated_sweep(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  std::vector<unsigned char> candidate(m, 1);
  for (std::size_t t = 0; t < m; ++t)
    if (candidate[t]) sweep_step(front, candidate.data(), x, m, d, t, [](std::size_t) {});
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

 private:
  // Corners come from the leaves up.
  void build(std::size_t node, std::size_t begin, std::size_t end, std::size_t depth) {
    double* low = &corners_[node * 2 * d_];
    double* high = low + d_;
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

// A BoxTree that finds, for a row, a row covering it: no greater in every
// column and either smaller in one or earlier (so it dominates the row or is
// an earlier copy). A search skips a box whose lower corner exceeds the row
// somewhere, and a box that lies entirely at or below the row while reaching
// strictly below it holds a witness for sure.
template <class Row>
class CoverTree : public BoxTree<Row> {
  using Base = BoxTree<Row>;

 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  CoverTree(const double* x, std::size_t m, std::size_t d, std::vector<Row> rows)
      : Base(x, m, d, std::move(rows)) {}

  // Whether the row at position `other` covers the row at `position`.
  bool covers(std::size_t other, std::size_t position) const {
    if (other == position) return false;
    const std::size_t a = this->rows_[other], b = this->rows_[position];
    bool less = a < b;
    for (std::size_t k = 0; k < this->d_; ++k) {
      const double xa = this->x_[a + k * this->m_], xb = this->x_[b + k * this->m_];
      if (xa > xb) return false;
      less = less || xa < xb;
    }
    return less;
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
      const double* lower = this->lower(v.node);
      const double* upper = this->upper(v.node);
      std::size_t k = 0;
      while (k < d && !(lower[k] > point[k])) ++k;
      if (k < d) continue;  // the box lies beyond the row somewhere
      bool below = false;
      for (k = 0; k < d && !(upper[k] > point[k]); ++k) below = below || lower[k] < point[k];
      if (v.end - v.begin <= Base::kLeaf ||
          (k == d && below)) {  // a leaf, or sure to hold a witness
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
};

// A BoxTree over the rows still candidates of an input holding NaN, those
// rows free of NaN only, kept up to date as rows stop being candidates. Each
// node also holds its least live row (kNone when none is live), which steers
// the search for the first row dominating a point and prunes empty boxes.
template <class Row>
class LiveTree : public BoxTree<Row> {
  using Base = BoxTree<Row>;

 public:
  static constexpr Row kNone = std::numeric_limits<Row>::max();

  // `rows` ascending, all at or after `first`.
  LiveTree(const double* x, std::size_t m, std::size_t d, std::vector<Row> rows, std::size_t first)
      : Base(x, m, d, std::move(rows)), first_(first) {
    const std::size_t n = this->rows_.size();
    live_.assign(n, 1);
    position_.assign(m - first, kNone);
    for (std::size_t i = 0; i < n; ++i) position_[this->rows_[i] - first] = static_cast<Row>(i);
    least_.assign(this->slots(), kNone);
    if (n > 0) set_least(1, 0, n);
  }

  // Takes the row out when it is in the tree and live.
  void remove(std::size_t row) {
    if (row < first_) return;
    const Row i = position_[row - first_];
    if (i == kNone || !live_[i]) return;
    live_[i] = 0;
    std::size_t path[72];
    std::size_t depth = 0, node = 1, begin = 0, end = this->rows_.size();
    while (end - begin > Base::kLeaf) {
      path[depth++] = node;
      const std::size_t half = Base::middle(begin, end);
      if (i < half) {
        node = 2 * node;
        end = half;
      } else {
        node = 2 * node + 1;
        begin = half;
      }
    }
    if (least_[node] != row) return;  // no least changes on the way up
    least_[node] = least_in_leaf(begin, end);
    while (depth > 0) {
      node = path[--depth];
      const Row least = std::min(least_[2 * node], least_[2 * node + 1]);
      if (least_[node] == least) return;
      least_[node] = least;
    }
  }

  // The least live row that dominates `point` (no greater in every column,
  // smaller in one), or kNone.
  Row first_dominating(const double* point) const {
    Row best = kNone;
    if (!this->rows_.empty()) first_dominating(1, 0, this->rows_.size(), point, best);
    return best;
  }

  // Takes out every live row that `point` covers (no row column below the
  // point's), telling `dropped` of each.
  template <class Dropped>
  void remove_covered(const double* point, Dropped&& dropped) {
    if (!this->rows_.empty()) remove_covered(1, 0, this->rows_.size(), point, dropped);
  }

 private:
  Row least_in_leaf(std::size_t begin, std::size_t end) const {
    Row least = kNone;
    for (std::size_t i = begin; i < end; ++i)
      if (live_[i]) least = std::min(least, this->rows_[i]);
    return least;
  }

  void set_least(std::size_t node, std::size_t begin, std::size_t end) {
    if (end - begin <= Base::kLeaf) {
      least_[node] = least_in_leaf(begin, end);
      return;
    }
    const std::size_t half = Base::middle(begin, end);
    set_least(2 * node, begin, half);
    set_least(2 * node + 1, half, end);
    least_[node] = std::min(least_[2 * node], least_[2 * node + 1]);
  }

  bool dominates(std::size_t row, const double* point) const {
    bool less = false;
    for (std::size_t k = 0; k < this->d_; ++k) {
      const double v = this->x_[row + k * this->m_];
      if (v > point[k]) return false;
      less = less || v < point[k];
    }
    return less;
  }

  void first_dominating(std::size_t node, std::size_t begin, std::size_t end, const double* point,
                        Row& best) const {
    if (least_[node] >= best) return;  // nothing live, or nothing earlier than the best
    const std::size_t d = this->d_;
    const double* lower = this->lower(node);
    for (std::size_t k = 0; k < d; ++k)
      if (lower[k] > point[k]) return;  // the box lies beyond the point somewhere
    const double* upper = this->upper(node);
    bool inside = true, below = false;
    for (std::size_t k = 0; k < d && inside; ++k) {
      inside = !(upper[k] > point[k]);
      below = below || upper[k] < point[k];
    }
    if (inside && below) {  // every row of the box dominates the point
      best = least_[node];
      return;
    }
    if (end - begin <= Base::kLeaf) {
      for (std::size_t i = begin; i < end; ++i)
        if (live_[i] && this->rows_[i] < best && dominates(this->rows_[i], point))
          best = this->rows_[i];
      return;
    }
    const std::size_t half = Base::middle(begin, end);
    if (least_[2 * node + 1] < least_[2 * node]) {
      first_dominating(2 * node + 1, half, end, point, best);
      first_dominating(2 * node, begin, half, point, best);
    } else {
      first_dominating(2 * node, begin, half, point, best);
      first_dominating(2 * node + 1, half, end, point, best);
    }
  }

  template <class Dropped>
  void remove_covered(std::size_t node, std::size_t begin, std::size_t end, const double* point,
                      Dropped& dropped) {
    if (least_[node] == kNone) return;
    const std::size_t d = this->d_;
    const double* upper = this->upper(node);
    for (std::size_t k = 0; k < d; ++k)
      if (upper[k] < point[k]) return;  // every row of the box is below the point somewhere
    if (end - begin <= Base::kLeaf) {
      Row least = kNone;
      for (std::size_t i = begin; i < end; ++i) {
        if (!live_[i]) continue;
        const std::size_t row = this->rows_[i];
        std::size_t k = 0;
        while (k < d && !(point[k] > this->x_[row + k * this->m_])) ++k;
        if (k == d) {
          live_[i] = 0;
          dropped(row);
        } else {
          least = std::min(least, this->rows_[i]);
        }
      }
      least_[node] = least;
      return;
    }
    const std::size_t half = Base::middle(begin, end);
    remove_covered(2 * node, begin, half, point, dropped);
    remove_covered(2 * node + 1, half, end, point, dropped);
    least_[node] = std::min(least_[2 * node], least_[2 * node + 1]);
  }

  std::size_t first_;                // rows before it are never in the tree
  std::vector<unsigned char> live_;  // by position
  std::vector<Row> position_;        // by row - first_; kNone for rows not in the tree
  std::vector<Row> least_;           // least live row by node
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
  // The listed rows copied row by row, in list order: the filter visits them
  // in an order unrelated to their place in x.
  Scratch<double> packed = scratch<double>(n * d);
  for (std::size_t k = 0; k < d; ++k)
    for (std::size_t i = 0; i < n; ++i) packed[i * d + k] = x[rows[i] + k * m];
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
    for (std::size_t i = 0; i < n; ++i) {
      const double s = sum(i);
      nan_sum = nan_sum || s != s;
    }
    if (nan_sum) {
      lexicographic(order, spare, x, m, d, rows, n);
    } else {
      pack_positions(order.get(), n, sum);
      sort_items(order, spare, n, [&](std::size_t a, std::size_t b) {
        const double sa = sum(a), sb = sum(b);
        if (sa < sb) return true;
        if (sb < sa) return false;
        return columns_less(x, m, d, rows[a], rows[b]) ||
               (a < b && !columns_less(x, m, d, rows[b], rows[a]));
      });
    }
  }
  FoundRows found(d);
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
    const std::size_t p = position_of(order[i]);
    const double* point = &packed[p * d];
    if (found.cover(point, work)) continue;
    front[rows[p]] = 1;
    found.add(point);
  }
}

// The front of the kept rows (ascending) of an m-by-d matrix without NaN, d >= 2.
template <class Row>
void front_of_kept(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                   const Row* kept, std::size_t n) {
  if (d == 2 && n <= kPackedLimit)
    front_of_pairs(front, x, m, kept, n);
  else if (d == 3 && n <= kPackedLimit)
    front_of_triples(front, x, m, kept, n);
  else if (n <= kPackedLimit)
    front_by_filter(front, x, m, d, kept, n);
  else
    front_by_tree(front, x, m, d, std::vector<Row>(kept, kept + n));
}

// The front of an m-by-d matrix, d >= 2, unless it holds NaN: then nothing is
// written and the result is false. A row covered by a pivot row (dominated by
// it, or a later copy of it) is off the front, and every row it covers the
// pivot covers too; so such rows are dropped first, changing no other row's
// result. The pivot is the first row of least sum: in a cloud it covers most
// rows; on a front it costs one pass. Both passes go through the rows in
// blocks, column by column, so that they vectorise; the first also looks for
// NaN (a row holding NaN has a NaN sum).
template <class Row>
bool front_without_nan(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  constexpr std::size_t kBlock = 256;
  std::size_t pivot = 0;
  double least = std::numeric_limits<double>::infinity();
  bool nan_sum = false;
  for (std::size_t begin = 0; begin < m; begin += kBlock) {
    const std::size_t count = std::min(kBlock, m - begin);
    double sum[kBlock];
    std::copy_n(x + begin, count, sum);
    for (std::size_t k = 1; k < d; ++k) {
      const double* column = x + k * m + begin;
      for (std::size_t i = 0; i < count; ++i) sum[i] += column[i];
    }
    double lowest = least;
    bool nan = false;
    for (std::size_t i = 0; i < count; ++i) {
      lowest = sum[i] < lowest ? sum[i] : lowest;
      nan |= sum[i] != sum[i];
    }
    nan_sum = nan_sum || nan;
    if (lowest < least) {  // a NaN sum never wins
      least = lowest;
      pivot = begin + static_cast<std::size_t>(std::find(sum, sum + count, lowest) - sum);
    }
  }
  // A NaN sum also comes from +Inf and -Inf in one row.
  if (nan_sum && holds_nan(x, m * d)) return false;
  // Only the kept part of this is touched (fresh pages cost faults).
  Scratch<Row> kept = scratch<Row>(m);
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
    // Kept: rows not covered by the pivot, which covers the rows no smaller
    // anywhere and either larger somewhere or after it (so not itself).
    if (pivot >= begin && pivot < begin + count) no_greater[pivot - begin] = 0;
    for (std::size_t i = 0; i < count; ++i) {  // without branches: the outcome is random
      const std::int64_t after = begin + i > pivot ? -1 : 0;
      kept[n] = static_cast<Row>(begin + i);
      n += (no_greater[i] & (less[i] | after)) == 0;
    }
  }
  front_of_kept(front, x, m, d, kept.get(), n);
  return true;
}

// The front of the listed rows (ascending) of an m-by-d matrix without NaN,
// d >= 1, as if they alone formed the matrix; the same pivot filter, with the
// rows gathered one by one.
template <class Row>
void front_of_listed(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                     std::vector<Row> listed) {
  if (listed.empty()) return;
  if (d == 1) {
    std::size_t best = listed[0];
    for (const Row r : listed)
      if (x[r] < x[best]) best = r;
    front[best] = 1;
    return;
  }
  std::size_t pivot = listed[0];
  double least = std::numeric_limits<double>::infinity();
  for (const Row r : listed) {
    double sum = x[r];
    for (std::size_t k = 1; k < d; ++k) sum += x[r + k * m];
    if (sum < least) {  // a NaN sum (+Inf and -Inf) never wins
      least = sum;
      pivot = r;
    }
  }
  std::size_t n = 0;
  for (const Row r : listed) {
    bool no_greater = true, less = false;
    for (std::size_t k = 0; k < d; ++k) {
      const double v = x[r + k * m], p = x[pivot + k * m];
      no_greater = no_greater && v >= p;
      less = less || p < v;
    }
    listed[n] = r;
    n += !no_greater || r == pivot || (!less && r < pivot);
  }
  front_of_kept(front, x, m, d, listed.data(), n);
}

// The front of an n-by-d matrix without NaN, d >= 1.
void front_free_of_nan(unsigned char* front, const double* x, std::size_t n, std::size_t d) {
  if (n == 0) return;
  if (d == 1)
    first_minimum(front, x, n);
  else if (n <= 0xFFFFFFFFu)
    front_without_nan<std::uint32_t>(front, x, n, d);
  else
    front_without_nan<std::size_t>(front, x, n, d);
}

// The candidate sweep resumed at outer step `first` (flags as the steps
// before it left them), for an input holding NaN. The candidates holding NaN
// go in a list; those free of NaN (the set L) are settled as follows.
//
// Between rows free of NaN, ">" is a partial order: each champion dominates
// the one before it. So a candidate passed earlier in the step (which neither
// dominated an earlier champion nor was nowhere better than it) cannot
// dominate the current one, nor can one that an earlier champion covered; the
// next champion is the least live row of L dominating the current one, unless
// a row holding NaN before it takes over first. A row of L that any champion
// of the step covers is covered by the last, which also stands for it in the
// second sweep: so the step drops exactly the live rows of L that the last
// champion covers. Rows holding NaN are compared one by one with the champion
// of their stretch, and in the second sweep with the last. Both searches go
// to a LiveTree over the live rows of L, built when first needed: a row that
// no row of L covers (on the front of L) has no row to dominate it, and one
// that covers no other row of L has nothing to drop; both stay so as L
// shrinks. On a large front these two flags settle most steps at once.
//
// When a row holding NaN would take over, or t itself holds NaN, the step runs
// as the sweep has it (each such step makes a row holding NaN champion, which
// is never a candidate again, so there are few of them).
template <class Row>
void resume_sweep(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                  std::size_t d, std::size_t first) {
  auto holds_nan_at = [&](std::size_t r) {
    for (std::size_t k = 0; k < d; ++k)
      if (x[r + k * m] != x[r + k * m]) return true;
    return false;
  };
  std::vector<Row> clean, with_nan;
  clean.reserve(m - first);
  for (std::size_t r = first; r < m; ++r)
    if (candidate[r]) (holds_nan_at(r) ? with_nan : clean).push_back(static_cast<Row>(r));

  // A candidate's byte holds, beside its flag 1 (kLive): kUncovered when it
  // is on the front of L, kAlone when it covers no other row of L. Row r
  // covers row s (no greater everywhere, and smaller somewhere or earlier)
  // exactly when, negated and in reverse order, s covers r; should no row of
  // L be covered, every row is alone.
  constexpr unsigned char kLive = 1, kUncovered = 2, kAlone = 4;
  {
    std::vector<unsigned char> marks(m, 0);
    front_of_listed(marks.data(), x, m, d, clean);
    bool all_uncovered = true;
    for (const Row r : clean) {
      candidate[r] = marks[r] ? kLive | kUncovered : kLive;
      all_uncovered = all_uncovered && marks[r];
    }
    if (all_uncovered) {
      for (const Row r : clean) candidate[r] |= kAlone;
    } else {
      const std::size_t n = clean.size();
      std::vector<double> copy(n * d);
      for (std::size_t k = 0; k < d; ++k)
        for (std::size_t i = 0; i < n; ++i) copy[(n - 1 - i) + k * n] = -x[clean[i] + k * m];
      std::fill_n(marks.begin(), n, 0);
      front_free_of_nan(marks.data(), copy.data(), n, d);
      for (std::size_t i = 0; i < n; ++i)
        if (marks[n - 1 - i]) candidate[clean[i]] |= kAlone;
    }
  }

  std::unique_ptr<LiveTree<Row>> tree;
  auto search_tree = [&](std::size_t t) -> LiveTree<Row>& {
    if (!tree) {
      std::vector<Row> live;
      for (const Row r : clean)
        if (candidate[r]) live.push_back(r);
      std::vector<Row>().swap(clean);
      tree.reset(new LiveTree<Row>(x, m, d, std::move(live), t));
    }
    return *tree;
  };
  auto drop = [&](std::size_t r) {
    if (tree) tree->remove(r);
  };
  auto clear = [&](std::size_t r) { candidate[r] = 0; };

  std::vector<double> point(d);
  auto load = [&](std::size_t r) {
    for (std::size_t k = 0; k < d; ++k) point[k] = x[r + k * m];
  };
  constexpr Row kNone = LiveTree<Row>::kNone;
  std::vector<Row> out, kept;   // rows holding NaN, by their fate in the first sweep
  std::size_t next_nan = 0;     // first entry of with_nan after t
  std::size_t passed_dead = 0;  // flags found 0 in with_nan, for its compaction
  for (std::size_t t = first; t < m; ++t) {
    if (!candidate[t]) continue;
    while (next_nan < with_nan.size() && with_nan[next_nan] <= t) ++next_nan;
    if (passed_dead > with_nan.size() - next_nan + 64) {
      with_nan.erase(std::remove_if(with_nan.begin() + static_cast<std::ptrdiff_t>(next_nan),
                                    with_nan.end(), [&](Row r) { return !candidate[r]; }),
                     with_nan.end());
      passed_dead = 0;
    }
    bool settled = false;
    if (!holds_nan_at(t)) {
      out.clear();
      kept.clear();
      std::size_t c = t, at = next_nan;
      load(c);
      for (bool nan_takes_over = false; !nan_takes_over;) {
        const Row q =
            candidate[c] & kUncovered ? kNone : search_tree(t).first_dominating(point.data());
        const std::size_t limit = q == kNone ? m : q;
        for (; at < with_nan.size() && with_nan[at] < limit; ++at) {
          const std::size_t j = with_nan[at];
          if (!candidate[j]) {
            ++passed_dead;
            continue;
          }
          if (!better(x, m, d, j, c)) {
            out.push_back(static_cast<Row>(j));
          } else if (nowhere_worse(x, m, d, j, c)) {
            nan_takes_over = true;
            break;
          } else {
            kept.push_back(static_cast<Row>(j));
          }
        }
        if (nan_takes_over || q == kNone) {
          settled = !nan_takes_over;
          break;
        }
        c = q;
        load(c);
      }
      if (settled) {
        front[c] = 1;
        if (c == t && candidate[t] & kAlone) {
          candidate[t] = 0;
          drop(t);
        } else {
          search_tree(t).remove_covered(point.data(), clear);  // t and the champions too
        }
        for (const Row j : out) candidate[j] = 0;
        for (const Row j : kept) {
          if (j >= c) break;
          if (!better(x, m, d, j, c)) candidate[j] = 0;
        }
      }
    }
    if (!settled) sweep_step(front, candidate, x, m, d, t, drop);
  }
}

}  // namespace

void nondominated_with_nan(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                           std::size_t plain_steps) {
  std::vector<unsigned char> candidate(m, 1);
  // The first steps of the sweep drop most of a cloud of points (the first
  // champion chain runs to a corner); after them the tree route costs a few
  // sorts of the rows left, and some passes over m flags, while the sweep
  // compares every live row again at each step that follows, and on a front
  // nearly all rows stay live. Four plain steps measured best, or as good as
  // the sweep, on uniform, Gaussian, simplex and mixed points, in rows of
  // random or sorted order. Should no more than about 2 sqrt(m) rows be left,
  // the sweep ends over a list of them instead (at most 4m pair tests).
  const bool choose = plain_steps == kChooseSteps;
  if (choose) plain_steps = 4;
  std::size_t t = 0, live = m;
  for (std::size_t steps = 0; t < m && steps < plain_steps; ++t)
    if (candidate[t]) {
      sweep_step(front, candidate.data(), x, m, d, t, [&](std::size_t) { --live; });
      ++steps;
    }
  while (t < m && !candidate[t]) ++t;
  if (t == m) return;
  try {
    if (choose && live <= 4 * m / live) {
      std::vector<std::size_t> rows;
      for (std::size_t r = t; r < m; ++r)
        if (candidate[r]) rows.push_back(r);
      sweep_listed(front, candidate.data(), x, m, d, rows);
    } else if (m <= 0xFFFFFFFFu) {
      resume_sweep<std::uint32_t>(front, candidate.data(), x, m, d, t);
    } else {
      resume_sweep<std::size_t>(front, candidate.data(), x, m, d, t);
    }
  } catch (const std::bad_alloc&) {  // the sweep needs only m bytes
    std::memset(front, 0, m);
    nondominated_sweep(front, x, m, d);
  }
}

void nondominated(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  if (m == 0) return;
  if (d == 0) {  // no row is better than another anywhere
    front[0] = 1;
    return;
  }
  if (d == 1) {
    if (holds_nan(x, m)) return nondominated_with_nan(front, x, m, d, kChooseSteps);
    return first_minimum(front, x, m);
  }
  bool free_of_nan;
  try {
    free_of_nan = m <= 0xFFFFFFFFu ? front_without_nan<std::uint32_t>(front, x, m, d)
                                   : front_without_nan<std::size_t>(front, x, m, d);
  } catch (const std::bad_alloc&) {  // the sweep needs only m bytes
    std::memset(front, 0, m);
    return nondominated_sweep(front, x, m, d);
  }
  if (!free_of_nan) nondominated_with_nan(front, x, m, d, kChooseSteps);
}

}  // namespace mexsets
