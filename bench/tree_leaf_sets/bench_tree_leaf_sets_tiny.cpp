// tree_leaf_sets on tiny trees, where a call should cost little more than
// reading its inputs: the help's example (3 leaves, three node sets) and a
// chain over 10 leaves with 10 node sets of one or two nodes. For each: the
// plain transcription, the contract's whole run over plain buffers, and the
// gateway through the stand-in host (run with --benchmark_filter=Tiny).
#include <benchmark/benchmark.h>

#include <string>

#include "reference_tree_leaf_sets.hpp"
#include "tiny_call.hpp"
#include "tree_leaf_sets_contract.hpp"

namespace {

using tiny_call::Matrix;
using tiny_call::rows;

void register_case(const std::string& name, const Matrix& merges, const Matrix& sets) {
  benchmark::RegisterBenchmark(("TinyTranscription/" + name).c_str(), [=](benchmark::State& state) {
    for (auto _ : state)
      benchmark::DoNotOptimize(reference::tree_leaf_sets(merges.cref(), sets.cref()));
  });
  tiny_call::register_calls<mexsets::TreeLeafSetsContract>(name, {merges, sets}, 1);
}

// Node 11 + r (1-based) joins the chain so far with leaf r + 2.
Matrix chain_over_10_leaves() {
  Matrix merges(9, 3);
  for (std::size_t r = 0; r < 9; ++r) {
    merges(r, 0) = r == 0 ? 1.0 : static_cast<double>(10 + r);
    merges(r, 1) = static_cast<double>(r + 2);
    merges(r, 2) = static_cast<double>(11 + r);
  }
  return merges;
}

[[maybe_unused]] const bool registered = [] {
  register_case("3_leaves", rows({{1, 2, 4}, {4, 3, 5}}), rows({{5, 0}, {2, 4}, {3, 0}}));
  Matrix sets(10, 2);
  for (std::size_t j = 0; j < 10; ++j) {
    sets(j, 0) = static_cast<double>(1 + (j * 7) % 19);
    sets(j, 1) = j % 2 ? static_cast<double>(1 + (j * 5) % 19) : 0.0;
  }
  register_case("10_leaves", chain_over_10_leaves(), sets);
  return true;
}();

}  // namespace
