// The stand-in host's harness: builds host arrays, loads a module's shared
// object the way MATLAB loads a MEX file (dlopen, then mexFunction), and calls
// it with MATLAB's conventions. Tests, fuzzers and benchmarks share it.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "mex.h"

namespace standin {

// What mexErrMsgTxt / mexErrMsgIdAndTxt raise: the call ends here.
class MexError : public std::runtime_error {
 public:
  MexError(std::string identifier, std::string message);
  ~MexError() override;
  const std::string& identifier() const { return identifier_; }
  const std::string& message() const { return message_; }

 private:
  std::string identifier_;
  std::string message_;
};

struct ArrayDeleter {
  void operator()(mxArray* array) const { mxDestroyArray(array); }
};
using Array = std::unique_ptr<mxArray, ArrayDeleter>;

// Builders. `matrix` takes rows as written in MATLAB and stores them
// column-major; every builder returns a real, dense array.
Array matrix(std::initializer_list<std::initializer_list<double>> rows);
Array doubles(std::size_t rows, std::size_t cols, const std::vector<double>& column_major);
Array scalar(double value);
Array empty(std::size_t rows = 0, std::size_t cols = 0);
Array numeric(mxClassID class_id, const std::vector<mwSize>& dims);
Array logical(std::size_t rows, std::size_t cols, const std::vector<bool>& column_major);
Array text(const std::string& characters);  // a 1-by-n char array

// Copies of an array's contents.
std::vector<double> values(const mxArray* array);  // double arrays
std::vector<mwSize> dims(const mxArray* array);

// Ctrl-C as utIsInterruptPending reports it: pending from the poll-th poll
// on (counted from now; 0: never), until the call that saw it ends.
void interrupt_at_poll(std::size_t poll);
// The polls counted since interrupt_at_poll.
std::size_t interrupt_polls();

// Live arrays and mxMalloc blocks, for leak checks around calls.
std::size_t live_arrays();
std::size_t live_blocks();

struct CallResult {
  std::vector<Array> outputs;       // one per slot the host offered (null if unset)
  std::string printed;              // everything mexPrintf wrote
  std::size_t released_arrays = 0;  // arrays the call created and left behind
  std::size_t released_blocks = 0;  // mxMalloc blocks it never freed
};

class Module {
 public:
  // Loads <dir>/<name>.standin.so; dir defaults to the build's module folder.
  explicit Module(const std::string& name, const std::string& dir = "");
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Calls mexFunction with nlhs outputs requested. Like Octave, the host
  // offers max(nlhs, 1) output slots. Throws MexError when the call fails;
  // arrays the call created are released either way.
  CallResult call(int nlhs, const std::vector<const mxArray*>& inputs) const;
  CallResult call(int nlhs, std::initializer_list<const Array*> inputs) const;

  const std::string& name() const { return name_; }

 private:
  std::string name_;
  void* handle_ = nullptr;
  void (*entry_)(int, mxArray**, int, const mxArray**) = nullptr;
};

}  // namespace standin
