// set_features in all four modes on two workloads: 100,000 rows of 1-50 ids
// out of 1,000 items, and 1,000,000 rows of 1-20 ids out of 5,000 items (the
// perimeter's weight matrix is then 5,000-by-5,000). Row lengths are uniform,
// ids uniform, the rest of each row -1. Timed: the shipped kernel (with its id
// checks), the plain row-by-row transcription, and the whole gateway through
// the stand-in host; mode 3 on mostly zero weights by each way of reading
// them (--benchmark_filter=PairReads), also on rows of ids near one another
// (--benchmark_filter=Near); and modes 1 and 3 at 62,500 to 1,000,000 rows
// (--benchmark_filter=Scaling).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "host.hpp"
#include "reference_set_features.hpp"
#include "scaling.hpp"
#include "set_features.hpp"
#include "set_features_workload.hpp"
#include "threads_bench.hpp"

namespace {

using Matrix = mexsets::OwnedMatrix<double>;

struct Workload {
  Matrix ids, values, weights;
};

Workload make(std::size_t rows, std::size_t cols, std::size_t items, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  Workload w;
  w.ids = set_features_workload::id_matrix(random, rows, cols, items);
  set_features_workload::uniform_measures(random, items, w.values, w.weights);
  return w;
}

// Argument 0: the 100,000-row workload, 1: the 1,000,000-row one.
const Workload& workload(int which) {
  static const Workload wide = make(100000, 50, 1000, 1);
  static const Workload tall = make(1000000, 20, 5000, 2);
  return which ? tall : wide;
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload(static_cast<int>(state.range(0)));
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
  const Workload& w = workload(static_cast<int>(state.range(0)));
  const double mode = static_cast<double>(state.range(1));
  for (auto _ : state)
    benchmark::DoNotOptimize(reference::set_features(w.ids, w.values, mode, w.weights));
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(static_cast<int>(state.range(0)));
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

// Mode 3 on the tall workload's ids with the weights of a 50-by-100 map
// (shared boundaries: dense, 200 MB, but nearly all zeros), each way of
// reading the weights: 0 as chosen, 1 every pair from w, 2 the nonzero
// weights kept first.
void PairReads(benchmark::State& state) {
  static const Workload& tall = workload(1);
  static const Workload map = [] {
    std::mt19937_64 random(4);
    Workload w;
    set_features_workload::map_measures(random, 5000, 50, w.values, w.weights);
    return w;
  }();
  const auto reads = static_cast<mexsets::PairReads>(state.range(0));
  std::vector<double> out1(tall.ids.rows), out2(tall.ids.rows);
  for (auto _ : state) {
    mexsets::set_features(3, tall.ids.cref(), map.values.cref(), map.weights.cref(), out1.data(),
                          out2.data(), reads);
    benchmark::DoNotOptimize(out1.data());
  }
}
BENCHMARK(PairReads)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Mode 3 where rows are local: 1,000,000 rows of 1 to 20 ids drawn from the
// 30 map cells nearest a random cell of the 50-by-100 map, with its shared
// boundaries as W (0.14% nonzero at most, zero diagonal, but about one pair
// in eight of a row has a nonzero weight); each way of reading the weights
// as in PairReads.
const Matrix& near_ids() {
  static const Matrix ids = [] {
    constexpr std::size_t map_rows = 50, map_cols = 100, rows = 1000000, near = 30;
    std::mt19937_64 random(9);
    // The offsets of the 30 nearest cells (a cell itself first), by distance.
    std::vector<std::pair<int, std::pair<int, int>>> offsets;
    for (int dr = -4; dr <= 4; ++dr)
      for (int dc = -4; dc <= 4; ++dc) offsets.push_back({dr * dr + dc * dc, {dr, dc}});
    std::stable_sort(offsets.begin(), offsets.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Matrix out(rows, 20, -1.0);
    std::vector<std::size_t> cells;
    for (std::size_t i = 0; i < rows; ++i) {
      const int r = static_cast<int>(random() % map_rows),
                c = static_cast<int>(random() % map_cols);
      cells.clear();
      for (const auto& [distance, offset] : offsets) {
        const int rr = r + offset.first, cc = c + offset.second;
        if (rr >= 0 && rr < int{map_rows} && cc >= 0 && cc < int{map_cols})
          cells.push_back(static_cast<std::size_t>(rr) + static_cast<std::size_t>(cc) * map_rows);
        if (cells.size() == near) break;
      }
      for (std::size_t j = 0, length = 1 + random() % 20; j < length; ++j)
        out(i, j) = static_cast<double>(cells[random() % cells.size()]);
    }
    return out;
  }();
  return ids;
}

const Workload& near_map() {
  static const Workload map = [] {
    std::mt19937_64 random(4);
    Workload w;
    set_features_workload::map_measures(random, 5000, 50, w.values, w.weights);
    return w;
  }();
  return map;
}

void NearPairReads(benchmark::State& state) {
  const Workload& map = near_map();
  const Matrix& ids = near_ids();
  const auto reads = static_cast<mexsets::PairReads>(state.range(0));
  std::vector<double> out1(ids.rows), out2(ids.rows);
  for (auto _ : state) {
    mexsets::set_features(3, ids.cref(), map.values.cref(), map.weights.cref(), out1.data(),
                          out2.data(), reads);
    benchmark::DoNotOptimize(out1.data());
  }
}
BENCHMARK(NearPairReads)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The same local rows: the kernel as it chooses and the plain transcription
// (and in Threads below, the kernel on 1 and 2 threads).
void NearKernel(benchmark::State& state) {
  const Workload& map = near_map();
  const Matrix& ids = near_ids();
  std::vector<double> out1(ids.rows), out2(ids.rows);
  for (auto _ : state) {
    mexsets::set_features(3, ids.cref(), map.values.cref(), map.weights.cref(), out1.data(),
                          out2.data());
    benchmark::DoNotOptimize(out1.data());
  }
}
void NearTranscription(benchmark::State& state) {
  const Workload& map = near_map();
  const Matrix& ids = near_ids();
  for (auto _ : state)
    benchmark::DoNotOptimize(reference::set_features(ids, map.values, 3, map.weights));
}
BENCHMARK(NearKernel)->Unit(benchmark::kMillisecond);
BENCHMARK(NearTranscription)->Unit(benchmark::kMillisecond);

// Every mode on the tall workload on 1 and 2 threads, and mode 3 on the
// rows of near ids (mode argument 5): arguments (threads, mode).
void Threads(benchmark::State& state) {
  const bool near = state.range(1) == 5;
  const int mode = near ? 3 : static_cast<int>(state.range(1));
  const Matrix& ids = near ? near_ids() : workload(1).ids;
  const Workload& w = near ? near_map() : workload(1);
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  std::vector<double> out1(ids.rows), out2(ids.rows * mexsets::second_output_columns(mode));
  for (auto _ : state) {
    mexsets::set_features(mode, ids.cref(), w.values.cref(), w.weights.cref(), out1.data(),
                          out2.data());
    benchmark::DoNotOptimize(out1.data());
  }
  state.SetLabel(near ? "mode 3, near ids" : "mode " + std::to_string(mode));
}
BENCHMARK(Threads)
    ->ArgsProduct({{1, 2}, {1, 2, 3, 4, 5}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Modes 1 and 3 at 62,500 to 1,000,000 rows of the tall workload's shape
// (the 5,000-by-5,000 W fixed): linear in the rows.
void scale(benchmark::State& state, int mode) {
  static const Workload tall = make(0, 20, 5000, 2);  // values and weights only
  std::mt19937_64 random(3);
  const Matrix ids =
      set_features_workload::id_matrix(random, static_cast<std::size_t>(state.range(0)), 20, 5000);
  std::vector<double> out1(ids.rows), out2(ids.rows * mexsets::second_output_columns(mode));
  for (auto _ : state) {
    mexsets::set_features(mode, ids.cref(), tall.values.cref(), tall.weights.cref(), out1.data(),
                          out2.data());
    benchmark::DoNotOptimize(out1.data());
  }
  state.SetComplexityN(state.range(0));
}
void ScalingMinimum(benchmark::State& state) { scale(state, 1); }
void ScalingPerimeter(benchmark::State& state) { scale(state, 3); }
void rows(benchmark::internal::Benchmark* b) { scaling::sizes(b, 62500, benchmark::oN); }
BENCHMARK(ScalingMinimum)->Apply(rows);
BENCHMARK(ScalingPerimeter)->Apply(rows);

// Modes 1 and 3 on rows of the tall workload's shape (1,000 items) around
// the first split: chunks are whole blocks of 256 rows of grain_for(units)
// rows or more (set_features_modes.hpp), 1,024 rows in mode 1 (84 units a
// row) and 256 in mode 3 (404 units a row, W dense).
void crossover(benchmark::State& state, int mode) {
  static const Workload measures = make(0, 20, 1000, 2);  // values and weights only
  std::mt19937_64 random(3);
  const Matrix ids = set_features_workload::id_matrix(random, threads_bench::size(state), 20, 1000);
  std::vector<double> out1(ids.rows), out2(ids.rows * mexsets::second_output_columns(mode));
  mexsets::ThreadScope scope(threads_bench::threads(state));
  threads_bench::timed(state, scope, [&] {
    mexsets::set_features(mode, ids.cref(), measures.values.cref(), measures.weights.cref(),
                          out1.data(), out2.data());
    benchmark::DoNotOptimize(out1.data());
  });
  state.SetLabel("mode " + std::to_string(mode));
}
void CrossoverMinimum(benchmark::State& state) { crossover(state, 1); }
void CrossoverPerimeter(benchmark::State& state) { crossover(state, 3); }
BENCHMARK(CrossoverMinimum)->Apply([](benchmark::internal::Benchmark* b) {
  threads_bench::crossover(b, 1024);
});
BENCHMARK(CrossoverPerimeter)->Apply([](benchmark::internal::Benchmark* b) {
  threads_bench::crossover(b, 256);
});

}  // namespace

BENCHMARK_MAIN();
