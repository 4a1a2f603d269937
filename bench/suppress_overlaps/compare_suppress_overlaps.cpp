// suppress_overlaps in the comparison benchmark: 3,000 candidate regions of
// 20..80 cells out of 1,500 on a grid, with a W that is sparse in practice
// and a threshold that keeps most rows (0.9), and with a dense W and one that
// drops most (0.2).
#include "compare.hpp"
#include "overlap_workloads.hpp"
#include "reference_suppress_overlaps.hpp"
#include "suppress_overlaps.hpp"

namespace {

compare::Workload workload(const overlap_workloads::Workload& source, bool sparse, double t) {
  compare::Workload w;
  w.function = "suppress_overlaps";
  w.label =
      std::string("3,000 regions, ") + (sparse ? "sparse W, keeps most" : "dense W, drops most");
  compare::Matrix weights(source.item_weights.size(), 1), threshold(1, 1, t);
  weights.data = source.item_weights;
  w.inputs = {source.items, weights, sparse ? source.sparse : source.dense, threshold};
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = w.inputs.data();
  const std::size_t kept = mexsets::suppress_overlaps(in[0].cref(), in[1].data.data(),
                                                      in[1].data.size(), in[2].cref(), t)
                               .accepted.size();
  w.results = compare::doubles({kept * in[0].cols});
  w.reference = [in, t] {
    reference::suppress_overlaps(in[0].cref(), in[1].data.data(), in[2].cref(), t);
  };
  w.kernel = [in, t] {
    const mexsets::Suppression kept = mexsets::suppress_overlaps(
        in[0].cref(), in[1].data.data(), in[1].data.size(), in[2].cref(), t);
    std::vector<double> out(kept.accepted.size() * in[0].cols);
    mexsets::write_accepted_rows(in[0].cref(), kept.accepted, out.data());
  };
  return w;
}

std::vector<compare::Workload> make(std::uint64_t seed) {
  const auto source = overlap_workloads::make(3000, 30, 50, static_cast<unsigned>(seed));
  std::vector<compare::Workload> list;
  list.push_back(workload(source, true, 0.9));
  list.push_back(workload(source, false, 0.2));
  return list;
}

const compare::Registration registration("suppress_overlaps", make);

}  // namespace
