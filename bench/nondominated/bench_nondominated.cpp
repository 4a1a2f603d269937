// nondominated on random points: 100,000 in 2 and 3 columns, uniform in the
// unit cube or on the unit simplex (anti-correlated: nearly every point is on
// the front), each also with ten NaN entries (which send the shipped routine
// to the sweep); 20,000 in 4 columns; 10,000 and 20,000 in 5 columns. The
// shipped routine against the plain sweep, and the whole gateway through the
// stand-in host. The points come from nondominated_points.hpp, as in the
// comparison program.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "../../tests/nondominated/reference_nondominated.hpp"
#include "../support/threads_bench.hpp"
#include "host.hpp"
#include "nondominated.hpp"
#include "nondominated_points.hpp"

namespace {

using nondominated_points::kSimplex;
using nondominated_points::kUniform;
using nondominated_points::Shape;

struct Points {
  std::size_t m = 0, d = 0;
  std::vector<double> x;  // column-major
};

const Points& points(std::size_t m, std::size_t d, Shape shape, std::size_t nans) {
  static std::map<std::tuple<std::size_t, std::size_t, int, std::size_t>, Points> cache;
  Points& p = cache[{m, d, shape, nans}];
  if (p.x.empty()) p = {m, d, nondominated_points::make(m, d, shape, nans)};
  return p;
}

// Runs `mark` (the shipped routine or the plain sweep) over cleared flags;
// counts the points it put on the front.
template <class Mark>
void run_front(benchmark::State& state, const Points& p, Mark mark) {
  std::vector<unsigned char> front(p.m);
  for (auto _ : state) {
    std::fill(front.begin(), front.end(), 0);
    mark(front.data(), p.x.data(), p.m, p.d);
    benchmark::DoNotOptimize(front.data());
  }
  state.counters["front"] = static_cast<double>(std::count(front.begin(), front.end(), 1));
}

void Kernel(benchmark::State& state, std::size_t m, std::size_t d, Shape shape, std::size_t nans) {
  run_front(state, points(m, d, shape, nans), [](auto... args) { mexsets::nondominated(args...); });
}

void Reference(benchmark::State& state, std::size_t m, std::size_t d, Shape shape,
               std::size_t nans) {
  run_front(state, points(m, d, shape, nans),
            [](auto... args) { reference::nondominated(args...); });
}

void Gateway(benchmark::State& state, std::size_t m, std::size_t d, Shape shape, std::size_t nans) {
  const Points& p = points(m, d, shape, nans);
  static const standin::Module module("nondominated");
  auto x = standin::doubles(m, d, p.x);
  for (auto _ : state) benchmark::DoNotOptimize(module.call(1, {&x}));
}

#define MEXSETS_POINTS(name, m, d, shape, nans)                                         \
  BENCHMARK_CAPTURE(Kernel, name, m, d, shape, nans)->Unit(benchmark::kMillisecond);    \
  BENCHMARK_CAPTURE(Reference, name, m, d, shape, nans)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(Gateway, name, m, d, shape, nans)->Unit(benchmark::kMillisecond)

MEXSETS_POINTS(uniform_2d_100k, 100000, 2, kUniform, 0);
MEXSETS_POINTS(simplex_2d_100k, 100000, 2, kSimplex, 0);
MEXSETS_POINTS(uniform_3d_100k, 100000, 3, kUniform, 0);
MEXSETS_POINTS(simplex_3d_100k, 100000, 3, kSimplex, 0);
MEXSETS_POINTS(uniform_2d_100k_nan, 100000, 2, kUniform, 10);
MEXSETS_POINTS(simplex_2d_100k_nan, 100000, 2, kSimplex, 10);
MEXSETS_POINTS(uniform_3d_100k_nan, 100000, 3, kUniform, 10);
MEXSETS_POINTS(simplex_3d_100k_nan, 100000, 3, kSimplex, 10);
MEXSETS_POINTS(uniform_4d_20k, 20000, 4, kUniform, 0);
MEXSETS_POINTS(simplex_4d_20k, 20000, 4, kSimplex, 0);
MEXSETS_POINTS(uniform_5d_10k, 10000, 5, kUniform, 0);
MEXSETS_POINTS(simplex_5d_10k, 10000, 5, kSimplex, 0);
MEXSETS_POINTS(uniform_5d_20k, 20000, 5, kUniform, 0);
MEXSETS_POINTS(simplex_5d_20k, 20000, 5, kSimplex, 0);

// Threads: the shipped routine on one thread and on two, on anti-correlated
// points in three columns (100,000) and four (20,000), and on 100,000
// uniform points in two columns with 1% of the rows holding NaN; then as
// long calls, whose sorts run by chunks: 1,000,000 points in three columns
// and 200,000 in four.
template <std::size_t m, std::size_t d, Shape shape, std::size_t nans>
void Threads(benchmark::State& state) {
  const mexsets::ThreadScope scope(threads_bench::threads(state));
  run_front(state, points(m, d, shape, nans), [](auto... args) { mexsets::nondominated(args...); });
}
BENCHMARK(Threads<100000, 3, kSimplex, 0>)->Apply(threads_bench::one_and_two);
BENCHMARK(Threads<20000, 4, kSimplex, 0>)->Apply(threads_bench::one_and_two);
BENCHMARK(Threads<100000, 2, kUniform, 1000>)->Apply(threads_bench::one_and_two);
BENCHMARK(Threads<1000000, 3, kSimplex, 0>)->Apply(threads_bench::one_and_two);
BENCHMARK(Threads<200000, 4, kSimplex, 0>)->Apply(threads_bench::one_and_two);

// Scaling: anti-correlated points in two columns (all on the front), 10^4 to
// 10^6 of them. The work is a few linear passes and a bucket sort, so each
// step of 10 should take about 10 times as long; a larger step means the
// passes fell out of the caches (run with --benchmark_filter=Scaling; the
// exponent between two sizes is log(t2/t1)/log(n2/n1)).
void Scaling(benchmark::State& state) {
  const auto m = static_cast<std::size_t>(state.range(0));
  run_front(state, points(m, 2, kSimplex, 0), [](auto... args) { mexsets::nondominated(args...); });
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scaling)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
