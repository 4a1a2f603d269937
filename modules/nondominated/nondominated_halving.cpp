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
// so no greater everywhere is dominance). The halves come back in x1 order
// and in x2 order; their merge in x1 order numbers the points, and a sweep
// of their merge in x2 order asks a Fenwick tree over those numbers for the
// least x3 of the first half's points met so far. The tree thus spans one
// merge, not all points: in the lower levels, where most of the time goes,
// it stays in the first-level cache. Halves whose sums of columns 1 to 3 lie
// apart (all of the second's below all of the first's) cannot meet in a
// dominance and only merge; on a front near a plane of equal sums most do.
// Blocks of up to 128 points are settled pair by pair. On several threads
// the sort and the three rankings run side by side, and so do the two halves of a large
// range (each range keeps to its own part of every array, the Fenwick tree's
// included), so the result is the same on any number of threads.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "nondominated_routes.hpp"
#include "nondominated_sorting.hpp"

namespace mexsets {
namespace nd {
namespace {

constexpr std::size_t kColumns = 4;

// Dense ranks of n values at(0..n-1) (1-based, equal values sharing one),
// handed to store(i, rank); order and spare are scratch of n items.
template <class At, class Store>
void dense_ranks(std::size_t n, At at, Scratch<std::uint64_t>& order, Scratch<std::uint64_t>& spare,
                 InterruptCheck& interrupt, Store store) {
  pack_positions(order.get(), n, at);
  sort_items(order, spare, n, [&](std::size_t a, std::size_t b) { return at(a) < at(b); });
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < n; ++i) {
    interrupt.tick(4);
    if (i == 0 || at(position_of(order[i - 1])) < at(position_of(order[i]))) ++rank;
    store(position_of(order[i]), rank);
  }
}

// The merge of two runs sorted by `key`, the first run first on ties, without
// branches (which run the next item comes from is random); returns the end.
template <class Item, class Key>
Item* merge(const Item* a, std::size_t a_size, const Item* b, std::size_t b_size, Item* out,
            Key key) {
  const Item* const a_end = a + a_size;
  const Item* const b_end = b + b_size;
  while (a < a_end && b < b_end) {
    const bool from_a = key(*a) <= key(*b);
    *out++ = *(from_a ? a : b);
    a += from_a;
    b += !from_a;
  }
  return std::copy(b, b_end, std::copy(a, a_end, out));
}

class Halving {
 public:
  // n points distinct, in (x0, x1, x2, x3) order, kColumns doubles each;
  // `ranks` null, or the ranks of columns 1 to 3 by point, three a point
  // (1-based, equal values sharing one, so that ranks compare as the values
  // do).
  Halving(const double* points, std::size_t n, const std::uint32_t* ranks, Block& block)
      : n_(n),
        dropped_(n_, 0),
        items_(block.take<Item>(n_)),
        by_x1_(block.take<Item>(n_)),
        by_x2_(block.take<Item>(n_)),
        spare_(block.take<Item>(n_)),
        place_(block.take<std::uint32_t>(n_)),
        least_(block.take<std::uint32_t>(n_ + 1)),
        rest_(block.take<double>(n_)) {
    // The points' sums of columns 1 to 3, and their given ranks, by chunks.
    parallel_for(n_, grain_for(8), [&](std::size_t begin, std::size_t end) {
      for (std::size_t i = begin; i < end; ++i) {
        items_[i].point = static_cast<std::uint32_t>(i);
        const double* p = &points[i * kColumns];
        const double rest = p[1] + p[2] + p[3];
        rest_[i] = rest == rest ? rest : std::numeric_limits<double>::infinity();
        if (ranks) {
          items_[i].x1 = ranks[3 * i];
          items_[i].x2 = ranks[3 * i + 1];
          items_[i].x3 = ranks[3 * i + 2];
        }
      }
    });
    if (!ranks) {
      rank_column(points, 1, &Item::x1);
      rank_column(points, 2, &Item::x2);
      rank_column(points, 3, &Item::x3);
    }
    if (n_ > 0) solve(0, n_, interrupt_);
  }

  // The bytes of a Block that n points take.
  static std::size_t bytes(std::size_t n) {
    return 4 * Block::bytes_for<Item>(n) + Block::bytes_for<std::uint32_t>(n) +
           Block::bytes_for<std::uint32_t>(n + 1) + Block::bytes_for<double>(n);
  }

  bool dominated(std::size_t i) const { return dropped_[i] != 0; }

