// nondominated: what its routes share (see the route map in nondominated.cpp):
// the one comparison of two points, the row type, and the routes themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "mexsets/interrupt.hpp"

namespace mexsets {
namespace nd {

// The one comparison every route is built on. A point is d coordinates a
// fixed step apart: a row of the column-major input (step m) or a copy (step
// 1). True when some k has b[k] > a[k]: a is better than b somewhere. ">" is
// false when either side is NaN, and -0 equals +0.
inline bool better_somewhere(const double* a, std::size_t a_step, const double* b,
                             std::size_t b_step, std::size_t d) {
  for (std::size_t k = 0; k < d; ++k)
    if (b[k * b_step] > a[k * a_step]) return true;
  return false;
}

// a is nowhere worse than b: b is better nowhere.
inline bool nowhere_worse(const double* a, std::size_t a_step, const double* b, std::size_t b_step,
                          std::size_t d) {
  return !better_somewhere(b, b_step, a, a_step, d);
}

// a dominates b: nowhere worse and better somewhere.
inline bool dominates(const double* a, std::size_t a_step, const double* b, std::size_t b_step,
                      std::size_t d) {
  return nowhere_worse(a, a_step, b, b_step, d) && better_somewhere(a, a_step, b, b_step, d);
}

// The same for rows s and r of the m-by-d input.
inline bool better_somewhere(const double* x, std::size_t m, std::size_t d, std::size_t s,
                             std::size_t r) {
  return better_somewhere(x + s, m, x + r, m, d);
}
inline bool nowhere_worse(const double* x, std::size_t m, std::size_t d, std::size_t s,
                          std::size_t r) {
  return nowhere_worse(x + s, m, x + r, m, d);
}

// Row s covers row r: nowhere worse, and better somewhere or earlier. A row
// that another covers is off the front of an input without NaN.
inline bool covers(const double* x, std::size_t m, std::size_t d, std::size_t s, std::size_t r) {
  return s != r && nowhere_worse(x, m, d, s, r) && (s < r || better_somewhere(x, m, d, s, r));
}

// Rows are listed in 32 bits when every row number fits (the lists, trees
// and sorts then take half the memory), in size_t otherwise. The one choice:
// calls route(Row{}) with Row the type for m rows.
constexpr std::size_t kRowLimit32 = 0xFFFFFFFFu;
template <class Route>
void with_row_type(std::size_t m, Route&& route) {
  if (m <= kRowLimit32)
    route(std::uint32_t{});
  else
    route(std::size_t{});
}

// The routes, each in its own file.

// nondominated_sweep.cpp: the sweep keeps the candidate bytes of up to this
// many rows on the stack.
constexpr std::size_t kFewRows = 256;

// Up to this many rows the sweep costs least, whatever the points: the
// other routes first pay for a pass over the rows, sorts and scratch (a few
// microseconds), while the sweep's worst case, every point on the front,
// grows as m^2 d. Measured against the routes on points of the unit simplex
// (all on the front) and uniform in the cube (bench_nondominated_tiny.cpp,
// HandOver): the sweep costs at most about as much up to 24 rows in two
// columns, 48 in three, 192 in four (where halving's sample alone costs what
// the sweep does) and 64 to 128 in five to eight; each bound stays below.
inline std::size_t sweep_rows(std::size_t d) {
  return d <= 2 ? 20 : d == 3 ? 40 : d == 4 ? 160 : 64;
}
static_assert(kFewRows >= 160, "the sweep keeps its flags on the stack");

// nondominated_sweep.cpp: the rest of the candidate sweep when only the
// listed rows (ascending) are still candidates (the step below over a list).
void sweep_listed(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                  std::size_t d, const std::vector<std::size_t>& rows);

// The steps of a sweep are ticked on the sweep's one countdown (a step may
// be short, and there may be m of them).

// nondominated_without_nan.cpp: the first row of least sum (in a cloud it
// covers most rows), and whether the input holds NaN, found on the way (the
// row then means nothing).
struct Pivot {
  bool holds_nan;
  std::size_t row;
};
Pivot find_pivot(const double* x, std::size_t m, std::size_t d);
// The front of an m-by-d input without NaN, d >= 2, given its pivot.
void front_without_nan(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                       std::size_t pivot);
// The front of the listed rows (ascending) of an input without NaN, d >= 1,
// as if they alone formed the matrix.
template <class Row>
void front_of_rows(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                   std::vector<Row> rows);
// The front of an n-by-d matrix without NaN, d >= 1.
void front_of_matrix(unsigned char* front, const double* x, std::size_t n, std::size_t d);
// Whether any of x[0 .. count-1] is NaN.
bool holds_nan(const double* x, std::size_t count);
// The first row holding the least of x[0 .. m-1].
void first_minimum(unsigned char* front, const double* x, std::size_t m);

// nondominated_pairs.cpp: the front of the listed rows (ascending, at most
// kPackedLimit) of an input without NaN in two columns, as if they alone
// formed the matrix; rows null for all n = m rows.
template <class Row>
void front_of_pairs(unsigned char* front, const double* x, std::size_t m, const Row* rows,
                    std::size_t n);

// nondominated_sum_filter.cpp: the front of the listed rows (ascending, at
// most kPackedLimit) of an input without NaN, d >= 4, as if they alone
// formed the matrix.
template <class Row>
void front_by_filter(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                     const Row* rows, std::size_t n);

// nondominated_halving.cpp: marks the listed rows (fewer than kPackedLimit)
// of an input without NaN in four columns that no listed row covers.
template <class Row>
void front_by_halving(unsigned char* front, const double* x, std::size_t m,
                      const std::vector<Row>& rows);

// nondominated_box_tree.cpp: marks the listed rows of an input without NaN
// that no listed row covers, leaving rows already marked as they are.
template <class Row>
void front_by_tree(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                   std::vector<Row> rows);

// nondominated_with_nan.cpp: the sweep resumed at outer step `first`.
template <class Row>
void resume_sweep(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                  std::size_t d, std::size_t first);

// The first row from j on (below end) whose flag is not 0, or end. Runs of
// settled rows are passed eight flags at a time.
inline std::size_t next_live(const unsigned char* flag, std::size_t j, std::size_t end) {
  for (; j < end && j % 8 != 0; ++j)
    if (flag[j]) return j;
  for (std::uint64_t eight; j + 8 <= end; j += 8) {
    std::memcpy(&eight, flag + j, sizeof eight);
    if (eight) break;
  }
  while (j < end && !flag[j]) ++j;
  return j;
}

// One outer step of the candidate sweep, for the candidate t: t stops being a
// candidate and becomes the champion c; the later candidates j, in ascending
// order, stop being candidates when nowhere better than c, or replace c when
// they dominate it; then front(c) = 1, and the candidates between t and c
// stay only when they are better than c somewhere. `dropped(j)` is told of
// every row whose flag goes to 0 (t included). Here rather than in
// nondominated_sweep.cpp so that the callers' `dropped` inlines.
template <class Dropped>
void sweep_step(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                std::size_t d, std::size_t t, InterruptCheck& interrupt, Dropped&& dropped) {
  candidate[t] = 0;
  dropped(t);
  interrupt.tick((m - t) / 8);  // flags scanned eight at a time
  std::size_t c = t;  // the champion
  for (std::size_t j = t + 1; j < m; ++j) {
    if (!candidate[j]) {
      j = next_live(candidate, j, m);  // a run of settled rows
      if (j == m) break;
    }
    interrupt.tick(2 * d);
    if (!better_somewhere(x, m, d, j, c)) {
      candidate[j] = 0;  // nowhere better than the champion: out for good
      dropped(j);
    } else if (nowhere_worse(x, m, d, j, c)) {
      candidate[j] = 0;  // dominates the champion and replaces it
      dropped(j);
      c = j;
    }
  }
  front[c] = 1;
  // Rows passed before the champion moved were compared with earlier
  // champions only (none unless c >= t + 2).
  for (std::size_t j = next_live(candidate, t + 1, c); j < c; j = next_live(candidate, j + 1, c)) {
    interrupt.tick(2 * d);
    if (!better_somewhere(x, m, d, j, c)) {
      candidate[j] = 0;
      dropped(j);
    }
  }
}

}  // namespace nd
}  // namespace mexsets
