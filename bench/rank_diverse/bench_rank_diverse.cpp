// rank_diverse on 3,000 candidate regions of 20..80 cells out of 1,500, with
// a dense W and with a W that is sparse in practice: the shipped computation
// and the plain transcription, each reporting time per call and the overlap
// ratios computed. The transcription's run also checks that both give the
// same bits.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/parallel.hpp"
#include "overlap_workloads.hpp"
#include "rank_diverse.hpp"
#include "reference_rank_diverse.hpp"
#include "scaling.hpp"

namespace {

const mexsets::OwnedMatrix<double>& pairs(bool sparse) {
  const auto& w = overlap_workloads::standard();
  return sparse ? w.sparse : w.dense;
}

struct Result {
  std::vector<double> order, scores;
};

Result shipped(bool sparse, std::size_t* ratios, mexsets::SumStrategy* used = nullptr) {
  const auto& w = overlap_workloads::standard();
  const std::size_t m = w.items.rows;
  Result r{std::vector<double>(m), std::vector<double>(m)};
  const auto s = mexsets::rank_diverse(w.items.cref(), w.relevance.data(), pairs(sparse).cref(),
                                       0.75, r.order.data(), r.scores.data(),
                                       mexsets::SumStrategy::automatic, ratios);
  if (used) *used = s;
  return r;
}

bool same_bits(const std::vector<double>& x, const std::vector<double>& y) {
  return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0;
}

void Shipped(benchmark::State& state) {
  const bool sparse = state.range(0) != 0;
  overlap_workloads::standard();
  std::size_t ratios = 0;
  mexsets::SumStrategy used{};
  for (auto _ : state) benchmark::DoNotOptimize(shipped(sparse, &ratios, &used));
  state.counters["ratios"] = static_cast<double>(ratios);
  state.counters["strategy"] = static_cast<double>(used);
  state.SetLabel(sparse ? "sparse W" : "dense W");
}

void Reference(benchmark::State& state) {
  const bool sparse = state.range(0) != 0;
  const auto& w = overlap_workloads::standard();
  const std::size_t m = w.items.rows;
  Result r{std::vector<double>(m), std::vector<double>(m)};
  std::size_t ratios = 0;
  for (auto _ : state)
    reference::rank_diverse(w.items.cref(), w.relevance.data(), pairs(sparse).cref(), 0.75,
                            r.order.data(), r.scores.data(), &ratios);
  const Result fast = shipped(sparse, nullptr);
  state.counters["ratios"] = static_cast<double>(ratios);
  state.counters["identical"] = same_bits(r.order, fast.order) && same_bits(r.scores, fast.scores);
  state.SetLabel(sparse ? "sparse W" : "dense W");
}

BENCHMARK(Shipped)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Reference)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// W = diag(item weights), 3,000 candidates: over 4,000 items (grid 50 by
// 80) as the dense matrix (128 MB), the vector and sparse; over 50,000
// items (grid 200 by 250, where the dense W would take 20 GB) as the
// vector and sparse. Arguments: items in thousands, form (0 dense, 1
// vector, 2 sparse). "identical": the same bits as the dense W (4,000
// items) or as the vector (50,000).
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
  const std::size_t m = w.items.rows;
  Result r{std::vector<double>(m), std::vector<double>(m)};
  mexsets::SumStrategy used{};
  for (auto _ : state)
    used = mexsets::rank_diverse(w.items.cref(), w.relevance.data(), forms[form], 0.75,
                                 r.order.data(), r.scores.data());
  Result check{std::vector<double>(m), std::vector<double>(m)};
  mexsets::rank_diverse(w.items.cref(), w.relevance.data(), form == 1 ? d.sparse : d.vector, 0.75,
                        check.order.data(), check.scores.data());
  state.counters["identical"] =
      same_bits(r.order, check.order) && same_bits(r.scores, check.scores);
  state.counters["strategy"] = static_cast<double>(used);
  const char* names[] = {"dense diag(w)", "vector w", "sparse diag(w)"};
  state.SetLabel(std::string(names[form]) + (large ? ", 50,000 items" : ", 4,000 items"));
}
BENCHMARK(DiagonalW)->Args({4, 0})->Args({4, 1})->Args({4, 2})->Args({50, 1})->Args({50, 2})->Unit(
    benchmark::kMillisecond);

// Scaling: 1,000 to 16,000 candidates over the same 1,500 cells, sparse W,
// The work grows with the square of the candidates: each
// doubling should take about 4 times as long, with no jump where the route
// changes (--benchmark_filter=Scaling; bench/support/scaling.py prints the
// exponents).
void Scaling(benchmark::State& state) {
  const auto m = static_cast<std::size_t>(state.range(0));
  const overlap_workloads::Workload w = overlap_workloads::make(m);
  std::vector<double> order(m), scores(m);
  mexsets::SumStrategy used{};
  for (auto _ : state)
    used = mexsets::rank_diverse(w.items.cref(), w.relevance.data(), w.sparse.cref(), 0.75,
                                 order.data(), scores.data());
  state.counters["strategy"] = static_cast<double>(used);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 1000, benchmark::oNSquared);
});

// Threads: 3,000 and 16,000 candidates over the 1,500 cells on 1 and 2
// threads (a ThreadScope, as a host's threads count makes), W dense, mostly
// zero (stored dense), and diag(item weights) as the vector and as
// compressed columns. Arguments: candidates, form (0 dense, 1 mostly zero,
// 2 vector, 3 compressed), threads. "speedup" needs both thread counts in
// one run (--benchmark_filter=Threads).
void Threads(benchmark::State& state) {
  const auto m = static_cast<std::size_t>(state.range(0));
  const int form = static_cast<int>(state.range(1));
  const auto threads = static_cast<std::size_t>(state.range(2));
  static std::map<std::size_t, overlap_workloads::Workload> workloads;
  if (!workloads.count(m)) workloads.emplace(m, overlap_workloads::make(m));
  const overlap_workloads::Workload& w = workloads.at(m);
  const overlap_workloads::DiagonalW d = overlap_workloads::diagonal_w(w.item_weights, false);
  const mexsets::WeightMatrix forms[] = {w.dense.cref(), w.sparse.cref(), d.vector, d.sparse};
  std::vector<double> order(m), scores(m);
  const mexsets::ThreadScope scope(threads);
  mexsets::SumStrategy used{};
  for (auto _ : state)
    used = mexsets::rank_diverse(w.items.cref(), w.relevance.data(), forms[form], 0.75,
                                 order.data(), scores.data());
  state.counters["strategy"] = static_cast<double>(used);
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
