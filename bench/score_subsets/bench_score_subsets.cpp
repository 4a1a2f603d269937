// score_subsets on 1,000,000 subsets of up to 20 ids out of 5,000 items: the
// shipped kernel, the plain row-by-row transcription, and the whole gateway
// through the stand-in host; and the kernel at 62,500 to 1,000,000 subsets
// (--benchmark_filter=Scaling).
#include <benchmark/benchmark.h>

#include "host.hpp"
#include "reference_score_subsets.hpp"
#include "scaling.hpp"
#include "score_subsets.hpp"
#include "score_subsets_workload.hpp"
#include "threads_bench.hpp"

namespace {

using score_subsets_workload::Workload;

const Workload& workload() {
  static const Workload w = score_subsets_workload::make(7);
  return w;
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload();
  std::vector<double> r1(w.subsets.rows), r2(w.subsets.rows);
  for (auto _ : state) {
    mexsets::score_subsets(w.a.cref(), w.b.cref(), w.subsets.cref(), r1.data(), r2.data());
    benchmark::DoNotOptimize(r1.data());
  }
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload();
  std::vector<double> r1, r2;
  for (auto _ : state) {
    reference::score_subsets(w.a, w.b, w.subsets, r1, r2);
    benchmark::DoNotOptimize(r1.data());
  }
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload();
  static const standin::Module module("score_subsets");
  auto a = standin::doubles(w.a.rows, w.a.cols, w.a.data);
  auto b = standin::doubles(w.b.rows, w.b.cols, w.b.data);
  auto s = standin::doubles(w.subsets.rows, w.subsets.cols, w.subsets.data);
  for (auto _ : state) benchmark::DoNotOptimize(module.call(2, {&a, &b, &s}));
}

BENCHMARK(Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(Transcription)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Unit(benchmark::kMillisecond);

// One pass over each row: linear in the rows.
void Scaling(benchmark::State& state) {
  const Workload w = score_subsets_workload::make(7, static_cast<std::size_t>(state.range(0)));
  std::vector<double> r1(w.subsets.rows), r2(w.subsets.rows);
  for (auto _ : state) {
    mexsets::score_subsets(w.a.cref(), w.b.cref(), w.subsets.cref(), r1.data(), r2.data());
    benchmark::DoNotOptimize(r1.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 62500, benchmark::oN);
});

// The kernel on 1 and 2 threads (Threads/1, Threads/2).
void Threads(benchmark::State& state) {
  const Workload& w = workload();
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  std::vector<double> r1(w.subsets.rows), r2(w.subsets.rows);
  for (auto _ : state) {
    mexsets::score_subsets(w.a.cref(), w.b.cref(), w.subsets.cref(), r1.data(), r2.data());
    benchmark::DoNotOptimize(r1.data());
  }
}
BENCHMARK(Threads)->Apply(threads_bench::one_and_two);

// Two chunks of a given work (rows of 20 columns cost 84 units each; the
// ids average 10.5 a row, so a chunk is about half its units' nanoseconds).
void TwoChunks(benchmark::State& state) {
  const std::size_t rows_per_chunk = static_cast<std::size_t>(state.range(1)) / 84;
  const Workload w = score_subsets_workload::make(7, 2 * rows_per_chunk);
  std::vector<double> r1(w.subsets.rows), r2(w.subsets.rows);
  const mexsets::ThreadScope scope(threads_bench::threads(state), rows_per_chunk);
  for (auto _ : state) {
    mexsets::score_subsets(w.a.cref(), w.b.cref(), w.subsets.cref(), r1.data(), r2.data());
    benchmark::DoNotOptimize(r1.data());
  }
}
BENCHMARK(TwoChunks)->Apply(threads_bench::two_chunks);

// The workload's shape at 390 to 12,480 rows around the first split: rows
// of 20 columns take chunks of grain_for(84) = 780 rows (score_subsets.cpp).
void Crossover(benchmark::State& state) {
  const Workload w = score_subsets_workload::make(7, threads_bench::size(state));
  std::vector<double> r1(w.subsets.rows), r2(w.subsets.rows);
  mexsets::ThreadScope scope(threads_bench::threads(state));
  threads_bench::timed(state, scope, [&] {
    mexsets::score_subsets(w.a.cref(), w.b.cref(), w.subsets.cref(), r1.data(), r2.data());
    benchmark::DoNotOptimize(r1.data());
  });
}
BENCHMARK(Crossover)->Apply([](benchmark::internal::Benchmark* b) {
  threads_bench::crossover(b, mexsets::grain_for(4 * score_subsets_workload::kCols + 4));
});

}  // namespace

BENCHMARK_MAIN();