 private:
  static constexpr std::size_t kSmall = 128;
  // Ranges of more than this many points solve their halves side by side.
  static constexpr std::size_t kSplit = 4096;
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // A point by its 1-based ranks in columns 1 to 3 (equal values share a
  // rank, so ranks compare as the values do) and its place in (x0, ...) order.
  struct Item {
    std::uint32_t x1, x2, x3, point;
  };
  static std::uint32_t x1_of(const Item& item) { return item.x1; }
  static std::uint32_t x2_of(const Item& item) { return item.x2; }

  // What solve leaves: the number of points kept, and the least and most
  // sum of columns 1 to 3 over all the points it was given.
  struct Solved {
    std::size_t kept;
    double least_rest, most_rest;
  };

  void rank_column(const double* points, std::size_t k, std::uint32_t Item::*rank_of) {
    Scratch<std::uint64_t> order = scratch<std::uint64_t>(n_), spare = scratch<std::uint64_t>(n_);
    dense_ranks(
        n_, [&](std::size_t i) { return points[i * kColumns + k]; }, order, spare, interrupt_,
        [&](std::size_t i, std::uint32_t rank) { items_[i].*rank_of = rank; });
  }

  // Marks dropped the points of items_[begin, end) (in (x0, ...) order) that
  // one there dominates, and leaves the others at [begin, begin + kept) of
  // by_x1_ in x1 order and of by_x2_ in x2 order. An earlier point has x0 no
  // greater, and points are distinct, so no greater in columns 1 to 3 is
  // dominance.
  Solved solve(std::size_t begin, std::size_t end, InterruptCheck& interrupt) {
    if (end - begin <= kSmall) return solve_small(begin, end, interrupt);
    interrupt.tick(16 * (end - begin));  // this merge's work, below the halves
    const std::size_t middle = begin + (end - begin) / 2;
    Solved first{}, second{};
    if (splits(end - begin, kSplit)) {
      const CallerTicks ticks(interrupt);
      parallel_for(2, 1, [&](std::size_t from, std::size_t to) {
        InterruptCheck silent;
        for (std::size_t half = from; half < to; ++half)
          if (half == 0)
            first = solve(begin, middle, ticks.here(silent));
          else
            second = solve(middle, end, ticks.here(silent));
      });
    } else {
      first = solve(begin, middle, interrupt);
      second = solve(middle, end, interrupt);
    }
    const double least_rest = std::min(first.least_rest, second.least_rest);
    const double most_rest = std::max(first.most_rest, second.most_rest);
    const Item* a1 = &by_x1_[begin];
    const Item* b1 = &by_x1_[middle];
    const Item* a2 = &by_x2_[begin];
    const Item* b2 = &by_x2_[middle];
    // Both halves in x1 order, the first half first on ties: a point of the
    // first half has x1 no greater than one of the second iff it comes
    // earlier, so the places in that order stand for x1 in the sweep below.
    Item* merged = &spare_[begin];
    const std::size_t out =
        static_cast<std::size_t>(merge(a1, first.kept, b1, second.kept, merged, x1_of) - merged);
    Item* kept2 = &spare2()[begin];
    // A point p that dominates q is no greater in columns 1 to 3, so its sum
    // of them is no greater either (added in the same order; rounding is
    // monotone; a NaN sum, from +Inf and -Inf, counts as +Inf, as does
    // then q's). When every such sum in the second half is below every one
    // in the first, none of the second half is dominated from the first:
    // on a front near a plane of equal sums this is the common case.
    if (second.most_rest < first.least_rest) {
      merge(a2, first.kept, b2, second.kept, kept2, x2_of);
      std::copy(kept2, kept2 + out, &by_x2_[begin]);
      std::copy(merged, merged + out, &by_x1_[begin]);
      return {out, least_rest, most_rest};
    }
    for (std::size_t i = 0; i < out; ++i)
      place_[merged[i].point] = static_cast<std::uint32_t>(i + 1);
    // The sweep in x2 order, the first half first on ties, with a Fenwick
    // tree over the places holding the least x3 of the first half's points
    // met: a point of the second half is dominated when one of the first
    // half placed before it holds x3 no greater. The tree spans this merge
    // only, so it stays in the fastest cache in the lower levels.
    std::uint32_t* const least = &least_[begin];  // this range's own, 1-based
    std::fill_n(least + 1, out, kNone);           // entry 0 is the range before's last
    std::size_t kept = 0, a = 0, b = 0;
    while (a < first.kept || b < second.kept) {
      if (b == second.kept || (a < first.kept && a2[a].x2 <= b2[b].x2)) {
        insert(least, place_[a2[a].point], a2[a].x3, out);
        kept2[kept++] = a2[a++];
      } else {
        if (some_no_greater(least, place_[b2[b].point] - 1, b2[b].x3))
          dropped_[b2[b].point] = 1;
        else
          kept2[kept++] = b2[b];
        ++b;
      }
    }
    std::copy(kept2, kept2 + kept, &by_x2_[begin]);
    Item* to = &by_x1_[begin];
    for (std::size_t i = 0; i < out; ++i)
      if (!dropped_[merged[i].point]) *to++ = merged[i];
    return {kept, least_rest, most_rest};
  }

