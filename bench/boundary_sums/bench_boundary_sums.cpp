// boundary_sums on a 1,001-by-1,001 contour grid of about 4,900 keys (see
// contour_workload.hpp). Timed: the shipped kernel (checks, sums,
// distribution), the plain transcription, the per-key sums alone, the
// allocation of the pair matrix alone (common to all), and the whole gateway
// through the stand-in host. Threads: a 4,001-by-4,001 grid of the same
// regions on one thread and on two.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "boundary_sums.hpp"
#include "contour_workload.hpp"
#include "host.hpp"
#include "reference_boundary_sums.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"

namespace {

using Matrix = mexsets::OwnedMatrix<double>;

using contour_workload::Workload;

const Workload& workload(bool fractional_keys) {
  static const Workload whole = contour_workload::make(3, false);
  static const Workload fractional = contour_workload::make(3, true);
  return fractional_keys ? fractional : whole;
}

mexsets::BoundaryInputs inputs(const Workload& w) {
  mexsets::BoundaryInputs in;
  in.n = w.n;
  in.first = w.first.cref();
  in.second = w.second.cref();
  in.keys = w.keys.cref();
  in.labels = w.labels.cref();
  in.weights = w.weights.cref();
  return in;
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  state.counters["keys"] = static_cast<double>(w.keys.cols);
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::boundary_sums(inputs(w)));
}

void KeySums(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::boundary_key_sums(inputs(w)));
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(reference::boundary_sums(static_cast<double>(w.n), w.first.data.data(),
                                                      w.second.data.data(), w.keys.cref(),
                                                      w.labels.cref(), w.weights.cref()));
}

// What every variant pays for its n-by-n output alone: allocating and
// zeroing it (about 22 MB here).
void PairMatrixAlone(benchmark::State& state) {
  const Workload& w = workload(false);
  for (auto _ : state) benchmark::DoNotOptimize(Matrix(w.n, w.n).data.data());
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  static const standin::Module module("boundary_sums");
  auto n = standin::scalar(static_cast<double>(w.n));
  auto first = standin::doubles(1, w.first.cols, w.first.data);
  auto second = standin::doubles(1, w.second.cols, w.second.data);
  auto keys = standin::doubles(1, w.keys.cols, w.keys.data);
  auto labels = standin::doubles(w.labels.rows, w.labels.cols, w.labels.data);
  auto weights = standin::doubles(w.weights.rows, w.weights.cols, w.weights.data);
  for (auto _ : state)
    benchmark::DoNotOptimize(module.call(2, {&n, &first, &second, &keys, &labels, &weights}));
}

// Argument: 0 whole keys 1..K, 1 fractional keys.
BENCHMARK(Kernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(KeySums)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Transcription)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PairMatrixAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Arg(0)->Unit(benchmark::kMillisecond);

// Maps of 125-by-125 to 500-by-500 pixels (contour grids of 251 to 1,001
// square) over the same 1,650 regions: linear in the pixels besides the
// fixed n-by-n pair matrix.
void Scaling(benchmark::State& state) {
  const auto side = static_cast<std::size_t>(std::lround(std::sqrt(double(state.range(0)))));
  const Workload w = contour_workload::make(3, false, side);
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::boundary_sums(inputs(w)));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 125 * 125, benchmark::oN);
});

// The large workload: a 2,000-by-2,000 map (a 4,001-by-4,001 contour grid,
// 8 million mixed-parity cells), whole keys.
void Threads(benchmark::State& state) {
  static const Workload w = contour_workload::make(3, false, 2000);
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  for (auto _ : state) benchmark::DoNotOptimize(mexsets::boundary_sums(inputs(w)));
}
BENCHMARK(Threads)->Apply(threads_bench::one_and_two);

// Maps of 22-by-22 to 352-by-352 pixels, a region per 150 of them, around
// the first split: bands of columns of the (2 side + 1)-square contour grid
// take work_grain(columns, 4 rows) columns, at least 8 (boundary_sums.cpp),
// so a map of side 44 runs on the calling thread alone and 45 splits.
void Crossover(benchmark::State& state) {
  const std::size_t side = threads_bench::size(state);
  const Workload w =
      contour_workload::make(3, false, side, std::max<std::size_t>(side * side / 150, 4));
  mexsets::ThreadScope scope(threads_bench::threads(state));
  threads_bench::timed(state, scope,
                       [&] { benchmark::DoNotOptimize(mexsets::boundary_sums(inputs(w))); });
}
BENCHMARK(Crossover)->Apply([](benchmark::internal::Benchmark* b) {
  threads_bench::crossover(b, 44, 8);
});

}  // namespace

BENCHMARK_MAIN();
