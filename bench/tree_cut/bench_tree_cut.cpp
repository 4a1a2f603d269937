// tree_cut on random merge trees of 3,000 leaves (superpixels of a 480x640
// picture) and 300,000 leaves, cut into a tenth as many regions: the
// shipped kernel, the plain O(L^2) transcription (small case only), and the
// whole gateway through the stand-in host; the kernel on 1 and 2 threads
// (--benchmark_filter=Threads); and the kernel at 18,750 to 300,000 leaves
// (--benchmark_filter=Scaling).
#include <benchmark/benchmark.h>

#include <random>

#include "host.hpp"
#include "reference_tree_cut.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"
#include "tree_cut.hpp"

namespace {

struct Workload {
  std::vector<std::vector<double>> rows;
  std::vector<double> merges, heights;  // merges column-major
};

// A random tree; heights 0, 1, 2, ... in merge order.
Workload random_tree(std::size_t leaves) {
  std::mt19937_64 random(5);
  Workload w;
  w.rows = reference::random_tree(random, leaves);
  for (std::size_t r = 0; r < w.rows.size(); ++r) w.heights.push_back(static_cast<double>(r));
  w.merges.resize(3 * w.rows.size());
  for (std::size_t r = 0; r < w.rows.size(); ++r)
    for (std::size_t c = 0; c < 3; ++c) w.merges[r + c * w.rows.size()] = w.rows[r][c];
  return w;
}

const Workload& workload(int size) {
  static const Workload small = random_tree(3000), large = random_tree(300000);
  return size ? large : small;
}

void cut(benchmark::State& state, const Workload& w) {
  const std::size_t rows = w.rows.size();
  for (auto _ : state)
    benchmark::DoNotOptimize(mexsets::tree_cut({w.merges.data(), rows, 3},
                                               {w.heights.data(), rows, 1}, true,
                                               static_cast<double>((rows + 1) / 10)));
  state.counters["leaves"] = static_cast<double>(rows + 1);
}

void Kernel(benchmark::State& state) { cut(state, workload(static_cast<int>(state.range(0)))); }

void Transcription(benchmark::State& state) {
  const Workload& w = workload(0);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        reference::tree_cut(w.rows, w.rows.size() + 1 - (w.rows.size() + 1) / 10));
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(static_cast<int>(state.range(0)));
  static const standin::Module module("tree_cut");
  const std::size_t rows = w.rows.size();
  auto m = standin::doubles(rows, 3, w.merges), h = standin::doubles(rows, 1, w.heights);
  auto c = standin::scalar(static_cast<double>((rows + 1) / 10));
  for (auto _ : state) benchmark::DoNotOptimize(module.call(1, {&m, &h, &c}));
}

BENCHMARK(Kernel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(Transcription)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The 300,000 leaves on 1 and 2 threads.
void Threads(benchmark::State& state) {
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  cut(state, workload(1));
}
BENCHMARK(Threads)->Apply(threads_bench::one_and_two);

// Linear in the leaves.
void Scaling(benchmark::State& state) {
  cut(state, random_tree(static_cast<std::size_t>(state.range(0))));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 125 * 150, benchmark::oN);
});

}  // namespace

BENCHMARK_MAIN();
