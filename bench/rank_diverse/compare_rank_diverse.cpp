// rank_diverse in the comparison benchmark: 3,000 candidate regions of 20..80
// cells out of 1,500 on a grid, lambda 0.75, with a W that is sparse in
// practice (cell weights and boundaries between neighbouring cells) and with
// a dense W.
#include "compare.hpp"
#include "overlap_workloads.hpp"
#include "rank_diverse.hpp"
#include "reference_rank_diverse.hpp"

namespace {

compare::Workload workload(const overlap_workloads::Workload& source, bool sparse) {
  compare::Workload w;
  w.function = "rank_diverse";
  w.label = sparse ? "3,000 regions, 1,500 cells, sparse W" : "3,000 regions, 1,500 cells, dense W";
  compare::Matrix relevance(source.relevance.size(), 1), lambda(1, 1, 0.75);
  relevance.data = source.relevance;
  w.inputs = {source.items, relevance, sparse ? source.sparse : source.dense, lambda};
  w.results = compare::doubles({source.items.rows, source.items.rows});
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = w.inputs.data();
  w.reference = [in] {
    std::vector<double> order(in[0].rows), scores(in[0].rows);
    reference::rank_diverse(in[0].cref(), in[1].data.data(), in[2].cref(), 0.75, order.data(),
                            scores.data());
  };
  w.kernel = [in] {
    std::vector<double> order(in[0].rows), scores(in[0].rows);
    mexsets::rank_diverse(in[0].cref(), in[1].data.data(), in[2].cref(), 0.75, order.data(),
                          scores.data());
  };
  return w;
}

std::vector<compare::Workload> make(std::uint64_t seed) {
  const auto source = overlap_workloads::make(3000, 30, 50, static_cast<unsigned>(seed));
  std::vector<compare::Workload> list;
  list.push_back(workload(source, true));
  list.push_back(workload(source, false));
  return list;
}

const compare::Registration registration("rank_diverse", make);

}  // namespace
