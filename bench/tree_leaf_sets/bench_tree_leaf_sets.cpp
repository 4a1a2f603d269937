// tree_leaf_sets on merge trees over a 500-by-500 label grid with 2,000
// regions (leaves): balanced (depth ~13), depth ~40 and deep (~500), with
// 5,000 node-set rows of 1 to 4 nodes each. Three ways: the shipped
// computation, the whole gateway through the stand-in host, and the plain
// transcription (per-node copied linked lists, each result copied and
// sorted).
//
// Counters: out_MB is the results' uint32 entries; heap_MB the peak of heap
// bytes held during one run (results included), counted by the operator new
// of counting_heap.hpp, and scratch_x that peak less the results, over the
// results.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>

#include "common/leaf_sets.hpp"
#include "common/parallel.hpp"
#include "counting_heap.hpp"
#include "host.hpp"
#include "reference_tree_leaf_sets.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"
#include "tree_workloads.hpp"

using counting_heap::count_heap;
using counting_heap::largest_peak;

namespace {

struct Workload {
  std::size_t depth = 0;
  std::size_t output = 0;  // leaves over all results
  mexsets::OwnedMatrix<double> merges, sets;
};

// Target depths: 0 (rounds only, balanced), 40, 500.
const Workload& workload(std::size_t target_depth) {
  static std::map<std::size_t, Workload> made;
  auto found = made.find(target_depth);
  if (found != made.end()) return found->second;
  const auto& w = tree_workloads::standard_sets(target_depth);
  Workload out;
  out.depth = w.depth;
  out.merges = w.merges;
  out.sets = w.sets;
  for (const auto& row : mexsets::tree_leaf_sets(out.merges.cref(), out.sets.cref()))
    out.output += row.size();
  return made[target_depth] = std::move(out);
}

template <class Run>
void measure(benchmark::State& state, const Workload& w, Run run) {
  const std::size_t peak = largest_peak(state, run);
  const std::size_t out = w.output * sizeof(std::uint32_t);
  state.counters["depth"] = static_cast<double>(w.depth);
  count_heap(state, out, peak);
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  measure(state, w, [&] {
    auto result = mexsets::tree_leaf_sets(w.merges.cref(), w.sets.cref());
    benchmark::DoNotOptimize(result.data());
  });
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  static const standin::Module module("tree_leaf_sets");
  auto merges = standin::doubles(w.merges.rows, w.merges.cols, w.merges.data);
  auto sets = standin::doubles(w.sets.rows, w.sets.cols, w.sets.data);
  measure(state, w, [&] { benchmark::DoNotOptimize(module.call(1, {&merges, &sets})); });
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  measure(state, w, [&] {
    auto result = reference::tree_leaf_sets(w.merges.cref(), w.sets.cref());
    benchmark::DoNotOptimize(result.data());
  });
}

// Threads: the computation on 1 and 2 threads (a ThreadScope, as a host's
// threads count makes). Arguments: target depth, threads.
void Threads(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  const mexsets::ThreadScope scope(static_cast<std::size_t>(state.range(1)));
  measure(state, w, [&] {
    auto result = mexsets::tree_leaf_sets(w.merges.cref(), w.sets.cref());
    benchmark::DoNotOptimize(result.data());
  });
  state.SetLabel(state.range(0) ? "deep tree (depth 500)" : "balanced tree");
}

// Crossover: the whole call over the balanced tree (0) or the deep one (500)
// and its first n node-set rows (of 16,000), on 1 and 2 threads, the rows
// cut into two chunks at least. Where two threads first win clearly, the
// counter units (the estimated work of filling the rows: 16 a row, 4 an
// entry) gives common/leaf_sets.cpp's fill_split_work. Arguments: threads,
// rows, target depth.
void Crossover(benchmark::State& state) {
  static std::map<std::int64_t,
                  std::pair<mexsets::OwnedMatrix<double>, mexsets::OwnedMatrix<double>>>
      trees;
  const std::int64_t depth = state.range(2);
  if (!trees.count(depth)) {
    const auto w =
        tree_workloads::workload(500, 500, 2000, static_cast<std::size_t>(depth), 16000, 1);
    trees[depth] = {tree_workloads::merge_matrix_1based(w.tree), w.sets};
  }
  const auto& all = trees[depth];
  const auto rows = static_cast<std::size_t>(state.range(1));
  mexsets::OwnedMatrix<double> sets(rows, all.second.cols);
  for (std::size_t c = 0; c < sets.cols; ++c)
    for (std::size_t r = 0; r < rows; ++r) sets(r, c) = all.second(r, c);
  std::size_t entries = 0;
  for (const auto& row : mexsets::tree_leaf_sets(all.first.cref(), sets.cref()))
    entries += row.size();
  const mexsets::ThreadScope scope(threads_bench::threads(state), (rows + 1) / 2);
  for (auto _ : state) {
    auto result = mexsets::tree_leaf_sets(all.first.cref(), sets.cref());
    benchmark::DoNotOptimize(result.data());
  }
  state.counters["units"] = 16.0 * static_cast<double>(rows) + 4.0 * static_cast<double>(entries);
}
BENCHMARK(Crossover)->Apply([](benchmark::internal::Benchmark* b) {
  for (std::int64_t depth : {0, 500})
    for (std::int64_t rows = 250; rows <= (depth ? 4000 : 16000); rows *= 2)
      for (std::int64_t threads : {1, 2}) b->Args({threads, rows, depth});
  b->Unit(benchmark::kMicrosecond)->UseRealTime();
});

BENCHMARK(Kernel)->Arg(0)->Arg(40)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(Threads)->ArgsProduct({{0, 500}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Gateway)->Arg(0)->Arg(40)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(Transcription)->Arg(0)->Arg(40)->Arg(500)->Unit(benchmark::kMillisecond);

// Balanced trees over 500 to 8,000 regions, 5,000 sets: each set's leaves
// grow with the regions, so the work is linear in them.
void Scaling(benchmark::State& state) {
  const auto w = tree_workloads::scaled(static_cast<std::size_t>(state.range(0)), 5000);
  const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  for (auto _ : state) {
    auto result = mexsets::tree_leaf_sets(merges.cref(), w.sets.cref());
    benchmark::DoNotOptimize(result.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 500, benchmark::oN);
});

}  // namespace

BENCHMARK_MAIN();
