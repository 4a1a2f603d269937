// Benchmarks on a chosen number of threads (common/parallel.hpp).
//
//   BENCHMARK(Threads)->Apply(threads_bench::one_and_two);
//   void Threads(benchmark::State& state) {
//     const mexsets::ThreadScope scope = threads_bench::scope(state);
//     ...
//   }
//
// Threads/1 and Threads/2 give the speedup on two threads. Crossover runs
// measure where splitting starts to pay: a call of two chunks of `units`
// work each (about nanoseconds), on one thread and on two, for chunks from
// 4,096 to 262,144 units; the smallest chunk where two threads win clearly
// is the one common/parallel.hpp's chunk_units should not go below.
#pragma once

#include <benchmark/benchmark.h>

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
inline void crossover(benchmark::internal::Benchmark* b) {
  for (std::int64_t units = 1 << 12; units <= 1 << 18; units *= 4)
    for (std::int64_t threads : {1, 2}) b->Args({threads, units});
  b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

}  // namespace threads_bench
