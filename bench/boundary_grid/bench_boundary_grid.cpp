// boundary_grid on a 1000-by-1500 label image of about 15,000 blocky regions
// with a colour image: the shipped computation, the plain array-by-array
// transcription, and the whole gateway through the stand-in host; and the
// computation at a sixteenth of those pixels and up (--benchmark_filter=Scaling).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory_resource>
#include <random>
#include <vector>

#include "boundary_grid.hpp"
#include "common/huge_pages.hpp"
#include "host.hpp"
#include "label_workloads.hpp"
#include "reference_boundary_grid.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"

namespace {

using label_workloads::make;
using label_workloads::workload;
using label_workloads::Workload;

void Kernel(benchmark::State& state) {
  const Workload& w = workload();
  const auto values = w.value_view();
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::boundary_grid(w.label_view(), &values));
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload();
  const auto values = w.value_view();
  for (auto _ : state) benchmark::DoNotOptimize(reference::boundary_grid(w.label_view(), &values));
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload();
  static const standin::Module module("boundary_grid");
  auto labels = standin::doubles(w.h, w.w, w.labels);
  auto values = standin::numeric(mxDOUBLE_CLASS, {w.h, w.w, w.planes});
  std::copy(w.values.begin(), w.values.end(), mxGetPr(values.get()));
  for (auto _ : state) benchmark::DoNotOptimize(module.call(5, {&labels, &values}));
}

BENCHMARK(Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(Transcription)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Unit(benchmark::kMillisecond);

// The computation as a host's call runs it: the two grids zeroed as the
// hosts zero a result (common/huge_pages.hpp), so that their pages are
// faulted in by the threads that fill them, then the steps of the contract.
void fresh_boundary_grid(mexsets::ConstMatrix labels, mexsets::ConstArray3 values) {
  mexsets::check_value_image(labels, values);
  const std::uint32_t L = mexsets::largest_label(labels);
  const std::size_t cells =
      mexsets::grid_extent(labels, true) * mexsets::grid_extent(labels, false);
  const auto grid = mexsets::zeroed_buffer<double>(cells);
  const auto strength = mexsets::zeroed_buffer<double>(cells);
  const auto keys =
      mexsets::fill_boundary_grid(labels, L, grid.get(), std::pmr::new_delete_resource());
  std::vector<double> key_out(keys.size()), first(keys.size()), second(keys.size());
  mexsets::split_keys(keys, L, key_out.data(), first.data(), second.data());
  mexsets::fill_boundary_strength(values, strength.get());
  benchmark::DoNotOptimize(grid.get());
  benchmark::DoNotOptimize(strength.get());
}

// The computation on 1 and 2 threads, into fresh grids.
void Threads(benchmark::State& state) {
  const Workload& w = workload();
  const auto values = w.value_view();
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  for (auto _ : state) fresh_boundary_grid(w.label_view(), values);
}
BENCHMARK(Threads)->Apply(threads_bench::one_and_two);

// Images of 250-by-375 to 1,000-by-1,500 pixels, 10-by-10 cells: linear in
// the pixels.
void Scaling(benchmark::State& state) {
  const auto h = static_cast<std::size_t>(std::lround(std::sqrt(double(state.range(0)) / 1.5)));
  const Workload w = make(h, h * 3 / 2);
  const auto values = w.value_view();
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::boundary_grid(w.label_view(), &values));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 250 * 375, benchmark::oN);
});

}  // namespace

BENCHMARK_MAIN();
