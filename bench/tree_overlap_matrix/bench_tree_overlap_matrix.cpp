// tree_overlap_matrix on merge trees over a 500-by-500 label grid with 2,000
// regions (leaves): balanced (depth ~13), depth ~40 and deep (~500). Three
// ways: the shipped computation, the whole gateway through the stand-in
// host, and the plain transcription (per-node copied lists, one intersection
// per pair).
//
// Fresh results cost page faults for all R*R entries, which every way pays
// (ResultOnly measures that floor); KernelResident shows the computation
// alone.
//
// Counters: out_MB is the R-by-R result; heap_MB the peak of heap bytes held
// during one run (result included), counted by the operator new of counting_heap.hpp;
// maxrss_MB the process's peak resident size, meaningful when a single
// benchmark runs in the process (--benchmark_filter=...).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "common/huge_pages.hpp"
#include "common/parallel.hpp"
#include "counting_heap.hpp"
#include "host.hpp"
#include "reference_tree_overlap_matrix.hpp"
#include "scaling.hpp"
#include "threads_bench.hpp"
#include "tree_overlap_matrix.hpp"
#include "tree_workloads.hpp"

using counting_heap::largest_peak;
using counting_heap::megabytes;

namespace {

struct Workload {
  std::size_t depth = 0;
  mexsets::OwnedMatrix<double> merge;  // 0-based, -1 padding
  mexsets::OwnedMatrix<double> nodes;  // R-by-1 weights
};

// Target depths: 0 (rounds only, balanced), 40, 500.
const Workload& workload(std::size_t target_depth) {
  static std::map<std::size_t, Workload> made;
  auto found = made.find(target_depth);
  if (found != made.end()) return found->second;
  const auto grid = tree_workloads::label_grid(500, 500, 2000, 1);
  const auto tree = tree_workloads::merge_tree(grid, target_depth, 1);
  Workload w;
  w.depth = tree.depth;
  w.merge = tree_workloads::merge_matrix_0based(tree);
  w.nodes = tree_workloads::node_weights(tree, 1);
  return made[target_depth] = std::move(w);
}

double maxrss_megabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;  // kilobytes on Linux
}

template <class Run>
void measure(benchmark::State& state, const Workload& w, Run run) {
  const std::size_t peak = largest_peak(state, run);
  const std::size_t r = w.nodes.rows;
  state.counters["depth"] = static_cast<double>(w.depth);
  state.counters["nodes"] = static_cast<double>(r);
  state.counters["out_MB"] = megabytes(r * r * sizeof(double));
  state.counters["heap_MB"] = megabytes(peak);
  state.counters["maxrss_MB"] = maxrss_megabytes();
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  measure(state, w, [&] {
    auto result = mexsets::tree_overlap_matrix(w.merge.cref(), w.nodes.cref());
    benchmark::DoNotOptimize(result.data.data());
  });
}

// The same work into a result buffer that is already resident (zeroed again
// each run), which leaves out the page faults of a fresh R-by-R result.
void KernelResident(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  std::vector<double> result(w.nodes.rows * w.nodes.rows);
  measure(state, w, [&] {
    std::fill(result.begin(), result.end(), 0.0);
    const auto rows = mexsets::check_merge_matrix(w.merge.cref(), w.nodes.rows);
    mexsets::check_leaf_weights(rows, w.nodes.rows, w.nodes.cols);
    const mexsets::LeafLists lists(rows, w.nodes.rows);
    mexsets::fill_overlap_matrix(lists, w.nodes.data.data(), result.data());
    benchmark::DoNotOptimize(result.data());
  });
}

// One extra row over the deep tree that merges two leaves which already
// have parents: lists no longer nest, so every leaf adds its weight to each
// pair of nodes holding it.
const Workload& tangled() {
  static const Workload w = [] {
    const Workload& deep = workload(500);
    Workload t;
    t.depth = deep.depth;
    t.merge = mexsets::OwnedMatrix<double>(deep.merge.rows + 1, deep.merge.cols, -1.0);
    for (std::size_t j = 0; j < deep.merge.cols; ++j)
      for (std::size_t r = 0; r < deep.merge.rows; ++r) t.merge(r, j) = deep.merge(r, j);
    t.merge(deep.merge.rows, 0) = 0;
    t.merge(deep.merge.rows, 1) = 1;
    t.merge(deep.merge.rows, deep.merge.cols - 1) = static_cast<double>(deep.nodes.rows);
    t.nodes = mexsets::OwnedMatrix<double>(deep.nodes.rows + 1, 1, 0.0);
    std::copy(deep.nodes.data.begin(), deep.nodes.data.end(), t.nodes.data.begin());
    return t;
  }();
  return w;
}

void KernelResidentTangled(benchmark::State& state) {
  const Workload& w = tangled();
  std::vector<double> result(w.nodes.rows * w.nodes.rows);
  measure(state, w, [&] {
    std::fill(result.begin(), result.end(), 0.0);
    const mexsets::LeafLists lists(mexsets::check_merge_matrix(w.merge.cref(), w.nodes.rows),
                                   w.nodes.rows);
    mexsets::fill_overlap_matrix(lists, w.nodes.data.data(), result.data());
    benchmark::DoNotOptimize(result.data());
  });
}

