#include "fuzz_main.hpp"

const char* const kFuzzModule = "tree_overlap_matrix";

// Worked examples as seeds.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{0}}));
  seeds.back().args.push_back(matrix({{0, 1, -1, 3}, {3, 2, -1, 4}}));
  seeds.back().args.push_back(matrix({{2}, {3}, {5}, {0}, {0}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{1, 2}}));
  seeds.back().args.push_back(matrix({{0, 1, 3}, {3, 2, 4}}));
  seeds.back().args.push_back(matrix({{2}, {3}, {5}, {7}, {11}}));
  return seeds;
}
