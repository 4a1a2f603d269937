// The libFuzzer entry shared by every function's fuzz target. A target
// defines kFuzzModule (the function's name) and fuzz_seeds() (worked examples
// that seed its corpus), then includes this header once.
//
// Every call goes through the stand-in host under the sanitizers; a host
// error must carry an identifier of the function's own (mexsets:<name>:...).
// A crash, a sanitizer report, a leak or an error without an identifier is a
// finding; the host's own errors (MATLAB:..., e.g. an array over the host's
// size limit, set to 256 MiB here) are not. With MEXSETS_FUZZ_SEEDS=<dir> the seeds are written
// there first.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_call.hpp"

namespace fuzzing {
struct Seed {
  int nlhs;
  std::vector<standin::Array> args;
};
}  // namespace fuzzing

extern const char* const kFuzzModule;
std::vector<fuzzing::Seed> fuzz_seeds();

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("MEXSETS_STANDIN_MAX_ARRAY_BYTES", "268435456", 0);
  if (const char* dir = std::getenv("MEXSETS_FUZZ_SEEDS")) {
    int n = 0;
    for (const fuzzing::Seed& seed : fuzz_seeds()) {
      std::vector<const mxArray*> args;
      for (const auto& a : seed.args) args.push_back(a.get());
      std::ofstream(std::string(dir) + "/seed-" + std::to_string(n++), std::ios::binary)
          << fuzzing::encode_call(seed.nlhs, args);
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const standin::Module module(kFuzzModule);
  static const std::string prefix = std::string("mexsets:") + kFuzzModule + ":";
  fuzzing::Call call = fuzzing::decode_call(data, size);
  std::vector<const mxArray*> args;
  for (const auto& a : call.args) args.push_back(a.get());
  try {
    module.call(call.nlhs, args);
  } catch (const standin::MexError& error) {
    const bool ours = error.identifier().compare(0, prefix.size(), prefix) == 0;
    const bool host = error.identifier().compare(0, 7, "MATLAB:") == 0;
    if (!ours && !host) {
      std::fprintf(stderr, "error without a %s identifier: \"%s\" (%s)\n", kFuzzModule,
                   error.message().c_str(), error.identifier().c_str());
      std::abort();
    }
  }
  return 0;
}
