// nondominated: sorting rows without NaN. Scratch is kept small (fresh memory
// costs page faults on every call): sorts pack a coarse key and a 32-bit
// position into one 64-bit word, radix-sort the words and settle runs of
// equal coarse keys with a comparison.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "common/huge_pages.hpp"
#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {
namespace nd {

// Big scratch arrays of plain values, left uninitialised: each of its own
// allocation, or a part of a Block (freed with the block, not by itself).
template <class T>
struct ScratchDelete {
  bool owned = true;
  void operator()(T* data) const noexcept {
    if (owned) delete[] data;
  }
};
template <class T>
using Scratch = std::unique_ptr<T[], ScratchDelete<T>>;
template <class T>
Scratch<T> scratch(std::size_t n) {
  return Scratch<T>(new T[n], ScratchDelete<T>{true});
}

// One allocation for the scratch arrays of a call, sized beforehand. Fresh
// pages cost a fault each, which on a virtual machine costs more than
// filling them (a few microseconds for 4 KiB): a block of kHugeScratch and
// more is aligned to 2 MB pages and advised into them (common/huge_pages.hpp),
// so that the hundreds of pages of a large call's scratch are a few faults.
// Advice only: where it is refused, the block is ordinary memory. Taking
// more than the block holds gives an array of its own instead.
constexpr std::size_t kHugeScratch = std::size_t{1} << 20;
class Block {
 public:
  explicit Block(std::size_t bytes) {
    if (bytes < kHugeScratch) {
      size_ = bytes;
      start_ = static_cast<unsigned char*>(::operator new(bytes ? bytes : 1));
      return;
    }
    start_ = static_cast<unsigned char*>(take_huge_pages(bytes, size_));
    advise_huge_pages(start_, size_);
  }
  ~Block() {
    if (size_ < kHugeScratch)
      ::operator delete(start_);
    else
      release_huge_pages(start_);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  // Bytes that take(n) of T uses (each array starts on a cache line).
  template <class T>
  static constexpr std::size_t bytes_for(std::size_t n) {
    return (n * sizeof(T) + kLine - 1) / kLine * kLine;
  }

  // n elements of T (a plain value), uninitialised. Not safe to call from
  // several threads at once.
  template <class T>
  Scratch<T> take(std::size_t n) {
    const std::size_t bytes = bytes_for<T>(n);
    if (bytes > size_ - used_) return scratch<T>(n);
    T* data = reinterpret_cast<T*>(start_ + used_);
    used_ += bytes;
    return Scratch<T>(data, ScratchDelete<T>{false});
  }

 private:
  static constexpr std::size_t kLine = 64;
  unsigned char* start_ = nullptr;
  std::size_t size_ = 0, used_ = 0;
};

// Positions below it fit the 32 bits of a sort item, with one value spare.
constexpr std::size_t kPackedLimit = 0xFFFFFFFFu;

// Beyond this many items a sort's passes run by chunks on several threads.
// A pass over fewer takes some tens of microseconds, less than the other
// threads take to join it: at 100,000 points in two columns, a call of
// 0.35 ms whose sorts split at 32,768 items ran at 0.6 times its one-thread
// speed on two threads (bench/nondominated, Threads).
constexpr std::size_t kSplitSort = std::size_t{1} << 17;

inline std::size_t position_of(std::uint64_t item) { return item & 0xFFFFFFFFu; }

// Unsigned keys in the order of the doubles, -0 and +0 sharing one key (they
// compare equal). NaN has no key.
inline std::uint64_t order_key(double v) {
  if (v == 0) v = 0.0;
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Sort items for positions 0 .. n-1: a coarse key in the upper 32 bits, the
// position in the lower. The coarse key is the top 32 bits of the keys'
// varying range, so it never decreases as value(i) grows; equal coarse keys
// need a finer look.
template <class Value>
void pack_positions(std::uint64_t* items, std::size_t n, Value value) {
  if (n == 0) return;
  InterruptCheck interrupt;
  const std::size_t grain = std::max<std::size_t>(kSplitSort, (n + 7) / 8);
  if (splits(n, grain)) {  // the same two passes by chunks
    const CallerTicks ticks(interrupt);
    const std::size_t g = chunk_grain(grain);
    std::vector<std::uint64_t> low(n / g + 1, ~std::uint64_t{0}), high(n / g + 1, 0);
    parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      ticks.here(silent).tick(4 * (end - begin));
      std::uint64_t lowest = ~std::uint64_t{0}, highest = 0;
      for (std::size_t i = begin; i < end; ++i) {
        const std::uint64_t key = order_key(value(i));
        items[i] = key;
        lowest = std::min(lowest, key);
        highest = std::max(highest, key);
      }
      low[begin / g] = lowest;
      high[begin / g] = highest;
    });
    const std::uint64_t lowest = *std::min_element(low.begin(), low.end());
    const std::uint64_t highest = *std::max_element(high.begin(), high.end());
    int shift = 0;
    for (std::uint64_t span = (highest - lowest) >> 32; span != 0; span >>= 1) ++shift;
    parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      ticks.here(silent).tick(end - begin);
      for (std::size_t i = begin; i < end; ++i) items[i] = ((items[i] - lowest) >> shift << 32) | i;
    });
    return;
  }
  std::uint64_t lowest = ~std::uint64_t{0}, highest = 0;
  interrupt.for_each_index(n, 4, [&](std::size_t i) {  // the keys, parked in the items
    const std::uint64_t key = order_key(value(i));
    items[i] = key;
    lowest = std::min(lowest, key);
    highest = std::max(highest, key);
  });
  int shift = 0;
  for (std::uint64_t span = (highest - lowest) >> 32; span != 0; span >>= 1) ++shift;
  interrupt.for_each_index(
      n, 1, [&](std::size_t i) { items[i] = ((items[i] - lowest) >> shift << 32) | i; });
}

