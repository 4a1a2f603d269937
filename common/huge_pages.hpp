// Huge pages for large buffers, and zeroed buffers whose pages are faulted
// in by their first writer. Filling fresh memory faults once per page; in
// 4 KiB pages on a virtual machine the faults cost more than the writes
// themselves, so buffers of several MB ask Linux to back them with 2 MB
// pages (as NumPy does for its arrays). It is advice only: where it is
// refused or unknown, nothing changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace mexsets {

inline constexpr std::size_t kHugePage = std::size_t{1} << 21;

// Buffers from this size on are advised into huge pages and zeroed lazily.
inline constexpr std::size_t kLargeBuffer = 2 * kHugePage;

// Advises the whole 2 MB pages inside [data, data + bytes); ranges outside
// the buffer are never touched. Buffers under 4 MB are left alone.
inline void advise_huge_pages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t huge = kHugePage;
  if (bytes < kLargeBuffer) return;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (start + huge - 1) & ~(huge - 1),
                       end = (start + bytes) & ~(huge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

// Zeroes [data, data + bytes) of a block from the heap. A large block has
// the whole pages inside it handed back to Linux (MADV_DONTNEED on private
// memory, as the heap's is: they read as zeros from then on) and advised
// into huge pages; only its partial first and last pages are written here.
// So nothing runs over the buffer now: each page is zeroed by the kernel
// when first touched, on the thread that touches it, which for a result
// is the computation's own parallel loop rather than one serial pass before
// it. (A block fresh from mmap, as large ones are, has no pages yet, and
// handing them back costs nothing.) Small blocks, or where the advice is
// refused, are cleared with memset.
inline void zero_lazily(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_DONTNEED)
  if (bytes >= kLargeBuffer) {
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + page - 1) & ~(page - 1),
                         end = (start + bytes) & ~(page - 1);
    if (page > 0 && (page & (page - 1)) == 0 && end > begin &&
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED) == 0) {
      std::memset(data, 0, begin - start);
      std::memset(reinterpret_cast<void*>(end), 0, start + bytes - end);
      advise_huge_pages(data, bytes);
      return;
    }
  }
#endif
  std::memset(data, 0, bytes);
}

// A block for a large buffer: whole 2 MB pages (at least kLargeBuffer bytes
// of them) from ::operator new aligned to 2 MB, so that every page of it can
// be huge. A block from the heap otherwise starts a few bytes past a 4 KiB
// page, and its first and last partial 2 MB (on average 2 MB in all) would
// be faulted in 4 KiB at a time (filling a fresh 122 MB result of
// tree_overlap_matrix's deep tree on one thread took 16.6 ms, 12.7 ms laid
// out in whole pages). Pages never touched cost nothing. Gives the block's
// size in `size`; release it with release_huge_pages.
inline void* take_huge_pages(std::size_t bytes, std::size_t& size) {
  if (bytes > std::size_t(-1) - kHugePage) throw std::bad_alloc();
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  size = rounded > kLargeBuffer ? rounded : kLargeBuffer;
  return ::operator new (size, std::align_val_t{kHugePage});
}
inline void release_huge_pages(void* block) noexcept {
  ::operator delete (block, std::align_val_t{kHugePage});
}

// n zeroed elements from ::operator new (T is a number or a flag, for which
// zero bytes are the value 0), released with ::operator delete. A large
// buffer is a block of take_huge_pages, zeroed lazily whole.
struct OperatorDelete {
  bool huge = false;
  void operator()(void* data) const noexcept {
    if (huge)
      release_huge_pages(data);
    else
      ::operator delete(data);
  }
};
template <class T>
using ZeroedBuffer = std::unique_ptr<T[], OperatorDelete>;

template <class T>
ZeroedBuffer<T> zeroed_buffer(std::size_t n) {
  if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
  const std::size_t bytes = n * sizeof(T);
  if (bytes < kLargeBuffer) {
    void* data = ::operator new(bytes ? bytes : 1);
    zero_lazily(data, bytes);
    return ZeroedBuffer<T>(static_cast<T*>(data));
  }
  std::size_t size = 0;
  void* data = take_huge_pages(bytes, size);
  zero_lazily(data, size);
  return ZeroedBuffer<T>(static_cast<T*>(data), OperatorDelete{true});
}

}  // namespace mexsets
