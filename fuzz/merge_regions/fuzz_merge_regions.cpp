#include "fuzz_main.hpp"

const char* const kFuzzModule = "merge_regions";

std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{1, 2, 3, 1}}));
  seeds.back().args.push_back(matrix({{2, 3, 4, 3}}));
  seeds.back().args.push_back(matrix({{2, 1, 2, 1}}));
  seeds.back().args.push_back(matrix({{1, 3, 2, 2}}));
  seeds.back().args.push_back(matrix({{4, 3, 5, 2, 1}}));
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{1, 2}, {2, 3}}));
  seeds.back().args.push_back(matrix({{3, 1}, {4, 4}}));
  seeds.back().args.push_back(matrix({{1, 1}, {1, 1}}));
  seeds.back().args.push_back(matrix({{0, 1}, {1, 0}}));
  seeds.back().args.push_back(matrix({{1, 1, 1, 1, 1}}));
  seeds.back().args.push_back(matrix({{0}}));
  return seeds;
}
