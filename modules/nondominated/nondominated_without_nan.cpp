// nondominated: the front of an input without NaN, which is the definition
// (no row dominates r and no earlier row is identical to r), reached through
// sorting and searching instead of the sweep.
//
// A row covered by a pivot row (dominated by it, or a later copy of it) is
// off the front, and every row it covers the pivot covers too; so such rows
// are dropped first, changing no other row's result. The pivot is the first
// row of least sum: in a cloud it covers most rows; on a front the pass that
// drops them gains little, so it is skipped when the pivot covers few of a
// sample of the rows.
// Then, over the rows kept:
//   d = 2:  sort by (x0, x1, row), one pass keeping the least x1
//           (nondominated_pairs.cpp);
//   d = 3:  the same order and a Fenwick tree over the ranks of x1;
//   d >= 4: the sum filter (nondominated_sum_filter.cpp), or the k-d tree
//           (nondominated_box_tree.cpp) for more rows than sorts can hold.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "nondominated_routes.hpp"
#include "nondominated_sorting.hpp"

namespace mexsets {
namespace nd {
namespace {

// In (x0, x1, x2, row) order a row is on the front iff no row before it has
// both x1 and x2 no greater. A Fenwick tree over the ranks of x1 holds, at
// each node, the least x2 of the front rows seen so far within the node's
// range of ranks, NaN while it has none ("<=" is then false). Before the sweep
// each place of the order is given its rank (in the upper half of its item)
// and its x2 (in a column of their own), so that the sweep reads both in
// sequence and the tree holds the values themselves: a walk over it reads
// nothing else.
//
// On several threads the order is cut into chunks (fixed by n alone). Each
// chunk runs the sweep over its own rows with a tree of its own, then keeps
// its staircase: the least x2 of its front up to each rank, where it falls.
// A row of a chunk's front stays on the whole front iff no staircase of an
// earlier chunk holds an entry at its rank of x1 or below with x2 no greater
// (a row covered from an earlier chunk is covered by a front row of it, and
// the least x2 up to a rank is the staircase's last entry there). The front
// is the definition's, so any cut gives the same. The rows are checked in
// chunks of their own, smaller, since a later chunk has more staircases to
// look at.
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

inline std::size_t rank_at(std::uint64_t item) { return static_cast<std::size_t>(item >> 32); }

// x2 by place, kept in the words of a spare sort array.
inline double value_at(const std::uint64_t* words, std::size_t i) {
  double v;
  std::memcpy(&v, words + i, sizeof v);
  return v;
}

// The sweep over places [begin, end) of items (rank, position) with x2 at
// value_at(z, place): mark(i) for the places that no earlier one of them
// covers. `least` holds ranks + 1 entries; every rank lies in 1 .. ranks.
template <class Mark>
void sweep_triples(Mark mark, const std::uint64_t* item, const std::uint64_t* z, double* least,
                   std::size_t ranks, std::size_t begin, std::size_t end,
                   InterruptCheck& interrupt) {
  std::fill_n(least, ranks + 1, kNoValue);
  for (std::size_t i = begin; i < end; ++i) {
    interrupt.tick(32);  // two walks over the tree, in cache or not
    const std::size_t rank = rank_at(item[i]);
    const double here = value_at(z, i);
    bool covered = false;
    for (std::size_t j = rank; j > 0 && !covered; j &= j - 1) covered = least[j] <= here;
    if (covered) continue;
    mark(i);
    // The nodes on the way up cover ever larger ranges, so their minima
    // never increase: once one is <= here, so are the rest.
    for (std::size_t j = rank; j <= ranks && !(least[j] <= here); j += j & (~j + 1))
      least[j] = here;
  }
}

// A staircase entry: a rank of x1 and the least x2 up to it.
struct Stair {
  std::uint32_t rank;
  double x2;
};
struct Staircase {
  std::vector<Stair> stairs;                                   // ranks ascending, x2 descending
  double least_sum = std::numeric_limits<double>::infinity();  // of x1 + x2, NaN as -Inf
};

// Whether some entry of `s` has rank <= r and x2 <= z. A row it covers has
// x1 + x2 no less than the least sum of its chunk's front (added alike;
// rounding is monotone).
inline bool stair_covers(const Staircase& s, std::size_t r, double z, double sum) {
  if (s.stairs.empty() || sum < s.least_sum || z < s.stairs.back().x2) return false;
  const auto after = std::upper_bound(s.stairs.begin(), s.stairs.end(), r,
                                      [](std::size_t v, const Stair& e) { return v < e.rank; });
  return after != s.stairs.begin() && !((after - 1)->x2 > z);
}

template <class Row>
void front_of_triples(unsigned char* front, const double* x, std::size_t m, const Row* rows,
                      std::size_t n) {
  const double* x1 = x + m;
  const double* x2 = x + 2 * m;
  // Chunks of at least 8,192 rows, at most 4 of them (each chunk starts a
  // tree of its own, cold, and scans all ranks for its staircase).
  const std::size_t grain = std::max<std::size_t>(std::size_t{1} << 13, (n + 3) / 4);
  const bool split = splits(n, grain);
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n), spare = scratch<std::uint64_t>(n);
  Scratch<std::uint32_t> rank = scratch<std::uint32_t>(n);  // 1-based ranks of x1, by position
  std::size_t ranks = 0;
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  const auto sort_x1 = [&](Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare_items) {
    pack_positions(items.get(), n, [&](std::size_t i) { return x1[rows[i]]; });
    sort_items(items, spare_items, n,
               [&](std::size_t a, std::size_t b) { return x1[rows[a]] < x1[rows[b]]; });
  };
  // Ranks for items[begin, end) of those sorted by x1, counted on from
  // `before` (the ranks used before begin); returns the last.
  const auto rank_run = [&](const std::uint64_t* items, std::size_t begin, std::size_t end,
                            std::size_t before, InterruptCheck& here) {
    std::size_t count = before;
    for (std::size_t i = begin; i < end; ++i) {
      here.tick(4);
      const std::size_t p = position_of(items[i]);
      if (i == 0 || x1[rows[position_of(items[i - 1])]] < x1[rows[p]]) ++count;
      rank[p] = static_cast<std::uint32_t>(count);
    }
    return count;
  };
  sort_x1(order, spare);  // the sorts run by chunks themselves
  if (!split) {
    ranks = rank_run(order.get(), 0, n, 0, interrupt);
  } else {  // the new values by chunks, then the ranks
    const std::size_t g = chunk_grain(grain);
    std::vector<std::size_t> counts(n / g + 1, 0);
    parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      ticks.here(silent).tick(end - begin);
      std::size_t count = 0;
      for (std::size_t i = begin; i < end; ++i)  // a new coarse key is a new value
        count += i == 0 || (order[i] >> 32) != (order[i - 1] >> 32) ||
                 x1[rows[position_of(order[i - 1])]] < x1[rows[position_of(order[i])]];
      counts[begin / g] = count;
    });
    parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
      std::size_t before = 0;
      for (std::size_t c = 0; c < begin / g; ++c) before += counts[c];
      InterruptCheck silent;
      rank_run(order.get(), begin, end, before, ticks.here(silent));
    });
    for (const std::size_t count : counts) ranks += count;
  }
  lexicographic(order, spare, x, m, 3, rows, n);
  // Each place's rank and x2, in order (x2 in spare's words). A rank is
  // kept within 1 .. ranks should x change meanwhile (another thread's
  // writes), so the trees are never left.
  std::uint64_t* const z = spare.get();
  static_assert(sizeof(double) == sizeof(std::uint64_t), "x2 fits a sort item");
  parallel_for(n, grain_for(8), [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    ticks.here(silent).tick(8 * (end - begin));
    for (std::size_t i = begin; i < end; ++i) {
      const std::size_t p = position_of(order[i]);
      std::memcpy(z + i, x2 + rows[p], sizeof(double));
      const std::size_t r = std::min<std::size_t>(std::max<std::size_t>(rank[p], 1), ranks);
      order[i] = std::uint64_t{r} << 32 | p;
    }
  });
  rank.reset();

  if (!split) {
    std::vector<double> least(ranks + 1);
    sweep_triples([&](std::size_t i) { front[rows[position_of(order[i])]] = 1; }, order.get(), z,
                  least.data(), ranks, 0, n, interrupt);
    return;
  }
  std::vector<unsigned char> on(n, 0);  // by place in the order
  const std::size_t g = chunk_grain(grain);
  std::vector<Staircase> staircases(n / g + 1);
  const auto make = [&] { return std::vector<double>(ranks + 1); };
  ScratchPool<std::vector<double>, decltype(make)> pool(call_threads(), make);
  parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    pool.with([&](std::vector<double>& least) {
      sweep_triples([&](std::size_t i) { on[i] = 1; }, order.get(), z, least.data(), ranks, begin,
                    end, here);
      // The least x2 of the chunk's front at each rank, then its staircase.
      Staircase& s = staircases[begin / g];
      std::fill(least.begin(), least.end(), kNoValue);
      here.tick(ranks + 8 * (end - begin));
      for (std::size_t i = begin; i < end; ++i) {
        if (!on[i]) continue;
        const double here = value_at(z, i);
        double& at = least[rank_at(order[i])];
        if (!(at <= here)) at = here;
        const double sum = x1[rows[position_of(order[i])]] + here;
        s.least_sum =
            sum == sum ? std::min(s.least_sum, sum) : -std::numeric_limits<double>::infinity();
      }
      // Without branches (a rank holds a row of the front or not at random),
      // through a block on the stack.
      constexpr std::size_t kStairs = 256;
      Stair block[kStairs];
      std::size_t count = 0;
      bool any = false;
      double last = 0;
      for (std::size_t r = 1; r <= ranks; ++r) {
        const double at = least[r];
        const bool take = at < last || (!any && at == at);
        block[count] = {static_cast<std::uint32_t>(r), at};
        count += take;
        any = any || take;
        last = take ? at : last;
        if (count == kStairs) {
          s.stairs.insert(s.stairs.end(), block, block + count);
          count = 0;
        }
      }
      s.stairs.insert(s.stairs.end(), block, block + count);
    });
  });
  // A row of chunk c looks at c staircases: the later chunks cost more, and
  // smaller chunks of rows share them out.
  parallel_for(n, std::max<std::size_t>(g / 8, 1), [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    for (std::size_t i = begin; i < end; ++i) {
      if (!on[i]) continue;
      const std::size_t chunk = i / g;
      here.tick(4 * chunk + 4);
      const std::size_t p = position_of(order[i]);
      const double here = value_at(z, i), sum = x1[rows[p]] + here;
      bool covered = false;
      for (std::size_t c = 0; c < chunk && !covered; ++c)
        covered = stair_covers(staircases[c], rank_at(order[i]), here, sum);
      if (!covered) front[rows[p]] = 1;
    }
  });
}

