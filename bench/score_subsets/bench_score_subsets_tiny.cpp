// score_subsets on tiny inputs, where a call should cost little more than
// reading them: the help's examples (one and three subsets) and 10 subsets
// of up to 5 ids out of 20 items. For each: the plain transcription, the
// contract's whole run over plain buffers, and the gateway through the
// stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "reference_score_subsets.hpp"
#include "score_subsets_contract.hpp"
#include "tiny_call.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& a, const Matrix& b, const Matrix& s) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    std::vector<double> r1, r2;
    for (auto _ : state) {
      reference::score_subsets(a, b, s, r1, r2);
      benchmark::DoNotOptimize(r1.data());
    }
  });
  tiny_call::register_calls<mexsets::ScoreSubsetsContract>(name, {a, b, s}, 2);
}

[[maybe_unused]] const bool registered = [] {
  const Matrix a = rows({{10, 20, 30}}), b = rows({{1, 2, 3}});
  register_case("1_subset", a, b, rows({{3, 1, 0, 2}}));
  register_case("3_subsets", a, b, rows({{2, 2, 0}, {0.5, 2.9, 0}, {0, 1, 2}}));
  std::mt19937_64 random(1);
  Matrix a20(1, 20), b20(1, 20), s(10, 5);
  for (double& v : a20.data) v = static_cast<double>(random() % 1000) / 8;
  for (double& v : b20.data) v = static_cast<double>(random() % 100);
  for (std::size_t i = 0; i < 10; ++i)
    for (std::size_t j = 0, n = 1 + random() % 5; j < n; ++j)
      s(i, j) = static_cast<double>(1 + random() % 20);
  register_case("10_subsets", a20, b20, s);
  return true;
}();

}  // namespace
