// boundary_sums in the comparison benchmark: the 1,001-by-1,001 contour grid
// of contour_workload.hpp (about 1,650 regions, 4,900 keys), with whole keys
// 1..K and with fractional keys; and the same n and keys over an empty grid,
// which leaves only creating the n-by-n pair matrix (22 MB) and handing out
// the sums: the floor that every way pays.
//
// Both ways write zero-initialised outputs, as the host's are: the kernel is
// the gateway's computation (checks, key index, sums, distribution), the
// transcription the tests' oracle.
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
  // Both ways fill outputs kept from run to run: each run pays for zeroing
  // them (the host hands out zeroed outputs), none for paging in fresh
  // memory from the system, which on this kind of machine costs more than
  // the work itself and depends on the allocator's state, not on the code.
  // Both sets of outputs are laid out (and paged in) before timing.
  const auto n = static_cast<std::size_t>(c.n);
  w.results = compare::doubles({n * n, n});
  w.results_kept = true;
  auto laid_out = [n] {
    auto out = std::make_shared<reference::BoundarySums>();
    out->pair.assign(n * n, 0.0);
    out->border.assign(n, 0.0);
    return out;
  };
  auto reference_out = laid_out();
  w.reference = [in, reference_out] {
    reference::boundary_sums(*reference_out, in[0].data[0], in[1].data.data(), in[2].data.data(),
                             in[3].cref(), in[4].cref(), in[5].cref());
    volatile double sink = reference_out->pair.empty() ? 0.0 : reference_out->pair.back();
    (void)sink;
  };
  // The gateway's steps: checks, zeroed outputs, key sums, distribution.
  auto kernel_out = laid_out();
  w.kernel = [in, kernel_out] {
    mexsets::BoundaryInputs args;
    args.n = mexsets::pair_size(in[0].data[0]);
    args.first = in[1].cref();
    args.second = in[2].cref();
    args.keys = in[3].cref();
    args.labels = in[4].cref();
    args.weights = in[5].cref();
    mexsets::check_boundary_inputs(args);
    kernel_out->pair.assign(args.n * args.n, 0.0);
    kernel_out->border.assign(args.n, 0.0);
    const mexsets::KeySums sums = mexsets::boundary_key_sums(args);
    mexsets::distribute_boundary_sums(args, sums, kernel_out->pair.data(),
                                      kernel_out->border.data());
    volatile double sink = kernel_out->pair.empty() ? 0.0 : kernel_out->pair.back();
    (void)sink;
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
