// region_graph on a 1000-by-1500 label image of about 15,000 blocky regions
// with a colour image: the shipped computation, the plain transcription, the
// whole gateway through the stand-in host, and the two-step route it
// replaces (boundary_grid, then boundary_sums for lengths and strengths);
// and the computation at a sixteenth of those pixels and up
// (--benchmark_filter=Scaling); and a 4,000-by-4,000 image on one and two
// threads (--benchmark_filter=Threads).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "../../modules/boundary_grid/boundary_grid.hpp"
#include "../../modules/boundary_sums/boundary_sums.hpp"
#include "host.hpp"
#include "label_workloads.hpp"
#include "reference_region_graph.hpp"
#include "region_graph.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"

namespace {

using label_workloads::make;
using label_workloads::workload;
using label_workloads::Workload;

mexsets::RegionGraphInputs inputs(const Workload& w) {
  mexsets::RegionGraphInputs in;
  in.labels = {w.labels.data(), w.h, w.w, 1};
  in.values = w.value_view();
  return in;
}

void Kernel(benchmark::State& state) {
  const auto in = inputs(workload());
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::region_graph(in));
}

void Transcription(benchmark::State& state) {
  const auto in = inputs(workload());
  for (auto _ : state) benchmark::DoNotOptimize(reference::region_graph(in));
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload();
  static const standin::Module module("region_graph");
  auto labels = standin::doubles(w.h, w.w, w.labels);
  auto values = standin::numeric(mxDOUBLE_CLASS, {w.h, w.w, w.planes});
  std::copy(w.values.begin(), w.values.end(), mxGetPr(values.get()));
  for (auto _ : state) benchmark::DoNotOptimize(module.call(6, {&labels, &values}));
}

// boundary_grid's grids, then boundary_sums twice (ones, strengths): the
// same lengths and strengths as n-by-n pair matrices.
void GridAndSums(benchmark::State& state) {
  const Workload& w = workload();
  const mexsets::ConstArray3 values{w.values.data(), w.h, w.w, w.planes};
  for (auto _ : state) {
    const auto grid = mexsets::boundary_grid({w.labels.data(), w.h, w.w}, &values);
    mexsets::BoundaryInputs sums;
    sums.n = 15300;
    sums.first = {grid.first.data(), grid.first.size(), 1};
    sums.second = {grid.second.data(), grid.second.size(), 1};
    sums.keys = {grid.keys.data(), grid.keys.size(), 1};
    sums.labels = grid.grid.cref();
    const mexsets::OwnedMatrix<double> ones(grid.grid.rows, grid.grid.cols, 1.0);
    sums.weights = ones.cref();
    benchmark::DoNotOptimize(mexsets::boundary_sums(sums));
    sums.weights = grid.strength.cref();
    benchmark::DoNotOptimize(mexsets::boundary_sums(sums));
  }
}

BENCHMARK(Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(Transcription)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Unit(benchmark::kMillisecond);
BENCHMARK(GridAndSums)->Unit(benchmark::kMillisecond);

// Images of 250-by-375 to 1,000-by-1,500 pixels, 10-by-10 cells: linear in
// the pixels.
void Scaling(benchmark::State& state) {
  const auto h = static_cast<std::size_t>(std::lround(std::sqrt(double(state.range(0)) / 1.5)));
  const Workload w = make(h, h * 3 / 2);
  const auto in = inputs(w);
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::region_graph(in));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 250 * 375, benchmark::oN);
});

// The large workload: 4,000-by-4,000 pixels (16 million, about 160,000
// blocks), colour values, on one thread and on two.
void Threads(benchmark::State& state) {
  static const Workload w = make(4000, 4000);
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  const auto in = inputs(w);
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::region_graph(in));
}
BENCHMARK(Threads)->Apply(threads_bench::one_and_two);

}  // namespace

BENCHMARK_MAIN();
