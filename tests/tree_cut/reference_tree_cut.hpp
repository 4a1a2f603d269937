// A plain transcription of tree_cut for the differential tests: every leaf
// carries the node that holds it, each applied merge relabels the leaves of
// its two children, and regions are numbered by a scan in leaf order.
// O(L^2).
#pragma once

#include <cstddef>
#include <random>
#include <utility>
#include <vector>

namespace reference {

// merges: rows [c1 c2 new] of a valid tree, 1-based; `applied` merges.
inline std::vector<double> tree_cut(const std::vector<std::vector<double>>& merges,
                                    std::size_t applied) {
  const std::size_t leaves = merges.size() + 1;
  std::vector<double> holder(leaves);
  for (std::size_t n = 0; n < leaves; ++n) holder[n] = static_cast<double>(n + 1);
  for (std::size_t r = 0; r < applied; ++r)
    for (double& h : holder)
      if (h == merges[r][0] || h == merges[r][1]) h = merges[r][2];
  std::vector<double> labels(leaves, 0), seen;
  for (std::size_t n = 0; n < leaves; ++n) {
    std::size_t k = 0;
    while (k < seen.size() && seen[k] != holder[n]) ++k;
    if (k == seen.size()) seen.push_back(holder[n]);
    labels[n] = static_cast<double>(k + 1);
  }
  return labels;
}

// The merges to apply for a cut at `height`: up to the first height that is
// not below it.
inline std::size_t merges_below(const std::vector<double>& heights, double height) {
  std::size_t r = 0;
  while (r < heights.size() && heights[r] < height) ++r;
  return r;
}

// A random tree over `leaves` (rows [c1 c2 new], 1-based): each merge
// joins two current nodes drawn at random. Tests and benchmarks draw from it.
inline std::vector<std::vector<double>> random_tree(std::mt19937_64& random, std::size_t leaves) {
  std::vector<double> current;
  for (std::size_t n = 1; n <= leaves; ++n) current.push_back(static_cast<double>(n));
  std::vector<std::vector<double>> rows;
  for (std::size_t r = 0; r + 1 < leaves; ++r) {
    const std::size_t a = random() % current.size();
    std::swap(current[a], current.back());
    const double c1 = current.back();
    current.pop_back();
    const std::size_t b = random() % current.size();
    const double c2 = current[b];
    current[b] = static_cast<double>(leaves + r + 1);
    rows.push_back({c1, c2, current[b]});
  }
  return rows;
}

}  // namespace reference
