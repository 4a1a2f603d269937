// set_features on tiny inputs, where a call should cost little more than
// reading them, in all four modes: the help's two rows of ids over three
// items, and 10 rows of 1 to 5 ids out of 20 items. For each: the plain
// transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "reference_set_features.hpp"
#include "set_features_contract.hpp"
#include "tiny_call.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& ids, const Matrix& v, int mode,
                   const Matrix& w) {
  const std::string full = name + "_mode" + std::to_string(mode);
  benchmark::RegisterBenchmark(("TinyTranscription/" + full).c_str(), [=](benchmark::State& state) {
    reference::SetFeatures out;
    for (auto _ : state) {
      reference::set_features(out, ids, v, mode, w);
      benchmark::DoNotOptimize(out.out1.data());
    }
  });
  tiny_call::Inputs in = {ids, v, tiny_call::scalar(mode)};
  if (mode == 3) in.push_back(w);
  tiny_call::register_calls<mexsets::SetFeaturesContract>(full, in, mode == 1 ? 1 : 2);
}

void register_modes(const std::string& name, const Matrix& ids, const Matrix& v, const Matrix& w) {
  for (int mode = 1; mode <= 4; ++mode) register_case(name, ids, v, mode, w);
}

[[maybe_unused]] const bool registered = [] {
  register_modes("2_rows", rows({{0, 1, 2}, {2, -1, 0}}),
                 rows({{2, 1, 5, 6}, {4, 0, 7, 1}, {8, 3, 2, 2}}),
                 rows({{0, 3, 1}, {3, 0, 2}, {1, 2, 0}}));
  std::mt19937_64 random(4);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Matrix ids(10, 5, -1.0), v(20, 4), w(20, 20);
  for (std::size_t i = 0; i < 10; ++i)
    for (std::size_t j = 0, n = 1 + random() % 5; j < n; ++j)
      ids(i, j) = static_cast<double>(random() % 20);
  for (double& x : v.data) x = unit(random);
  for (std::size_t a = 0; a < 20; ++a)
    for (std::size_t b = 0; b < a; ++b) w(a, b) = w(b, a) = random() % 4 ? 0.0 : unit(random);
  register_modes("10_rows", ids, v, w);
  return true;
}();

}  // namespace
