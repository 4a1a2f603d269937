#include "fuzz_main.hpp"

const char* const kFuzzModule = "tree_cut";

std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{1, 2, 6}, {3, 4, 7}, {6, 7, 8}, {5, 8, 9}}));
  seeds.back().args.push_back(matrix({{0.5, 1, 2.5, NAN}}));
  seeds.back().args.push_back(matrix({{3}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{2, 3, 5}, {4, 5, 6}, {1, 6, 7}}));
  seeds.back().args.push_back(matrix({{1}, {2}, {3}}));
  seeds.back().args.push_back(standin::empty());
  seeds.back().args.push_back(matrix({{2}}));
  return seeds;
}
