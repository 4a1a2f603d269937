// front = nondominated(X)
#include <string>

#include "mex.h"
#include "mexsets/array_views.hpp"
#include "mexsets/gateway.hpp"
#include "nondominated.hpp"

namespace {

enum { IN_POINTS };
enum { OUT_FRONT = 1 };

// The output's flags are written as bytes: mxLogical is bool in MATLAB and
// unsigned char in Octave, one byte in both.
static_assert(sizeof(mxLogical) == 1, "logical arrays must hold one byte per element");

// Class names as the hosts print them, by class id (the hosts share the ids).
const char* class_name(mxClassID id) {
  // clang-format off
  static const char* const names[] = {
      "of an unknown class", "cell", "struct", "logical", "char", "of an unknown class",
      "double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32",
      "int64", "uint64", "function_handle"};
  // clang-format on
  const auto k = static_cast<std::size_t>(id);
  return k < sizeof names / sizeof names[0] ? names[k] : names[0];
}

// "2-by-3-by-0", as the hosts print sizes.
std::string size_text(const mxArray* array) {
  const mwSize* extents = mxGetDimensions(array);
  std::string text;
  for (mwSize k = 0; k < mxGetNumberOfDimensions(array); ++k)
    text += (k ? "-by-" : "") + std::to_string(extents[k]);
  return text;
}

void gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  using namespace mexsets;
  // Check the arguments: the wrong call shape gets the synopsis, not an error.
  if (nrhs < 1 || nlhs >= 2) {
    mexPrintf("%s", "\nsynopsis:   front = nondominated(X)");
    Output empty(mxCreateDoubleMatrix(0, 0, mxREAL), nlhs, plhs, OUT_FRONT);
    return;
  }
  const mxArray* points = prhs[IN_POINTS];
  if (mxGetClassID(points) != mxDOUBLE_CLASS)
    fail("notDouble", std::string("Expected a double array: input 1 (X) is ") +
                          class_name(mxGetClassID(points)) + "; pass double(X) instead");
  require_dense_real(points, IN_POINTS + 1);

  // Do the job. Rows are the first extent, columns the second; of an array
  // with more dimensions only the first page is read. An array whose later
  // extent is 0 has no first page (and the host may give no data at all):
  // refused rather than read.
  const mwSize* extents = mxGetDimensions(points);
  const std::size_t m = static_cast<std::size_t>(extents[0]);
  const std::size_t d = static_cast<std::size_t>(extents[1]);
  if (m != 0 && d != 0 && mxGetNumberOfElements(points) == 0)
    fail("noFirstPage", "Expected an M-by-D page of points: input 1 (X) is " + size_text(points) +
                            " and holds no element");
  Output front(mxCreateLogicalMatrix(m, 1), nlhs, plhs, OUT_FRONT);
  nondominated(static_cast<unsigned char*>(mxGetData(front.get())), mxGetPr(points), m, d);
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("nondominated", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
