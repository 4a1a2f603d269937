// merge_regions on the adjacency of square-ish regions tiling a grid, as
// superpixels of a 480x640 picture give (3000 regions, ~9000 touching
// pairs), and of 300,000 regions: the shipped kernel, the plain O(L*E)
// transcription (small case only), and the whole gateway through the
// stand-in host; the kernel on 1 and 2 threads (--benchmark_filter=Threads);
// and the kernel at 18,750 to 300,000 regions (--benchmark_filter=Scaling).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "host.hpp"
#include "merge_regions.hpp"
#include "reference_merge_regions.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"

namespace {

struct Workload {
  std::vector<double> first, second, lengths, strengths, areas;
  mexsets::MergeInputs inputs() const {
    const std::size_t e = first.size(), l = areas.size();
    return {{first.data(), 1, e},
            {second.data(), 1, e},
            {lengths.data(), 1, e},
            {strengths.data(), 1, e},
            {areas.data(), 1, l}};
  }
};

// A rows-by-cols grid of regions, each touching its right, lower and
// lower-right neighbours (about 3 pairs per region), random strengths.
Workload grid(std::size_t rows, std::size_t cols) {
  std::mt19937_64 random(3);
  Workload w;
  auto id = [cols](std::size_t i, std::size_t j) { return static_cast<double>(i * cols + j + 1); };
  auto add = [&](double a, double b) {
    w.first.push_back(a);
    w.second.push_back(b);
    w.lengths.push_back(static_cast<double>(5 + random() % 20));
    w.strengths.push_back(static_cast<double>(random() % 100000) / 97.0);
  };
  for (std::size_t i = 0; i < rows; ++i)
    for (std::size_t j = 0; j < cols; ++j) {
      if (j + 1 < cols) add(id(i, j), id(i, j + 1));
      if (i + 1 < rows) add(id(i, j), id(i + 1, j));
      if (i + 1 < rows && j + 1 < cols) add(id(i, j), id(i + 1, j + 1));
      w.areas.push_back(static_cast<double>(50 + random() % 100));
    }
  return w;
}

const Workload& workload(int size) {
  static const Workload small = grid(50, 60), large = grid(500, 600);
  return size ? large : small;
}

void merge_all(benchmark::State& state, const Workload& w) {
  const mexsets::MergeInputs in = w.inputs();
  std::vector<double> merges(3 * (w.areas.size() - 1)), areas(2 * w.areas.size() - 1),
      heights(w.areas.size() - 1);
  for (auto _ : state) {
    mexsets::merge_regions(in, 1, merges.data(), areas.data(), heights.data());
    benchmark::DoNotOptimize(merges.data());
  }
  state.counters["pairs"] = static_cast<double>(w.first.size());
}

void Kernel(benchmark::State& state) {
  merge_all(state, workload(static_cast<int>(state.range(0))));
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload(0);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        reference::merge_regions(w.first, w.second, w.lengths, w.strengths, w.areas));
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(static_cast<int>(state.range(0)));
  static const standin::Module module("merge_regions");
  auto row = [](const std::vector<double>& v) { return standin::doubles(v.size(), 1, v); };
  auto a = row(w.first), b = row(w.second), l = row(w.lengths), s = row(w.strengths);
  auto n = row(w.areas);
  for (auto _ : state) benchmark::DoNotOptimize(module.call(2, {&a, &b, &l, &s, &n}));
}

BENCHMARK(Kernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Transcription)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The 300,000 regions on 1 and 2 threads: the merges are serial, so the two
// should match.
void Threads(benchmark::State& state) {
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  merge_all(state, workload(1));
}
BENCHMARK(Threads)->Apply(threads_bench::one_and_two);

// Grids of 125-by-150 to 500-by-600 regions (about 3 pairs each): the
// merges come off a heap, so the work grows as n log n.
void Scaling(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(std::lround(std::sqrt(double(state.range(0)) / 1.2)));
  merge_all(state, grid(rows, rows * 6 / 5));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 125 * 150, benchmark::oNLogN);
});

}  // namespace

BENCHMARK_MAIN();
