// suppress_overlaps on 3,000 candidate regions of 20..80 cells out of 1,500,
// with a dense W and with a W that is sparse in practice, at a threshold
// that drops most rows (0.2) and one that keeps most (0.9): the shipped
// computation and the plain transcription, each reporting time per call,
// the overlap ratios computed and the rows kept. The transcription's run
// also checks that both give the same bits.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/parallel.hpp"
#include "overlap_workloads.hpp"
#include "reference_suppress_overlaps.hpp"
#include "scaling.hpp"
#include "suppress_overlaps.hpp"

namespace {

const double kThresholds[] = {0.2, 0.9};

const mexsets::OwnedMatrix<double>& pairs(bool sparse) {
  const auto& w = overlap_workloads::standard();
  return sparse ? w.sparse : w.dense;
}

std::vector<double> shipped(bool sparse, double t, mexsets::Suppression& kept) {
  const auto& w = overlap_workloads::standard();
  kept = mexsets::suppress_overlaps(w.items.cref(), w.item_weights.data(), w.item_weights.size(),
                                    pairs(sparse).cref(), t);
  std::vector<double> out(kept.accepted.size() * w.items.cols);
  mexsets::write_accepted_rows(w.items.cref(), kept.accepted, out.data());
  return out;
}

void label(benchmark::State& state, bool sparse, double t) {
  state.SetLabel(std::string(sparse ? "sparse W" : "dense W") +
                 (t < 0.5 ? ", drops most" : ", keeps most"));
}

void Shipped(benchmark::State& state) {
  const bool sparse = state.range(0) != 0;
  const double t = kThresholds[state.range(1)];
  overlap_workloads::standard();
  mexsets::Suppression kept;
  for (auto _ : state) benchmark::DoNotOptimize(shipped(sparse, t, kept));
  state.counters["ratios"] = static_cast<double>(kept.ratios);
  state.counters["kept"] = static_cast<double>(kept.accepted.size());
  state.counters["strategy"] = static_cast<double>(kept.strategy);
  label(state, sparse, t);
}

void Reference(benchmark::State& state) {
  const bool sparse = state.range(0) != 0;
  const double t = kThresholds[state.range(1)];
  const auto& w = overlap_workloads::standard();
  std::vector<double> out;
  std::size_t ratios = 0;
  for (auto _ : state)
    out = reference::suppress_overlaps(w.items.cref(), w.item_weights.data(), pairs(sparse).cref(),
                                       t, &ratios);
  mexsets::Suppression kept;
  const std::vector<double> fast = shipped(sparse, t, kept);
  state.counters["ratios"] = static_cast<double>(ratios);
  state.counters["kept"] = static_cast<double>(out.size() / w.items.cols);
  state.counters["identical"] =
      out.size() == fast.size() &&
      std::memcmp(out.data(), fast.data(), out.size() * sizeof(double)) == 0;
  label(state, sparse, t);
}

BENCHMARK(Shipped)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(Reference)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1);

