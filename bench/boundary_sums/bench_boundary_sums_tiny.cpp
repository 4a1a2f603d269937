// boundary_sums on tiny inputs, where a call should cost little more than
// reading its inputs and writing its n-by-n result: the help's example (a
// 3-by-3 contour grid, two keys) and a 7-by-7 grid over 4 regions with 10
// keys. For each: the plain transcription, the contract's whole run over
// plain buffers, and the gateway through the stand-in host (run with
// --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <string>

#include "boundary_sums_contract.hpp"
#include "reference_boundary_sums.hpp"
#include "tiny_call.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, double n, const Matrix& first, const Matrix& second,
                   const Matrix& keys, const Matrix& labels, const Matrix& weights) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    reference::BoundarySums out;
    for (auto _ : state) {
      reference::boundary_sums(out, n, first.data.data(), second.data.data(), keys.cref(),
                               labels.cref(), weights.cref());
      benchmark::DoNotOptimize(&out);
    }
  });
  tiny_call::register_calls<mexsets::BoundarySumsContract>(
      name, {tiny_call::scalar(n), first, second, keys, labels, weights}, 2);
}

[[maybe_unused]] const bool registered = [] {
  register_case("2_keys", 2, rows({{1, 0}}), rows({{2, 1}}), rows({{5, 7}}),
                rows({{0, 5, 0}, {7, 0, 5}, {0, 7, 0}}), rows({{0, 1, 0}, {2, 0, 3}, {0, 4, 0}}));
  // Keys 1..10 for the pairs (a, b) of regions 0..4 with a < b (a = 0: the
  // border); each mixed-parity cell holds one of them.
  Matrix first(1, 10), second(1, 10), keys(1, 10), labels(7, 7), weights(7, 7);
  std::size_t k = 0;
  for (std::size_t b = 1; b <= 4; ++b)
    for (std::size_t a = 0; a < b; ++a, ++k) {
      first(0, k) = static_cast<double>(a);
      second(0, k) = static_cast<double>(b);
      keys(0, k) = static_cast<double>(k + 1);
    }
  for (std::size_t j = 0; j < 7; ++j)
    for (std::size_t i = 0; i < 7; ++i) {
      if ((i + j) % 2) labels(i, j) = static_cast<double>(1 + (i * 7 + j) % 10);
      weights(i, j) = static_cast<double>(1 + (i + 2 * j) % 5);
    }
  register_case("10_keys", 4, first, second, keys, labels, weights);
  return true;
}();

}  // namespace
