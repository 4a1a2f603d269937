#include "fuzz_main.hpp"

const char* const kFuzzModule = "boundary_sums";

// Worked examples as seeds.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{2}}));
  seeds.back().args.push_back(matrix({{1, 0}}));
  seeds.back().args.push_back(matrix({{2, 1}}));
  seeds.back().args.push_back(matrix({{5, 7}}));
  seeds.back().args.push_back(matrix({{0, 5, 0}, {7, 0, 5}, {0, 7, 0}}));
  seeds.back().args.push_back(matrix({{0, 1, 0}, {2, 0, 3}, {0, 4, 0}}));
  // Fractional, repeated and -0 keys, ids in (0, 1), one-row and one-column
  // grids.
  seeds.push_back({2, {}});
  seeds.back().args.push_back(matrix({{3.5}}));
  seeds.back().args.push_back(matrix({{0, 2.5, -0.0, 1}}));
  seeds.back().args.push_back(matrix({{0.5, 3, 2, 1.5}}));
  seeds.back().args.push_back(matrix({{2.5}, {7}, {2.5}, {-0.0}}));
  seeds.back().args.push_back(matrix({{0, 2.5, 0, 7, 0, -1, 0, 2.5}}));
  seeds.back().args.push_back(matrix({{1, 2, 3, 4, 5, 6, 7, 8}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{2}}));
  seeds.back().args.push_back(matrix({{1, 0}}));
  seeds.back().args.push_back(matrix({{2, 1}}));
  seeds.back().args.push_back(matrix({{5, 7}}));
  seeds.back().args.push_back(matrix({{0}, {5}, {9}, {7}, {0}}));
  seeds.back().args.push_back(matrix({{1}, {2}, {3}, {4}, {5}}));
  return seeds;
}
