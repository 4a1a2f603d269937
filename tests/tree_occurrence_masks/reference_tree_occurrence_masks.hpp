// tree_occurrence_masks written out plainly: two linked lists per node (row
// and column indices of its positions), filled from the labels, copied into
// the parent merge by merge, then walked to mark the planes. Kept as the
// yardstick for the differential tests and the benchmarks; inputs must respect
// the limits (ids in 1..L+R2 up to each row's 0, first row's last entry >= 1).
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

// Sets the flags of the M*N*K logical output `out` (all false on entry, as
// the host creates it), element (i, j, k) at i + j*M + k*M*N.
inline void tree_occurrence_masks(mexsets::ConstMatrix labels, mexsets::ConstMatrix merges,
                                  mexsets::ConstMatrix sets, bool* out) {
  auto position = [](double id) { return static_cast<unsigned long>(id - 1); };
  const std::size_t m = labels.rows, n = labels.cols;
  const unsigned long leaves = position(merges(0, merges.cols - 1));
  const std::size_t nodes = leaves + merges.rows;
  std::vector<std::list<unsigned long>> row_lists(nodes), col_lists(nodes);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      const unsigned long v = position(labels(i, j));
      row_lists[v].push_back(i);
      col_lists[v].push_back(j);
    }
  for (std::size_t r = 0; r < merges.rows; ++r) {
    const std::size_t p = leaves + r;
    for (std::size_t c = 0; c + 1 < merges.cols; ++c) {
      const double e = merges(r, c);
      if (e == 0) break;
      std::list<unsigned long> rows = row_lists[position(e)];
      row_lists[p].splice(row_lists[p].end(), rows);
      std::list<unsigned long> cols = col_lists[position(e)];
      col_lists[p].splice(col_lists[p].end(), cols);
    }
  }
  for (std::size_t k = 0; k < sets.rows; ++k)
    for (std::size_t c = 0; c < sets.cols; ++c) {
      const double e = sets(k, c);
      if (e == 0) break;
      auto i = row_lists[position(e)].begin();
      auto j = col_lists[position(e)].begin();
      for (; i != row_lists[position(e)].end(); ++i, ++j) out[*i + *j * m + k * m * n] = true;
    }
}

// Returns the M*N*K flags, element (i, j, k) at i + j*M + k*M*N.
inline std::vector<bool> tree_occurrence_masks(mexsets::ConstMatrix labels,
                                               mexsets::ConstMatrix merges,
                                               mexsets::ConstMatrix sets) {
  const std::size_t count = labels.rows * labels.cols * sets.rows;
  std::vector<bool> out(count, false);
  std::unique_ptr<bool[]> flags(new bool[count]());
  tree_occurrence_masks(labels, merges, sets, flags.get());
  for (std::size_t k = 0; k < count; ++k) out[k] = flags[k];
  return out;
}

}  // namespace reference
