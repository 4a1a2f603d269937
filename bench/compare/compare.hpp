// The comparison benchmark: every function on realistic, seeded workloads,
// run three ways on the same inputs: the plain transcription of the algorithm
// (the tests' oracle), the shipped kernel, and the vectorized Octave code a
// user without mexsets would write (bench/<name>/<name>_vectorized.m).
//
// Each function registers a maker of its workloads (bench/<name>/compare_<name>.cpp):
//
//   static compare::Registration r("score_subsets", [](std::uint64_t seed) { ... });
//
// A workload holds its inputs as double matrices (written to disk for Octave,
// which calls <name>_vectorized(inputs{:}) and <name>(inputs{:})), two
// closures that compute the result from those inputs, and the byte sizes of
// the results. From inputs and result sizes the driver times a floor no way
// can beat: one streaming read of every input and one write of every result
// (into a fresh allocation, or into kept buffers where the closures keep
// theirs), and prints each way's time as a multiple of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "mexsets/column_major.hpp"

namespace compare {

using Matrix = mexsets::OwnedMatrix<double>;

struct Workload {
  std::string function;              // the module, e.g. "tree_leaf_sets"
  std::string label;                 // what the workload is, e.g. "deep tree, 5,000 sets"
  std::vector<Matrix> inputs;        // the call's arguments (scalars as 1-by-1)
  std::function<void()> reference;   // plain transcription
  std::function<void()> kernel;      // shipped computation
  std::vector<std::size_t> results;  // bytes of each result array
  bool results_kept = false;         // the closures write into buffers kept from run to run
  bool report_memory = false;        // print the peak heap of both runs and the results' size
  bool run_reference = true;         // false where the transcription cannot run at this size
};

// Result sizes in bytes of `count` doubles each.
inline std::vector<std::size_t> doubles(std::initializer_list<std::size_t> counts) {
  std::vector<std::size_t> bytes;
  for (std::size_t count : counts) bytes.push_back(count * sizeof(double));
  return bytes;
}

using Maker = std::function<std::vector<Workload>(std::uint64_t seed)>;

struct Registration {
  Registration(const std::string& function, Maker maker);
};

struct Registered {
  std::string function;
  Maker maker;
};
std::vector<Registered>& registry();

// Heap bytes currently allocated and the peak since the last reset (the
// driver replaces the global operator new to count them).
std::size_t heap_in_use();
std::size_t heap_peak();
void reset_heap_peak();

}  // namespace compare
