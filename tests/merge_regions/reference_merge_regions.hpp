// A plain transcription of merge_regions for the differential tests: every
// merge scans all current boundaries for the weakest one and rebuilds the
// new node's boundaries from its children's. O(L * E).
#pragma once

#include <cmath>
#include <cstddef>
#include <map>
#include <utility>
#include <vector>

namespace reference {

struct Boundary {
  double length, strength;
  std::size_t number;
};

struct Tree {
  std::vector<std::vector<double>> rows;  // [c1 c2 new], 1-based
  std::vector<double> areas;
  std::vector<double> heights;  // the weakest boundary's quotient, NaN for none
};

// Ids are whole numbers in 1..L, lengths positive.
inline Tree merge_regions(const std::vector<double>& first, const std::vector<double>& second,
                          const std::vector<double>& lengths, const std::vector<double>& strengths,
                          const std::vector<double>& areas) {
  const std::size_t leaves = areas.size();
  // (lower, higher) 0-based node ids -> boundary; listings summed in order.
  std::map<std::pair<std::size_t, std::size_t>, Boundary> boundaries;
  for (std::size_t k = 0; k < first.size(); ++k) {
    const auto a = static_cast<std::size_t>(first[k]) - 1;
    const auto b = static_cast<std::size_t>(second[k]) - 1;
    const std::pair<std::size_t, std::size_t> key{std::min(a, b), std::max(a, b)};
    auto found = boundaries.find(key);
    if (found == boundaries.end()) {
      boundaries[key] = Boundary{lengths[k], strengths[k], 0};
    } else {
      found->second.length += lengths[k];
      found->second.strength += strengths[k];
    }
  }
  std::size_t numbers = 0;
  for (auto& entry : boundaries) entry.second.number = numbers++;

  Tree tree;
  tree.areas = areas;
  std::vector<bool> current(leaves, true);
  // a ranks before b: smaller (NaN last), or equal and smaller tie-breaker.
  auto ranks_before = [](double a, std::size_t ta, double b, std::size_t tb) {
    if (std::isnan(a) != std::isnan(b)) return std::isnan(b);
    if (!std::isnan(a) && a != b) return a < b;
    return ta < tb;
  };
  for (std::size_t r = 0; r + 1 < leaves; ++r) {
    std::size_t c1 = 0, c2 = 0;
    double height = NAN;
    if (!boundaries.empty()) {
      auto weakest = boundaries.begin();
      for (auto it = boundaries.begin(); it != boundaries.end(); ++it) {
        const double q = it->second.strength / it->second.length;
        const double w = weakest->second.strength / weakest->second.length;
        if (ranks_before(q, it->second.number, w, weakest->second.number)) weakest = it;
      }
      c1 = weakest->first.first;
      c2 = weakest->first.second;
      height = weakest->second.strength / weakest->second.length;
    } else {
      std::vector<std::size_t> ids;
      for (std::size_t n = 0; n < current.size(); ++n)
        if (current[n]) ids.push_back(n);
      for (int pick = 0; pick < 2; ++pick) {
        std::size_t best = pick;
        for (std::size_t i = pick; i < ids.size(); ++i)
          if (ranks_before(tree.areas[ids[i]], ids[i], tree.areas[ids[best]], ids[best])) best = i;
        std::swap(ids[pick], ids[best]);
      }
      c1 = std::min(ids[0], ids[1]);
      c2 = std::max(ids[0], ids[1]);
    }
    const std::size_t p = leaves + r;
    tree.rows.push_back({double(c1 + 1), double(c2 + 1), double(p + 1)});
    tree.areas.push_back(tree.areas[c1] + tree.areas[c2]);
    tree.heights.push_back(height);
    current[c1] = current[c2] = false;
    current.push_back(true);
    // The children's boundaries by neighbour; the one between them goes.
    std::map<std::size_t, std::vector<Boundary>> by_neighbour;
    for (auto it = boundaries.begin(); it != boundaries.end();) {
      const auto [a, b] = it->first;
      const bool at_a = a == c1 || a == c2, at_b = b == c1 || b == c2;
      if (at_a || at_b) {
        if (!(at_a && at_b)) by_neighbour[at_a ? b : a].push_back(it->second);
        it = boundaries.erase(it);
      } else {
        ++it;
      }
    }
    for (const auto& [n, parts] : by_neighbour) {
      Boundary joined = parts[0];
      if (parts.size() == 2) {
        joined.length += parts[1].length;
        joined.strength += parts[1].strength;
        joined.number = numbers++;
      }
      boundaries[{n, p}] = joined;
    }
  }
  return tree;
}

}  // namespace reference
