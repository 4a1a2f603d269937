// The Pareto-front filter exactly as the module's contract states it: one
// candidate byte per row, the champion chain and the two sweeps over the
// column-major input, offsets in size_t. Slow (M^2 D) and plain on purpose;
// tests and benchmarks compare the shipped routine against it.
#pragma once

#include <cstddef>
#include <vector>

namespace reference {

// Some k has x(r, k) > x(s, k): row s is better than row r somewhere.
inline bool better_somewhere(const double* x, std::size_t m, std::size_t d, std::size_t s,
                             std::size_t r) {
  for (std::size_t k = 0; k < d; ++k)
    if (x[r + k * m] > x[s + k * m]) return true;
  return false;
}

// No k has x(s, k) > x(r, k): row s is nowhere worse than row r.
inline bool nowhere_worse(const double* x, std::size_t m, std::size_t d, std::size_t s,
                          std::size_t r) {
  for (std::size_t k = 0; k < d; ++k)
    if (x[s + k * m] > x[r + k * m]) return false;
  return true;
}

// front: m bytes, all 0 on entry; x: m-by-d doubles, column-major.
inline void nondominated(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  std::vector<unsigned char> candidate(m, 1);
  for (std::size_t t = 0; t < m; ++t) {
    if (candidate[t] == 0) continue;
    candidate[t] = 0;
    std::size_t c = t;
    if (t + 1 == m) {
      front[t] = 1;
      break;
    }
    for (std::size_t j = t + 1; j < m; ++j) {
      if (candidate[j] != 1) continue;
      candidate[j] = 0;
      if (better_somewhere(x, m, d, j, c)) {
        candidate[j] = 1;
        if (nowhere_worse(x, m, d, j, c)) {
          front[c] = 0;
          candidate[j] = 0;
          c = j;
        }
      }
    }
    front[c] = 1;
    if (c >= t + 2) {
      for (std::size_t j = t + 1; j < c; ++j) {
        if (candidate[j] != 1) continue;
        candidate[j] = 0;
        if (better_somewhere(x, m, d, j, c)) candidate[j] = 1;
      }
    }
  }
}

}  // namespace reference
