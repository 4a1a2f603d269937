// tree_occurrence_masks in the comparison benchmark: merge trees over a
// 500-by-500 label grid of 2,000 Voronoi-like regions, merging neighbouring
// regions, balanced (depth ~13) and deep (depth ~500), with 500 node-set rows
// of 1 to 4 nodes, so the result is 500-by-500-by-500 flags (119 MB).
//
// The transcription copies position lists up the tree: on the deep tree it
// needs ~4 GB at 500-by-500, so it is not run there; the deep tree over a
// 250-by-250 grid (same 2,000 regions) is the pair that compares the two.
//
// Both ways write into a fresh zeroed output allocated as the host creates
// one (calloc: zero pages are only paid for where something is written), so
// the peak columns count scratch only; the output column is its size.
// The floor (compare.hpp) writes every flag of a fresh output; the kernel
// writes only the flags that are set, so it can come in under the floor.
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "compare.hpp"
#include "reference_tree_occurrence_masks.hpp"
#include "tree_occurrence_masks.hpp"
#include "tree_workloads.hpp"

namespace {

constexpr std::size_t kLeaves = 2000, kPlanes = 500;

// A zeroed M*N*K flag array from the C heap, as the host allocates outputs.
struct Flags {
  explicit Flags(std::size_t count) : data(static_cast<bool*>(std::calloc(count ? count : 1, 1))) {
    if (!data) throw std::bad_alloc();
  }
  Flags(const Flags&) = delete;
  Flags& operator=(const Flags&) = delete;
  ~Flags() { std::free(data); }
  bool* data;
};

compare::Workload workload(std::string label, const tree_workloads::Workload& w,
                           bool run_reference) {
  compare::Workload out;
  out.function = "tree_occurrence_masks";
  out.label = std::move(label);
  out.report_memory = true;
  out.run_reference = run_reference;
  out.results = {w.grid.labels.data.size() * w.sets.rows};
  out.inputs = {w.grid.labels, tree_workloads::merge_matrix_1based(w.tree), w.sets};
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = out.inputs.data();
  const std::size_t count = out.results[0];
  out.reference = [in, count] {
    Flags flags(count);
    reference::tree_occurrence_masks(in[0].cref(), in[1].cref(), in[2].cref(), flags.data);
    volatile bool sink = flags.data[count / 2];
    (void)sink;
  };
  out.kernel = [in, count] {
    Flags flags(count);
    mexsets::TreeOccurrenceMasks masks(
        mexsets::TreeOccurrenceMasks::check(in[0].cref(), in[1].cref(), in[2].cref()));
    masks.mark(flags.data);
    volatile bool sink = flags.data[count / 2];
    (void)sink;
  };
  return out;
}

std::vector<compare::Workload> make(std::uint64_t seed) {
  const auto balanced = tree_workloads::workload(500, 500, kLeaves, 0, kPlanes, seed);
  const auto deep = tree_workloads::workload(500, 500, kLeaves, 500, kPlanes, seed);
  const auto deep_small = tree_workloads::workload(250, 250, kLeaves, 500, kPlanes, seed);
  const auto depth = [](const tree_workloads::Workload& w) { return std::to_string(w.tree.depth); };
  std::vector<compare::Workload> list;
  list.push_back(
      workload("balanced tree (depth " + depth(balanced) + "), 500 sets", balanced, true));
  list.push_back(workload("deep tree (depth " + depth(deep) + "), 500 sets, no transcr. (~4 GB)",
                          deep, false));
  list.push_back(workload("deep tree (depth " + depth(deep_small) + "), 250x250 grid, 500 sets",
                          deep_small, true));
  return list;
}

const compare::Registration registration("tree_occurrence_masks", make);

}  // namespace
