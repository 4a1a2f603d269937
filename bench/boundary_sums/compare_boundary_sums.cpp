// boundary_sums in the comparison benchmark: the 1,001-by-1,001 contour grid
// of contour_workload.hpp (about 1,650 regions, 4,900 keys), with whole keys
// 1..K and with fractional keys; and the same n and keys over an empty grid,
// which leaves only creating the n-by-n pair matrix (22 MB) and handing out
// the sums: the floor that every way pays.
//
// Both ways return fresh, zero-initialised outputs, as the host's are: the
// kernel is the whole computation function (checks, key index, sums,
// distribution), the transcription the tests' oracle.
#include <memory>

#include "boundary_sums.hpp"
#include "compare.hpp"
#include "contour_workload.hpp"
#include "reference_boundary_sums.hpp"

namespace {

compare::Workload workload(std::string label, const contour_workload::Workload& c,
                           bool empty_grid) {
  compare::Workload w;
  w.function = "boundary_sums";
  w.label = std::move(label);
  const compare::Matrix none(0, 0);
  w.inputs = {compare::Matrix(1, 1, static_cast<double>(c.n)),
              c.first,
              c.second,
              c.keys,
              empty_grid ? none : c.labels,
              empty_grid ? none : c.weights};
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = w.inputs.data();
  // Each run's outputs stay alive until the next run has made its own, as a
  // session's results do: new outputs then reuse freed memory instead of
  // paging in fresh memory from the system (both ways alike; the zero-fill
  // of the outputs is still paid in full).
  auto last_reference = std::make_shared<reference::BoundarySums>();
  w.reference = [in, last_reference] {
    auto result = reference::boundary_sums(in[0].data[0], in[1].data.data(), in[2].data.data(),
                                           in[3].cref(), in[4].cref(), in[5].cref());
    volatile double sink = result.pair.empty() ? 0.0 : result.pair.back();
    (void)sink;
    *last_reference = std::move(result);
  };
  auto last_kernel = std::make_shared<mexsets::BoundarySums>();
  w.kernel = [in, last_kernel] {
    mexsets::BoundaryInputs args;
    args.n = mexsets::pair_size(in[0].data[0]);
    args.first = in[1].cref();
    args.second = in[2].cref();
    args.keys = in[3].cref();
    args.labels = in[4].cref();
    args.weights = in[5].cref();
    auto result = mexsets::boundary_sums(args);
    volatile double sink = result.pair.data.empty() ? 0.0 : result.pair.data.back();
    (void)sink;
    *last_kernel = std::move(result);
  };
  return w;
}

std::vector<compare::Workload> make(std::uint64_t seed) {
  const auto whole = contour_workload::make(seed, false);
  const auto fractional = contour_workload::make(seed, true);
  const std::string keys = std::to_string(whole.keys.cols) + " keys";
  std::vector<compare::Workload> list;
  list.push_back(workload("1001x1001 contour grid, " + keys + " 1..K", whole, false));
  list.push_back(workload("1001x1001 contour grid, " + keys + " fractional", fractional, false));
  list.push_back(workload("output floor: empty grid, same n and keys", whole, true));
  return list;
}

const compare::Registration registration("boundary_sums", make);

}  // namespace
