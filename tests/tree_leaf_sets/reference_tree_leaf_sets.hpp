// tree_leaf_sets written out plainly: one linked list of 0-based leaf
// numbers per node, children's lists copied into the parent row by row, each
// node set's lists copied into a vector and sorted. Kept as the yardstick for
// the differential tests and the benchmarks; inputs must respect the limits
// (ids in 1..L+R1 up to each row's 0, first row's last entry >= 1).
#pragma once

#include <algorithm>
#include <cstdint>
#include <list>
#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

// Returns, per row of `sets`, the sorted 1-based leaf ids as uint32.
inline std::vector<std::vector<std::uint32_t>> tree_leaf_sets(mexsets::ConstMatrix merges,
                                                              mexsets::ConstMatrix sets) {
  auto position = [](double id) { return static_cast<unsigned long>(id - 1); };
  const unsigned long leaves = position(merges(0, merges.cols - 1));
  std::vector<std::list<unsigned long>> lists(leaves + merges.rows);
  for (unsigned long n = 0; n < leaves; ++n) lists[n].push_back(n);
  for (std::size_t r = 0; r < merges.rows; ++r) {
    std::list<unsigned long>& parent = lists[position(merges(r, merges.cols - 1))];
    for (std::size_t k = 0; k + 1 < merges.cols; ++k) {
      const double e = merges(r, k);
      if (e == 0) break;
      std::list<unsigned long> copy = lists[position(e)];  // the current entries
      parent.splice(parent.end(), copy);
    }
  }
  std::vector<std::vector<unsigned long>> results(sets.rows);
  for (std::size_t j = 0; j < sets.rows; ++j) {
    for (std::size_t k = 0; k < sets.cols; ++k) {
      const double e = sets(j, k);
      if (e == 0) break;
      const std::list<unsigned long>& node = lists[position(e)];
      results[j].insert(results[j].end(), node.begin(), node.end());
    }
  }
  for (auto& result : results) std::sort(result.begin(), result.end());
  std::vector<std::vector<std::uint32_t>> out(sets.rows);
  for (std::size_t j = 0; j < sets.rows; ++j)
    for (unsigned long leaf : results[j]) out[j].push_back(static_cast<std::uint32_t>(leaf + 1));
  return out;
}

}  // namespace reference
