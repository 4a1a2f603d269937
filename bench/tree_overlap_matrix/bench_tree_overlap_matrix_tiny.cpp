// tree_overlap_matrix on tiny trees, where a call should cost little more
// than reading its inputs and writing its R-by-R result: the help's example
// (3 leaves, 5 nodes) and a chain over 10 leaves (19 nodes). For each: the
// plain transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <string>

#include "reference_tree_overlap_matrix.hpp"
#include "tiny_call.hpp"
#include "tree_overlap_matrix_contract.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& merge, const Matrix& node_rows) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    for (auto _ : state) {
      auto w = reference::tree_overlap_matrix(merge.cref(), node_rows.cref());
      benchmark::DoNotOptimize(w.data.data());
    }
  });
  tiny_call::register_calls<mexsets::TreeOverlapMatrixContract>(name, {Matrix(), merge, node_rows},
                                                                1);
}

[[maybe_unused]] const bool registered = [] {
  register_case("3_leaves", rows({{0, 1, -1, 3}, {3, 2, -1, 4}}), rows({{2}, {3}, {5}, {0}, {0}}));
  // Node 10 + r joins the chain so far with leaf r + 1.
  Matrix merge(9, 3), node_rows(19, 1);
  for (std::size_t r = 0; r < 9; ++r) {
    merge(r, 0) = r == 0 ? 0.0 : static_cast<double>(9 + r);
    merge(r, 1) = static_cast<double>(r + 1);
    merge(r, 2) = static_cast<double>(10 + r);
  }
  for (std::size_t k = 0; k < 10; ++k) node_rows(k, 0) = static_cast<double>(k % 4 + 1);
  register_case("10_leaves", merge, node_rows);
  return true;
}();

}  // namespace
