// nondominated in the comparison benchmark: 100,000 points in 2 and 3
// columns, uniform in the unit cube (a small front) and anti-correlated on
// the unit simplex (nearly every point on the front), each also with ten NaN
// entries; 20,000 points in 4 and 5 columns, uniform and on the simplex;
// 100,000 uniform points in 2 columns with 1,000 NaN entries (about 1% of
// the rows).
// The points come from nondominated_points.hpp, as in bench_nondominated.
//
// Both ways fill a fresh M-byte flag column, as the host's output is. The
// plain sweep on 100,000 simplex points takes tens of seconds; it runs once.
#include <string>
#include <vector>

#include "compare.hpp"
#include "nondominated.hpp"
#include "nondominated_points.hpp"
#include "reference_nondominated.hpp"

namespace {

using nondominated_points::kSimplex;
using nondominated_points::kUniform;
using nondominated_points::Shape;

compare::Matrix points(std::size_t m, std::size_t d, Shape shape, std::size_t nans,
                       std::uint64_t seed) {
  compare::Matrix x(m, d);
  x.data = nondominated_points::make(m, d, shape, nans, seed);
  return x;
}

compare::Workload workload(std::size_t m, std::size_t d, Shape shape, std::size_t nans,
                           std::uint64_t seed) {
  compare::Workload w;
  w.function = "nondominated";
  w.label = (m == 100000 ? std::string("100,000") : std::string("20,000")) + " points, " +
            std::to_string(d) + "-D, " + (shape == kUniform ? "uniform" : "simplex") +
            (nans ? ", " + std::to_string(nans) + " NaN" : "");
  w.inputs = {points(m, d, shape, nans, seed)};
  // The closures keep a pointer to the inputs; moving the workload keeps
  // the vector's buffer where it is.
  const compare::Matrix* in = w.inputs.data();
  w.reference = [in] {
    std::vector<unsigned char> front(in->rows, 0);
    reference::nondominated(front.data(), in->data.data(), in->rows, in->cols);
    volatile unsigned char sink = front.empty() ? 0 : front.back();
    (void)sink;
  };
  w.kernel = [in] {
    std::vector<unsigned char> front(in->rows, 0);
    mexsets::nondominated(front.data(), in->data.data(), in->rows, in->cols);
    volatile unsigned char sink = front.empty() ? 0 : front.back();
    (void)sink;
  };
  return w;
}

std::vector<compare::Workload> make(std::uint64_t seed) {
  std::vector<compare::Workload> list;
  for (std::size_t nans : {0, 10})
    for (std::size_t d : {2, 3})
      for (Shape shape : {kUniform, kSimplex})
        list.push_back(workload(100000, d, shape, nans, seed));
  for (std::size_t d : {4, 5})
    for (Shape shape : {kUniform, kSimplex}) list.push_back(workload(20000, d, shape, 0, seed));
  list.push_back(workload(100000, 2, kUniform, 1000, seed));  // about 1% of the rows hold NaN
  return list;
}

const compare::Registration registration("nondominated", make);

}  // namespace
