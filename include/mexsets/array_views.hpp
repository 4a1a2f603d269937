// Typed, column-major, zero-based views over host arrays.
//
// A view addresses the host's buffer in place and owns nothing. Building one
// checks that the array's class fits the element type and that its number of
// dimensions fits the view's rank; a failed check throws mexsets::Failure with
// the fixed messages "Data types not coherent" / "Data dimensions not
// coherent", so views are built inside a gateway (mexsets/mex_host.hpp).
//
// Element (i, j) of a 2-D view is data[i + j*rows]; element (i, j, k) of a 3-D
// view is data[i + j*d0 + k*d0*d1]. Extents are the host's sizes (mwSize),
// widened to std::size_t: nothing is truncated to 32 bits.
#pragma once

#include <array>
#include <boost/multi_array.hpp>
#include <cstddef>
#include <type_traits>

#include "mex.h"
#include "mexsets/refusals.hpp"

namespace mexsets {

// Element type of each host class, looked up in this fixed order; the first
// matching class decides and the type must be identical (int8 fits plain
// `char` only, int64 only `long long`).
template <class T>
bool type_coherence(const mxArray* array) {
  switch (mxGetClassID(array)) {
    case mxDOUBLE_CLASS:
      return std::is_same<T, double>::value;
    case mxLOGICAL_CLASS:
      return std::is_same<T, bool>::value;
    case mxSINGLE_CLASS:
      return std::is_same<T, float>::value;
    case mxINT8_CLASS:
      return std::is_same<T, char>::value;
    case mxUINT8_CLASS:
      return std::is_same<T, unsigned char>::value;
    case mxINT16_CLASS:
      return std::is_same<T, short>::value;
    case mxUINT16_CLASS:
      return std::is_same<T, unsigned short>::value;
    case mxINT32_CLASS:
      return std::is_same<T, int>::value;
    case mxUINT32_CLASS:
      return std::is_same<T, unsigned int>::value;
    case mxINT64_CLASS:
      return std::is_same<T, long long>::value;
    case mxUINT64_CLASS:
      return std::is_same<T, unsigned long long>::value;
    default:
      return false;
  }
}

template <std::size_t N>
bool dimension_coherence(const mxArray* array) {
  return static_cast<std::size_t>(mxGetNumberOfDimensions(array)) == N;
}

namespace detail {

inline std::array<std::size_t, 2> extents2(const mxArray* array) {
  return {static_cast<std::size_t>(mxGetM(array)), static_cast<std::size_t>(mxGetN(array))};
}

// The host drops trailing singleton dimensions, so an M-by-N-by-1 array
// reports two dimensions: read it as d2 = 1. Only the reported entries of the
// dimension list are read.
inline std::array<std::size_t, 3> extents3(const mxArray* array) {
  std::array<std::size_t, 3> extents{0, 0, 1};
  const std::size_t count = static_cast<std::size_t>(mxGetNumberOfDimensions(array));
  const mwSize* dims = mxGetDimensions(array);
  for (std::size_t d = 0; d < 3 && d < count; ++d) extents[d] = static_cast<std::size_t>(dims[d]);
  return extents;
}

// Two-dimensional arrays also pass the 3-D test (see extents3); more than
// three dimensions never do.
inline bool three_dimensional(const mxArray* array) {
  const std::size_t count = static_cast<std::size_t>(mxGetNumberOfDimensions(array));
  return count == 3 || count == 2;
}

template <class T>
void check_view(const mxArray* array, bool dimensions_fit) {
  if (!type_coherence<T>(array)) refuse::types_not_coherent();
  if (!dimensions_fit) refuse::dimensions_not_coherent();
}

// The array's data, once its class and dimensions are known to fit: a
// host may not have a data buffer to give for other classes (a function
// handle, a classdef object) and may abort when asked for one.
template <class T>
T* checked_data(const mxArray* array, bool dimensions_fit) {
  check_view<std::remove_const_t<T>>(array, dimensions_fit);
  return static_cast<T*>(mxGetData(array));
}

}  // namespace detail

template <class T>
class MatlabMultiArray : public boost::multi_array_ref<T, 2> {
 public:
  explicit MatlabMultiArray(mxArray* array)
      : boost::multi_array_ref<T, 2>(detail::checked_data<T>(array, dimension_coherence<2>(array)),
                                     detail::extents2(array), boost::fortran_storage_order()) {}
};

template <class T>
class ConstMatlabMultiArray : public boost::const_multi_array_ref<T, 2> {
 public:
  explicit ConstMatlabMultiArray(const mxArray* array)
      : boost::const_multi_array_ref<T, 2>(
            detail::checked_data<const T>(array, dimension_coherence<2>(array)),
            detail::extents2(array), boost::fortran_storage_order()) {}
};

template <class T>
class MatlabMultiArray3 : public boost::multi_array_ref<T, 3> {
 public:
  explicit MatlabMultiArray3(mxArray* array)
      : boost::multi_array_ref<T, 3>(
            detail::checked_data<T>(array, detail::three_dimensional(array)),
            detail::extents3(array), boost::fortran_storage_order()) {}
};

}  // namespace mexsets
