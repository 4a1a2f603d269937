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
// Result (the candidate sweep): for t = 0 .. m-1, each row t still a
// candidate becomes the champion c; the later candidates j are visited in
// ascending order: a j that is nowhere better than c stops being a candidate,
// a j that is better somewhere and nowhere worse than c replaces it as
// champion (and stops being a candidate), any other j stays a candidate.
// Then front(c) = 1, and when c >= t + 2 the candidates between t and c stay
// candidates only when they are better than c somewhere.
//
// Without NaN this is exactly: front(r) = 1 iff no row dominates r (nowhere
// worse and better somewhere) and no earlier row is identical to r. So each
// front point is marked once, at its first occurrence. With NaN the result
// depends on the row order, as the sweep gives it. d = 0 marks row 0 only;
// m = 0 does nothing.
//
// Complexity. The sweep is O(m^2 d) in the worst case and is what runs when x
// holds a NaN. Without NaN the same result comes from faster routes:
//   d = 1: one pass, the first row holding the minimum;
//   d = 2: radix sort by (x0, x1, row), then one pass keeping the running
//          minimum of x1: O(m log m);
//   d = 3: the same order, then a prefix-minimum tree over the ranks of x1
//          holding x2: O(m log m);
//   d >= 4: sort by row sum (ties by coordinates, then row; so no row comes
//          after one it dominates or copies), then each row is compared only
//          with the front found so far: O(m log m + m f d), f the front size.
// Scratch lives in standard containers (about 8 m d + 40 m bytes), released on
// every path, exceptions included; nothing here knows the host or its
// allocator. Should that much scratch not be available, the sweep runs over x
// in place with m bytes of scratch.
#pragma once

#include <cstddef>

namespace mexsets {

void nondominated(unsigned char* front, const double* x, std::size_t m, std::size_t d);

// The sweep over x in place, m bytes of scratch, O(m^2 d): the same result for
// every input. nondominated falls back on it when scratch runs short.
void nondominated_in_place(unsigned char* front, const double* x, std::size_t m,
                           std::size_t d);

}  // namespace mexsets
