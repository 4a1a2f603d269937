// set_features in all four modes on two workloads: 100,000 rows of 1-50 ids
// out of 1,000 items, and 1,000,000 rows of 1-20 ids out of 5,000 items (the
// perimeter's weight matrix is then 5,000-by-5,000). Row lengths are uniform,
// ids uniform, the rest of each row -1. Timed: the shipped kernel (with its id
// checks), the plain row-by-row transcription, and the whole gateway through
// the stand-in host.
#include <benchmark/benchmark.h>

#include <random>

#include "host.hpp"
#include "reference_set_features.hpp"
#include "set_features.hpp"

namespace {

using Matrix = mexsets::OwnedMatrix<double>;

struct Workload {
  Matrix ids, values, weights;
};

Workload make(std::size_t rows, std::size_t cols, std::size_t items, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  Workload w;
  w.ids = Matrix(rows, cols, -1.0);
  for (std::size_t i = 0; i < rows; ++i) {
    const std::size_t length = 1 + random() % cols;
    for (std::size_t j = 0; j < length; ++j) w.ids(i, j) = static_cast<double>(random() % items);
  }
  w.values = Matrix(items, 4);
  for (double& v : w.values.data) v = static_cast<double>(random() % 1000000) / 64.0;
  w.weights = Matrix(items, items);
  for (double& v : w.weights.data) v = static_cast<double>(random() % 1000) / 8.0;
  return w;
}

// Argument 0: the 100,000-row workload, 1: the 1,000,000-row one.
const Workload& workload(int which) {
  static const Workload wide = make(100000, 50, 1000, 1);
  static const Workload tall = make(1000000, 20, 5000, 2);
  return which ? tall : wide;
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  const int mode = static_cast<int>(state.range(1));
  std::vector<double> out1(w.ids.rows), out2(w.ids.rows * mexsets::second_output_columns(mode));
  for (auto _ : state) {
    try {
      mexsets::set_features(mode, w.ids.cref(), w.values.cref(), w.weights.cref(), out1.data(),
                            out2.data());
    } catch (const mexsets::Failure&) {
      state.SkipWithError("invalid id");
      break;
    }
    benchmark::DoNotOptimize(out1.data());
  }
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  const double mode = static_cast<double>(state.range(1));
  for (auto _ : state)
    benchmark::DoNotOptimize(reference::set_features(w.ids, w.values, mode, w.weights));
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  static const standin::Module module("set_features");
  auto ids = standin::doubles(w.ids.rows, w.ids.cols, w.ids.data);
  auto values = standin::doubles(w.values.rows, w.values.cols, w.values.data);
  auto weights = standin::doubles(w.weights.rows, w.weights.cols, w.weights.data);
  auto mode = standin::scalar(static_cast<double>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(module.call(2, {&ids, &values, &mode, &weights}));
}

void Modes(benchmark::internal::Benchmark* b) {
  for (int which : {0, 1})
    for (int mode : {1, 2, 3, 4}) b->Args({which, mode});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(Kernel)->Apply(Modes);
BENCHMARK(Transcription)->Apply(Modes);
BENCHMARK(Gateway)->Args({0, 2})->Args({1, 3})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