// Whether more than three quarters of the first 128 kept rows are on the front of
// those rows: then the whole front is likely large, and the sum filter would
// spend its sort for little (the choice bears on cost only).
template <class Row>
bool large_front_likely(const double* x, std::size_t m, std::size_t d, const Row* kept,
                        std::size_t n) {
  const std::size_t sample = std::min<std::size_t>(n, 128);
  std::size_t on_front = 0;
  for (std::size_t i = 0; i < sample; ++i) {
    bool covered = false;
    for (std::size_t j = 0; j < sample && !covered; ++j)
      covered = j != i && covers(x, m, d, kept[j], kept[i]);
    on_front += !covered;
  }
  return 4 * on_front > 3 * sample;
}

// The front of the kept rows (ascending) of an m-by-d matrix without NaN, d >= 2.
template <class Row>
void front_of_kept(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                   const Row* kept, std::size_t n) {
  if (d == 2 && n <= kPackedLimit)
    front_of_pairs(front, x, m, kept, n);
  else if (d == 3 && n <= kPackedLimit)
    front_of_triples(front, x, m, kept, n);
  else if (d == 4 && n < kPackedLimit && large_front_likely(x, m, d, kept, n))
    front_by_halving(front, x, m, std::vector<Row>(kept, kept + n));
  else if (n <= kPackedLimit)
    front_by_filter(front, x, m, d, kept, n);
  else
    front_by_tree(front, x, m, d, std::vector<Row>(kept, kept + n));
}

