#include "nondominated.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
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

// ---------------------------------------------------------------------------
// The candidate sweep, for inputs that hold NaN (where the result depends on
// the row order) and as the low-memory fallback.

// Some k has a[k] > b[k]: the row at b is better than the row at a somewhere.
inline bool better_somewhere(const double* b, const double* a, std::size_t d) {
  for (std::size_t k = 0; k < d; ++k)
    if (a[k] > b[k]) return true;
  return false;
}

// No k has b[k] > a[k]: the row at b is nowhere worse than the row at a.
inline bool nowhere_worse(const double* b, const double* a, std::size_t d) {
  for (std::size_t k = 0; k < d; ++k)
    if (b[k] > a[k]) return false;
  return true;
}

}  // namespace

// The sweep over the column-major input with one candidate byte per row.
void nondominated_in_place(unsigned char* front, const double* x, std::size_t m,
                           std::size_t d) {
  auto better = [&](std::size_t s, std::size_t r) {
    for (std::size_t k = 0; k < d; ++k)
      if (x[r + k * m] > x[s + k * m]) return true;
    return false;
  };
  auto not_worse = [&](std::size_t s, std::size_t r) {
    for (std::size_t k = 0; k < d; ++k)
      if (x[s + k * m] > x[r + k * m]) return false;
    return true;
  };
  std::vector<unsigned char> candidate(m, 1);
  for (std::size_t t = 0; t < m; ++t) {
    if (!candidate[t]) continue;
    candidate[t] = 0;
    std::size_t c = t;
    for (std::size_t j = t + 1; j < m; ++j) {
      if (!candidate[j]) continue;
      if (!better(j, c)) {
        candidate[j] = 0;  // nowhere better than the champion: out for good
      } else if (not_worse(j, c)) {
        candidate[j] = 0;  // dominates the champion and replaces it
        c = j;
      }
    }
    front[c] = 1;
    for (std::size_t j = t + 1; j < c; ++j)
      if (candidate[j] && !better(j, c)) candidate[j] = 0;
  }
}

