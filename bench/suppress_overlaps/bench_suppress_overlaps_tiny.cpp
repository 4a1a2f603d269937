// suppress_overlaps on tiny inputs, where a call should cost little more
// than reading them: the help's example (four rows) and 10 rows of 1 to 4
// items out of 8 with a dense 8-by-8 W. For each: the plain transcription,
// the contract's whole run over plain buffers, and the gateway through the
// stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "reference_suppress_overlaps.hpp"
#include "suppress_overlaps_contract.hpp"
#include "tiny_call.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& items, const Matrix& weights,
                   const Matrix& w, double threshold) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    for (auto _ : state)
      benchmark::DoNotOptimize(
          reference::suppress_overlaps(items.cref(), weights.data.data(), w.cref(), threshold));
  });
  tiny_call::register_calls<mexsets::SuppressOverlapsContract>(
      name, {items, weights, w, tiny_call::scalar(threshold)}, 2);
}

[[maybe_unused]] const bool registered = [] {
  register_case("4_rows", rows({{0, 1, -1}, {1, 0, -1}, {2, -1, -1}, {0, 2, -1}}),
                rows({{1}, {1}, {1}}), rows({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), 1.0);
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Matrix items(10, 4, -1.0), weights(8, 1), w(8, 8);
  for (std::size_t i = 0; i < 10; ++i)
    for (std::size_t j = 0, n = 1 + random() % 4; j < n; ++j)
      items(i, j) = static_cast<double>(random() % 8);
  for (std::size_t a = 0; a < 8; ++a) {
    weights(a, 0) = 10 + unit(random);
    for (std::size_t b = 0; b < 8; ++b) w(a, b) = a == b ? weights(a, 0) : unit(random);
  }
  register_case("10_rows", items, weights, w, 0.5);
  return true;
}();

}  // namespace