// Rows go through the pivot passes in blocks, column by column, so that they
// vectorise when the rows are all rows (row_at(i) = i).
constexpr std::size_t kBlock = 256;

// The first of the n rows row_at(0 .. n-1) of least sum (a NaN sum never
// wins: row_at(0) when none is less than +Inf); whether some sum is NaN.
template <class RowAt>
Pivot least_sum_row(const double* x, std::size_t m, std::size_t d, std::size_t n, RowAt row_at) {
  std::size_t pivot = row_at(0);
  double least = std::numeric_limits<double>::infinity();
  bool nan_sum = false;
  InterruptCheck interrupt;
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t count = std::min(kBlock, n - begin);
    interrupt.tick(count * d);
    double sum[kBlock];
    for (std::size_t i = 0; i < count; ++i) sum[i] = x[row_at(begin + i)];
    for (std::size_t k = 1; k < d; ++k) {
      const double* column = x + k * m;
      for (std::size_t i = 0; i < count; ++i) sum[i] += column[row_at(begin + i)];
    }
    // The least sum and the NaN test in independent lanes, which vectorise
    // (one running minimum waits on every comparison); the block's tail is
    // padded with +Inf, which never wins. -0 and +0 compare equal, so the
    // first row of least sum is found whatever lane held it.
    constexpr std::size_t kLanes = 8;
    static_assert(kBlock % kLanes == 0, "padding stays in the block");
    const std::size_t padded = (count + kLanes - 1) / kLanes * kLanes;
    std::fill(sum + count, sum + padded, std::numeric_limits<double>::infinity());
    double lane[kLanes];
    std::int64_t nan_lane[kLanes] = {};  // all ones once a lane meets NaN
    std::fill_n(lane, kLanes, least);
    for (std::size_t i = 0; i < padded; i += kLanes)
      for (std::size_t j = 0; j < kLanes; ++j) {
        lane[j] = sum[i + j] < lane[j] ? sum[i + j] : lane[j];
        nan_lane[j] |= sum[i + j] != sum[i + j] ? -1 : 0;
      }
    double lowest = least;
    for (std::size_t j = 0; j < kLanes; ++j) {
      lowest = lane[j] < lowest ? lane[j] : lowest;
      nan_sum = nan_sum || nan_lane[j] != 0;
    }
    if (lowest < least) {
      least = lowest;
      pivot = row_at(begin + static_cast<std::size_t>(std::find(sum, sum + count, lowest) - sum));
    }
  }
  return {nan_sum, pivot};
}

