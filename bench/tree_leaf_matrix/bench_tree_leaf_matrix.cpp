// tree_leaf_matrix on the merge trees of the tree_leaf_sets benchmark (a
// 500-by-500 label grid, 2,000 leaves, 5,000 node-set rows of 1 to 4 nodes),
// balanced and deep. Three ways: the shipped computation, the whole gateway
// through the stand-in host, and the glue it replaces (tree_leaf_sets' lists,
// then a padded matrix filled from them); and the computation on 1 and 2
// threads (--benchmark_filter=Threads).
//
// Counter: out_MB, the matrix's bytes.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "common/huge_pages.hpp"
#include "host.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"
#include "tree_leaf_matrix.hpp"
#include "tree_workloads.hpp"

namespace {

using Workload = tree_workloads::MergesAndSets;

const Workload& workload(std::size_t target_depth) {
  return tree_workloads::standard_sets(target_depth);
}

void count_output(benchmark::State& state, const Workload& w) {
  const auto m = mexsets::tree_leaf_matrix(w.merges.cref(), w.sets.cref());
  state.counters["out_MB"] = static_cast<double>(m.data.size() * sizeof(double)) / 1e6;
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  for (auto _ : state) {
    auto m = mexsets::tree_leaf_matrix(w.merges.cref(), w.sets.cref(), 0);
    benchmark::DoNotOptimize(m.data.data());
  }
  count_output(state, w);
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  static const standin::Module module("tree_leaf_matrix");
  auto merges = standin::doubles(w.merges.rows, w.merges.cols, w.merges.data);
  auto sets = standin::doubles(w.sets.rows, w.sets.cols, w.sets.data);
  auto base = standin::scalar(0);
  for (auto _ : state) benchmark::DoNotOptimize(module.call(1, {&merges, &sets, &base}));
  count_output(state, w);
}

void ListsThenPadding(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  for (auto _ : state) {
    const auto lists = mexsets::tree_leaf_sets(w.merges.cref(), w.sets.cref());
    std::size_t width = 0;
    for (const auto& list : lists) width = std::max(width, list.size());
    mexsets::OwnedMatrix<double> m(lists.size(), width, -1.0);
    for (std::size_t j = 0; j < lists.size(); ++j)
      for (std::size_t k = 0; k < lists[j].size(); ++k) m(j, k) = lists[j][k] - 1.0;
    benchmark::DoNotOptimize(m.data.data());
  }
  count_output(state, w);
}

BENCHMARK(Kernel)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(ListsThenPadding)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond);

// The computation on 1 and 2 threads: arguments (threads, target depth).
// The matrix is zeroed as the hosts zero a result (common/huge_pages.hpp),
// so that its pages are faulted in by the threads that write it.
void Threads(benchmark::State& state) {
  const Workload& w = workload(state.range(1));
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  for (auto _ : state) {
    mexsets::TreeLeafSets tree(w.merges.cref(), w.sets.cref());
    const std::size_t width = mexsets::leaf_matrix_width(tree);
    const auto m = mexsets::zeroed_buffer<double>(tree.size() * width);
    mexsets::write_leaf_matrix(tree, width, false, m.get());
    benchmark::DoNotOptimize(m.get());
  }
  state.SetLabel(state.range(1) ? "deep tree" : "balanced tree");
}
BENCHMARK(Threads)->ArgsProduct({{1, 2}, {0, 500}})->Unit(benchmark::kMillisecond)->UseRealTime();

// Balanced trees over 250 to 4,000 regions, 1,000 sets: the result has a
// row per set and a column per leaf, so the work is linear in the regions.
void Scaling(benchmark::State& state) {
  const auto w = tree_workloads::scaled(static_cast<std::size_t>(state.range(0)), 1000);
  const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  for (auto _ : state) {
    auto m = mexsets::tree_leaf_matrix(merges.cref(), w.sets.cref(), 0);
    benchmark::DoNotOptimize(m.data.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 250, benchmark::oN);
});

// 256 to 4,096 node-set rows of a balanced tree of 1,000 leaves around the
// first split: these matrices are mostly padding, written by columns, which
// split from about 2M units of estimated work (tree_leaf_matrix.cpp:
// column_split_work), about 1,000 rows of 1,000 columns.
void Crossover(benchmark::State& state) {
  static const auto tree = tree_workloads::scaled(1000, 0);
  static const auto merges = tree_workloads::merge_matrix_1based(tree.tree);
  const auto sets = tree_workloads::node_sets(tree.tree, threads_bench::size(state), 4, 1);
  mexsets::ThreadScope scope(threads_bench::threads(state));
  threads_bench::timed(state, scope, [&] {
    auto m = mexsets::tree_leaf_matrix(merges.cref(), sets.cref(), 0);
    benchmark::DoNotOptimize(m.data.data());
  });
}
BENCHMARK(Crossover)->Apply([](benchmark::internal::Benchmark* b) {
  threads_bench::crossover(b, 512, 8);
});

}  // namespace

BENCHMARK_MAIN();
