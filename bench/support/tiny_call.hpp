// Calls on tiny inputs (a few rows), where what a call costs besides reading
// its inputs shows: a contract's whole run (mexsets/contract.hpp) with its
// checks and its computation, over plain buffers instead of a host's arrays.
// The outputs are kept from one call to the next and zeroed when a call
// creates them, as a host's fresh outputs are, so that a run measures the
// call and not the allocator's first touch of new memory.
//
//   tiny_call::Inputs in = {tiny_call::rows({{3, 1}, {1, 3}})};
//   tiny_call::Outputs out;
//   for (auto _ : state) tiny_call::run<mexsets::NondominatedContract>(in, out);
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory_resource>
#include <string>
#include <vector>

#include "host.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"

namespace tiny_call {

using Matrix = mexsets::OwnedMatrix<double>;

// A matrix written row by row, as in MATLAB, stored column-major.
inline Matrix rows(std::initializer_list<std::initializer_list<double>> values) {
  Matrix out(values.size(), values.size() ? values.begin()->size() : 0);
  std::size_t i = 0;
  for (const auto& row : values) {
    std::size_t j = 0;
    for (double v : row) out(i, j++) = v;
    ++i;
  }
  return out;
}

inline Matrix scalar(double value) { return Matrix(1, 1, value); }

// An input, with any number of dimensions (page and array3 read the first
// three; a two-dimensional input has one plane).
struct Input {
  Matrix matrix;
  std::size_t planes = 1;
  Input(Matrix m, std::size_t p = 1) : matrix(std::move(m)), planes(p) {}
};
using Inputs = std::vector<Input>;

// Output buffers, kept across calls: at most eight outputs.
struct Outputs {
  std::vector<double> doubles[8];
  std::vector<unsigned char> bytes[8];
  std::vector<std::vector<std::uint32_t>> lists[8];
};

class BufferCall {
 public:
  BufferCall(const Inputs& inputs, Outputs& outputs) : in_(inputs), out_(outputs) {}

  bool given(int k) const { return static_cast<std::size_t>(k) < in_.size(); }
  mexsets::ConstMatrix matrix(int k) const {
    const Matrix& m = in_[static_cast<std::size_t>(k)].matrix;
    return {m.data.data(), m.rows, m.cols / in_[static_cast<std::size_t>(k)].planes};
  }
  mexsets::ConstMatrix page(int k) const { return matrix(k); }
  mexsets::ConstArray3 array3(int k) const {
    const mexsets::ConstMatrix m = matrix(k);
    return {m.data, m.rows, m.cols, in_[static_cast<std::size_t>(k)].planes};
  }
  void unread(int) const {}
  bool sparse(int) const { return false; }  // every input is dense here
  mexsets::ConstCompressed compressed(int) const { return {}; }
  double scalar(int k) const { return in_[static_cast<std::size_t>(k)].matrix.data.at(0); }
  void most_outputs(int) const {}
  int result_copies() const { return 1; }
  std::pmr::memory_resource* scratch() const { return std::pmr::get_default_resource(); }

  double* column(int k, std::size_t m) { return matrix_output(k, m, 1); }
  double* matrix_output(int k, std::size_t rows, std::size_t cols) {
    std::vector<double>& out = out_.doubles[k];
    out.assign(rows * cols, 0.0);
    return out.data();
  }
  unsigned char* logical_column(int k, std::size_t m) { return bytes(k, m); }
  bool* logical_array(int k, std::size_t d0, std::size_t d1, std::size_t d2) {
    return reinterpret_cast<bool*>(bytes(k, d0 * d1 * d2));
  }
  template <class Count>
  void lists(int k, std::size_t n, Count count) {
    auto& lists = out_.lists[k];
    lists.resize(n);
    for (std::size_t j = 0; j < n; ++j) lists[j].assign(count(j), 0);
  }
  std::uint32_t* list(int k, std::size_t j) { return out_.lists[k][j].data(); }

 private:
  unsigned char* bytes(int k, std::size_t n) {
    std::vector<unsigned char>& out = out_.bytes[k];
    out.assign(n, 0);
    return out.data();
  }

  const Inputs& in_;
  Outputs& out_;
};

// One whole run of Contract on `inputs`; optional scalars left out take
// their defaults.
template <class Contract>
struct DefaultingCall : BufferCall {
  using BufferCall::BufferCall;
  double scalar(int k) const {
    return given(k) ? BufferCall::scalar(k) : Contract::inputs[k].default_value;
  }
  // A choice given as its index.
  std::size_t choice(int k) const { return static_cast<std::size_t>(scalar(k)); }
};

// Kept out of line, so that a profiler counts its calls (instructions per
// call under valgrind --tool=callgrind do not vary with the machine's load).
template <class Contract>
[[gnu::noinline]] void run(const Inputs& inputs, Outputs& outputs) {
  DefaultingCall<Contract> call(inputs, outputs);
  Contract::run(call);
  benchmark::ClobberMemory();
}

// The inputs as the stand-in host's arrays.
inline std::vector<standin::Array> host_arrays(const Inputs& inputs) {
  std::vector<standin::Array> arrays;
  for (const Input& input : inputs) {
    const Matrix& m = input.matrix;
    if (input.planes == 1) {
      arrays.push_back(standin::doubles(m.rows, m.cols, m.data));
      continue;
    }
    arrays.push_back(
        standin::numeric(mxDOUBLE_CLASS, {m.rows, m.cols / input.planes, input.planes}));
    std::copy(m.data.begin(), m.data.end(), mxGetPr(arrays.back().get()));
  }
  return arrays;
}

// Registers TinyRead/<name> (one pass over every input element, the floor
// of any call), TinyCall/<name> (the contract's run over plain buffers) and
// TinyGateway/<name> (the whole call through the stand-in host, `nlhs`
// outputs asked for). MEXSETS_TINY_ITERATIONS=n runs the last two n times
// exactly (bench/support/tiny_table.py counts their instructions so).
template <class Contract>
void register_calls(const std::string& name, const Inputs& inputs, int nlhs) {
  benchmark::RegisterBenchmark(("TinyRead/" + name).c_str(), [=](benchmark::State& state) {
    for (auto _ : state) {
      double sum = 0;
      for (const Input& input : inputs)
        for (double v : input.matrix.data) sum += v;
      benchmark::DoNotOptimize(sum);
    }
  });
  auto* call =
      benchmark::RegisterBenchmark(("TinyCall/" + name).c_str(), [=](benchmark::State& state) {
        Outputs out;
        for (auto _ : state) run<Contract>(inputs, out);
      });
  auto* gateway =
      benchmark::RegisterBenchmark(("TinyGateway/" + name).c_str(), [=](benchmark::State& state) {
        static const standin::Module module(Contract::name);
        const std::vector<standin::Array> arrays = host_arrays(inputs);
        std::vector<const mxArray*> in;
        for (const auto& a : arrays) in.push_back(a.get());
        for (auto _ : state) benchmark::DoNotOptimize(module.call(nlhs, in));
      });
  if (const char* n = std::getenv("MEXSETS_TINY_ITERATIONS")) {
    call->Iterations(std::atoll(n));
    gateway->Iterations(std::atoll(n));
  }
}

}  // namespace tiny_call
