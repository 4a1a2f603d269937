// nondominated: the entry, which picks the route. Every route gives the
// candidate sweep's result to the bit (nondominated.hpp states it); they
// differ in cost only.
//
// Route map
//
//   nondominated(front, x, m, d)
//   |- m = 0: nothing;  d = 0: row 0
//   |- d >= 2, few rows (sweep_rows(d), nondominated_routes.hpp: 20 to 160):
//   |     the sweep itself, its flags on the stack (nondominated_sweep,
//   |     nondominated_sweep.cpp)
//   |- d = 1, no NaN: the first row holding the minimum
//   |     (first_minimum, nondominated_without_nan.cpp)
//   |- d >= 2, no NaN (the pivot search finds NaN on the way): the front by
//   |     definition (front_without_nan, nondominated_without_nan.cpp):
//   |     the rows the pivot covers are dropped (unless a sample shows it
//   |     covers few), then over the rest
//   |       d = 2   sort and one pass (nondominated_pairs.cpp): rows placed
//   |               in buckets by a key that grows with x0, each bucket
//   |               sorted in cache; the radix sort
//   |               (nondominated_sorting.cpp) when x0 crowds the buckets
//   |       d = 3   sort and a Fenwick tree
//   |       d = 4   a sample of the rows nearly all on its own front: halving
//   |               (nondominated_halving.cpp), divide and conquer
//   |       d >= 4  otherwise the sum filter (nondominated_sum_filter.cpp),
//   |               which hands a large front to halving (d = 4) or to the
//   |               k-d tree (nondominated_box_tree.cpp), whose boxes are
//   |               pruned by their corners and by the sums of their rows
//   |- NaN, any d: nondominated_with_nan below
//         four plain steps of the sweep (sweep_step, nondominated_routes.hpp),
//         then over the candidates left
//           few (<= about 2 sqrt(m)): the sweep over a list of them
//             (sweep_listed, nondominated_sweep.cpp)
//           else: the sweep resumed with a search tree over the candidates
//             free of NaN (resume_sweep, nondominated_with_nan.cpp)
//   Several threads: d = 3 and halving only (nondominated.hpp, Threads).
//   Out of memory anywhere: the front is cleared and the plain sweep
//   (nondominated_sweep, m bytes of scratch) starts over.
//
// Shared by all (nondominated_routes.hpp): the one comparison of two points
// (better_somewhere, and nowhere_worse, dominates and covers built on it) and
// the one choice of the row type (32-bit row numbers when m allows).
#include "nondominated.hpp"

#include <cstring>
#include <new>
#include <vector>

#include "nondominated_routes.hpp"

namespace mexsets {
namespace {

// Runs `route`; should its scratch not be available, clears the front and
// runs the plain sweep instead, which needs m bytes.
template <class Route>
void with_sweep_fallback(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                         Route&& route) {
  try {
    route();
  } catch (const std::bad_alloc&) {
    std::memset(front, 0, m);
    nondominated_sweep(front, x, m, d);
  }
}

}  // namespace

void nondominated_with_nan(unsigned char* front, const double* x, std::size_t m, std::size_t d,
                           std::size_t plain_steps) {
  std::vector<unsigned char> candidate(m, 1);
  // The first steps of the sweep drop most of a cloud of points (the first
  // champion chain runs to a corner); after them the tree route costs a few
  // sorts of the rows left, and some passes over m flags, while the sweep
  // compares every live row again at each step that follows, and on a front
  // nearly all rows stay live. Four plain steps measured best, or as good as
  // the sweep, on uniform, Gaussian, simplex and mixed points, in rows of
  // random or sorted order. Should no more than about 2 sqrt(m) rows be left,
  // the sweep ends over a list of them instead (at most 4m pair tests).
  const bool choose = plain_steps == kChooseSteps;
  if (choose) plain_steps = 4;
  std::size_t t = 0, live = m;
  InterruptCheck interrupt;
  for (std::size_t steps = 0; t < m && steps < plain_steps; ++t)
    if (candidate[t]) {
      nd::sweep_step(front, candidate.data(), x, m, d, t, interrupt, [&](std::size_t) { --live; });
      ++steps;
    }
  while (t < m && !candidate[t]) ++t;
  if (t == m) return;
  if (choose && live <= 4 * m / live) {
    std::vector<std::size_t> rows;
    for (std::size_t r = t; r < m; ++r)
      if (candidate[r]) rows.push_back(r);
    nd::sweep_listed(front, candidate.data(), x, m, d, rows);
    return;
  }
  nd::with_row_type(m, [&](auto row_type) {
    nd::resume_sweep<decltype(row_type)>(front, candidate.data(), x, m, d, t);
  });
}

void nondominated(unsigned char* front, const double* x, std::size_t m, std::size_t d) {
  if (m == 0) return;
  if (d == 0) {  // no row is better than another anywhere
    front[0] = 1;
    return;
  }
  if (d >= 2 && m <= nd::sweep_rows(d)) return nondominated_sweep(front, x, m, d);
  with_sweep_fallback(front, x, m, d, [&] {
    if (d == 1) {
      if (nd::holds_nan(x, m)) return nondominated_with_nan(front, x, m, d, kChooseSteps);
      return nd::first_minimum(front, x, m);
    }
    const nd::Pivot pivot = nd::find_pivot(x, m, d);
    if (pivot.holds_nan) return nondominated_with_nan(front, x, m, d, kChooseSteps);
    nd::front_without_nan(front, x, m, d, pivot.row);
  });
}

}  // namespace mexsets