namespace {

// The same sweep over a row-major copy, keeping the candidates as an
// ascending list of rows: settled and eliminated rows drop out of the list, so
// a step visits only live candidates, each one's coordinates side by side.
// Row t is always the first live candidate when its step begins; the rows of
// the second sweep (live, between t and the champion) are a prefix of the
// list.
void sweep(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  std::vector<double> rows(m * d);
  for (std::size_t k = 0; k < d; ++k)
    for (std::size_t r = 0; r < m; ++r) rows[r * d + k] = x[r + k * m];
  std::vector<std::size_t> live(m);
  std::iota(live.begin(), live.end(), std::size_t{0});

  std::size_t head = 0;
  std::size_t end = m;
  while (head < end) {
    const std::size_t t = live[head++];
    std::size_t c = t;
    const double* champion = &rows[c * d];
    std::size_t kept = head;
    for (std::size_t i = head; i < end; ++i) {
      const std::size_t j = live[i];
      const double* row = &rows[j * d];
      if (!better_somewhere(row, champion, d)) continue;  // eliminated
      if (nowhere_worse(row, champion, d)) {
        c = j;  // dominates the champion and replaces it
        champion = row;
      } else {
        live[kept++] = j;
      }
    }
    end = kept;
    front[c] = 1;
    if (c >= t + 2) {
      std::size_t i = head;
      kept = head;
      for (; i < end && live[i] < c; ++i)
        if (better_somewhere(&rows[live[i] * d], champion, d)) live[kept++] = live[i];
      if (kept != i) {
        std::copy(live.begin() + i, live.begin() + end, live.begin() + kept);
        end -= i - kept;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Inputs without NaN: the result is the definition (no row dominates r and no
// earlier row is identical to r), reached through a sort.

// Unsigned keys in the order of the doubles, -0 and +0 sharing one key (they
// compare equal). NaN has no key.
inline std::uint64_t order_key(double v) {
  if (v == 0) v = 0.0;
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
}

struct Keyed {
  std::uint64_t key;
  std::size_t row;
};

// Stable LSD radix sort by key, a byte per pass; a pass in which every key
// has the same byte changes nothing and is skipped.
void radix_sort(std::vector<Keyed>& items) {
  const std::size_t n = items.size();
  if (n < 2) return;
  std::vector<std::array<std::size_t, 256>> counts(8);
  for (auto& count : counts) count.fill(0);
  for (const Keyed& item : items)
    for (int b = 0; b < 8; ++b) ++counts[b][(item.key >> (8 * b)) & 255];
  std::vector<Keyed> buffer(n);
  Keyed* from = items.data();
  Keyed* to = buffer.data();
  for (int b = 0; b < 8; ++b) {
    auto& count = counts[b];
    const int shift = 8 * b;
    if (count[(from[0].key >> shift) & 255] == n) continue;
    std::size_t offset = 0;
    for (std::size_t& c : count) {
      const std::size_t here = c;
      c = offset;
      offset += here;
    }
    for (std::size_t i = 0; i < n; ++i) to[count[(from[i].key >> shift) & 255]++] = from[i];
    std::swap(from, to);
  }
  if (from != items.data()) items.swap(buffer);
}

// The rows sorted by `keys` (one per row), ties by the columns from
// `first_column` on, then by row. Comparing doubles with "<" keeps -0 and +0
// together.
std::vector<std::size_t> sorted_rows(const std::vector<std::uint64_t>& keys, const double* x,
                                     std::size_t m, std::size_t d, std::size_t first_column) {
  std::vector<Keyed> items(m);
  for (std::size_t r = 0; r < m; ++r) items[r] = {keys[r], r};
  radix_sort(items);
  std::vector<std::size_t> order(m);
  for (std::size_t i = 0; i < m; ++i) order[i] = items[i].row;
  auto columns_then_row_less = [&](std::size_t a, std::size_t b) {
    for (std::size_t k = first_column; k < d; ++k) {
      const double xa = x[a + k * m];
      const double xb = x[b + k * m];
      if (xa < xb) return true;
      if (xb < xa) return false;
    }
    return a < b;
  };
  for (std::size_t begin = 0; begin < m;) {
    std::size_t end = begin + 1;
    while (end < m && items[end].key == items[begin].key) ++end;
    if (end - begin > 1)
      std::sort(order.begin() + begin, order.begin() + end, columns_then_row_less);
    begin = end;
  }
  return order;
}

// Rows in the order (x0, x1, ..., row): every row that dominates or copies r
// comes before r.
std::vector<std::size_t> lexicographic_rows(const double* x, std::size_t m, std::size_t d) {
  std::vector<std::uint64_t> keys(m);
  for (std::size_t r = 0; r < m; ++r) keys[r] = order_key(x[r]);
  return sorted_rows(keys, x, m, d, 1);
}

void first_minimum(unsigned char* front, const double* x, std::size_t m) {
  std::size_t best = 0;
  for (std::size_t r = 1; r < m; ++r)
    if (x[r] < x[best]) best = r;
  front[best] = 1;
}

// In (x0, x1, row) order a row is on the front iff its x1 is below that of
// every row before it.
void front_of_pairs(unsigned char* front, const double* x, std::size_t m) {
  const double* x1 = x + m;
  const std::vector<std::size_t> order = lexicographic_rows(x, m, 2);
  double lowest = x1[order[0]];
  front[order[0]] = 1;
  for (std::size_t i = 1; i < m; ++i) {
    const std::size_t r = order[i];
    if (x1[r] < lowest) {
      front[r] = 1;
      lowest = x1[r];
    }
  }
}

// In (x0, x1, x2, row) order a row is on the front iff no row before it has
// both x1 and x2 no greater. A Fenwick tree over the ranks of x1 holds the
// least x2 key of the front rows seen so far at or below each rank.
void front_of_triples(unsigned char* front, const double* x, std::size_t m) {
  const std::vector<std::size_t> order = lexicographic_rows(x, m, 3);
  std::vector<std::size_t> rank(m);
  std::size_t ranks = 0;
  {
    std::vector<Keyed> items(m);
    for (std::size_t r = 0; r < m; ++r) items[r] = {order_key(x[r + m]), r};
    radix_sort(items);
    for (std::size_t i = 0; i < m; ++i) {
      if (i == 0 || items[i].key != items[i - 1].key) ++ranks;
      rank[items[i].row] = ranks;
    }
  }
  constexpr std::uint64_t none = std::numeric_limits<std::uint64_t>::max();  // above every key
  std::vector<std::uint64_t> least(ranks + 1, none);
  for (const std::size_t r : order) {
    const std::uint64_t z = order_key(x[r + 2 * m]);
    std::uint64_t best = none;
    for (std::size_t i = rank[r]; i > 0; i &= i - 1) best = std::min(best, least[i]);
    if (best <= z) continue;
    front[r] = 1;
    // The nodes on the way up cover ever larger ranges, so their minima
    // never increase: once one is <= z, so are the rest.
    for (std::size_t i = rank[r]; i <= ranks && least[i] > z; i += i & (~i + 1)) least[i] = z;
  }
}

// Sort-filter: rows in the order of their sums (ties by coordinates, then
// row), each compared only with the front rows found before it. A row that
// dominates r is no greater in every column, so its sum (added in the same
// column order, rounding being monotone) is no greater either, and a tie
// falls to the coordinates. Should a sum be NaN (+Inf and -Inf in one row),
// the lexicographic order serves instead.
void front_by_filter(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  std::vector<std::uint64_t> keys(m);
  std::vector<std::size_t> order;
  {
    std::vector<double> sum(x, x + m);
    for (std::size_t k = 1; k < d; ++k)
      for (std::size_t r = 0; r < m; ++r) sum[r] += x[r + k * m];
    if (holds_nan(sum.data(), m)) {
      order = lexicographic_rows(x, m, d);
    } else {
      for (std::size_t r = 0; r < m; ++r) keys[r] = order_key(sum[r]);
      order = sorted_rows(keys, x, m, d, 0);
    }
  }
  std::vector<double> found;  // front rows so far, row-major
  std::vector<double> point(d);
  std::size_t count = 0;
  for (const std::size_t r : order) {
    for (std::size_t k = 0; k < d; ++k) point[k] = x[r + k * m];
    bool covered = false;
    for (std::size_t f = 0; f < count && !covered; ++f)
      covered = nowhere_worse(&found[f * d], point.data(), d);
    if (covered) continue;
    front[r] = 1;
    found.insert(found.end(), point.begin(), point.end());
    ++count;
  }
}

}  // namespace

void nondominated(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  if (m == 0) return;
  if (d == 0) {  // no row is better than another anywhere
    front[0] = 1;
    return;
  }
  try {
    if (holds_nan(x, m * d))
      sweep(front, x, m, d);
    else if (d == 1)
      first_minimum(front, x, m);
    else if (d == 2)
      front_of_pairs(front, x, m);
    else if (d == 3)
      front_of_triples(front, x, m);
    else
      front_by_filter(front, x, m, d);
  } catch (const std::bad_alloc&) {
    std::memset(front, 0, m);
    nondominated_in_place(front, x, m, d);
  }
}

}  // namespace mexsets
