// rank_diverse on tiny inputs, where a call should cost little more than
// reading them: the help's example (three candidates) and 10 candidates of
// 1 to 4 items out of 8 with a dense 8-by-8 W. For each: the plain
// transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "rank_diverse_contract.hpp"
#include "reference_rank_diverse.hpp"
#include "tiny_call.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& items, const Matrix& relevance,
                   const Matrix& w, double lambda) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    std::vector<double> order(items.rows), scores(items.rows);
    for (auto _ : state) {
      reference::rank_diverse(items.cref(), relevance.data.data(), w.cref(), lambda, order.data(),
                              scores.data());
      benchmark::DoNotOptimize(order.data());
    }
  });
  tiny_call::register_calls<mexsets::RankDiverseContract>(
      name, {items, relevance, w, tiny_call::scalar(lambda)}, 2);
}

[[maybe_unused]] const bool registered = [] {
  register_case("3_candidates", rows({{0}, {0}, {1}}), rows({{1}, {1}, {0.9}}),
                rows({{1, 0}, {0, 1}}), 0.5);
  std::mt19937_64 random(2);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Matrix items(10, 4, -1.0), relevance(10, 1), w(8, 8);
  for (std::size_t i = 0; i < 10; ++i) {
    for (std::size_t j = 0, n = 1 + random() % 4; j < n; ++j)
      items(i, j) = static_cast<double>(random() % 8);
    relevance(i, 0) = unit(random);
  }
  for (std::size_t a = 0; a < 8; ++a)
    for (std::size_t b = 0; b < 8; ++b) w(a, b) = a == b ? 10 + unit(random) : unit(random);
  register_case("10_candidates", items, relevance, w, 0.75);
  return true;
}();

}  // namespace
