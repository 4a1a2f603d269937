#include "fuzz_main.hpp"

const char* const kFuzzModule = "tree_leaf_sets";

// Worked examples as seeds.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{1, 2, 4}, {4, 3, 5}}));
  seeds.back().args.push_back(matrix({{5, 0}, {2, 4}, {3, 0}}));
  return seeds;
}
