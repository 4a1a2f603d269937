#include "fuzz_main.hpp"

const char* const kFuzzModule = "boundary_grid";

std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({5, {}});
  seeds.back().args.push_back(matrix({{1, 2}, {1, 1}}));
  seeds.back().args.push_back(matrix({{0, 3}, {4, 0}}));
  seeds.push_back({3, {}});
  seeds.back().args.push_back(matrix({{1, 2.5, 3}, {3, 3, 1}, {2, 1, 9}}));
  seeds.push_back({5, {}});
  seeds.back().args.push_back(matrix({{4, 1, 4}}));
  seeds.back().args.push_back(standin::numeric(mxDOUBLE_CLASS, {1, 3, 2}));
  return seeds;
}