  // Pair by pair. Covering is transitive, so a point is dominated within the
  // block iff some point before it in the block, dropped or not, has all
  // three ranks no greater: a test without branches over flat columns.
  Solved solve_small(std::size_t begin, std::size_t end, InterruptCheck& interrupt) {
    std::uint32_t x1[kSmall], x2[kSmall], x3[kSmall];
    const std::size_t size = end - begin;
    interrupt.tick(size * size / 2 + 16 * size);
    for (std::size_t i = 0; i < size; ++i) {
      x1[i] = items_[begin + i].x1;
      x2[i] = items_[begin + i].x2;
      x3[i] = items_[begin + i].x3;
    }
    Item* kept = &by_x1_[begin];
    std::size_t count = 0;
    for (std::size_t j = 0; j < size; ++j) {
      unsigned covered = 0;
      for (std::size_t i = 0; i < j; ++i)
        covered |= static_cast<unsigned>(x1[i] <= x1[j]) & static_cast<unsigned>(x2[i] <= x2[j]) &
                   static_cast<unsigned>(x3[i] <= x3[j]);
      if (covered)
        dropped_[items_[begin + j].point] = 1;
      else
        kept[count++] = items_[begin + j];
    }
    std::copy(kept, kept + count, &by_x2_[begin]);
    std::sort(kept, kept + count, [](const Item& p, const Item& q) { return p.x1 < q.x1; });
    std::sort(&by_x2_[begin], &by_x2_[begin] + count,
              [](const Item& p, const Item& q) { return p.x2 < q.x2; });
    const auto rests = std::minmax_element(&rest_[begin], &rest_[0] + end);
    return {count, *rests.first, *rests.second};
  }

  // Scratch for a merge's x2 order: items_[begin, end) is read by
  // solve_small only, before any merge of that range.
  Item* spare2() { return items_.get(); }

  // The nodes on the way up cover ever larger ranges, so their least values
  // never increase: once one is no greater than `value`, so are the rest.
  static void insert(std::uint32_t* least, std::size_t place, std::uint32_t value,
                     std::size_t size) {
    for (; place <= size && value < least[place]; place += place & (~place + 1))
      least[place] = value;
  }
  // Whether a value at a place up to `place` is no greater than `bound`.
  static bool some_no_greater(const std::uint32_t* least, std::size_t place, std::uint32_t bound) {
    for (; place > 0; place &= place - 1)
      if (least[place] <= bound) return true;
    return false;
  }