// The floor every way shares: creating and zeroing a fresh R-by-R result.
void ResultOnly(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  measure(state, w, [&] {
    mexsets::OwnedMatrix<double> result(w.nodes.rows, w.nodes.rows);
    benchmark::DoNotOptimize(result.data.data());
  });
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  static const standin::Module module("tree_overlap_matrix");
  auto unused = standin::empty();
  auto merge = standin::doubles(w.merge.rows, w.merge.cols, w.merge.data);
  auto nodes = standin::doubles(w.nodes.rows, w.nodes.cols, w.nodes.data);
  measure(state, w, [&] { benchmark::DoNotOptimize(module.call(1, {&unused, &merge, &nodes})); });
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload(state.range(0));
  measure(state, w, [&] {
    auto result = reference::tree_overlap_matrix(w.merge.cref(), w.nodes.cref());
    benchmark::DoNotOptimize(result.data.data());
  });
}

// Threads: the computation on 1 and 2 threads (a ThreadScope, as a host's
// threads count makes) into a result zeroed as the hosts zero one
// (common/huge_pages.hpp), so that its pages are faulted in by the threads
// that write them; over the balanced tree (0), the deep one (500) and the
// deep one tangled (1). Arguments: tree, threads.
void Threads(benchmark::State& state) {
  const Workload& w = state.range(0) == 1 ? tangled() : workload(state.range(0));
  const mexsets::ThreadScope scope(static_cast<std::size_t>(state.range(1)));
  measure(state, w, [&] {
    const auto result = mexsets::zeroed_buffer<double>(w.nodes.rows * w.nodes.rows);
    const mexsets::LeafLists lists(mexsets::check_merge_matrix(w.merge.cref(), w.nodes.rows),
                                   w.nodes.rows);
    mexsets::fill_overlap_matrix(lists, w.nodes.data.data(), result.get());
    benchmark::DoNotOptimize(result.get());
  });
  const char* trees[] = {"balanced tree", "deep tree, tangled", "deep tree"};
  state.SetLabel(trees[state.range(0) == 500 ? 2 : state.range(0)]);
}

// Crossover: the lists' fill into a resident result (nested lists write the
// same entries every run, so it is zeroed once) over balanced (0) and deep
// (1: depth a quarter of the leaves) trees of 125 to 2,000 leaves, on 1 and
// 2 threads, the nodes cut into two chunks at least. Where two threads first
// win clearly, the counter units (the column loop's estimated work: 8 a
// node, 16 a node-ancestor pair) gives tree_overlap_matrix.cpp's
// kNestedSplitWork. Arguments: threads, leaves, deep.
void Crossover(benchmark::State& state) {
  const auto leaves = static_cast<std::size_t>(state.range(1));
  const auto side = static_cast<std::size_t>(std::lround(std::sqrt(125.0 * double(leaves))));
  const auto grid = tree_workloads::label_grid(side, side, leaves, 1);
  const auto tree = tree_workloads::merge_tree(grid, state.range(2) ? leaves / 4 : 0, 1);
  const auto merge = tree_workloads::merge_matrix_0based(tree);
  const auto weights = tree_workloads::node_weights(tree, 1);
  const std::size_t r = weights.rows;
  const mexsets::LeafLists lists(mexsets::check_merge_matrix(merge.cref(), r), r);
  std::vector<double> result(r * r);
  mexsets::fill_overlap_matrix(lists, weights.data.data(), result.data());
  double pairs = 0;  // node-ancestor pairs: the nonzero entries over two
  for (std::size_t k = tree.leaves; k < r; ++k)
    for (std::size_t i = 0; i < k; ++i)
      if (result[i + k * r] != 0) ++pairs;
  const mexsets::ThreadScope scope(threads_bench::threads(state), (r + 1) / 2);
  for (auto _ : state) {
    mexsets::fill_overlap_matrix(lists, weights.data.data(), result.data());
    benchmark::DoNotOptimize(result.data());
  }
  state.counters["depth"] = static_cast<double>(tree.depth);
  state.counters["units"] = 8 * static_cast<double>(r) + 16 * pairs;
}
BENCHMARK(Crossover)->Apply([](benchmark::internal::Benchmark* b) {
  for (std::int64_t deep : {0, 1})
    for (std::int64_t leaves = 125; leaves <= 2000; leaves *= 2)
      for (std::int64_t threads : {1, 2}) b->Args({threads, leaves, deep});
  b->Unit(benchmark::kMicrosecond)->UseRealTime();
});

BENCHMARK(Kernel)->Arg(0)->Arg(40)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(Threads)
    ->ArgsProduct({{0, 500, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(KernelResident)->Arg(0)->Arg(40)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(KernelResidentTangled)->Unit(benchmark::kMillisecond);
BENCHMARK(ResultOnly)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Arg(0)->Arg(40)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(Transcription)->Arg(0)->Arg(40)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);

// Balanced trees over 125 to 2,000 regions: the result is nodes by nodes,
// so the work grows with the square of the regions.
void Scaling(benchmark::State& state) {
  const auto w = tree_workloads::scaled(static_cast<std::size_t>(state.range(0)), 0);
  const auto merge = tree_workloads::merge_matrix_0based(w.tree);
  const auto nodes = tree_workloads::node_weights(w.tree, 1);
  for (auto _ : state) {
    auto result = mexsets::tree_overlap_matrix(merge.cref(), nodes.cref());
    benchmark::DoNotOptimize(result.data.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 125, benchmark::oNSquared);
});

}  // namespace

BENCHMARK_MAIN();
