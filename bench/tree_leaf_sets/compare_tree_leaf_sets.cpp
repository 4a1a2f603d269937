// tree_leaf_sets in the comparison benchmark: merge trees over a 500-by-500
// label grid of 2,000 Voronoi-like regions, merging neighbouring regions,
// balanced (depth ~13) and deep (depth ~500), with 5,000 node-set rows of 1 to
// 4 nodes.
//
// Both ways return one vector of uint32 leaf ids per row, as the host's
// output holds one uint32 row per cell: allocating those rows is a cost both
// share. Peaks include the results; the output column is their entries.
#include <string>
#include <vector>

#include "compare.hpp"
#include "reference_tree_leaf_sets.hpp"
#include "common/leaf_sets.hpp"
#include "tree_workloads.hpp"

namespace {

compare::Workload workload(std::string label, const tree_workloads::Workload& w) {
  compare::Workload out;
  out.function = "tree_leaf_sets";
  out.label = std::move(label);
  out.report_memory = true;
  out.inputs = {tree_workloads::merge_matrix_1based(w.tree), w.sets};
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = out.inputs.data();
  std::size_t bytes = 0;
  for (const auto& row : mexsets::tree_leaf_sets(in[0].cref(), in[1].cref()))
    bytes += row.size() * sizeof(std::uint32_t);
  out.results = {bytes};  // one array of uint32 per row, as one
  out.reference = [in] {
    const auto results = reference::tree_leaf_sets(in[0].cref(), in[1].cref());
    volatile std::size_t sink = results.size();
    (void)sink;
  };
  out.kernel = [in] {
    const auto results = mexsets::tree_leaf_sets(in[0].cref(), in[1].cref());
    volatile std::size_t sink = results.size();
    (void)sink;
  };
  return out;
}

std::vector<compare::Workload> make(std::uint64_t seed) {
  const auto balanced = tree_workloads::workload(500, 500, 2000, 0, 5000, seed);
  const auto deep = tree_workloads::workload(500, 500, 2000, 500, 5000, seed);
  const auto depth = [](const tree_workloads::Workload& w) { return std::to_string(w.tree.depth); };
  std::vector<compare::Workload> list;
  list.push_back(workload("balanced tree (depth " + depth(balanced) + "), 5,000 sets", balanced));
  list.push_back(workload("deep tree (depth " + depth(deep) + "), 5,000 sets", deep));
  return list;
}

const compare::Registration registration("tree_leaf_sets", make);

}  // namespace
