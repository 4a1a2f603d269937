#include "score_subsets.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/bits.hpp"
#include "mexsets/interrupt.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define MEXSETS_TRUNCATE_ANY 1
#endif

namespace mexsets {

namespace {

// Item index of an id: x - 1 truncated toward zero. For 0 < x < 1 the
// difference rounds to -1 when x is tiny (below 2^-54), so such ids are taken
// as the first item directly, as every other id below 1 is.
std::int64_t item_index(double x) { return x < 1 ? 0 : static_cast<std::int64_t>(x - 1); }

// x == 0 (+0 or -0) as one integer test: every bit but the sign is clear.
inline bool is_zero(double x) { return magnitude_bits(x) == 0; }

// The item index of id x (not 0) when x addresses one of `items` items, else
// reported.
std::size_t checked_index(double x, std::size_t items, std::size_t i, std::size_t j) {
  const bool addresses_an_item = x > 0 && (x < 1 ? items > 0 : x - 1 < static_cast<double>(items));
  if (!addresses_an_item)
    fail_id("subsets", "item id outside 1.." + std::to_string(items), i, j, x);
  return static_cast<std::size_t>(item_index(x));
}

#ifdef MEXSETS_TRUNCATE_ANY
// x - 1 truncated toward zero for any x: cvttsd2si gives INT64_MIN for NaN,
// infinities and values beyond the 64-bit range, where a C++ conversion is
// undefined.
inline std::uint64_t truncated_less_one(double x) {
  return static_cast<std::uint64_t>(_mm_cvttsd_si64(_mm_set_sd(x - 1)));
}
#endif

// Rows begin .. end-1 of score_subsets, of ids addressing `items` items.
// Row by row with the sums in registers: each sum is a plain left-to-right
// chain. The walk is bound by its instructions per entry more than by
// memory, so the end test is one integer test and, on x86-64, the range
// check one unsigned comparison of the truncated index against the item
// count. That index is below it exactly when the id is valid, save for ids
// so small that x - 1 rounds to -1: a negative x, NaN or a value past the
// 64-bit range truncates to a negative index, which compares as huge, and
// 0 < x < 1 truncates to 0 as item_index does. Every id that fails the
// comparison takes the full check.
void score_rows(ConstMatrix a, ConstMatrix b, ConstMatrix subsets, std::size_t items, double* r1,
                double* r2, std::size_t begin, std::size_t end) {
  InterruptCheck interrupt;
  for (std::size_t i = begin; i < end; ++i) {
    double sum1 = 0.0;
    double sum2 = 0.0;
    std::size_t j = 0;
    for (; j < subsets.cols; ++j) {
      const double x = subsets(i, j);
      if (is_zero(x)) break;
#ifdef MEXSETS_TRUNCATE_ANY
      std::size_t k = truncated_less_one(x);
      if (k >= items) k = checked_index(x, items, i, j);
#else
      const std::size_t k = checked_index(x, items, i, j);
#endif
      sum1 += a(0, k);
      sum2 += b(0, k);
    }
    r1[i] = sum1;
    r2[i] = sum2;
    interrupt.tick(4 * j + 4);
  }
}

}  // namespace

void score_subsets(ConstMatrix a, ConstMatrix b, ConstMatrix subsets, double* r1, double* r2) {
  // With an empty value row no id is valid.
  const std::size_t items = (a.rows && b.rows) ? std::min(a.cols, b.cols) : 0;
  // Rows are independent: threads take chunks of rows, and a bad id fails as
  // the first one in row order would on one thread. A call that does not
  // split runs its rows here, as before threads: a tiny call pays for no
  // more than its rows.
  const std::size_t grain = grain_for(4 * subsets.cols + 4);
  if (!splits(subsets.rows, grain))
    return score_rows(a, b, subsets, items, r1, r2, 0, subsets.rows);
  parallel_for_ordered(subsets.rows, grain, [&](std::size_t begin, std::size_t end) {
    score_rows(a, b, subsets, items, r1, r2, begin, end);
  });
}

}  // namespace mexsets
