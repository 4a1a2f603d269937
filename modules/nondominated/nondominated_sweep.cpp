// nondominated: the candidate sweep, over every row or over a list of the
// rows still candidates.
#include <cstring>
#include <vector>

#include "nondominated.hpp"
#include "nondominated_routes.hpp"

namespace mexsets {

// Over the column-major input, one candidate byte per row; its pair test is
// already tight (a row-major copy with a list of live rows measured no
// faster), so it stays as it stands. Up to kFewRows rows the bytes live on
// the stack: on a few rows an allocation would cost as much as the sweep.
void nondominated_sweep(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  unsigned char few[nd::kFewRows];
  std::vector<unsigned char> many;
  unsigned char* candidate = few;
  if (m <= nd::kFewRows) {
    std::memset(few, 1, m);
  } else {
    many.assign(m, 1);
    candidate = many.data();
  }
  InterruptCheck interrupt;
  for (std::size_t t = 0; t < m; ++t)
    if (candidate[t]) nd::sweep_step(front, candidate, x, m, d, t, interrupt, [](std::size_t) {});
}

namespace nd {

// sweep_step, with the list in place of the scan of every flag.
void sweep_listed(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                  std::size_t d, const std::vector<std::size_t>& rows) {
  const std::size_t n = rows.size();
  InterruptCheck interrupt;
  for (std::size_t a = 0; a < n; ++a) {
    const std::size_t t = rows[a];
    if (!candidate[t]) continue;
    candidate[t] = 0;
    std::size_t c = t, at = a;  // the champion and its place in the list
    interrupt.tick(n - a);
    for (std::size_t b = a + 1; b < n; ++b) {
      const std::size_t j = rows[b];
      if (!candidate[j]) continue;
      interrupt.tick(2 * d);
      if (!better_somewhere(x, m, d, j, c)) {
        candidate[j] = 0;
      } else if (nowhere_worse(x, m, d, j, c)) {
        candidate[j] = 0;
        c = j;
        at = b;
      }
    }
    front[c] = 1;
    for (std::size_t b = a + 1; b < at; ++b)
      if (candidate[rows[b]] && !better_somewhere(x, m, d, rows[b], c)) candidate[rows[b]] = 0;
  }
}

}  // namespace nd
}  // namespace mexsets
