// tree_occurrence_masks on a label grid with 2,000 regions (leaves) and
// merge trees over them: balanced (depth ~13), depth ~40 and deep (~500),
// with 500 node-set rows of 1 to 4 nodes each. Three ways: the shipped
// computation, the whole gateway through the stand-in host, and the plain
// transcription (two copied linked lists of positions per node).
//
// The grid is 500-by-500 (argument 2 = 500), except where the transcription
// would need several GB: its deep run uses 250-by-250, and so do the Kernel
// and Gateway runs it is compared with (each pair runs the same workload).
//
// Counters: out_MB is the M*N*K flags; heap_MB the peak of heap bytes held
// during one run (flags included; the transcription keeps them as a
// bit-packed std::vector<bool>), counted by the operator new of counting_heap.hpp;
// scratch_x is that peak less the flags, over the flags. Fresh flags are
// zeroed as the hosts zero a result (common/huge_pages.hpp): their pages
// are faulted in by the computation's threads as they write them (or when
// read later, which no run here does).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "common/huge_pages.hpp"
#include "common/parallel.hpp"
#include "counting_heap.hpp"
#include "host.hpp"
#include "reference_tree_occurrence_masks.hpp"
#include "scaling.hpp"
#include "tree_occurrence_masks.hpp"
#include "tree_workloads.hpp"

using counting_heap::count_heap;
using counting_heap::largest_peak;

