#include "nondominated_sorting.hpp"

namespace mexsets {
namespace nd {

// A byte a pass; a byte that is the same in every item takes no pass.
void radix_sort(Scratch<std::uint64_t>& items, Scratch<std::uint64_t>& spare, std::size_t n) {
  if (n < 2) return;
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
