// region_graph: the boundary graph of a label image (2-D) or label volume
// (3-D) in one pass: which regions touch, along how many cracks, how strong
// their common boundary is, and each region's area and length along the
// image's rim. The lists are merge_regions' inputs as they stand.
//
// Inputs (column-major doubles; failures name them by these names):
//   labels   h-by-w-by-d label values (d = 1: an image; d > 1: a volume).
//            Every label must be a whole number of magnitude at most 2^53;
//            ids may have gaps, start anywhere (0, negative) and repeat in
//            separate places (a region is a label value, not a connected
//            component). Regions are numbered 1..L in ascending order of
//            their label value: region k is the k-th smallest label present.
//   values   the per-pixel values whose step across a crack is its weight,
//            or an edge map (see Weights). Of an image h-by-w-by-C
//            (C >= 0 channels); of a volume h-by-w-by-d (one channel).
//   background  optional: a label value that is no region. Its pixels
//            belong to no region, count in no area, and a crack between one
//            of them and a region pixel counts toward nothing (neither a
//            pair nor the rim). A value that no pixel holds changes nothing.
// A crack is the common face of two 4-neighbours (image) or 6-neighbours
// (volume). Cracks between pixels of two different regions a < b belong to
// the pair (a, b); the faces of region pixels on the outer boundary of the
// image (4 per pixel of a 1-by-1 image, ...) to that region's rim.
//
// Weights of a pair's cracks, with `this` the pixel with the smaller index
// along the crack's axis and `next` the other:
//   step   sqrt(s), s = ((+0 + d_0^2) + d_1^2) + ... over the channels in
//          order, d_c = values(next, c) - values(this, c): boundary_grid's
//          strength, bit for bit.
//   mean   (e(this) + e(next)) / 2 of the edge map e = values.
//   max    the larger of e(this) and e(next); NaN when either is NaN.
//
// Outputs (P touching pairs, L regions; all doubles):
//   first, second  P: the pairs' regions, first < second, sorted by
//                  (first, second).
//   lengths        P: the number of cracks between the two regions.
//   strengths      P: the sum of their cracks' weights, starting at +0 and
//                  adding the cracks along the first axis (between rows),
//                  then along the second (between columns), then along the
//                  third (between pages); within an axis row by row, within
//                  a row page by page, within a page left to right (for an
//                  image: row-major order). These are the additions that
//                  boundary_sums makes over boundary_grid's grids, in its
//                  order, so the sums are the same bits.
//   areas          L: each region's pixel count.
//   border         L: each region's number of rim cracks.
//
// Limits: labels and values as above (first bad label in column-major order
// fails: NaN with idNotANumber, Inf or beyond 2^53 with idOutOfRange, a
// fraction with labelNotWhole); values' extents must match (valueSizeMismatch);
// fewer than 2^32 - 1 pixels (tooManyPixels).
//
// Cost: one pass to read the labels into region ids (a hash table of the
// distinct labels, sorted at the end: L log L), one per axis over the region
// ids, looking up each crack between regions in a hash table of the pairs
// (sorted at the end: P log P), and a counting sort of those cracks by row
// that puts the weights in the order above. Memory besides the outputs: 4
// bytes per pixel, O(L + P), and 32 bytes per crack between regions (of
// one axis at a time).
//
// Threads: large calls split the pixels, in column-major order, into bands
// fixed by the number of pixels (at most 64), one thread taking them one
// after another. Each band numbers its own
// labels and pairs and lists its cracks; the bands' labels are joined in
// band order, and their pairs too, split by the smaller region into ranges
// of region ids (at most 16) that join and sort on threads of their own.
// The counting sort places each band's cracks of a row after those of the
// bands before it, so every sum adds the same terms in the same order as
// on one thread, and a bad label fails as the first one in column-major
// order. The bands' tables add O(distinct labels and pairs
// per band) and 4 bytes per image row per band.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

enum class CrackWeight { step, mean, max };

struct RegionGraphInputs {
  ConstArray3 labels;  // planes = d
  ConstArray3 values;  // data == nullptr: no weights (strengths 0)
  bool has_background = false;
  double background = 0.0;
  CrackWeight weight = CrackWeight::step;
};

// The weight kinds by name, in CrackWeight's order.
inline constexpr const char* crack_weight_names[] = {"step", "mean", "max"};

// values' extents against labels' (see Inputs).
void check_region_values(const RegionGraphInputs& in);

struct RegionGraph {
  std::pmr::vector<double> first, second, lengths, strengths, areas, border;
  explicit RegionGraph(std::pmr::memory_resource* memory)
      : first(memory),
        second(memory),
        lengths(memory),
        strengths(memory),
        areas(memory),
        border(memory) {}
};

// Checks the labels and computes the graph (values checked by the caller,
// or by region_graph below when called without a host).
RegionGraph region_graph_lists(const RegionGraphInputs& in, std::pmr::memory_resource* memory);

// Checks everything and computes (tests, benchmarks).
RegionGraph region_graph(const RegionGraphInputs& in,
                         std::pmr::memory_resource* memory = std::pmr::get_default_resource());

}  // namespace mexsets
