// boundary_grid on tiny images, where a call should cost little more than
// reading its inputs and writing its grids: the help's 2-by-2 example, and
// a 4-by-5 image of 10 regions with three channels. For each: the plain
// transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <string>

#include "boundary_grid_contract.hpp"
#include "reference_boundary_grid.hpp"
#include "tiny_call.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& labels, const Matrix& values,
                   std::size_t planes) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    const mexsets::ConstArray3 img{values.data.data(), labels.rows, labels.cols, planes};
    for (auto _ : state) benchmark::DoNotOptimize(reference::boundary_grid(labels.cref(), &img));
  });
  tiny_call::register_calls<mexsets::BoundaryGridContract>(
      name, {labels, tiny_call::Input(values, planes)}, 5);
}

[[maybe_unused]] const bool registered = [] {
  register_case("2x2", rows({{1, 2}, {1, 1}}), rows({{0, 3}, {4, 0}}), 1);
  Matrix labels(4, 5), values(4, 15);
  for (std::size_t p = 0; p < 20; ++p) labels.data[p] = static_cast<double>(1 + (p / 2 * 7) % 10);
  for (std::size_t p = 0; p < 60; ++p) values.data[p] = static_cast<double>(p * 37 % 256) / 255;
  register_case("4x5_rgb", labels, values, 3);
  return true;
}();

}  // namespace
