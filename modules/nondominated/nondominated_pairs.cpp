// nondominated: the front of listed rows without NaN in two columns.
//
// In (x0, x1, row) order a row is on the front iff it comes first or its x1
// is below that of every row before it (a row before it with x1 no greater
// dominates or copies it). That order comes from one of two sorts:
//
//   buckets  Each row gets a 32-bit key, a non-decreasing function of x0
//            (KeyOf), so (key, row) order, with each run of equal keys put
//            in (x0, x1, row) order, is the order wanted. The high key bits
//            pick one of up to 1024 buckets of about 2048 rows: one pass
//            counts the rows of each, one places them there in row order.
//            Each bucket, small enough for the first-level cache, is then
//            sorted by its 16 low key bits in two byte passes and swept.
//            One pass spreads over all rows, where the radix sort makes four.
//   radix    The packed keys of nondominated_sorting.hpp: when x0 has no
//            finite spread, or its rows crowd into a few buckets (repeated
//            or clustered x0), which would not stay small. The choice bears
//            on cost only.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>

#include "nondominated_routes.hpp"
#include "nondominated_sorting.hpp"

namespace mexsets {
namespace nd {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Up to 2^kMostBucketBits buckets, of about kRowsPerBucket rows, each sorted
// by the kFineBits low bits of the key in two byte passes.
constexpr int kMostBucketBits = 10;
constexpr std::size_t kRowsPerBucket = 2048;
constexpr int kFineBits = 16;
constexpr std::size_t kBlock = 256;

template <class Row>
void front_by_radix(unsigned char* front, const double* x, std::size_t m, const Row* rows,
                    std::size_t n) {
  Scratch<std::uint64_t> order = scratch<std::uint64_t>(n), spare = scratch<std::uint64_t>(n);
  lexicographic(order, spare, x, m, 2, rows, n);
  spare.reset();
  const double* x1 = x + m;
  double lowest = 0;
  InterruptCheck interrupt;
  for (std::size_t i = 0; i < n; ++i) {
    interrupt.tick(4);
    const std::size_t r = rows[position_of(order[i])];
    if (i == 0 || x1[r] < lowest) {
      front[r] = 1;
      lowest = x1[r];
    }
  }
}

// The key of x0 = v: (v - lo) * scale clamped to [0, top] and truncated,
// with [lo, hi] the finite range of x0 spread over the keys. Rounding never
// reverses an order, so each step is non-decreasing in v: a row of smaller
// x0 never gets a greater key, and rows of equal x0 (-0 and +0 too) get one
// key. -Inf and +Inf take the end keys.
struct KeyOf {
  double lo, scale, top;
  std::uint32_t operator()(double v) const {
    double t = (v - lo) * scale;
    t = t > 0 ? t : 0;
    t = t < top ? t : top;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(t));  // top < 2^31
  }
};

// Sorts the n items of a bucket by the kFineBits low bits of their keys (the
// high bits are the bucket's), stably, in two passes; `spare` holds n items.
void sort_bucket(std::uint64_t* items, std::uint64_t* spare, std::size_t n) {
  if (n <= 32) {  // positions ascend, so this is the same order
    std::sort(items, items + n);
    return;
  }
  constexpr int kDigitBits = kFineBits / 2;
  constexpr std::uint32_t kDigits = 1u << kDigitBits;
  std::uint32_t count[2][kDigits] = {};
  for (std::size_t i = 0; i < n; ++i) {
    ++count[0][(items[i] >> 32) & (kDigits - 1)];
    ++count[1][(items[i] >> (32 + kDigitBits)) & (kDigits - 1)];
  }
  std::uint64_t* from = items;
  std::uint64_t* to = spare;
  for (int b = 0; b < 2; ++b) {
    std::uint32_t offset = 0;
    for (std::uint32_t& here : count[b]) {
      const std::uint32_t c = here;
      here = offset;
      offset += c;
    }
    const int shift = 32 + kDigitBits * b;
    for (std::size_t i = 0; i < n; ++i)
      to[count[b][(from[i] >> shift) & (kDigits - 1)]++] = from[i];
    std::swap(from, to);
  }
}

// The front by buckets; false (front untouched) when the radix route serves
// better. row_at(i) is the i-th listed row.
template <class RowAt>
bool front_by_buckets(unsigned char* front, const double* x, std::size_t m, std::size_t n,
                      RowAt row_at) {
  const double* x0 = x;
  const double* x1 = x + m;
  // The finite range of x0, in independent lanes so that it vectorises.
  constexpr std::size_t kLanes = 8;
  double lane_lo[kLanes], lane_hi[kLanes];
  std::fill_n(lane_lo, kLanes, kInf);
  std::fill_n(lane_hi, kLanes, -kInf);
  InterruptCheck interrupt;
  for (std::size_t begin = 0; begin < n; begin += kLanes) {
    const std::size_t count = std::min(kLanes, n - begin);
    interrupt.tick(count);
    for (std::size_t j = 0; j < count; ++j) {
      const double v = x0[row_at(begin + j)];
      const double low = v > -kInf ? v : kInf, high = v < kInf ? v : -kInf;
      lane_lo[j] = low < lane_lo[j] ? low : lane_lo[j];
      lane_hi[j] = high > lane_hi[j] ? high : lane_hi[j];
    }
  }
  const double lo = *std::min_element(lane_lo, lane_lo + kLanes);
  const double hi = *std::max_element(lane_hi, lane_hi + kLanes);
  int bits = 0;
  while (bits < kMostBucketBits && (n >> bits) > kRowsPerBucket) ++bits;
  const std::size_t buckets = std::size_t{1} << bits;
  const double keys = static_cast<double>(buckets << kFineBits);
  const double spread = hi - lo, scale = keys / spread;
  if (!(lo < hi && spread < kInf && scale < kInf)) return false;
  const KeyOf key_of{lo, scale, keys - 1};
  // Keys are worked out a block at a time, where they vectorise.
  std::uint32_t key[kBlock];
  auto keys_of_block = [&](std::size_t begin, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) key[i] = key_of(x0[row_at(begin + i)]);
  };

