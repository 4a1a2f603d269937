// Huge pages for large buffers. Filling fresh memory faults once per page;
// in 4 KiB pages on a virtual machine the faults cost more than the writes
// themselves, so buffers of several MB ask Linux to back them with 2 MB
// pages (as NumPy does for its arrays). It is advice only: where it is
// refused or unknown, nothing changes.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace mexsets {

inline constexpr std::size_t kHugePage = std::size_t{1} << 21;

// Advises the whole 2 MB pages inside [data, data + bytes); ranges outside
// the buffer are never touched. Buffers under 4 MB are left alone.
inline void advise_huge_pages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t huge = kHugePage;
  if (bytes < 2 * huge) return;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (start + huge - 1) & ~(huge - 1),
                       end = (start + bytes) & ~(huge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace mexsets
