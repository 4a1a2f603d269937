#include "fuzz_main.hpp"

const char* const kFuzzModule = "tree_leaf_matrix";

// Worked examples as seeds, in both bases.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  for (double base : {1.0, 0.0}) {
    seeds.push_back({1, {}});
    seeds.back().args.push_back(matrix({{1, 2, 4}, {4, 3, 5}}));
    seeds.back().args.push_back(matrix({{5, 0}, {2, 4}, {3, 0}}));
    seeds.back().args.push_back(standin::scalar(base));
  }
  return seeds;
}
