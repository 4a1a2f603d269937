#include "fuzz_main.hpp"

const char* const kFuzzModule = "region_graph";

std::vector<fuzzing::Seed> fuzz_seeds() {
  using standin::matrix;
  std::vector<fuzzing::Seed> seeds;
  seeds.push_back({6, {}});
  seeds.back().args.push_back(matrix({{0, 0, 7}, {3, 7, 7}}));
  seeds.back().args.push_back(matrix({{1, 2, 4}, {1, 3, 6}}));
  seeds.back().args.push_back(standin::text("background"));
  seeds.back().args.push_back(standin::scalar(0));
  seeds.push_back({6, {}});
  seeds.back().args.push_back(standin::numeric(mxDOUBLE_CLASS, {2, 2, 3}));
  seeds.back().args.push_back(standin::numeric(mxDOUBLE_CLASS, {2, 2, 3}));
  seeds.back().args.push_back(standin::text("weight"));
  seeds.back().args.push_back(standin::text("max"));
  seeds.back().args.push_back(standin::text("Background"));
  seeds.back().args.push_back(standin::empty());
  seeds.push_back({4, {}});
  seeds.back().args.push_back(matrix({{-1, 2.5, 1e300}}));
  seeds.back().args.push_back(standin::numeric(mxDOUBLE_CLASS, {1, 3, 2}));
  return seeds;
}
