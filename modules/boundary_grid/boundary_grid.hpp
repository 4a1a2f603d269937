// boundary_grid: the contour grid of a label image, in the form boundary_sums
// reads: which two regions every pixel edge separates, how strongly the pixel
// values differ across it, and the list of region pairs that touch.
//
// Inputs (column-major doubles; failures name them by these names):
//   labels   h-by-w region ids, 1-based, truncated toward zero (2.9 is region
//            2). Every id must be >= 1 and truncate to at most
//            largest_region_id; L is the largest truncated id (0 when the
//            image has no pixel).
//   values   optional h-by-w-by-C per-pixel values (C channels, C >= 0): a
//            colour image, one plane per channel.
// Outputs (zero-based indexes below; the help counts from 1):
//   grid      (2h+1)-by-(2w+1). Pixel (i, j) sits at cell (2i+1, 2j+1). The
//             cell (2i+1, 2j+2) between pixels (i, j) and (i, j+1), and the
//             cell (2i+2, 2j+1) between (i, j) and (i+1, j), hold the key
//             a*(L+1) + b of their two ids a < b, or 0 when the ids are
//             equal. The rim cells (2i+1, 0), (2i+1, 2w), (0, 2j+1) and
//             (2h, 2j+1) hold the id of their pixel (the key with a = 0).
//             Every other cell (pixels, corners) holds 0.
//   strength  same size: at every cell between two pixels (whether their ids
//             differ or not) sqrt(s), s = ((+0 + d_0^2) + d_1^2) + ... over
//             the channels in order, d_c = values(next, c) - values(this, c)
//             with `next` the pixel to the right or below. So it equals, bit
//             for bit, the Octave expression sqrt(sum(diff(img, 1, dim).^2,
//             3)). All other cells (the rim too) hold 0; all of them when
//             values is not given or C = 0.
//   keys      the K distinct nonzero grid values, ascending.
//   first     keys div (L+1): 0 for a rim key, else the smaller region id.
//   second    keys mod (L+1): the larger region id (the region of a rim key).
// These are boundary_sums' inputs: boundary_sums(L, first, second, keys,
// grid, ones) counts, per touching pair (a, b), the pixel edges between them
// into pair(a, b) and each region's rim edges into border(b).
//
// Limits: L*(L+2) <= 2^53, so every key and its quotient by L+1 are exact in
// double: largest_region_id = 94906264. The first label in column-major order
// that is NaN (idNotANumber), below 1 after truncation or beyond the bound
// (idOutOfRange, Inf too) is reported as a Failure for "labels"; values
// whose first two extents are not h and w fail with valueSizeMismatch.
//
// Cost: one pass over the labels to check them, one to fill the grid (each
// label converted once; keys gathered in a hash set sized by the number of
// distinct keys, then K log K to sort them), one over the values. Memory
// besides the outputs: 8h bytes of label columns and about 16 bytes per
// distinct key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

constexpr std::uint32_t largest_region_id = 94906264;

// L, the largest truncated id, after checking every label (see Limits).
std::uint32_t largest_label(ConstMatrix labels);

// values' first two extents must be labels' rows and columns.
void check_value_image(ConstMatrix labels, ConstArray3 values);

// 2h+1 (rows) or 2w+1 (columns); fails with outOfMemory when no address
// space holds the (2h+1)-by-(2w+1) doubles of a grid.
std::size_t grid_extent(ConstMatrix labels, bool rows);

// Writes the keys into `grid` ((2h+1)-by-(2w+1), zeroed by the caller) from
// checked labels with largest id L; returns the distinct keys, ascending.
std::pmr::vector<std::uint64_t> fill_boundary_grid(ConstMatrix labels, std::uint32_t L,
                                                   double* grid,
                                                   std::pmr::memory_resource* memory);

// keys, first and second (K doubles each) of the sorted distinct keys.
void split_keys(const std::pmr::vector<std::uint64_t>& keys, std::uint32_t L, double* key_out,
                double* first, double* second);

// Writes the strengths into `strength` ((2h+1)-by-(2w+1), zeroed by the
// caller) from values of h-by-w pixels.
void fill_boundary_strength(ConstArray3 values, double* strength);

// All steps, for tests and benchmarks (values == nullptr: none given).
struct BoundaryGrid {
  OwnedMatrix<double> grid, strength;
  std::vector<double> keys, first, second;
};
BoundaryGrid boundary_grid(ConstMatrix labels, const ConstArray3* values);

}  // namespace mexsets
