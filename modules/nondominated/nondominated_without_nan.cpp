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
// range of ranks, kNoKey while it has none. Before the sweep each place of
// the order is given its rank (in the upper half of its item) and its x2 (in
// a column of their own), so that the sweep reads both in sequence and the
// tree holds the values themselves: a walk over it reads nothing else. x2 is
// kept as its order_key, which compares as the value does: integers keep
// the least x2 of the lower parts (below) in one instruction a place.
//
// On several threads the ranks of x1 are cut into parts, as many as the
// order has chunks (their number fixed by n alone), and each part runs the
// sweep over the whole order with a tree over its own ranks only, deciding
// its own rows. A row of a lower part has a smaller x1, so it covers a later
// row of this part iff its x2 is no greater: the least x2 of the lower
// parts' rows met so far (on their front or not), kept on the way, settles
// that. The front is the definition's, so any cut gives the same; the
// parts' trees are disjoint slices of one array, each a fraction of the
// whole, and the sweeps need nothing joined afterwards. The cuts follow the
// rows, not the ranks, so that the parts cost alike: a part above the
// lowest keeps the least x2 of the lower parts on its way, and its rows
// cost more (on 100,000 points of the simplex, all on the front, cut into
// two parts of as many rows, the upper part took 1.83 ms on one thread, the
// lower 1.46), so the lowest part takes an eighth of the rows more than the
// others (1.66 and 1.67 ms).
constexpr std::size_t kLowestExtra = 8;  // the lowest part's extra rows: n / this

// Above every key of a value that is not NaN ("<=" any of them is false).
constexpr std::uint64_t kNoKey = ~std::uint64_t{0};

inline std::size_t rank_at(std::uint64_t item) { return static_cast<std::size_t>(item >> 32); }

// The sweep of the part of ranks (low, high] over places [0, n) of items
// (rank, position) with x2's key at z[place]: mark(i) for the places of
// the part that no earlier place covers. `least` holds high - low + 1
// entries; every rank lies in 1 .. ranks.
template <class Mark>
void sweep_triples(Mark mark, const std::uint64_t* item, const std::uint64_t* z,
                   std::uint64_t* least, std::size_t low, std::size_t high, std::size_t ranks,
                   std::size_t n, InterruptCheck& interrupt) {
  const std::size_t size = high - low;
  std::fill_n(least, size + 1, kNoKey);
  // Whether no earlier row of the part covers place i of it, with x2 `here`
  // (the walk down the tree); then the walk up that files it. The nodes on
  // the way up cover ever larger ranges, so their minima never increase:
  // once one is <= here, so are the rest.
  const auto step = [&](std::size_t i, std::uint64_t here, bool covered) {
    interrupt.tick(32);  // two walks over the tree, in cache or not
    const std::size_t rank = rank_at(item[i]) - low;
    for (std::size_t j = rank; j > 0 && !covered; j &= j - 1) covered = least[j] <= here;
    if (covered) return;
    mark(i);
    for (std::size_t j = rank; j <= size && here < least[j]; j += j & (~j + 1)) least[j] = here;
  };
  if (low == 0 && high == ranks) {  // every place is of this part
    for (std::size_t i = 0; i < n; ++i) step(i, z[i], false);
    return;
  }
  // By blocks of places: first, without branches (which part a place is of
  // is random), the places of this part, each with the least x2 of the
  // lower parts' places before it (kNoKey while none); then their steps.
  constexpr std::size_t kPlaces = 256;
  std::uint32_t place[kPlaces];
  std::uint64_t lower_before[kPlaces];
  std::uint64_t lower = kNoKey;
  for (std::size_t begin = 0; begin < n; begin += kPlaces) {
    const std::size_t end = std::min(n, begin + kPlaces);
    interrupt.tick(end - begin);
    std::size_t count = 0;
    for (std::size_t i = begin; i < end; ++i) {
      const std::size_t rank = rank_at(item[i]);
      lower = std::min(lower, rank <= low ? z[i] : kNoKey);
      place[count] = static_cast<std::uint32_t>(i - begin);
      lower_before[count] = lower;
      count += rank - low - 1 < size;
    }
    for (std::size_t c = 0; c < count; ++c) {
      const std::size_t i = begin + place[c];
      const std::uint64_t here = z[i];
      step(i, here, lower_before[c] <= here);
    }
  }
}