  InterruptCheck interrupt_;
  std::size_t n_;
  std::vector<unsigned char> dropped_;  // by point
  // Left uninitialised (every entry is written before it is read), so that
  // the pages are first touched by the ranges that use them; taken from the
  // caller's block.
  Scratch<Item> items_, by_x1_, by_x2_, spare_;
  Scratch<std::uint32_t> place_;  // by point: 1-based place in the merge's x1 order
  // Fenwick trees over places, least rank of x3: a range [begin, end) keeps
  // its own at least_[begin + 1 .. end].
  Scratch<std::uint32_t> least_;
  Scratch<double> rest_;  // by point: x1 + x2 + x3, NaN as +Inf
};

// The ranks of column k of the listed rows by position (1-based, equal
// values sharing one).
template <class Row>
void rank_positions(std::uint32_t* rank, const double* x, std::size_t m, std::size_t k,
                    const Row* rows, std::size_t n, Scratch<std::uint64_t>& order,
                    Scratch<std::uint64_t>& spare, InterruptCheck& interrupt) {
  const double* column = x + k * m;
  dense_ranks(
      n, [&](std::size_t i) { return column[rows[i]]; }, order, spare, interrupt,
      [&](std::size_t i, std::uint32_t r) { rank[i] = r; });
}

// Beyond this many rows, several threads share the sorts and the passes
// over them (the halves of large ranges are shared in Halving::solve).
constexpr std::size_t kSplitRows = 4096;

// front_by_halving on several threads: the order and the three rankings
// (over the rows, copies included: ranks still compare as the values do),
// then the runs of copies found by chunks of the order. Each
// run's first row, the earliest (ties in the order go by position), stands
// for the run.
template <class Row>
void front_by_halving_split(unsigned char* front, const double* x, std::size_t m,
                            const std::vector<Row>& rows) {
  const std::size_t n = rows.size();
  // The sorts' items (a pair a sort), the ranks, the flags of the runs'
  // starts, the points with their ranks and rows, and the halving's
  // scratch, in one block.
  Block block(8 * Block::bytes_for<std::uint64_t>(n) + Block::bytes_for<std::uint32_t>(3 * n) +
              Block::bytes_for<unsigned char>(n) + Block::bytes_for<double>(n * kColumns) +
              Block::bytes_for<std::uint32_t>(3 * n) + Block::bytes_for<std::size_t>(n) +
              Halving::bytes(n));
  Scratch<std::uint64_t> order = block.take<std::uint64_t>(n), spare = block.take<std::uint64_t>(n);
  Scratch<std::uint32_t> rank = block.take<std::uint32_t>(3 * n);  // column k + 1 at k * n
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  // The four sorts side by side (or by chunks, when large).
  {
    Scratch<std::uint64_t> items[3], spares[3];
    for (std::size_t k = 0; k < 3; ++k) {
      items[k] = block.take<std::uint64_t>(n);
      spares[k] = block.take<std::uint64_t>(n);
    }
    sorts_side_by_side(kColumns, n, [&](std::size_t k) {
      InterruptCheck silent;
      if (k == 0)
        lexicographic(order, spare, x, m, kColumns, rows.data(), n);
      else
        rank_positions(rank.get() + (k - 1) * n, x, m, k, rows.data(), n, items[k - 1],
                       spares[k - 1], ticks.here(silent));
    });
  }
  // 8 chunks (of 2,048 rows or more): the passes take some 20 nanoseconds a
  // row, and even chunks keep the threads to the same share.
  const std::size_t grain = std::max<std::size_t>(kSplitRows / 2, (n + 7) / 8);
  ChunkOffsets offsets(n, grain);  // the points of each chunk
  Scratch<unsigned char> starts = block.take<unsigned char>(n);  // a run starts at this place
  const std::size_t points = offsets.count([&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    std::size_t count = 0;
    for (std::size_t i = begin; i < end; ++i) {
      here.tick(8);
      bool start = i == 0;
      if (!start) {
        const std::size_t r = rows[position_of(order[i])], q = rows[position_of(order[i - 1])];
        std::size_t k = 0;
        while (k < kColumns && x[q + k * m] == x[r + k * m]) ++k;
        start = k < kColumns;
      }
      starts[i] = start;
      count += start;
    }
    return count;
  });
  Scratch<double> point = block.take<double>(points * kColumns);
  Scratch<std::uint32_t> point_rank = block.take<std::uint32_t>(3 * points);
  Scratch<std::size_t> row_of = block.take<std::size_t>(points);
  offsets.write([&](std::size_t begin, std::size_t end, std::size_t first, std::size_t) {
    InterruptCheck silent;
    ticks.here(silent).tick(8 * (end - begin));
    std::size_t j = first;
    for (std::size_t i = begin; i < end; ++i) {
      if (!starts[i]) continue;
      const std::size_t p = position_of(order[i]), r = rows[p];
      for (std::size_t k = 0; k < kColumns; ++k) point[j * kColumns + k] = x[r + k * m];
      for (std::size_t k = 0; k < 3; ++k) point_rank[3 * j + k] = rank[k * n + p];
      row_of[j++] = r;
    }
  });
  order.reset();
  rank.reset();
  const Halving halving(point.get(), points, point_rank.get(), block);
  for (std::size_t j = 0; j < points; ++j)
    if (!halving.dominated(j)) front[row_of[j]] = 1;
}

}  // namespace

template <class Row>
void front_by_halving(unsigned char* front, const double* x, std::size_t m,
                      const std::vector<Row>& rows) {
  const std::size_t n = rows.size();
  if (n == 0) return;
  if (splits(n, kSplitRows)) return front_by_halving_split(front, x, m, rows);
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n), spare = scratch<std::uint64_t>(n);
  lexicographic(order, spare, x, m, kColumns, rows.data(), n);
  spare.reset();
  // Runs of identical rows become one point, standing for the earliest row.
  std::vector<double> points;
  std::vector<std::size_t> row_of;
  points.reserve(n * kColumns);
  row_of.reserve(n);
  InterruptCheck interrupt;
  for (std::size_t i = 0; i < n; ++i) {
    interrupt.tick(8);
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
  Block block(Halving::bytes(row_of.size()));
  const Halving halving(points.data(), row_of.size(), nullptr, block);
  for (std::size_t i = 0; i < row_of.size(); ++i)
    if (!halving.dominated(i)) front[row_of[i]] = 1;
}

template void front_by_halving<std::uint32_t>(unsigned char*, const double*, std::size_t,
                                              const std::vector<std::uint32_t>&);
template void front_by_halving<std::size_t>(unsigned char*, const double*, std::size_t,
                                            const std::vector<std::size_t>&);

}  // namespace nd
}  // namespace mexsets
