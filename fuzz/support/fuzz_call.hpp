// Fuzzing a gateway through the stand-in host.
//
// The fuzz bytes decode into one call: the number of outputs requested, the
// arguments, and for each argument its class, sparse/complex flags, shape and
// values. Values lean toward what breaks id handling: small integers around
// the valid ranges, end markers (0, -0, negatives, fractions), NaN, +-Inf and
// values at and beyond the 32- and 64-bit limits. The byte format is simple
// enough to be written back (encode_call), which seeds the corpora from the
// worked examples.
//
// Format: nlhs byte, nrhs byte, then per argument
//   class byte (below 160: double; else one of the other classes),
//   flags byte (bit 0 sparse, bit 1 complex, bits 2-3 dimension count),
//   one byte per extent (below 200: e % 7; else 7 + (e - 200)),
//   one byte per element (below 64: integer b - 8; below 128: the table of
//   awkward values; 255: the next 8 bytes are the double itself; otherwise the
//   fraction (b - 128) / 16 - 2).
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host.hpp"

namespace fuzzing {

inline const std::vector<double>& awkward_values() {
  static const std::vector<double> values = {0.0,
                                             -0.0,
                                             -1.0,
                                             -0.5,
                                             0.5,
                                             1.0,
                                             1.5,
                                             2.9,
                                             0.999999999,
                                             -1e-300,
                                             1e-300,
                                             NAN,
                                             INFINITY,
                                             -INFINITY,
                                             1e300,
                                             -1e300,
                                             2147483647.0,
                                             2147483648.0,
                                             -2147483648.0,
                                             -2147483649.0,
                                             4294967295.0,
                                             4294967296.0,
                                             4294967297.0,
                                             9007199254740992.0,
                                             9.2233720368547758e18,
                                             1.8446744073709552e19,
                                             -9.2233720368547758e18,
                                             DBL_MAX,
                                             -DBL_MAX,
                                             DBL_MIN,
                                             -DBL_MIN,
                                             65535.0,
                                             65536.0,
                                             1e6,
                                             1e9,
                                             255.0,
                                             256.0,
                                             -255.0,
                                             3.0000000000000004,
                                             0.1};
  return values;
}

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  double raw_double() {
    std::uint8_t bytes[8] = {};
    for (auto& b : bytes) b = byte();
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  bool done() const { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

inline double decode_value(Reader& in) {
  const std::uint8_t b = in.byte();
  if (b < 64) return static_cast<double>(b) - 8.0;
  if (b < 128) return awkward_values()[(b - 64) % awkward_values().size()];
  if (b == 255) return in.raw_double();
  return (b - 128) / 16.0 - 2.0;
}

template <class T>
T saturate(double value) {
  if (std::isnan(value)) return T(0);
  if (value <= static_cast<double>(std::numeric_limits<T>::lowest()))
    return std::numeric_limits<T>::lowest();
  if (value >= static_cast<double>(std::numeric_limits<T>::max()))
    return std::numeric_limits<T>::max();
  return static_cast<T>(value);
}

// Stores `value` at element k of a real numeric, logical or char array.
inline void store(mxArray* array, std::size_t k, double value) {
  void* data = mxGetData(array);
  switch (mxGetClassID(array)) {
    case mxDOUBLE_CLASS:
      static_cast<double*>(data)[k] = value;
      break;
    case mxSINGLE_CLASS:
      static_cast<float*>(data)[k] = static_cast<float>(value);
      break;
    case mxLOGICAL_CLASS:
      static_cast<mxLogical*>(data)[k] = value != 0;
      break;
    case mxCHAR_CLASS:
      static_cast<mxChar*>(data)[k] = saturate<std::uint16_t>(value);
      break;
    case mxINT8_CLASS:
      static_cast<std::int8_t*>(data)[k] = saturate<std::int8_t>(value);
      break;
    case mxUINT8_CLASS:
      static_cast<std::uint8_t*>(data)[k] = saturate<std::uint8_t>(value);
      break;
    case mxINT16_CLASS:
      static_cast<std::int16_t*>(data)[k] = saturate<std::int16_t>(value);
      break;
    case mxUINT16_CLASS:
      static_cast<std::uint16_t*>(data)[k] = saturate<std::uint16_t>(value);
      break;
    case mxINT32_CLASS:
      static_cast<std::int32_t*>(data)[k] = saturate<std::int32_t>(value);
      break;
    case mxUINT32_CLASS:
      static_cast<std::uint32_t*>(data)[k] = saturate<std::uint32_t>(value);
      break;
    case mxINT64_CLASS:
      static_cast<std::int64_t*>(data)[k] = saturate<std::int64_t>(value);
      break;
    case mxUINT64_CLASS:
      static_cast<std::uint64_t*>(data)[k] = saturate<std::uint64_t>(value);
      break;
    default:
      break;
  }
}

constexpr std::size_t kMaxElements = 4096;

inline standin::Array decode_array(Reader& in) {
  static const mxClassID kOthers[] = {
      mxLOGICAL_CLASS, mxSINGLE_CLASS, mxINT8_CLASS,   mxUINT8_CLASS, mxINT16_CLASS,
      mxUINT16_CLASS,  mxINT32_CLASS,  mxUINT32_CLASS, mxINT64_CLASS, mxUINT64_CLASS,
      mxCHAR_CLASS,    mxCELL_CLASS,   mxSTRUCT_CLASS};
  const std::uint8_t class_byte = in.byte();
  const mxClassID id = class_byte < 160
                           ? mxDOUBLE_CLASS
                           : kOthers[(class_byte - 160) % (sizeof kOthers / sizeof *kOthers)];
  const std::uint8_t flags = in.byte();
  const std::size_t ndim = 2 + ((flags >> 2) & 3) / 2 + ((flags >> 2) & 3) / 3;  // 2, 2, 3, 4
  std::vector<mwSize> dims(ndim);
  for (auto& e : dims) {
    const std::uint8_t b = in.byte();
    e = b < 200 ? b % 7 : 7 + (b - 200);
  }
  auto count = [&] {
    std::size_t n = 1;
    for (mwSize e : dims) n *= e;
    return n;
  };
  while (count() > kMaxElements) *std::max_element(dims.begin(), dims.end()) /= 2;

  const bool sparse = (flags & 1) && ndim == 2 && (id == mxDOUBLE_CLASS || id == mxLOGICAL_CLASS);
  const bool complex = (flags & 2) && id != mxLOGICAL_CLASS && id != mxCHAR_CLASS &&
                       id != mxCELL_CLASS && id != mxSTRUCT_CLASS;
  if (sparse) {
    // Only a few stored values, as a sparse array holds: its buffer is far
    // smaller than rows x columns.
    const std::size_t stored = 1 + in.byte() % 4;
    standin::Array array(
        id == mxLOGICAL_CLASS
            ? mxCreateSparseLogicalMatrix(dims[0], dims[1], stored)
            : mxCreateSparse(dims[0], dims[1], stored, complex ? mxCOMPLEX : mxREAL));
    for (std::size_t k = 0; k < stored; ++k) store(array.get(), k, decode_value(in));
    return array;
  }
  standin::Array array;
  if (id == mxCELL_CLASS || id == mxSTRUCT_CLASS || id == mxLOGICAL_CLASS || id == mxCHAR_CLASS) {
    array = standin::numeric(id, dims);
  } else {
    array.reset(mxCreateNumericArray(ndim, dims.data(), id, complex ? mxCOMPLEX : mxREAL));
  }
  const std::size_t n = mxGetNumberOfElements(array.get());
  if (id != mxCELL_CLASS && id != mxSTRUCT_CLASS)
    for (std::size_t k = 0; k < n && !in.done(); ++k) store(array.get(), k, decode_value(in));
  return array;
}

struct Call {
  int nlhs = 1;
  std::vector<standin::Array> args;
};

inline Call decode_call(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  Call call;
  call.nlhs = in.byte() % 5;
  const int nrhs = in.byte() % 8;
  for (int k = 0; k < nrhs; ++k) call.args.push_back(decode_array(in));
  return call;
}

// The bytes that decode into this call (real dense double arguments and
// char arrays (option names and choices) only).
inline std::string encode_call(int nlhs, const std::vector<const mxArray*>& args) {
  std::string out;
  out += static_cast<char>(nlhs);
  out += static_cast<char>(args.size());
  for (const mxArray* array : args) {
    const mwSize ndim = mxGetNumberOfDimensions(array);
    const mwSize* dims = mxGetDimensions(array);
    const bool text = mxGetClassID(array) == mxCHAR_CLASS;
    out += static_cast<char>(text ? 170 : 0);                            // char or double
    out += static_cast<char>((ndim == 2 ? 0 : ndim == 3 ? 2 : 3) << 2);  // dense, real
    for (mwSize d = 0; d < ndim; ++d)
      out += static_cast<char>(dims[d] < 7 ? dims[d] : 200 + (dims[d] - 7));
    for (std::size_t k = 0; k < mxGetNumberOfElements(array); ++k) {
      const double v = text ? static_cast<double>(static_cast<const mxChar*>(mxGetData(array))[k])
                            : mxGetPr(array)[k];
      if (v == std::floor(v) && v >= -8 && v <= 55 && !(v == 0 && std::signbit(v))) {
        out += static_cast<char>(static_cast<int>(v) + 8);
      } else {
        out += static_cast<char>(255);
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
      }
    }
  }
  return out;
}

}  // namespace fuzzing