namespace {

constexpr std::size_t planes = 500;

struct Workload {
  std::size_t depth = 0;
  mexsets::OwnedMatrix<double> labels, merges, sets;
  std::size_t flags() const { return labels.data.size() * sets.rows; }
};

// Target depth 0 (rounds only, balanced), 40 or 500, on a side-by-side grid.
const Workload& workload(std::size_t target_depth, std::size_t side) {
  static std::map<std::pair<std::size_t, std::size_t>, Workload> made;
  const auto key = std::make_pair(target_depth, side);
  auto found = made.find(key);
  if (found != made.end()) return found->second;
  auto w = tree_workloads::workload(side, side, 2000, target_depth, planes, 1);
  Workload out;
  out.depth = w.tree.depth;
  out.labels = std::move(w.grid.labels);
  out.merges = tree_workloads::merge_matrix_1based(w.tree);
  out.sets = std::move(w.sets);
  return made[key] = std::move(out);
}

template <class Run>
void measure(benchmark::State& state, const Workload& w, Run run) {
  const std::size_t peak = largest_peak(state, run);
  const std::size_t out = w.flags();
  state.counters["depth"] = static_cast<double>(w.depth);
  count_heap(state, out, peak);
}

const Workload& workload(const benchmark::State& state) {
  return workload(state.range(0), state.range(1));
}

// The shipped computation into fresh flags, made as a host makes them.
void mark_fresh_flags(const Workload& w) {
  const auto flags = mexsets::zeroed_buffer<bool>(w.flags());
  mexsets::TreeOccurrenceMasks masks(
      mexsets::TreeOccurrenceMasks::check(w.labels.cref(), w.merges.cref(), w.sets.cref()));
  masks.mark(flags.get());
  benchmark::DoNotOptimize(flags.get());
}

void Kernel(benchmark::State& state) {
  const Workload& w = workload(state);
  measure(state, w, [&] { mark_fresh_flags(w); });
}

// The computation alone: flags already resident, cleared again before each
// run (not timed).
void clear(benchmark::State& state, bool* flags, std::size_t count) {
  state.PauseTiming();
  std::fill(flags, flags + count, false);
  state.ResumeTiming();
}

void KernelResident(benchmark::State& state) {
  const Workload& w = workload(state);
  std::unique_ptr<bool[]> flags(new bool[w.flags()]());
  measure(state, w, [&] {
    clear(state, flags.get(), w.flags());
    mexsets::TreeOccurrenceMasks masks(
        mexsets::TreeOccurrenceMasks::check(w.labels.cref(), w.merges.cref(), w.sets.cref()));
    masks.mark(flags.get());
    benchmark::DoNotOptimize(flags.get());
  });
}

// One plane over a grid whose labels change at every position: no runs
// worth keeping, each plane filled by a pass over the labels.
void KernelOnePlaneNoisy(benchmark::State& state) {
  static const Workload w = [] {
    Workload noisy = workload(40, 500);
    for (std::size_t p = 0; p < noisy.labels.data.size(); ++p)
      noisy.labels.data[p] = static_cast<double>(1 + (p * 7919) % 2000);
    noisy.sets.rows = 1;
    noisy.sets.cols = 4;
    noisy.sets.data.assign({3999, 0, 0, 0});  // the root
    return noisy;
  }();
  measure(state, w, [&] { mark_fresh_flags(w); });
}

void Gateway(benchmark::State& state) {
  const Workload& w = workload(state);
  static const standin::Module module("tree_occurrence_masks");
  auto labels = standin::doubles(w.labels.rows, w.labels.cols, w.labels.data);
  auto merges = standin::doubles(w.merges.rows, w.merges.cols, w.merges.data);
  auto sets = standin::doubles(w.sets.rows, w.sets.cols, w.sets.data);
  measure(state, w, [&] { benchmark::DoNotOptimize(module.call(1, {&labels, &merges, &sets})); });
}

void Transcription(benchmark::State& state) {
  const Workload& w = workload(state);
  measure(state, w, [&] {
    auto flags = reference::tree_occurrence_masks(w.labels.cref(), w.merges.cref(), w.sets.cref());
    benchmark::DoNotOptimize(flags);
  });
}

void shapes(benchmark::internal::Benchmark* b) {
  b->Args({0, 500})->Args({40, 500})->Args({500, 500})->Args({500, 250});
  b->Unit(benchmark::kMillisecond);
}

// Threads: 500 planes over the 500-by-500 grid on 1 and 2 threads (a
// ThreadScope, as a host's threads count makes), into fresh flags and into
// resident ones. Arguments: target depth, resident (0 or 1), threads.
void Threads(benchmark::State& state) {
  const Workload& w = workload(state.range(0), 500);
  const bool resident = state.range(1) != 0;
  const mexsets::ThreadScope scope(static_cast<std::size_t>(state.range(2)));
  std::unique_ptr<bool[]> flags(resident ? new bool[w.flags()]() : nullptr);
  measure(state, w, [&] {
    if (!resident) return mark_fresh_flags(w);
    clear(state, flags.get(), w.flags());
    mexsets::TreeOccurrenceMasks masks(
        mexsets::TreeOccurrenceMasks::check(w.labels.cref(), w.merges.cref(), w.sets.cref()));
    masks.mark(flags.get());
    benchmark::DoNotOptimize(flags.get());
  });
  state.SetLabel(std::string(state.range(0) ? "deep tree" : "balanced tree") +
                 (resident ? ", resident flags" : ", fresh flags"));
}

// A scaled workload's planes marked into fresh flags, once an iteration.
template <class Workload, class Merges>
void mark_scaled(benchmark::State& state, const Workload& w, const Merges& merges) {
  const std::size_t count = w.grid.labels.data.size() * w.sets.rows;
  for (auto _ : state) {
    const auto flags = mexsets::zeroed_buffer<bool>(count);
    mexsets::TreeOccurrenceMasks masks(
        mexsets::TreeOccurrenceMasks::check(w.grid.labels.cref(), merges.cref(), w.sets.cref()));
    masks.mark(flags.get());
    benchmark::DoNotOptimize(flags.get());
  }
}

// ThreadsLong: the Scaling workload at 64,000 regions (8 million cells, 100
// planes, 800 MB of fresh flags) on 1 and 2 threads: a call long enough that
// how late the second thread joins no longer counts.
void ThreadsLong(benchmark::State& state) {
  static const auto w = tree_workloads::scaled(64000, 100);
  static const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  const mexsets::ThreadScope scope(static_cast<std::size_t>(state.range(0)));
  mark_scaled(state, w, merges);
  state.SetLabel("64,000 regions, 100 planes, fresh flags");
}

BENCHMARK(Kernel)->Apply(shapes);
BENCHMARK(Threads)
    ->ArgsProduct({{0, 500}, {0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ThreadsLong)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(KernelResident)->Apply(shapes);
BENCHMARK(KernelOnePlaneNoisy)->Unit(benchmark::kMillisecond);
BENCHMARK(Gateway)->Apply(shapes);
BENCHMARK(Transcription)
    ->Args({0, 500})
    ->Args({40, 500})
    ->Args({500, 250})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Balanced trees over 250 to 4,000 regions of about 125 cells, 100 planes
// into fresh flags: linear in the cells.
void Scaling(benchmark::State& state) {
  const auto w = tree_workloads::scaled(static_cast<std::size_t>(state.range(0)), 100);
  const auto merges = tree_workloads::merge_matrix_1based(w.tree);
  mark_scaled(state, w, merges);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)->Apply([](benchmark::internal::Benchmark* b) {
  scaling::sizes(b, 250, benchmark::oN);
});

}  // namespace

BENCHMARK_MAIN();