template <class Row>
void front_of_triples(unsigned char* front, const double* x, std::size_t m, const Row* rows,
                      std::size_t n) {
  const double* x1 = x + m;
  const double* x2 = x + 2 * m;
  // Chunks of at least 8,192 rows, at most 2 of them, and as many parts of
  // the ranks: each part's sweep passes over the whole order, which costs
  // about a fifth of a part's own work at two.
  const std::size_t grain = std::max<std::size_t>(std::size_t{1} << 13, (n + 1) / 2);
  const bool split = splits(n, grain);
  const std::size_t g = chunk_grain(grain), chunks = (n + g - 1) / g;
  // All scratch in one block: the sort items (split: a second pair for the
  // sort by x1, which runs beside the other), the ranks and the trees (ranks
  // are at most n, and a part's tree takes one entry more).
  Block block(Block::bytes_for<std::uint64_t>(n) * (split ? 4 : 2) +
              Block::bytes_for<std::uint32_t>(n) + Block::bytes_for<std::uint64_t>(n + chunks));
  Scratch<std::uint64_t> order = block.take<std::uint64_t>(n), spare = block.take<std::uint64_t>(n);
  Scratch<std::uint32_t> rank = block.take<std::uint32_t>(n);  // 1-based ranks of x1, by position
  std::size_t ranks = 0;
  std::vector<std::size_t> bound;
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  const auto sort_x1 = [&](Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare_items) {
    pack_positions(items.get(), n, [&](std::size_t i) { return x1[rows[i]]; });
    sort_items(items, spare_items, n,
               [&](std::size_t a, std::size_t b) { return x1[rows[a]] < x1[rows[b]]; });
  };
  // Ranks for items[begin, end) of those sorted by x1, counted on from
  // `before` (the ranks used before begin); returns the last. A new coarse
  // key is a new value, and only equal coarse keys compare the values.
  const auto is_new = [&](const std::uint64_t* items, std::size_t i) {
    return i == 0 || (items[i] >> 32) != (items[i - 1] >> 32) ||
           x1[rows[position_of(items[i - 1])]] < x1[rows[position_of(items[i])]];
  };
  const auto rank_run = [&](const std::uint64_t* items, std::size_t begin, std::size_t end,
                            std::size_t before, InterruptCheck& here) {
    std::size_t count = before;
    for (std::size_t i = begin; i < end; ++i) {
      here.tick(4);
      count += is_new(items, i);
      rank[position_of(items[i])] = static_cast<std::uint32_t>(count);
    }
    return count;
  };
  // Each place's key of x2, in order, in the order's spare (once sorted: the
  // sort swaps the two).
  const auto gather_x2 = [&](std::size_t begin, std::size_t end) {
    std::uint64_t* const z = spare.get();
    for (std::size_t i = begin; i < end; ++i) z[i] = order_key(x2[rows[position_of(order[i])]]);
  };
  // Each place's rank, in the upper half of its item. A rank is kept within
  // 1 .. ranks should x change meanwhile (another thread's writes), so the
  // trees are never left.
  const auto place_ranks = [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      const std::size_t p = position_of(order[i]);
      const std::size_t r = std::min<std::size_t>(std::max<std::size_t>(rank[p], 1), ranks);
      order[i] = std::uint64_t{r} << 32 | p;
    }
  };
  if (!split) {
    sort_x1(order, spare);
    ranks = rank_run(order.get(), 0, n, 0, interrupt);
    lexicographic(order, spare, x, m, 3, rows, n);
    interrupt.tick(8 * n);
    gather_x2(0, n);
    place_ranks(0, n);
  } else {
    // The two sorts side by side (or by chunks, when large), each followed
    // by its own pass by chunks: the ranks after the sort by x1, each
    // place's x2 after the other. A thread done with its sort takes chunks
    // of the other's pass. Then each place's rank, by chunks.
    Scratch<std::uint64_t> by_x1 = block.take<std::uint64_t>(n),
                           by_x1_spare = block.take<std::uint64_t>(n);
    // The parts' bounds in ranks: part j takes the ranks (bound[j], bound[j + 1]].
    bound.assign(chunks + 1, 0);
    sorts_side_by_side(2, n, [&](std::size_t sort) {
      if (sort == 1) {
        lexicographic(order, spare, x, m, 3, rows, n);
        parallel_for(n, grain_for(8), [&](std::size_t begin, std::size_t end) {
          InterruptCheck silent;
          ticks.here(silent).tick(8 * (end - begin));
          gather_x2(begin, end);
        });
        return;
      }
      sort_x1(by_x1, by_x1_spare);
      ChunkOffsets offsets(n, grain);
      ranks += offsets.count([&](std::size_t begin, std::size_t end) {
        InterruptCheck silent;
        ticks.here(silent).tick(end - begin);
        std::size_t count = 0;
        for (std::size_t i = begin; i < end; ++i) count += is_new(by_x1.get(), i);
        return count;
      });
      offsets.write([&](std::size_t begin, std::size_t end, std::size_t before, std::size_t) {
        InterruptCheck silent;
        rank_run(by_x1.get(), begin, end, before, ticks.here(silent));
      });
      // The lowest part takes the first n - (chunks - 1) * each rows in x1 order, each
      // other part `each` rows; a part ends after a row's whole run of equal
      // x1. Bounds are kept in order within 0 .. ranks should x change
      // meanwhile.
      const std::size_t each = std::max<std::size_t>((n - n / kLowestExtra) / chunks, 1);
      bound[chunks] = ranks;
      for (std::size_t j = chunks - 1; j > 0; --j) {
        const std::size_t last = n - (chunks - j) * each - 1;  // part j - 1's last row
        bound[j] = std::min<std::size_t>(rank[position_of(by_x1[last])], bound[j + 1]);
      }
    });
    parallel_for(n, grain_for(4), [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      ticks.here(silent).tick(4 * (end - begin));
      place_ranks(begin, end);
    });
  }
  rank.reset();
  const std::uint64_t* const z = spare.get();

  const std::size_t parts = split ? chunks : 1;
  Scratch<std::uint64_t> tree =
      block.take<std::uint64_t>(ranks + parts);  // part j's from bound[j] + j
  const auto mark = [&](std::size_t i) { front[rows[position_of(order[i])]] = 1; };
  if (!split) return sweep_triples(mark, order.get(), z, tree.get(), 0, ranks, ranks, n, interrupt);
  parallel_for(parts, 1, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    for (std::size_t j = begin; j < end; ++j) {
      here.tick(n);
      sweep_triples(mark, order.get(), z, tree.get() + bound[j] + j, bound[j], bound[j + 1], ranks,
                    n, here);
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
