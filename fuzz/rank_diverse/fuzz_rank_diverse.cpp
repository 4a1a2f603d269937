#include "fuzz_main.hpp"

const char* const kFuzzModule = "rank_diverse";

// Worked examples as seeds.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{0}, {0}, {1}}));
  seeds.back().args.push_back(matrix({{1}, {1}, {0.9}}));
  seeds.back().args.push_back(matrix({{1, 0}, {0, 1}}));
  seeds.back().args.push_back(matrix({{0.5}}));
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{0, 1, -1}, {1, 2, 0}, {2, -1, -1}}));
  seeds.back().args.push_back(matrix({{3}, {2}, {1}}));
  seeds.back().args.push_back(matrix({{1, 0.5, 0}, {0.5, 1, 0.5}, {0, 0.5, 1}}));
  return seeds;
}
