// Benchmarks on a chosen number of threads (common/parallel.hpp).
//
//   BENCHMARK(Threads)->Apply(threads_bench::one_and_two);
//   void Threads(benchmark::State& state) {
//     const mexsets::ThreadScope scope(threads_bench::threads(state));
//     ...
//   }
//
// Threads/1 and Threads/2 give the speedup on two threads. Crossover runs
// time a function's call on growing real inputs around the size where it
// first splits into chunks, on one thread and on two:
//
//   BENCHMARK(Crossover)->Apply([](auto* b) { threads_bench::crossover(b, largest_unsplit); });
//   void Crossover(benchmark::State& state) {
//     const mexsets::ThreadScope scope(threads_bench::threads(state));
//     ... inputs of threads_bench::size(state) ...
//     threads_bench::timed(state, scope, [&] { call(); });
//   }
//
// timed() reports `split` (1 when the call ran in chunks on the scope's
// threads, 0 when on its calling thread alone), which
// bench/support/threads_table.py --crossover reads, and `others`, the CPU
// time the call's other threads spent per second of wall time.
// TwoChunks runs (score_subsets) time a call of two chunks of `units` work
// each (about nanoseconds), for chunks from 4,096 to 262,144 units: the
// smallest chunk where two threads win clearly is the one
// common/parallel.hpp's chunk_units should not go below.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "common/parallel.hpp"

namespace threads_bench {

// The thread count is the benchmark's first argument.
inline std::size_t threads(const benchmark::State& state) {
  return static_cast<std::size_t>(state.range(0));
}

inline void one_and_two(benchmark::internal::Benchmark* b) {
  b->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// Arguments (threads, chunk units): 1 and 2 threads, chunks of 2^12 to 2^18.
inline void two_chunks(benchmark::internal::Benchmark* b) {
  for (std::int64_t units = 1 << 12; units <= 1 << 18; units *= 4)
    for (std::int64_t threads : {1, 2}) b->Args({threads, units});
  b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

// Arguments (threads, size): 1 and 2 threads, sizes from half the largest
// that runs unsplit (`unsplit`) to `most` (16) times it, with unsplit + 1
// and 2 * unsplit (for a loop over the size, two chunks: the second of one
// element, then two full ones).
inline void crossover(benchmark::internal::Benchmark* b, std::int64_t unsplit,
                      std::int64_t most = 16) {
  for (std::int64_t size :
       {unsplit / 2, unsplit, unsplit + 1, 2 * unsplit, 4 * unsplit, 8 * unsplit, 16 * unsplit}) {
    if (size > most * unsplit) break;
    for (std::int64_t threads : {1, 2}) b->Args({threads, size});
  }
  b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

// The size of a Crossover run (its second argument).
inline std::size_t size(const benchmark::State& state) {
  return static_cast<std::size_t>(state.range(1));
}

inline double cpu_seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The benchmark loop over call() in `scope`, with the counters `split` and
// `others` (the CPU time of the process's other threads per second of wall
// time).
template <class Call>
void timed(benchmark::State& state, mexsets::ThreadScope& scope, Call&& call) {
  const double process = cpu_seconds(CLOCK_PROCESS_CPUTIME_ID);
  const double caller = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) call();
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  const double others = (cpu_seconds(CLOCK_PROCESS_CPUTIME_ID) - process) -
                        (cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - caller);
  state.counters["others"] = wall.count() > 0 && others > 0 ? others / wall.count() : 0.0;
  // A call splits in the scope's arena, made when a parallel_for first runs
  // chunks on other threads.
  state.counters["split"] = scope.threads() > 1 && scope.arena().is_active() ? 1.0 : 0.0;
}

}  // namespace threads_bench
