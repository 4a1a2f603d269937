// Gateway helpers. A gateway never calls the host's error function while it
// holds containers: a host may leave the call with longjmp, which would skip
// destructors. Checks and views throw mexsets::Failure instead; run_gateway
// catches it once every local of the gateway body is gone, copies identifier
// and message onto its own stack, and only then calls mexErrMsgIdAndTxt.
#pragma once

#include <cstdio>
#include <new>
#include <string>

#include "mex.h"
#include "mexsets/failure.hpp"

namespace mexsets {

// Runs a gateway body and turns a Failure (or exhausted memory) into the
// host's error, after the body's locals have been destroyed.
template <class Body>
void run_gateway(const char* function, Body&& body) {
  char identifier[160];
  char message[1024];
  identifier[0] = '\0';
  try {
    body();
    return;
  } catch (const Failure& failure) {
    std::snprintf(identifier, sizeof identifier, "mexsets:%s:%s", function,
                  failure.reason().c_str());
    std::snprintf(message, sizeof message, "%s", failure.message().c_str());
  } catch (const std::bad_alloc&) {
    std::snprintf(identifier, sizeof identifier, "mexsets:%s:outOfMemory", function);
    std::snprintf(message, sizeof message, "Out of memory");
  }
  mexErrMsgIdAndTxt(identifier, "%s", message);
}

// Octave offers max(nlhs, 1) output slots; output k (1-based) may be stored
// only when its slot exists.
inline bool has_output_slot(int nlhs, int k) { return k <= (nlhs > 1 ? nlhs : 1); }

// A created output that belongs to the host once stored. When the caller left
// no slot for it, it stays owned here and is destroyed at scope exit.
class Output {
 public:
  Output(mxArray* array, int nlhs, mxArray* plhs[], int k) : array_(array) {
    if (has_output_slot(nlhs, k)) {
      plhs[k - 1] = array;
      stored_ = true;
    }
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() {
    if (!stored_) mxDestroyArray(array_);
  }
  mxArray* get() const { return array_; }

 private:
  mxArray* array_;
  bool stored_ = false;
};

// A scalar argument, read like the host's mxGetScalar (first element as a
// double, any numeric, logical or char class). Arrays with no first element
// or no numeric value (cell, struct, ...) are rejected, naming the input.
inline double scalar_input(const mxArray* const prhs[], int k, const char* what) {
  const mxArray* array = prhs[k - 1];
  const mxClassID id = mxGetClassID(array);
  const bool has_value =
      id == mxLOGICAL_CLASS || id == mxCHAR_CLASS || (id >= mxDOUBLE_CLASS && id <= mxUINT64_CLASS);
  if (!has_value || mxGetNumberOfElements(array) == 0)
    fail("badScalar", std::string("Expected a numeric scalar: input ") + std::to_string(k) + " (" +
                          what + ") is " + (has_value ? "empty" : "not numeric"));
  return mxGetScalar(array);
}

// The fixed count messages keep their words; the identifier names the reason.
inline void require_inputs(bool ok, const char* message) {
  if (!ok) fail("nargin", message);
}
inline void require_outputs(bool ok, const char* message) {
  if (!ok) fail("nargout", message);
}

}  // namespace mexsets
