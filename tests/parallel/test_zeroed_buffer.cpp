// common/huge_pages.hpp: buffers zeroed lazily read as zeros everywhere,
// also where the heap hands back memory it has just had written, and
// nothing outside the range given is ever changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "common/huge_pages.hpp"

namespace {

bool all_bytes(const unsigned char* data, std::size_t n, unsigned char value) {
  return std::all_of(data, data + n, [value](unsigned char b) { return b == value; });
}

TEST(ZeroedBuffer, ReadsAsZerosAlsoInMemoryJustWritten) {
  // Sizes below and above the lazy threshold, none a whole number of pages.
  for (const std::size_t bytes : {std::size_t{0}, std::size_t{100}, std::size_t{12345},
                                  mexsets::kLargeBuffer + 123, 3 * mexsets::kLargeBuffer + 4095}) {
    for (int round = 0; round < 3; ++round) {
      // Written memory of the same size, freed just before: the heap is
      // free to hand it out again (it does for blocks it keeps).
      void* dirty = ::operator new(bytes ? bytes : 1);
      std::memset(dirty, 0xab, bytes);
      ::operator delete(dirty);
      const auto zeros = mexsets::zeroed_buffer<unsigned char>(bytes);
      ASSERT_TRUE(all_bytes(zeros.get(), bytes, 0)) << bytes << " bytes";
      // Large buffers start on a huge page (whole huge pages to their end).
      if (bytes >= mexsets::kLargeBuffer) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(zeros.get()) % mexsets::kHugePage, 0u);
      }
      const auto doubles = mexsets::zeroed_buffer<double>(bytes / sizeof(double));
      ASSERT_TRUE(std::all_of(doubles.get(), doubles.get() + bytes / sizeof(double),
                              [](double v) { return v == 0.0; }));
    }
  }
  EXPECT_THROW(mexsets::zeroed_buffer<double>(std::size_t(-1) / 4), std::bad_alloc);
}

TEST(ZeroedBuffer, ZeroesExactlyTheRangeGiven) {
  const std::size_t size = 3 * mexsets::kLargeBuffer;
  std::vector<unsigned char> block(size, 0xab);
  // A range starting and ending inside pages, then one of whole pages.
  for (const auto& [begin, end] :
       {std::pair<std::size_t, std::size_t>{1000, size - 777}, {0, size}}) {
    std::fill(block.begin(), block.end(), 0xab);
    mexsets::zero_lazily(block.data() + begin, end - begin);
    EXPECT_TRUE(all_bytes(block.data(), begin, 0xab));
    EXPECT_TRUE(all_bytes(block.data() + begin, end - begin, 0));
    EXPECT_TRUE(all_bytes(block.data() + end, size - end, 0xab));
  }
}

}  // namespace
