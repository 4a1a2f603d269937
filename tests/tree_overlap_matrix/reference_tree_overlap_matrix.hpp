// The overlap matrix computed the plain way, for differential tests and
// benchmarks: a copied leaf list per node, sorted after each merge row, and
// one vector_intersection per node pair. Inputs must respect the module's
// limits (see tree_overlap_matrix.hpp); memory grows with the multiplicities.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "mexsets/column_major.hpp"
#include "sorted_sets.hpp"

namespace reference {

inline mexsets::OwnedMatrix<double> tree_overlap_matrix(mexsets::ConstMatrix merge,
                                                        mexsets::ConstMatrix node_rows) {
  const std::size_t nodes = node_rows.rows;
  const std::size_t leaves = nodes - merge.rows;
  std::vector<std::vector<unsigned int>> lists(nodes);
  for (std::size_t k = 0; k < leaves; ++k) lists[k].push_back(static_cast<unsigned int>(k));
  for (std::size_t r = 0; r < merge.rows; ++r) {
    const auto p = static_cast<unsigned int>(static_cast<long long>(merge(r, merge.cols - 1)));
    for (std::size_t j = 0; j + 1 < merge.cols; ++j) {
      const double x = merge(r, j);
      if (x < 0) break;
      const auto c = static_cast<unsigned int>(static_cast<long long>(x));
      lists[p].insert(lists[p].begin(), lists[c].begin(), lists[c].end());
    }
    std::sort(lists[p].begin(), lists[p].end());
  }
  mexsets::OwnedMatrix<double> w(nodes, nodes, 0.0);
  for (std::size_t d = 0; d + 1 < nodes; ++d) {
    for (std::size_t i = d + 1; i < nodes; ++i) {
      w(d, i) = 0;
      w(i, d) = 0;
      if (i < leaves) continue;
      std::vector<unsigned int> common;
      mexsets::vector_intersection(lists[d], lists[i], common);
      for (unsigned int l : common) {
        w(d, i) += node_rows(l, 0);
        w(i, d) += node_rows(l, 0);
      }
    }
  }
  return w;
}

}  // namespace reference
