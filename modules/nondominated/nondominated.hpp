// nondominated: marks the rows of a matrix that no other row dominates (its
// Pareto front), smaller being better in every column.
//
// Inputs:
//   front  m flags, one byte each (0 or 1), all 0 on entry; only ever set to 1.
//   x      m-by-d doubles, column-major: x(r, k) = x[r + k*m]. Offsets are
//          computed in size_t, so any array the host can hold is addressed.
//
// Comparisons are the ordinary ">" on doubles: false when either side is NaN,
// and -0 equals +0. Row s is better than row r somewhere when some k has
// x(r, k) > x(s, k); s is nowhere worse than r when no k has x(s, k) > x(r, k).
//
// The result is that of the candidate sweep: for t = 0 .. m-1, each row t
// still a candidate stops being one and becomes the champion c; the later
// candidates j are visited in ascending order: a j that is nowhere better than
// c stops being a candidate, a j that is better somewhere and nowhere worse
// than c (it dominates c) stops being a candidate and replaces c as champion,
// any other j stays a candidate. Then front(c) = 1, and when c >= t + 2 the
// candidates between t and c stay candidates only when they are better than c
// somewhere.
//
// Without NaN this is exactly: front(r) = 1 iff no row dominates r (nowhere
// worse and better somewhere) and no earlier row is identical to r. So each
// front point is marked once, at its first occurrence. With NaN the result
// depends on the row order, as the sweep gives it. d = 0 marks row 0 only;
// m = 0 does nothing.
//
// Cost. Up to a few dozen rows (20 in two columns, 40 in three, 160 in
// four, 64 in more) the sweep itself runs, at most m^2 d comparisons with
// its flags on the stack: the routes below pay more than that to set up.
// Beyond, without NaN the result comes from sorting and searching: d = 1 is
// one pass (the first row holding the minimum). For d >= 2, the rows that the
// first row of least sum covers (dominates, or copies with a later row) are
// dropped first, which in a cloud of points removes most (unless it covers
// few of a sample of the rows, as on a large front); then, over the rows
// left:
//   d = 2:  sort by (x0, x1, row) (rows placed in buckets by x0, each bucket
//           sorted in cache; a radix sort when x0 crowds a few buckets), one
//           pass keeping the least x1;
//   d = 3:  the same order, and a Fenwick tree over the ranks of x1 holding
//           the least x2 of the front so far: O(m log m);
//   d >= 4: sort by row sum (ties by the columns, then row), and compare each
//           row only with the front found so far, eight front rows at a time;
//           should the front grow large, the rows left are resolved by
//           halving for d = 4 (divide and conquer on the first column, the
//           halves merged with a Fenwick tree: O(m log^2 m); halves whose
//           sums of the other columns lie apart skip the tree), or for d >= 5
//           by a k-d tree (a box lower corner prunes, and so does a bound
//           on the row sums a box can hold below the row; a box that lies
//           below the row proves it covered). For d = 4, a sample of the
//           rows whose front is nearly all of it sends them to halving at
//           once.
// An input holding NaN runs four steps of the sweep itself (they drop most of
// a cloud of points); should at most about 2 sqrt(m) candidates be left, the
// sweep ends over a list of them; otherwise the rest of the sweep gives the
// same result through the fronts of the candidates free of NaN and a k-d tree
// over them (nondominated_with_nan below), in about O(m log m) while few rows
// hold NaN; the steps whose champion is a row holding NaN visit every
// candidate, O(m d) each, as the plain steps do.
// Threads (common/parallel.hpp): the sorts of more than 131,072 rows run
// their passes by chunks when the call has more threads than sorts, else
// each whole on its thread, side by side; beyond 8,192 rows kept in three
// columns its two sorts run side by side (each followed by its own pass by chunks: the
// ranks of x1, the order's x2) and the Fenwick pass in two parts of the
// ranks of x1, cut so that they cost alike, each over the whole order with
// a tree of its own ranks (a row of the lower part covers one of the upper
// by x2 alone); beyond 4,096 rows given
// to halving, its four sorts run side by side, its runs of copies are found
// by chunks and the halves of large ranges are solved side by side (also
// where the route for NaN asks for the front of its rows free of NaN).
// Those fronts are the definition's whatever the split, so every thread
// count gives the same flags; the sweep's own steps, and smaller calls, stay
// on the calling thread.
// Another thread may write to x during the call (a Python caller's, on an
// array read in place): the result may then mean nothing, but the sorts,
// buckets and trees never leave their arrays (values that steer them are
// read once, or sorted by loops bounded by the indices alone).
// Scratch lives in standard containers and in one block a route (about 30
// bytes a row, 45 for three columns on several threads, plus 8d bytes a row
// left for d >= 4 or for the rows left by the sweep, about 120 for halving;
// a block of 1 MB or more is advised into 2 MB pages, nondominated_sorting.hpp),
// released on every path, exceptions included; nothing here knows the host
// or its allocator. Should that scratch not be available, the sweep
// starts over instead.
#pragma once

#include <cstddef>

namespace mexsets {

void nondominated(unsigned char* front, const double* x, std::size_t m, std::size_t d);

// The candidate sweep alone, for every input (O(m^2 d), m bytes of scratch,
// on the stack up to 256 rows).
void nondominated_sweep(unsigned char* front, const double* x, std::size_t m, std::size_t d);

// The route for inputs holding NaN (any input gives the sweep's result): the
// sweep's first `plain_steps` outer steps, then the rest of them through the
// k-d tree; kChooseSteps leaves the number to the routine.
constexpr std::size_t kChooseSteps = static_cast<std::size_t>(-1);
void nondominated_with_nan(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                           std::size_t plain_steps);

}  // namespace mexsets
