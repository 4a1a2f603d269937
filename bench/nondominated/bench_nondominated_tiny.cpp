// nondominated on tiny inputs, where a call should cost little more than
// reading its points: 1, 4 and 10 points in 2 to 5 columns, uniform in the
// unit cube (few on the front) or on the unit simplex (all on it), and 10
// points in 3 columns with one NaN entry. For each: the shipped routine, the
// candidate sweep alone (mexsets::nondominated_sweep), the plain
// transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host, one after the other (run with
// --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../../tests/nondominated/reference_nondominated.hpp"
#include "nondominated.hpp"
#include "nondominated_contract.hpp"
#include "nondominated_points.hpp"
#include "tiny_call.hpp"

namespace {

using nondominated_points::kSimplex;
using nondominated_points::kUniform;

template <class Mark>
void mark_front(benchmark::State& state, const std::vector<double>& x, std::size_t m, std::size_t d,
                Mark mark) {
  std::vector<unsigned char> front(m);
  for (auto _ : state) {
    std::fill(front.begin(), front.end(), 0);
    mark(front.data(), x.data(), m, d);
    benchmark::DoNotOptimize(front.data());
  }
}

void register_case(std::size_t m, std::size_t d, nondominated_points::Shape shape,
                   std::size_t nans) {
  const std::vector<double> x = nondominated_points::make(m, d, shape, nans);
  const std::string name = std::to_string(m) + "x" + std::to_string(d) +
                           (shape == kUniform ? "_uniform" : "_simplex") + (nans ? "_nan" : "");
  benchmark::RegisterBenchmark(("TinyKernel/" + name).c_str(), [=](benchmark::State& state) {
    mark_front(state, x, m, d, [](auto... args) { mexsets::nondominated(args...); });
  });
  benchmark::RegisterBenchmark(("TinySweep/" + name).c_str(), [=](benchmark::State& state) {
    mark_front(state, x, m, d, [](auto... args) { mexsets::nondominated_sweep(args...); });
  });
  benchmark::RegisterBenchmark(("TinyReference/" + name).c_str(), [=](benchmark::State& state) {
    mark_front(state, x, m, d, [](auto... args) { reference::nondominated(args...); });
  });
  tiny_call::Matrix points(m, d);
  points.data = x;
  tiny_call::register_calls<mexsets::NondominatedContract>(name, {points}, 1);
}

[[maybe_unused]] const bool registered = [] {
  for (const std::size_t m : {1, 4, 10})
    for (const std::size_t d : {2, 3, 4, 5})
      for (const auto shape : {kUniform, kSimplex}) {
        if (m == 1 && shape == kSimplex) continue;  // one point is one point
        register_case(m, d, shape, 0);
      }
  register_case(10, 3, kUniform, 1);
  register_case(10, 3, kSimplex, 1);
  // Where the sweep stops paying: the shipped routine against the sweep on
  // more points (--benchmark_filter=HandOver).
  for (const std::size_t d : {2, 3, 4, 5, 6, 8})
    for (const auto shape : {kUniform, kSimplex})
      for (const std::size_t m : {16, 24, 32, 48, 64, 96, 128, 192, 256}) {
        const std::vector<double> x = nondominated_points::make(m, d, shape, 0);
        const std::string name = std::to_string(m) + "x" + std::to_string(d) +
                                 (shape == kUniform ? "_uniform" : "_simplex");
        benchmark::RegisterBenchmark(
            ("HandOverKernel/" + name).c_str(), [=](benchmark::State& state) {
              mark_front(state, x, m, d, [](auto... args) { mexsets::nondominated(args...); });
            });
        benchmark::RegisterBenchmark(
            ("HandOverSweep/" + name).c_str(), [=](benchmark::State& state) {
              mark_front(state, x, m, d,
                         [](auto... args) { mexsets::nondominated_sweep(args...); });
            });
      }
  return true;
}();

}  // namespace
