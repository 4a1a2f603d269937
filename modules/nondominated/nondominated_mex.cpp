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

const char* class_name(mxClassID id) {
  switch (id) {
    case mxCELL_CLASS: return "cell";
    case mxSTRUCT_CLASS: return "struct";
    case mxLOGICAL_CLASS: return "logical";
    case mxCHAR_CLASS: return "char";
    case mxSINGLE_CLASS: return "single";
    case mxINT8_CLASS: return "int8";
    case mxUINT8_CLASS: return "uint8";
    case mxINT16_CLASS: return "int16";
    case mxUINT16_CLASS: return "uint16";
    case mxINT32_CLASS: return "int32";
    case mxUINT32_CLASS: return "uint32";
    case mxINT64_CLASS: return "int64";
    case mxUINT64_CLASS: return "uint64";
    case mxFUNCTION_CLASS: return "function_handle";
    default: return "of an unknown class";
  }
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
  // with more dimensions only the first page is read.
  const mwSize* extents = mxGetDimensions(points);
  const std::size_t m = static_cast<std::size_t>(extents[0]);
  const std::size_t d = static_cast<std::size_t>(extents[1]);
  Output front(mxCreateLogicalMatrix(m, 1), nlhs, plhs, OUT_FRONT);
  nondominated(static_cast<unsigned char*>(mxGetData(front.get())), mxGetPr(points), m, d);
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  mexsets::run_gateway("nondominated", [&] { gateway(nlhs, plhs, nrhs, prhs); });
}
