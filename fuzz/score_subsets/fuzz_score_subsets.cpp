#include "fuzz_main.hpp"

const char* const kFuzzModule = "score_subsets";

std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{10, 20, 30}}));
  seeds.back().args.push_back(matrix({{1, 2, 3}}));
  seeds.back().args.push_back(matrix({{3, 1, 0, 2}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{1, 2}, {3, 4}}));
  seeds.back().args.push_back(matrix({{5, 6, 7}}));
  seeds.back().args.push_back(matrix({{2, 2, 0}, {1, 0.5, 2.9}}));
  return seeds;
}
