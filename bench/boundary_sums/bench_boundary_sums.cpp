// boundary_sums on a 1,001-by-1,001 contour grid: the pixels of a 500-by-500
// map of about 1,650 regions sit at the odd-odd cells, and each mixed-parity
// cell between two pixels carries the key of their region pair (0 inside a
// region), the cells on the grid's rim the key of their region's border:
// about 5,000 keys. Weights are uniform in [0, 1). Timed: the shipped kernel
// (checks, sums, distribution), the plain transcription, the per-key sums
// alone, the allocation of the pair matrix alone (common to all), and the
// whole gateway through the stand-in host.
#include <benchmark/benchmark.h>

#include <map>
#include <utility>

#include "boundary_sums.hpp"
#include "host.hpp"
#include "reference_boundary_sums.hpp"
#include "tree_workloads.hpp"

namespace {

using Matrix = mexsets::OwnedMatrix<double>;

struct Workload {
  std::size_t n = 0;
  Matrix first, second, keys, labels, weights;
};

// Keys are 1..K (whole) or, with fractional_keys, K distinct non-whole values,
// which the key index cannot look up in its direct table.
Workload contour_workload(bool fractional_keys) {
  constexpr std::size_t kSide = 500, kRegions = 1650;
  const auto map = tree_workloads::label_grid(kSide, kSide, kRegions, 3);
  std::map<std::pair<std::size_t, std::size_t>, std::size_t> key_of;  // (a, b) -> 1-based key
  Workload w;
  w.n = kRegions;
  std::vector<double> first, second;
  auto key = [&](std::size_t a, std::size_t b) -> double {
    if (a > b) std::swap(a, b);  // a = 0: the border of region b
    auto [it, fresh] = key_of.emplace(std::make_pair(a, b), key_of.size() + 1);
    if (fresh) {
      first.push_back(static_cast<double>(a));
      second.push_back(static_cast<double>(b));
    }
    return static_cast<double>(it->second);
  };
  const std::size_t side = 2 * kSide + 1;
  w.labels = Matrix(side, side, 0.0);
  w.weights = Matrix(side, side, 0.0);
  tree_workloads::Random random(11);
  auto region = [&](std::ptrdiff_t p, std::ptrdiff_t q) -> std::size_t {
    if (p < 0 || q < 0 || p >= std::ptrdiff_t(kSide) || q >= std::ptrdiff_t(kSide)) return 0;
    return static_cast<std::size_t>(map.labels(p, q));
  };
  for (std::size_t j = 0; j < side; ++j)
    for (std::size_t i = 0; i < side; ++i) {
      w.weights(i, j) = static_cast<double>(random() >> 11) * 0x1.0p-53;
      const auto p = static_cast<std::ptrdiff_t>(i / 2), q = static_cast<std::ptrdiff_t>(j / 2);
      if (i % 2 == 1 && j % 2 == 1) {
        w.labels(i, j) = static_cast<double>(region(p, q));  // a pixel: never read
      } else if (i % 2 != j % 2) {
        const std::size_t a = i % 2 ? region(p, q - 1) : region(p - 1, q);
        const std::size_t b = region(p, q);
        if (a != b) w.labels(i, j) = key(a, b);
      }
    }
  const std::size_t count = first.size();
  w.first = Matrix(1, count);
  w.second = Matrix(1, count);
  w.keys = Matrix(1, count);
  for (std::size_t k = 0; k < count; ++k) {
    w.first.data[k] = first[k];
    w.second.data[k] = second[k];
    w.keys.data[k] = k + 1.0;
  }
  if (fractional_keys) {
    auto shift = [](double x) { return x > 0 ? x * 1.25 + 0.375 : x; };
    for (double& x : w.keys.data) x = shift(x);
    for (double& x : w.labels.data) x = shift(x);
  }
  return w;
}

const Workload& workload(bool fractional_keys) {
  static const Workload whole = contour_workload(false);
  static const Workload fractional = contour_workload(true);
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

}  // namespace

BENCHMARK_MAIN();
