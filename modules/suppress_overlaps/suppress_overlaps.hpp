// suppress_overlaps: keeps the rows of an item-list matrix whose overlap
// ratio with every row kept before stays below a threshold.
//
// Inputs (column-major doubles):
//   items      M-by-N item-list matrix, rows tested from first to last.
//   weights    u(a) = weights[a], the weight of item a.
//   pairs      W, rows-by-cols; W(a, b) is row a, column b (its diagonal is
//              not used as item weights here). Dense, compressed columns, or
//              the vector w of L item weights meaning diag(w) (WeightMatrix):
//              the same entries give the same bits in every form.
//   threshold  t (1 when a caller leaves it out).
// Result: the numbers (zero-based, ascending) of the accepted rows.
//
// Numbering and end markers: ids are zero-based and truncated toward zero.
// A row under test lists the entries before its first negative entry (0 is
// item 0; NaN does not end it). An accepted row is kept as all N entries
// truncated to 32-bit integers, and its list is the stored integers before
// the first negative one: an entry between -1 and 0 ends the list while its
// row is tested but, stored as 0, is item 0 once the row is accepted.
//
// Row i is dropped as soon as the overlap ratio (common/overlap_ratio.hpp,
// item weights u) with P = an accepted row's list and Q = row i's list is
// >= t; a NaN ratio never is. Otherwise it is accepted. Whether a row is
// dropped does not depend on the order in which the accepted rows are
// compared, so they may be compared several at a time.
//
// write_accepted_rows writes the K-by-N result: each stored integer plus 1,
// formed in 64-bit arithmetic (so 2147483647 gives 2147483648).
// write_kept_row_numbers writes the K accepted row numbers, 1-based.
//
// Exactness: every S, w(P), w(Q) is the sum in the defining order, whatever
// SumStrategy is used; the strategies only differ in speed.
//
// Limits: every entry up to a row's first entry <= -1 (the end of its stored
// list) is not NaN and truncates below the element count of u and below both
// dimensions of W; every entry of items truncates to a 32-bit integer.
// check_suppression_limits reports the first entry (in row order) that does
// not, as an entry of "items". suppress_overlaps reads the ids once more,
// into lists of its own, and reports a bad one there too: another thread
// writing to items in between can change the result, never what is
// addressed.
//
// A sparse or diagonal W always takes skip_zeros (plain when asked for),
// its non-zeros by column built from its stored entries: no K-by-K copy.
// With t > 0, skip_zeros compares a row only with the accepted rows that
// hold the row id a of some non-zero W(a, b) with b in the row's list (an
// index kept per id as rows are accepted): any other accepted row has S = +0
// with it, a ratio of +-0 or NaN, which reaches no t > 0. The ratios
// counted are still those of the loop over every accepted row.
//
// Cost: at most M(M-1)/2 ratios (when every row is kept), each |P|*|Q|
// terms of W in the plain loop; fewer with the fast strategies. The
// automatic choice takes the route of least estimated time whose working
// data (W's non-zeros by column, 16 bytes each, or a row-major copy of W's
// K-by-K block, 8*(K+1)^2 bytes, K = largest id + 1) stays within half the
// memory the machine reports available (half MEXSETS_MEMORY_LIMIT when that
// is set); past that bound the next fastest route is taken, and the plain
// loop, which holds nothing more, when none fits.
//
// Threads: a row under test is compared with the accepted rows on the
// threads of the call (common/parallel.hpp), each ratio whole on one thread;
// the first accepted row (in their order) that reaches t decides, so the
// rows kept and the ratios counted are the same on any number of threads.
// Comparisons too small to pay for the threads (about 30 microseconds of
// work per chunk) stay on the calling thread. With W's non-zeros by column
// (skip_zeros), where a row's comparisons are mostly too few to split, rows
// are filtered in batches of 64 instead: the threads test a batch's rows
// against the rows accepted before it and against the batch's earlier rows,
// then the rows settle in order. The passes over a dense W's columns (its
// non-zeros, the route estimate) split the columns.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <vector>

#include "common/overlap_ratio.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

// Throws a Failure (idNotANumber, idOutOfRange, entryNotInt32) for the first
// entry of items that breaks the limits above.
void check_suppression_limits(ConstMatrix items, std::size_t weight_count,
                              const WeightMatrix& pairs);

struct Suppression {
  std::pmr::vector<std::size_t> accepted;     // accepted row numbers, ascending
  SumStrategy strategy = SumStrategy::plain;  // the strategy used
  std::size_t ratios = 0;                     // overlap ratios computed
};

// u is weights[0 .. weight_count-1]. `memory` holds the result's row
// numbers, which a host keeps while it creates the output; the working data
// of the call comes from the heap and is gone on return.
Suppression suppress_overlaps(ConstMatrix items, const double* weights, std::size_t weight_count,
                              const WeightMatrix& pairs, double threshold,
                              SumStrategy strategy = SumStrategy::automatic,
                              std::pmr::memory_resource* memory = std::pmr::get_default_resource());

// out: K-by-N column-major, K = accepted.size().
void write_accepted_rows(ConstMatrix items, const std::pmr::vector<std::size_t>& accepted,
                         double* out);

// out: K doubles, accepted[r] + 1 (exact: row numbers are far below 2^53).
void write_kept_row_numbers(const std::pmr::vector<std::size_t>& accepted, double* out);

}  // namespace mexsets
