// Threads within one call, with the same bits for any number of them.
//
//   parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
//     for (std::size_t i = begin; i < end; ++i) out[i] = ...;  // independent outputs
//   });
//
// Work is split into chunks that depend only on n and grain (never on the
// thread count), so a computation that writes independent outputs per index,
// keeps every sum inside one index in its serial order, and combines any
// per-chunk choice (an argmax, a first hit) in chunk order with the serial
// tie rule gives identical results on 1, 2 or 64 threads.
//
// The threads are oneTBB's one process-wide pool: every module links the
// same libtbb, so concurrent calls (several Python threads, Dask workers,
// MATLAB's and Octave's own threads) share its workers and never start more
// threads than there are cores. Each call runs in a task_arena of its own
// that bounds how many threads it takes.
//
// How many threads a call may use is set by its host (ThreadScope, on the
// calling thread, for the duration of the call): a count the caller asked
// for, else default_threads(), which is MEXSETS_NUM_THREADS when set (read
// once per process) and otherwise every core this process may run on. Plain
// C++ callers without a scope get default_threads() too.
//
// Interrupts and failures behave as on one thread. Workers never call the
// host: the interrupt hook (mexsets/interrupt.hpp) is thread_local and
// installed on the calling thread only, so an InterruptCheck made in a body
// polls only where the calling thread runs it, and the calling thread also
// polls after each chunk it runs. An exception thrown by a body (Interrupted,
// Failure, std::bad_alloc) cancels the chunks not yet started, waits for
// those running (a loop nested in one of them stops, and so does its body),
// and is rethrown to the caller as it was thrown. A body must
// not touch the host either: no output creation, no call.scratch() memory.
#pragma once

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/partitioner.h>
#include <oneapi/tbb/task_arena.h>
#include <oneapi/tbb/task_group.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>

#include "mexsets/interrupt.hpp"

namespace mexsets {

// Runs body(begin, end) over [0, n) in chunks of `grain` elements (the last
// may be shorter), on the threads of the current call. Chunk boundaries depend
// only on n and grain, never on the thread count; with one thread (or
// n <= grain) it runs body(0, n) inline.
template <class Body>
void parallel_for(std::size_t n, std::size_t grain, Body&& body);

// The number of threads the current call may use (1 when serial).
std::size_t call_threads();

// The threads a call gets when its caller does not say: MEXSETS_NUM_THREADS
// (a positive integer; anything else is ignored), read once per process, else
// the cores this process may run on.
std::size_t default_threads();

// Like parallel_for, but when bodies throw, the exception that reaches the
// caller is the one of the lowest chunk that threw, thrown once every chunk
// before it has run: what a serial run throws first, as long as a body
// throws for the first bad element of its range. Chunks after a failed one
// may be skipped. Interrupted is rethrown at once.
template <class Body>
void parallel_for_ordered(std::size_t n, std::size_t grain, Body&& body);

// Work worth a chunk of its own, in the units of mexsets/interrupt.hpp
// (about a nanosecond each): below it, starting other threads costs more
// than they gain, so a call with less work runs on its calling thread alone.
// Measured with the bench_*_threads benchmarks (README: Threads).
constexpr std::size_t chunk_units = std::size_t{1} << 16;

// The grain of a loop whose elements cost `units` each: a chunk of about
// chunk_units (at least one element). Depends on the shapes only, never on
// the thread count.
constexpr std::size_t grain_for(std::size_t units) {
  return units == 0 || units >= chunk_units ? 1 : chunk_units / units;
}

// The grain that parallel_for uses for `grain` in the current call (a test
// may cap grains: ThreadScope). Code that keeps one result per chunk takes
// g = chunk_grain(grain), passes g to parallel_for and files a chunk's
// result at begin / g, of n / g + 1 slots.
std::size_t chunk_grain(std::size_t grain);

// Sets the thread count of the calls made on this thread while it lives
// (0: default_threads()); the setting before it comes back afterwards. Hosts
// make one around a call; tests and benchmarks make one to pick a count.
// `most_grain` (tests only; 0: none) caps every parallel_for's grain, so
// that small inputs are split into many chunks too.
class ThreadScope {
 public:
  explicit ThreadScope(std::size_t threads, std::size_t most_grain = 0);
  ~ThreadScope();
  ThreadScope(const ThreadScope&) = delete;
  ThreadScope& operator=(const ThreadScope&) = delete;

  std::size_t threads() const noexcept { return threads_; }
  std::size_t most_grain() const noexcept { return most_grain_; }

  // The call's arena, made when a parallel_for first needs one.
  oneapi::tbb::task_arena& arena() {
    if (!arena_) arena_.emplace(static_cast<int>(threads_));
    return *arena_;
  }

