// Scaling runs: a function at five sizes over a factor of 16, one benchmark
// named Scaling... per program (run with --benchmark_filter=Scaling). Each
// run reports its size as the complexity N and declares the growth its
// algorithm should show; bench/support/scaling.py prints the exponent (the
// log-log slope) between neighbouring sizes and over the whole range, and
// flags a step that grows more than twice as fast as that growth says.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace scaling {

// Sizes first, 2 first, ..., 16 first, in milliseconds (repeated up to the
// library's minimum time, so once where a call takes longer), expected to
// grow as `growth`.
inline void sizes(benchmark::internal::Benchmark* b, std::int64_t first, benchmark::BigO growth) {
  for (std::int64_t n = first; n <= 16 * first; n *= 2) b->Arg(n);
  b->Unit(benchmark::kMillisecond)->Complexity(growth);
}

}  // namespace scaling