// Stable LSD radix sort of n items by their upper 32 bits; `spare` holds n
// items.
void radix_sort(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, std::size_t n);

// Sorts items[0 .. n) by `less` on their positions; `spare` holds n items.
// Insertion-sorted blocks merged pairwise: every loop is bounded by the
// indices alone, whatever `less` answers. `less` reads the input in place,
// which another thread may write to meanwhile, and then answers
// inconsistently: std::sort's unguarded loops could run off the array.
template <class Less>
[[gnu::noinline]] void sort_positions(std::uint64_t* items, std::uint64_t* spare, std::size_t n,
                                      Less less) {
  const auto before = [&](std::uint64_t a, std::uint64_t b) {
    return less(position_of(a), position_of(b));
  };
  constexpr std::size_t kBlock = 16;
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t end = std::min(n, begin + kBlock);
    for (std::size_t i = begin + 1; i < end; ++i) {
      const std::uint64_t item = items[i];
      std::size_t j = i;
      for (; j > begin && before(item, items[j - 1]); --j) items[j] = items[j - 1];
      items[j] = item;
    }
  }
  std::uint64_t* from = items;
  std::uint64_t* to = spare;
  for (std::size_t width = kBlock; width < n; width *= 2) {
    for (std::size_t begin = 0; begin < n; begin += 2 * width) {
      const std::size_t middle = std::min(n, begin + width), end = std::min(n, begin + 2 * width);
      std::merge(from + begin, from + middle, from + middle, from + end, to + begin, before);
    }
    std::swap(from, to);
  }
  if (from != items) std::copy(from, from + n, items);
}

// Puts each run of equal coarse keys among items sorted by them in order
// with `less` (on positions), which must order the finer part; `spare` holds
// as many items as the longest run.
template <class Less>
void settle_runs(std::uint64_t* items, std::uint64_t* spare, std::size_t n, Less less) {
  InterruptCheck interrupt;
  for (std::size_t i = 1; i < n; ++i) {
    interrupt.tick();
    if ((items[i] >> 32) != (items[i - 1] >> 32)) continue;  // most neighbours differ
    const std::size_t begin = i - 1;
    std::size_t end = i + 1;
    while (end < n && (items[end] >> 32) == (items[begin] >> 32)) ++end;
    sort_positions(items + begin, spare, end - begin, less);
    interrupt.tick(8);
    i = end;  // items[end] starts the next run
  }
}

// Sorts packed items by their coarse key and then each run of equal coarse
// keys with `less` (on positions), which must order the finer part.
template <class Less>
void sort_items(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, std::size_t n,
                Less less) {
  radix_sort(items, spare, n);
  settle_runs(items.get(), spare.get(), n, less);
}

// Runs sort(0 .. count-1), independent sorts of n items each: side by side
// when none would run by chunks on its own (n up to kSplitSort), or when
// the call has no more threads than sorts, each then whole on its thread;
// else one after the other, each by chunks. A loop inside a sort of at most
// kSplitSort items that runs beside the others still splits (its chunks go
// to whichever thread is free, one done with its own sort included).
template <class Sort>
void sorts_side_by_side(std::size_t count, std::size_t n, Sort sort) {
  const bool large = n > kSplitSort;
  if (large && count < call_threads()) {
    for (std::size_t i = 0; i < count; ++i) sort(i);
    return;
  }
  parallel_for(count, 1, [&](std::size_t from, std::size_t to) {
    std::optional<ThreadScope> alone;
    if (large) alone.emplace(1);
    for (std::size_t i = from; i < to; ++i) sort(i);
  });
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

// Position a (row rows[a]) before position b by the columns, ties by position.
template <class Row>
bool columns_then_position(const double* x, std::size_t m, std::size_t d, const Row* rows,
                           std::size_t a, std::size_t b) {
  return columns_less(x, m, d, rows[a], rows[b]) ||
         (a < b && !columns_less(x, m, d, rows[b], rows[a]));
}

// The listed rows (ascending, at most kPackedLimit) as positions in the order
// (x0, x1, ..., row): every row that dominates or copies r comes before r.
// Comparing doubles with "<" keeps -0 and +0 together.
template <class Row>
void lexicographic(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, const double* x,
                   std::size_t m, std::size_t d, const Row* rows, std::size_t n) {
  pack_positions(items.get(), n, [&](std::size_t i) { return x[rows[i]]; });
  sort_items(items, spare, n, [&](std::size_t a, std::size_t b) {
    return columns_then_position(x, m, d, rows, a, b);
  });
}

}  // namespace nd
}  // namespace mexsets
