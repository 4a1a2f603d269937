// Heap bytes held by a benchmark program, now and at their peak, counted by
// replacing the global operator new and delete. Include it in exactly one
// source of a program (the replacements are ordinary definitions).
#pragma once

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace counting_heap {

inline std::atomic<std::size_t> heap_now{0}, heap_peak{0};

inline void* counted(std::size_t bytes) {
  void* block = std::malloc(bytes ? bytes : 1);
  if (!block) throw std::bad_alloc();
  const std::size_t now = heap_now += malloc_usable_size(block);
  std::size_t peak = heap_peak.load();
  while (now > peak && !heap_peak.compare_exchange_weak(peak, now)) {
  }
  return block;
}

inline void uncounted(void* block) {
  if (!block) return;
  heap_now -= malloc_usable_size(block);
  std::free(block);
}

}  // namespace counting_heap

void* operator new(std::size_t bytes) { return counting_heap::counted(bytes); }
void* operator new[](std::size_t bytes) { return counting_heap::counted(bytes); }
void operator delete(void* block) noexcept { counting_heap::uncounted(block); }
void operator delete[](void* block) noexcept { counting_heap::uncounted(block); }
void operator delete(void* block, std::size_t) noexcept { counting_heap::uncounted(block); }
void operator delete[](void* block, std::size_t) noexcept { counting_heap::uncounted(block); }
