// Bit scans, the magnitude bits of a double, a truncation defined for every
// double and cache hints for every compiler the toolbox is built with: GCC
// and Clang (CMake, mkoctfile, MEX on Linux and macOS) have builtins, Visual
// C++ (MEX on Windows) has intrinsics, anything else gets plain code.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif
#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace mexsets {

// The position of the lowest set bit of x, which is not 0.
inline int count_trailing_zeros(std::uint64_t x) {
#if defined(__GNUC__) || defined(__clang__)
  return __builtin_ctzll(x);
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_ARM64))
  unsigned long position;
  _BitScanForward64(&position, x);
  return static_cast<int>(position);
#else
  int position = 0;
  for (; !(x & 1); x >>= 1) ++position;
  return position;
#endif
}

// The bits of x but its sign, shifted out: zero exactly for +0 and -0.
inline std::uint64_t magnitude_bits(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits << 1;
}

// x truncated toward zero, for any double: NaN, infinities and values beyond
// the 64-bit range give INT64_MIN, as x86-64's conversion does, where a C++
// conversion is undefined. Ids that another thread may change while a call
// reads them pass through this (or a check) before they become integers.
inline std::int64_t truncate_toward_zero(double x) {
#if defined(__x86_64__) || defined(_M_X64)
  return _mm_cvttsd_si64(_mm_set_sd(x));
#else
  constexpr double limit = 9223372036854775808.0;  // 2^63
  return x > -limit && x < limit ? static_cast<std::int64_t>(x) : INT64_MIN;
#endif
}

// Asks for the cache line holding `address` ahead of its use. A hint only:
// it reads nothing and never faults.
inline void prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
  _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#else
  static_cast<void>(address);
#endif
}

}  // namespace mexsets
