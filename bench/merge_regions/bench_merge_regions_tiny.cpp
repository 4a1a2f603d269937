// merge_regions on tiny inputs, where a call should cost little more than
// reading its inputs: the help's example (5 regions, 4 listings) and a
// 2-by-5 grid of regions (10 regions, 13 touching pairs). For each: the
// plain transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "merge_regions_contract.hpp"
#include "reference_merge_regions.hpp"
#include "tiny_call.hpp"

namespace {

using tiny_call::Matrix;

Matrix column(const std::vector<double>& values) {
  Matrix m(values.size(), 1);
  m.data = values;
  return m;
}

void register_case(const std::string& name, const std::vector<double>& first,
                   const std::vector<double>& second, const std::vector<double>& lengths,
                   const std::vector<double>& strengths, const std::vector<double>& areas) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    for (auto _ : state)
      benchmark::DoNotOptimize(reference::merge_regions(first, second, lengths, strengths, areas));
  });
  tiny_call::register_calls<mexsets::MergeRegionsContract>(
      name, {column(first), column(second), column(lengths), column(strengths), column(areas)}, 2);
}

[[maybe_unused]] const bool registered = [] {
  register_case("5_regions", {1, 2, 3, 1}, {2, 3, 4, 3}, {2, 1, 2, 1}, {1, 3, 2, 2},
                {4, 3, 5, 2, 1});
  std::vector<double> first, second, lengths, strengths, areas;
  for (std::size_t i = 0; i < 2; ++i)
    for (std::size_t j = 0; j < 5; ++j) {
      const double id = static_cast<double>(i * 5 + j + 1);
      for (const double other : {j + 1 < 5 ? id + 1 : 0.0, i + 1 < 2 ? id + 5 : 0.0})
        if (other > 0) {
          first.push_back(id);
          second.push_back(other);
          lengths.push_back(static_cast<double>(1 + first.size() % 3));
          strengths.push_back(static_cast<double>(first.size() * 7 % 11));
        }
      areas.push_back(static_cast<double>(10 + i * 5 + j));
    }
  register_case("10_regions", first, second, lengths, strengths, areas);
  return true;
}();

}  // namespace