 private:
  std::size_t threads_;
  std::size_t most_grain_;
  std::optional<oneapi::tbb::task_arena> arena_;
  ThreadScope* previous_;
};

// ---------------------------------------------------------------------------

namespace parallel_detail {
// The scope of the call running on this thread, if any.
inline thread_local ThreadScope* current_scope = nullptr;
// True on a thread while it runs a chunk: a parallel_for inside a body
// shares the arena it runs in.
inline thread_local bool in_chunk = false;

// The most threads a count may ask for: far beyond any machine, and small
// enough for a task_arena's int.
constexpr std::size_t most_threads = 1024;

inline std::size_t from_environment() {
  const char* text = std::getenv("MEXSETS_NUM_THREADS");
  if (!text || !*text) return 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || value < 1) return 0;
  return static_cast<std::size_t>(value) < most_threads ? static_cast<std::size_t>(value)
                                                        : most_threads;
}

// Thrown by a loop nested in a chunk of a loop that another chunk's failure
// cancelled: the nested loop's chunks may not all have run, so the body
// that ran it must not go on to read what they would have written. The
// enclosing loop rethrows the failure that cancelled it, never this.
struct Cancelled {};

// Polls the calling thread's interrupt hook; other threads have none.
inline void poll_caller() {
  const InterruptHook* hook = interrupt_detail::current_hook;
  if (hook && hook->stop(hook->context)) throw Interrupted();
}

// Marks the chunk's thread as working for the call of `scope` for the
// chunk's duration (restored on unwind), so that call_threads() in a body
// answers for the call.
class ChunkMark {
 public:
  explicit ChunkMark(ThreadScope* scope) noexcept
      : previous_scope_(current_scope), previous_(in_chunk) {
    current_scope = scope;
    in_chunk = true;
  }
  ~ChunkMark() {
    current_scope = previous_scope_;
    in_chunk = previous_;
  }
  ChunkMark(const ChunkMark&) = delete;
  ChunkMark& operator=(const ChunkMark&) = delete;

 private:
  ThreadScope* previous_scope_;
  bool previous_;
};

template <class Body>
void run_chunks(std::size_t n, std::size_t grain, std::size_t chunks, ThreadScope* scope,
                Body& body) {
  // One task per chunk (simple_partitioner, grain 1 over chunk numbers), so
  // the boundaries are those computed here whatever the stealing.
  oneapi::tbb::parallel_for(
      oneapi::tbb::blocked_range<std::size_t>(0, chunks, 1),
      [&](const oneapi::tbb::blocked_range<std::size_t>& range) {
        ChunkMark mark(scope);
        for (std::size_t c = range.begin(); c != range.end(); ++c) {
          const std::size_t begin = c * grain;
          body(begin, n - begin < grain ? n : begin + grain);
          poll_caller();
        }
      },
      oneapi::tbb::simple_partitioner());
}
}  // namespace parallel_detail

inline std::size_t default_threads() {
  static const std::size_t threads = [] {
    const std::size_t asked = parallel_detail::from_environment();
    if (asked) return asked;
    const int cores = oneapi::tbb::info::default_concurrency();
    return cores > 0 ? static_cast<std::size_t>(cores) : std::size_t{1};
  }();
  return threads;
}

inline ThreadScope::ThreadScope(std::size_t threads, std::size_t most_grain)
    : threads_(threads == 0                              ? default_threads()
               : threads < parallel_detail::most_threads ? threads
                                                         : parallel_detail::most_threads),
      most_grain_(most_grain),
      previous_(parallel_detail::current_scope) {
  parallel_detail::current_scope = this;
}

inline ThreadScope::~ThreadScope() { parallel_detail::current_scope = previous_; }

inline std::size_t chunk_grain(std::size_t grain) {
  const ThreadScope* scope = parallel_detail::current_scope;
  if (scope && scope->most_grain() && grain > scope->most_grain()) grain = scope->most_grain();
  return grain == 0 ? 1 : grain;
}

inline std::size_t call_threads() {
  const ThreadScope* scope = parallel_detail::current_scope;
  return scope ? scope->threads() : default_threads();
}

template <class Body>
void parallel_for(std::size_t n, std::size_t grain, Body&& body) {
  ThreadScope* scope = parallel_detail::current_scope;
  grain = chunk_grain(grain);
  if (n <= grain || call_threads() <= 1) {
    body(std::size_t{0}, n);
    return;
  }
  const std::size_t chunks = n / grain + (n % grain != 0);
  if (parallel_detail::in_chunk) {
    // A cancelled enclosing loop skips this one's chunks without a word.
    parallel_detail::run_chunks(n, grain, chunks, scope, body);
    if (oneapi::tbb::is_current_task_group_canceling()) throw parallel_detail::Cancelled();
  } else if (scope) {
    scope->arena().execute([&] { parallel_detail::run_chunks(n, grain, chunks, scope, body); });
  } else {
    ThreadScope defaults(0);
    defaults.arena().execute(
        [&] { parallel_detail::run_chunks(n, grain, chunks, &defaults, body); });
  }
}

template <class Body>
void parallel_for_ordered(std::size_t n, std::size_t grain, Body&& body) {
  // A loop of one chunk fails as its body does: no frame to record it.
  if (n <= chunk_grain(grain) || call_threads() <= 1) {
    body(std::size_t{0}, n);
    return;
  }
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  std::atomic<std::size_t> failed_begin{none};  // the lowest failed chunk's start
  std::exception_ptr failure;
  std::mutex lock;
  parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
    if (begin > failed_begin.load(std::memory_order_relaxed)) return;
    try {
      body(begin, end);
    } catch (const Interrupted&) {
      throw;
    } catch (const parallel_detail::Cancelled&) {
      throw;
    } catch (...) {
      const std::lock_guard<std::mutex> hold(lock);
      if (begin < failed_begin.load(std::memory_order_relaxed)) {
        failed_begin.store(begin, std::memory_order_relaxed);
        failure = std::current_exception();
      }
    }
  });
  if (failure) std::rethrow_exception(failure);
}

}  // namespace mexsets
