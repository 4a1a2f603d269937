// Heap bytes held by a benchmark program, now and at their peak, counted by
// replacing the global operator new and delete, and the benchmark loop and
// counters built on them. Include it in exactly one source of a program (the
// replacements are ordinary definitions).
#pragma once

#include <malloc.h>

#include <algorithm>
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

inline double megabytes(std::size_t bytes) { return static_cast<double>(bytes) / (1 << 20); }

// Runs a benchmark's iterations of `run`; returns the most heap bytes one run
// held on top of those held when it began.
template <class State, class Run>
std::size_t largest_peak(State& state, Run&& run) {
  std::size_t peak = 0;
  for (auto _ : state) {
    const std::size_t before = heap_now.load();
    heap_peak = before;
    run();
    peak = std::max(peak, heap_peak.load() - before);
  }
  return peak;
}

// Counters for a run whose result takes `result_bytes`: out_MB, heap_MB (the
// peak, result included) and scratch_x (the peak less the result, over the
// result).
template <class State>
void count_heap(State& state, std::size_t result_bytes, std::size_t peak) {
  state.counters["out_MB"] = megabytes(result_bytes);
  state.counters["heap_MB"] = megabytes(peak);
  state.counters["scratch_x"] = peak > result_bytes ? static_cast<double>(peak - result_bytes) /
                                                          static_cast<double>(result_bytes)
                                                    : 0.0;
}

}  // namespace counting_heap

// Not inlined: GCC would then see a block from malloc reach operator delete,
// or one from operator new reach free.
[[gnu::noinline]] void* operator new(std::size_t bytes) { return counting_heap::counted(bytes); }
[[gnu::noinline]] void* operator new[](std::size_t bytes) { return counting_heap::counted(bytes); }
[[gnu::noinline]] void operator delete(void* block) noexcept { counting_heap::uncounted(block); }
[[gnu::noinline]] void operator delete[](void* block) noexcept { counting_heap::uncounted(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept {
  counting_heap::uncounted(block);
}
[[gnu::noinline]] void operator delete[](void* block, std::size_t) noexcept {
  counting_heap::uncounted(block);
}
