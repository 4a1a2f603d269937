// boundary_grid on a 1000-by-1500 label image of about 15,000 blocky regions
// with a colour image: the shipped computation, the plain array-by-array
// transcription, and the whole gateway through the stand-in host; and the
// computation at a sixteenth of those pixels and up (--benchmark_filter=Scaling).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "boundary_grid.hpp"
#include "host.hpp"
#include "reference_boundary_grid.hpp"
#include "scaling.hpp"

namespace {

struct Workload {
  std::size_t h = 1000, w = 1500, planes = 3;
  std::vector<double> labels, values;
  mexsets::ConstMatrix label_view() const { return {labels.data(), h, w}; }
  mexsets::ConstArray3 value_view() const { return {values.data(), h, w, planes}; }
};

// Cells of 10 by 10 pixels with a jittered border, ids shuffled.
Workload make(std::size_t h, std::size_t w_) {
  Workload w;
  w.h = h;
  w.w = w_;
  std::mt19937_64 random(5);
  w.labels.resize(w.h * w.w);
  const std::size_t across = w.w / 10 + 1;
  for (std::size_t j = 0; j < w.w; ++j)
    for (std::size_t i = 0; i < w.h; ++i) {
      const std::size_t bi = (i + random() % 3) / 10, bj = (j + random() % 3) / 10;
      w.labels[i + j * w.h] = static_cast<double>(1 + (bi * across + bj) * 7919 % 15300);
    }
  w.values.resize(w.h * w.w * w.planes);
  for (double& v : w.values) v = static_cast<double>(random() % 256) / 255;
  return w;
}

const Workload& workload() {
  static const Workload w = make(1000, 1500);
  return w;
}

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