// Writes to kept[0 ..] the rows row_at(0 .. n-1) that the pivot does not
// cover, in order, and returns their number. kept may be the list row_at
// reads: no entry is written before it is read.
template <class Row, class RowAt>
std::size_t keep_uncovered(const double* x, std::size_t m, std::size_t d, std::size_t pivot,
                           std::size_t n, RowAt row_at, Row* kept) {
  std::size_t count_kept = 0;
  InterruptCheck interrupt;
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t count = std::min(kBlock, n - begin);
    interrupt.tick(2 * count * d);
    std::int64_t no_greater[kBlock], less[kBlock];  // all ones or zero
    std::fill_n(no_greater, count, -1);
    std::fill_n(less, count, 0);
    for (std::size_t k = 0; k < d; ++k) {
      const double p = x[pivot + k * m];
      const double* column = x + k * m;
      for (std::size_t i = 0; i < count; ++i) {
        const double v = column[row_at(begin + i)];
        no_greater[i] = v >= p ? no_greater[i] : 0;  // no NaN here: the same as !(p > v)
        less[i] = p < v ? -1 : less[i];
      }
    }
    // Kept: rows not covered by the pivot, which covers the rows no smaller
    // anywhere and either larger somewhere or after it (so not itself).
    for (std::size_t i = 0; i < count; ++i) {  // without branches: the outcome is random
      const std::size_t r = row_at(begin + i);
      const std::int64_t after = r > pivot ? -1 : 0;
      const std::int64_t covered = r == pivot ? 0 : no_greater[i] & (less[i] | after);
      kept[count_kept] = static_cast<Row>(r);
      count_kept += covered == 0;
    }
  }
  return count_kept;
}

