#include "nondominated_sorting.hpp"

#include <array>
#include <vector>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"

namespace mexsets {
namespace nd {

namespace {

// radix_sort on several threads: each pass counts its byte by chunks (fixed
// by n alone) and each chunk moves its items to the places the counts of
// the chunks before it leave free, which is where the one-thread pass puts
// them (the sort is stable, so its result is unique).
void radix_sort_split(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, std::size_t n,
                      std::size_t grain) {
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  const std::size_t g = chunk_grain(grain), chunks = (n + g - 1) / g;
  std::vector<std::array<std::size_t, 256>> count(chunks);
  std::vector<std::array<std::size_t, 4 * 256>> all(chunks);
  parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    ticks.here(silent).tick(4 * (end - begin));
    std::array<std::size_t, 4 * 256>& here = all[begin / g];
    here.fill(0);
    for (std::size_t i = begin; i < end; ++i)
      for (int b = 0; b < 4; ++b) ++here[256 * b + ((items[i] >> (32 + 8 * b)) & 255)];
  });
  for (int b = 0; b < 4; ++b) {
    const int shift = 32 + 8 * b;
    const std::size_t first = (items[0] >> shift) & 255;
    std::size_t same = 0;
    for (const auto& here : all) same += here[256 * b + first];
    if (same == n) continue;
    const std::uint64_t* from = items.get();
    std::uint64_t* to = spare.get();
    parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      ticks.here(silent).tick(end - begin);
      std::array<std::size_t, 256>& here = count[begin / g];
      here.fill(0);
      for (std::size_t i = begin; i < end; ++i) ++here[(from[i] >> shift) & 255];
    });
    std::size_t offset = 0;  // each chunk's first place for each digit
    for (std::size_t digit = 0; digit < 256; ++digit)
      for (std::size_t c = 0; c < chunks; ++c) {
        const std::size_t here = count[c][digit];
        count[c][digit] = offset;
        offset += here;
      }
    parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      ticks.here(silent).tick(2 * (end - begin));
      std::array<std::size_t, 256>& place = count[begin / g];
      for (std::size_t i = begin; i < end; ++i) to[place[(from[i] >> shift) & 255]++] = from[i];
    });
    items.swap(spare);
  }
}

}  // namespace

// A byte a pass; a byte that is the same in every item takes no pass.
void radix_sort(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, std::size_t n) {
  if (n < 2) return;
  const std::size_t grain = std::max<std::size_t>(kSplitSort, (n + 7) / 8);
  if (splits(n, grain)) return radix_sort_split(items, spare, n, grain);
  InterruptCheck interrupt;
  std::size_t counts[4][256] = {};
  for (std::size_t i = 0; i < n; ++i) {
    interrupt.tick(4);
    for (int b = 0; b < 4; ++b) ++counts[b][(items[i] >> (32 + 8 * b)) & 255];
  }
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
    for (std::size_t i = 0; i < n; ++i) {
      interrupt.tick(2);
      to[count[(from[i] >> shift) & 255]++] = from[i];
    }
    items.swap(spare);
  }
}

}  // namespace nd
}  // namespace mexsets
