// Part of every MEX file built for Octave (MEXSETS_OCTAVE_MEX), compiled on
// its own: Octave's mex.h declares mxArray as void, while this reads the
// value behind an array through Octave's own mxArray class
// (mexsets/mex_host.hpp says why).
#include "dNDArray.h"
#include "mxarray.h"

namespace mexsets {
namespace octave_mex {

NDArray array_value(const void* array) {
  return mxArray::as_octave_value(static_cast<const mxArray*>(array)).array_value();
}

}  // namespace octave_mex
}  // namespace mexsets
