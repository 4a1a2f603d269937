#include "fuzz_main.hpp"

const char* const kFuzzModule = "set_features";

// Worked examples as seeds.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{0, 1, -1}}));
  seeds.back().args.push_back(matrix({{10}, {12}}));
  seeds.back().args.push_back(matrix({{3}}));
  seeds.back().args.push_back(matrix({{0, 3}, {3, 0}}));
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{0, 1, 2}, {2, -1, -1}}));
  seeds.back().args.push_back(matrix({{2, 1, 5, 6}, {4, 0, 7, 2}, {8, 3, 1, 9}}));
  seeds.back().args.push_back(matrix({{2}}));
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{0, 1, 2}, {2, -1, -1}}));
  seeds.back().args.push_back(matrix({{2, 1, 5, 6}, {4, 0, 7, 2}, {8, 3, 1, 9}}));
  seeds.back().args.push_back(matrix({{4}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{0, 1, 2}, {-1, 0, 0}}));
  seeds.back().args.push_back(matrix({{2}, {4}, {8}}));
  return seeds;
}