// Whether the pivot covers under a quarter of a sample of 64 rows spread
// over the matrix: then the front is likely large, and dropping the few rows
// it covers would cost a pass over all of them for little (the choice bears
// on cost only: the rows it covers are off the front either way).
inline bool pivot_covers_few(const double* x, std::size_t m, std::size_t d, std::size_t pivot) {
  const std::size_t step = std::max<std::size_t>(1, m / 64);
  std::size_t sampled = 0, covered = 0;
  for (std::size_t r = 0; r < m; r += step) {
    ++sampled;
    covered += covers(x, m, d, pivot, r);
  }
  return 4 * covered < sampled;
}

}  // namespace

bool holds_nan(const double* x, std::size_t count) {
  constexpr std::size_t block = 1024;
  InterruptCheck interrupt;
  for (std::size_t begin = 0; begin < count; begin += block) {
    const std::size_t end = std::min(count, begin + block);
    interrupt.tick(end - begin);
    bool nan = false;
    for (std::size_t i = begin; i < end; ++i) nan |= x[i] != x[i];
    if (nan) return true;
  }
  return false;
}

void first_minimum(unsigned char* front, const double* x, std::size_t m) {
  std::size_t best = 0;
  InterruptCheck interrupt;
  for (std::size_t r = 1; r < m; ++r) {
    interrupt.tick();
    if (x[r] < x[best]) best = r;
  }
  front[best] = 1;
}

Pivot find_pivot(const double* x, std::size_t m, std::size_t d) {
  Pivot pivot = least_sum_row(x, m, d, m, [](std::size_t i) { return i; });
  // A NaN sum also comes from +Inf and -Inf in one row.
  if (pivot.holds_nan) pivot.holds_nan = holds_nan(x, m * d);
  return pivot;
}

void front_without_nan(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                       std::size_t pivot) {
  with_row_type(m, [&](auto row_type) {
    using Row = decltype(row_type);
    const bool keep_all = pivot_covers_few(x, m, d, pivot);
    // Two columns take every row without a list of them.
    if (keep_all && d == 2 && m <= kPackedLimit)
      return front_of_pairs<Row>(front, x, m, nullptr, m);
    // Only the kept part of this is touched (fresh pages cost faults).
    Scratch<Row> kept = scratch<Row>(m);
    std::size_t n = m;
    if (keep_all)
      std::iota(kept.get(), kept.get() + m, Row{0});
    else
      n = keep_uncovered(
          x, m, d, pivot, m, [](std::size_t i) { return i; }, kept.get());
    front_of_kept(front, x, m, d, kept.get(), n);
  });
}

template <class Row>
void front_of_rows(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                   std::vector<Row> rows) {
  if (rows.empty()) return;
  if (d == 1) {
    std::size_t best = rows[0];
    InterruptCheck interrupt;
    for (const Row r : rows) {
      interrupt.tick(4);
      if (x[r] < x[best]) best = r;
    }
    front[best] = 1;
    return;
  }
  auto row_at = [&](std::size_t i) -> std::size_t { return rows[i]; };
  const std::size_t pivot = least_sum_row(x, m, d, rows.size(), row_at).row;
  const std::size_t n = keep_uncovered(x, m, d, pivot, rows.size(), row_at, rows.data());
  front_of_kept(front, x, m, d, rows.data(), n);
}

template void front_of_rows<std::uint32_t>(unsigned char*, const double*, std::size_t, std::size_t,
                                           std::vector<std::uint32_t>);
template void front_of_rows<std::size_t>(unsigned char*, const double*, std::size_t, std::size_t,
                                         std::vector<std::size_t>);

void front_of_matrix(unsigned char* front, const double* x, std::size_t n, std::size_t d) {
  if (n == 0) return;
  if (d == 1) return first_minimum(front, x, n);
  front_without_nan(front, x, n, d, find_pivot(x, n, d).row);
}

}  // namespace nd
}  // namespace mexsets
