// score_subsets on 1,000,000 subsets of up to 20 ids out of 5,000 items: the
// shipped kernel, the plain row-by-row transcription, and the whole gateway
// through the stand-in host.
#include <benchmark/benchmark.h>

#include <random>

#include "host.hpp"
#include "reference_score_subsets.hpp"
#include "score_subsets.hpp"

namespace {

struct Workload {
  mexsets::OwnedMatrix<double> a, b, subsets;
};

const Workload& workload() {
  static const Workload w = [] {
    constexpr std::size_t kItems = 5000, kRows = 1000000, kCols = 20;
    std::mt19937_64 random(7);
    Workload w;
    w.a = mexsets::OwnedMatrix<double>(1, kItems);
    w.b = mexsets::OwnedMatrix<double>(1, kItems);
    for (std::size_t k = 0; k < kItems; ++k) {
      w.a(0, k) = static_cast<double>(random() % 100000) / 7.0;
      w.b(0, k) = static_cast<double>(random() % 1000);
    }
    w.subsets = mexsets::OwnedMatrix<double>(kRows, kCols, 0.0);
    for (std::size_t i = 0; i < kRows; ++i) {
      const std::size_t length = 1 + random() % kCols;  // 1..20 ids, then 0
      for (std::size_t j = 0; j < length; ++j) w.subsets(i, j) = 1.0 + random() % kItems;
    }
    return w;
  }();
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

}  // namespace

BENCHMARK_MAIN();
