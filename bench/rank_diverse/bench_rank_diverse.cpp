// rank_diverse on 3,000 candidate regions of 20..80 cells out of 1,500, with
// a dense W and with a W that is sparse in practice: the shipped computation
// and the plain transcription, each reporting time per call and the overlap
// ratios computed. The transcription's run also checks that both give the
// same bits.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

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

}  // namespace

BENCHMARK_MAIN();
