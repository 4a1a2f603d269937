// tree_occurrence_masks on tiny inputs, where a call should cost little more
// than reading its inputs and writing its flags: the help's example (a
// 2-by-3 label matrix over 3 leaves, two planes) and a 4-by-5 label matrix
// over a chain of 10 leaves with 10 node sets. For each: the plain
// transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <string>

#include "reference_tree_occurrence_masks.hpp"
#include "tiny_call.hpp"
#include "tree_occurrence_masks_contract.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& labels, const Matrix& merges,
                   const Matrix& sets) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    for (auto _ : state)
      benchmark::DoNotOptimize(
          reference::tree_occurrence_masks(labels.cref(), merges.cref(), sets.cref()));
  });
  tiny_call::register_calls<mexsets::TreeOccurrenceMasksContract>(name, {labels, merges, sets}, 1);
}

[[maybe_unused]] const bool registered = [] {
  register_case("3_leaves", rows({{1, 1, 2}, {3, 3, 2}}), rows({{1, 2, 4}, {4, 3, 0}}),
                rows({{4, 0}, {3, 1}}));
  // Node 11 + r (1-based) joins the chain so far with leaf r + 2.
  Matrix labels(4, 5), merges(9, 3), sets(10, 2);
  for (std::size_t p = 0; p < 20; ++p) labels.data[p] = static_cast<double>(1 + p / 2);
  for (std::size_t r = 0; r < 9; ++r) {
    merges(r, 0) = r == 0 ? 1.0 : static_cast<double>(10 + r);
    merges(r, 1) = static_cast<double>(r + 2);
    merges(r, 2) = static_cast<double>(11 + r);
  }
  for (std::size_t j = 0; j < 10; ++j) {
    sets(j, 0) = static_cast<double>(1 + (j * 7) % 19);
    sets(j, 1) = j % 2 ? static_cast<double>(1 + (j * 5) % 19) : 0.0;
  }
  register_case("10_leaves", labels, merges, sets);
  return true;
}();

}  // namespace
