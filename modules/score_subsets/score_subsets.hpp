// score_subsets: sums two per-item value rows over every row of a subset
// matrix.
//
// Inputs (column-major doubles):
//   a, b     value rows: element (0, k) is the value of item k+1; only row 0
//            is read.
//   subsets  M-by-N; row i lists 1-based item ids from column 0 on, ended by
//            the first entry that compares equal to 0 (so -0 too, never NaN)
//            or by the end of the row.
// Outputs: r1[i], r2[i] = the sums of a's and b's values over row i's ids.
//
// An id x addresses item index k = x - 1 truncated toward zero, so 0.5
// addresses item 1 and 2.9 item 2 (every id strictly between 0 and 1 is item 1,
// even one so small that x - 1 rounds to -1); a repeated id counts each time. Each sum
// starts at +0 and adds in the order of the row's entries.
//
// Limits: every id before a row's end is finite with 0 <= k < K, K being the
// smaller column count of a and b (no id is valid when a or b has no row).
// The first entry in row order that breaks them is reported (a Failure for
// the argument "subsets") instead of being read; r1 and r2 then hold partial
// results. Cost: one pass over each row up
// to its end; no allocation.
#pragma once

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

void score_subsets(ConstMatrix a, ConstMatrix b, ConstMatrix subsets, double* r1, double* r2);

}  // namespace mexsets
