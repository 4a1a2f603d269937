#include "fuzz_main.hpp"

const char* const kFuzzModule = "nondominated";

// Worked examples as seeds, the NaN cases, and a front of 60 points with a
// few NaN entries (long enough for inputs holding NaN to leave the plain
// sweep for the search tree).
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  auto add = [&](standin::Array x) {
    seeds.push_back({1, {}});
    seeds.back().args.push_back(std::move(x));
  };
  add(matrix({{3, 1}, {1, 3}, {2, 2}, {3, 3}}));
  add(matrix({{2, 2}, {3, 1}, {1, 3}, {1, 1}}));
  add(matrix({{1, 2}, {1, 2}, {2, 1}}));
  add(matrix({{5}, {4}, {3}, {2}, {1}}));
  add(matrix({{NAN, NAN}, {1, 1}}));
  add(matrix({{1, NAN}, {2, 0}}));
  add(matrix({{2, 0}, {1, NAN}}));
  add(matrix({{0.0, 1, INFINITY}, {-0.0, 1, -INFINITY}, {1, -0.0, 2}, {1, 0.0, 2}}));
  std::vector<double> front(60 * 3);
  for (std::size_t r = 0; r < 60; ++r) {
    front[r] = static_cast<double>(r % 7);
    front[r + 60] = static_cast<double>((r * 5) % 11);
    front[r + 120] = 20.0 - front[r] - front[r + 60];
  }
  front[17] = front[60 + 41] = front[120 + 5] = NAN;
  add(standin::doubles(60, 3, front));
  return seeds;
}
