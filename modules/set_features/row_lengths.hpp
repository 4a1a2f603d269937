// Row lengths of an id matrix, a block of rows at a time: the first sweep of
// set_features' grouped kernels (x86-64 only; elsewhere rows are walked one
// by one).
//
// A row's length is the number of its entries before the first negative one
// (the end marker), or its column count. The sweep reads the block column by
// column, eight rows (one cache line of each column) at a time, without a
// branch per row, and requests the lines of the next `count` rows as it goes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mexsets/column_major.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#define MEXSETS_ROW_LENGTHS 1

namespace mexsets {

// Lengths are bytes: the sweep serves id matrices of at most this many columns.
constexpr std::size_t kMaxSweptColumns = 255;

// SSE2 is part of every x86-64 processor; AVX2 is used where the processor
// has it (checked at each call, no state kept).
enum class LengthSweep { sse2, avx2 };
LengthSweep best_length_sweep();

// Lengths of rows first .. first+count-1 of ids (ids.cols <= kMaxSweptColumns)
// into lengths[0 .. count-1]. Returns true when one of those rows holds,
// before its end, an entry that is not below `limit` (NaN included); the
// lengths are then unspecified.
bool measure_rows(LengthSweep sweep, ConstMatrix ids, std::size_t first, std::size_t count,
                  double limit, std::uint8_t* lengths);

}  // namespace mexsets

#endif