  // start[b]: where bucket b begins (first its size, in start[b + 1]).
  std::size_t start[(std::size_t{1} << kMostBucketBits) + 1] = {};
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t count = std::min(kBlock, n - begin);
    interrupt.tick(2 * count);
    keys_of_block(begin, count);
    for (std::size_t i = 0; i < count; ++i) ++start[(key[i] >> kFineBits) + 1];
  }
  std::size_t largest = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    largest = std::max(largest, start[b + 1]);
    start[b + 1] += start[b];
  }
  if (largest > 4 * (n / buckets) + 64) return false;

  Scratch<std::uint64_t> items = scratch<std::uint64_t>(n), spare = scratch<std::uint64_t>(largest);
  std::size_t next[std::size_t{1} << kMostBucketBits];
  std::copy(start, start + buckets, next);
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t count = std::min(kBlock, n - begin);
    interrupt.tick(4 * count);
    keys_of_block(begin, count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = next[key[i] >> kFineBits]++;
      if (at < n) items[at] = std::uint64_t{key[i]} << 32 | (begin + i);
    }
  }
  // x0 is read twice: each bucket fills exactly the room counted for it,
  // unless another thread changed x0 in between; then the radix route
  // (which reads it once) serves.
  if (!std::equal(next, next + buckets, start + 1)) return false;
  // Positions in (x0, x1, row) order (rows ascend with positions).
  auto before = [&](std::size_t a, std::size_t c) {
    const std::size_t ra = row_at(a), rc = row_at(c);
    return columns_less(x, m, 2, ra, rc) || (a < c && !columns_less(x, m, 2, rc, ra));
  };
  bool first = true;
  double lowest = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    std::uint64_t* bucket = items.get() + start[b];
    const std::size_t size = start[b + 1] - start[b];
    interrupt.tick(8 * size);
    sort_bucket(bucket, spare.get(), size);
    settle_runs(bucket, spare.get(), size, before);
    for (std::size_t i = 0; i < size; ++i) {
      const std::size_t r = row_at(position_of(bucket[i]));
      if (first || x1[r] < lowest) {
        front[r] = 1;
        lowest = x1[r];
        first = false;
      }
    }
  }
  return true;
}

}  // namespace

template <class Row>
void front_of_pairs(unsigned char* front, const double* x, std::size_t m, const Row* rows,
                    std::size_t n) {
  const bool done =
      rows ? front_by_buckets(front, x, m, n, [&](std::size_t i) -> std::size_t { return rows[i]; })
           : front_by_buckets(front, x, m, n, [](std::size_t i) { return i; });
  if (done) return;
  if (rows) return front_by_radix(front, x, m, rows, n);
  Scratch<Row> all = scratch<Row>(n);
  std::iota(all.get(), all.get() + n, Row{0});
  front_by_radix(front, x, m, all.get(), n);
}

template void front_of_pairs<std::uint32_t>(unsigned char*, const double*, std::size_t,
                                            const std::uint32_t*, std::size_t);
template void front_of_pairs<std::size_t>(unsigned char*, const double*, std::size_t,
                                          const std::size_t*, std::size_t);

}  // namespace nd
}  // namespace mexsets