// W = diag(item weights), 3,000 candidates, keeping most rows (t = 0.9):
// over 4,000 items (grid 50 by 80) as the dense matrix (128 MB), the
// vector and sparse; over 50,000 items (grid 200 by 250, where the dense W
// would take 20 GB) as the vector and sparse. Arguments: items in
// thousands, form (0 dense, 1 vector, 2 sparse). "identical": the same
// bits as the dense W (4,000 items) or as the vector (50,000).
void DiagonalW(benchmark::State& state) {
  const bool large = state.range(0) == 50;
  const int form = static_cast<int>(state.range(1));
  static const overlap_workloads::Workload small_lists =
      overlap_workloads::make(3000, 50, 80, 1, false);
  static const overlap_workloads::Workload large_lists =
      overlap_workloads::make(3000, 200, 250, 1, false);
  const overlap_workloads::Workload& w = large ? large_lists : small_lists;
  const overlap_workloads::DiagonalW d = overlap_workloads::diagonal_w(w.item_weights, form == 0);
  const mexsets::WeightMatrix forms[] = {d.dense.cref(), d.vector, d.sparse};
  const auto run = [&](const mexsets::WeightMatrix& pairs, mexsets::Suppression& kept) {
    kept = mexsets::suppress_overlaps(w.items.cref(), w.item_weights.data(), w.item_weights.size(),
                                      pairs, 0.9);
    std::vector<double> out(kept.accepted.size() * w.items.cols);
    mexsets::write_accepted_rows(w.items.cref(), kept.accepted, out.data());
    return out;
  };
  mexsets::Suppression kept, check_kept;
  std::vector<double> out;
  for (auto _ : state) out = run(forms[form], kept);
  const std::vector<double> check = run(form == 1 ? d.sparse : d.vector, check_kept);
  state.counters["identical"] =
      out.size() == check.size() &&
      std::memcmp(out.data(), check.data(), out.size() * sizeof(double)) == 0;
  state.counters["kept"] = static_cast<double>(kept.accepted.size());
  state.counters["ratios"] = static_cast<double>(kept.ratios);
  state.counters["strategy"] = static_cast<double>(kept.strategy);
  const char* names[] = {"dense diag(w)", "vector w", "sparse diag(w)"};
  state.SetLabel(std::string(names[form]) + (large ? ", 50,000 items" : ", 4,000 items"));
}
BENCHMARK(DiagonalW)->Args({4, 0})->Args({4, 1})->Args({4, 2})->Args({50, 1})->Args({50, 2})->Unit(
    benchmark::kMillisecond);

// Scaling: 1,000 to 16,000 candidates over the same 1,500 cells, sparse W,
// keeping most rows (the most comparisons), At worst the
// work grows with the square of the rows: each doubling should take at most
// about 4 times as long (--benchmark_filter=Scaling; bench/support/scaling.py
// prints the exponents).
void Scaling(benchmark::State& state) {
  const overlap_workloads::Workload w =
      overlap_workloads::make(static_cast<std::size_t>(state.range(0)));
  mexsets::Suppression kept;
  for (auto _ : state)
    kept = mexsets::suppress_overlaps(w.items.cref(), w.item_weights.data(), w.item_weights.size(),
                                      w.sparse.cref(), 0.9);
  state.counters["kept"] = static_cast<double>(kept.accepted.size());
  state.counters["strategy"] = static_cast<double>(kept.strategy);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 1000, benchmark::oNSquared);
});

// Threads: 3,000 and 16,000 candidates over the 1,500 cells, keeping most
// rows (t = 0.9), on 1 and 2 threads (a ThreadScope, as a host's threads
// count makes), W dense, mostly zero (stored dense), and diag(item weights)
// as the vector and as compressed columns. Arguments: candidates, form (0
// dense, 1 mostly zero, 2 vector, 3 compressed), threads.
void Threads(benchmark::State& state) {
  const auto m = static_cast<std::size_t>(state.range(0));
  const int form = static_cast<int>(state.range(1));
  const auto threads = static_cast<std::size_t>(state.range(2));
  static std::map<std::size_t, overlap_workloads::Workload> workloads;
  if (!workloads.count(m)) workloads.emplace(m, overlap_workloads::make(m));
  const overlap_workloads::Workload& w = workloads.at(m);
  const overlap_workloads::DiagonalW d = overlap_workloads::diagonal_w(w.item_weights, false);
  const mexsets::WeightMatrix forms[] = {w.dense.cref(), w.sparse.cref(), d.vector, d.sparse};
  const mexsets::ThreadScope scope(threads);
  mexsets::Suppression kept;
  for (auto _ : state)
    kept = mexsets::suppress_overlaps(w.items.cref(), w.item_weights.data(), w.item_weights.size(),
                                      forms[form], 0.9);
  state.counters["kept"] = static_cast<double>(kept.accepted.size());
  state.counters["strategy"] = static_cast<double>(kept.strategy);
  const char* names[] = {"dense W", "mostly zero W", "vector w", "compressed diag(w)"};
  state.SetLabel(std::to_string(m) + " candidates, " + names[form] + ", " +
                 std::to_string(threads) + " thread(s)");
}
BENCHMARK(Threads)
    ->ArgsProduct({{3000, 16000}, {0, 1, 2, 3}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
