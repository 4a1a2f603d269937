// nondominated on random points: 100,000 in 2 and 3 columns, uniform in the
// unit cube or on the unit simplex (anti-correlated: nearly every point is on
// the front), each also with ten NaN entries (which send the shipped routine
// to the sweep); 20,000 in 4 columns; 10,000 and 20,000 in 5 columns. The
// shipped routine against the plain sweep, and the whole gateway through the
// stand-in host.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "../../tests/nondominated/reference_nondominated.hpp"
#include "host.hpp"
#include "nondominated.hpp"

namespace {

enum Shape { kUniform, kSimplex };

struct Points {
  std::size_t m = 0, d = 0;
  std::vector<double> x;  // column-major
};

const Points& points(std::size_t m, std::size_t d, Shape shape, std::size_t nans) {
  static std::map<std::tuple<std::size_t, std::size_t, int, std::size_t>, Points> cache;
  Points& p = cache[{m, d, shape, nans}];
  if (p.x.empty()) {
    std::mt19937_64 random(1000 * d + 10 * shape + nans);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    p.m = m;
    p.d = d;
    p.x.resize(m * d);
    for (std::size_t r = 0; r < m; ++r) {
      double total = 0;
      for (std::size_t k = 0; k < d; ++k) {
        double& v = p.x[r + k * m];
        v = shape == kUniform ? unit(random) : -std::log(1.0 - unit(random));
        total += v;
      }
      if (shape == kSimplex)
        for (std::size_t k = 0; k < d; ++k) p.x[r + k * m] /= total;
    }
    for (std::size_t n = 0; n < nans; ++n) p.x[random() % (m * d)] = NAN;
  }
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

}  // namespace

BENCHMARK_MAIN();
