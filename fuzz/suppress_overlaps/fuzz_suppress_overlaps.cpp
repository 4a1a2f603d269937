#include "fuzz_main.hpp"

const char* const kFuzzModule = "suppress_overlaps";

// Worked examples as seeds.
std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{0, 1, -1}, {1, 0, -1}, {2, -1, -1}, {0, 2, -1}}));
  seeds.back().args.push_back(matrix({{1}, {1}, {1}}));
  seeds.back().args.push_back(matrix({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  seeds.push_back({1, {}});
  seeds.back().args.push_back(matrix({{0, 1, -1}, {1, 0, -1}, {2, -1, -1}, {0, 2, -1}}));
  seeds.back().args.push_back(matrix({{1}, {1}, {1}}));
  seeds.back().args.push_back(matrix({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  seeds.back().args.push_back(matrix({{0.5}}));
  return seeds;
}
