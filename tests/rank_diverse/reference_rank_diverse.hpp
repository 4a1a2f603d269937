// rank_diverse written out step by step as the algorithm is defined: an
// ordered remaining set, lists read afresh from the item-list matrix for
// every sum, each overlap ratio in its defining order. Slow on purpose; the
// tests and benchmarks hold the shipped computation against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "mexsets/column_major.hpp"

namespace reference {

// rho with P = row p and Q = row q of `items`, item weights from diag(W).
inline double rank_overlap(mexsets::ConstMatrix items, std::size_t p, std::size_t q,
                           mexsets::ConstMatrix w) {
  double shared = 0.0, weight_p = 0.0, weight_q = 0.0;
  for (std::size_t jp = 0; jp < items.cols; ++jp) {
    const double x = items(p, jp);
    if (x < 0) break;
    const auto a = static_cast<std::size_t>(static_cast<std::int64_t>(x));
    for (std::size_t jq = 0; jq < items.cols; ++jq) {
      const double y = items(q, jq);
      if (y < 0) break;
      const auto b = static_cast<std::size_t>(static_cast<std::int64_t>(y));
      shared = shared + w(a, b);
    }
    weight_p = weight_p + w(a, a);
  }
  for (std::size_t jq = 0; jq < items.cols; ++jq) {
    const double y = items(q, jq);
    if (y < 0) break;
    const auto b = static_cast<std::size_t>(static_cast<std::int64_t>(y));
    weight_q = weight_q + w(b, b);
  }
  return shared / ((weight_p + weight_q) - shared);
}

// A step in which no score beats the most negative finite double picks the
// lowest remaining candidate with its own score.
inline void rank_diverse(mexsets::ConstMatrix items, const double* relevance,
                         mexsets::ConstMatrix w, double lambda, double* order, double* scores,
                         std::size_t* ratios = nullptr) {
  const std::size_t m = items.rows;
  std::vector<double> redundancy(m, 0.0);
  std::set<std::uint64_t> remaining;
  for (std::size_t c = 0; c < m; ++c) remaining.insert(c);
  const double keep = 1.0 - lambda;
  if (ratios) *ratios = 0;
  for (std::size_t k = 0; k < m; ++k) {
    double best = -1.7976931348623157e308;
    bool found = false;
    std::uint64_t p = 0;
    for (std::uint64_t c : remaining) {
      const double score = relevance[c] * lambda - redundancy[c] * keep;
      if (score > best) {
        best = score;
        p = c;
        found = true;
      }
    }
    if (!found) {
      p = *remaining.begin();
      best = relevance[p] * lambda - redundancy[p] * keep;
    }
    remaining.erase(p);
    order[k] = static_cast<double>(p + 1);
    scores[k] = best;
    for (std::uint64_t c : remaining) {
      const double rho = rank_overlap(items, p, c, w);
      if (ratios) ++*ratios;
      if (rho > redundancy[c]) redundancy[c] = rho;
    }
  }
}

}  // namespace reference
