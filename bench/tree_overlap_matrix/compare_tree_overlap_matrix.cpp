// tree_overlap_matrix in the comparison benchmark: merge trees over a
// 500-by-500 label grid of 2,000 Voronoi-like regions, merging neighbouring
// regions, balanced (depth ~13) and deep (depth ~500); 3,999 nodes, so the
// result is 3,999-by-3,999 (122 MB).
//
// Both ways return a fresh, zero-initialised R-by-R result, as the host's
// output is: the kernel is the whole computation function (checks, leaf
// lists, result, fill), the transcription the tests' oracle. Creating and
// first touching that result is a floor both share (and the vectorized
// Octave code too): the floor's write (compare.hpp).
#include <vector>

#include "compare.hpp"
#include "reference_tree_overlap_matrix.hpp"
#include "tree_overlap_matrix.hpp"
#include "tree_workloads.hpp"

namespace {

constexpr std::size_t kRows = 500, kCols = 500, kLeaves = 2000;

// Node rows holding region areas in cells: a leaf's own, a merge node's the
// sum of its children's (only the leaf rows are read).
compare::Matrix areas(const tree_workloads::LabelGrid& grid,
                      const tree_workloads::MergeTree& tree) {
  compare::Matrix nodes(tree.nodes(), 1, 0.0);
  for (double label : grid.labels.data) nodes.data[static_cast<std::size_t>(label) - 1] += 1.0;
  for (std::size_t r = 0; r < tree.children.size(); ++r)
    for (std::uint32_t child : tree.children[r]) nodes.data[tree.leaves + r] += nodes.data[child];
  return nodes;
}

compare::Workload workload(std::string label, const compare::Matrix& unused, compare::Matrix merge,
                           compare::Matrix nodes) {
  compare::Workload w;
  w.function = "tree_overlap_matrix";
  w.label = std::move(label);
  w.report_memory = true;
  w.results = {nodes.rows * nodes.rows * sizeof(double)};
  w.inputs = {unused, std::move(merge), std::move(nodes)};
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = w.inputs.data();
  w.reference = [in] {
    const auto result = reference::tree_overlap_matrix(in[1].cref(), in[2].cref());
    volatile double sink = result.data.empty() ? 0.0 : result.data.back();
    (void)sink;
  };
  w.kernel = [in] {
    const auto result = mexsets::tree_overlap_matrix(in[1].cref(), in[2].cref());
    volatile double sink = result.data.empty() ? 0.0 : result.data.back();
    (void)sink;
  };
  return w;
}

std::vector<compare::Workload> make(std::uint64_t seed) {
  const auto grid = tree_workloads::label_grid(kRows, kCols, kLeaves, seed);
  const auto balanced = tree_workloads::merge_tree(grid, 0, seed);
  const auto deep = tree_workloads::merge_tree(grid, 500, seed);
  const compare::Matrix& unused = grid.labels;  // input 1: any double matrix

  const auto depth = [](const tree_workloads::MergeTree& t) { return std::to_string(t.depth); };
  std::vector<compare::Workload> list;
  list.push_back(workload("balanced tree (depth " + depth(balanced) + "), areas", unused,
                          tree_workloads::merge_matrix_0based(balanced), areas(grid, balanced)));
  list.push_back(workload("deep tree (depth " + depth(deep) + "), areas", unused,
                          tree_workloads::merge_matrix_0based(deep), areas(grid, deep)));
  list.push_back(workload("deep tree (depth " + depth(deep) + "), random weights", unused,
                          tree_workloads::merge_matrix_0based(deep),
                          tree_workloads::node_weights(deep, seed)));
  return list;
}

const compare::Registration registration("tree_overlap_matrix", make);

}  // namespace
