#include "fuzz_main.hpp"

const char* const kFuzzModule = "nondominated";

// Worked examples as seeds.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{3, 1}, {1, 3}, {2, 2}, {3, 3}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{2, 2}, {3, 1}, {1, 3}, {1, 1}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{1, 2}, {1, 2}, {2, 1}}));
  return seeds;
}
