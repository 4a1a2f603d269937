// A plain transcription of region_graph for the differential tests: ordered
// maps instead of hash tables, and the strength sums added by walking the
// cracks directly in the stated order (axis, row, page, column).
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "region_graph.hpp"

namespace reference {

inline mexsets::RegionGraph region_graph(const mexsets::RegionGraphInputs& in) {
  const mexsets::ConstArray3& labels = in.labels;
  const std::size_t h = labels.rows, w = labels.cols, d = labels.planes, n = h * w * d;
  std::map<std::int64_t, std::uint32_t> region;
  for (std::size_t at = 0; at < n; ++at) {
    const double x = labels.data[at];
    if (!(std::fabs(x) <= 9007199254740992.0) || x != std::trunc(x))
      throw std::invalid_argument("bad label");
    region[static_cast<std::int64_t>(x)] = 0;
  }
  std::uint32_t L = 0;
  for (auto& [label, id] : region)
    id = in.has_background && static_cast<double>(label) == in.background ? 0 : ++L;
  auto id = [&](std::size_t i, std::size_t j, std::size_t p) {
    return region.at(static_cast<std::int64_t>(labels.data[i + j * h + p * h * w]));
  };
  mexsets::RegionGraph out(std::pmr::get_default_resource());
  out.areas.assign(L, 0);
  out.border.assign(L, 0);
  for (std::size_t p = 0; p < d; ++p)
    for (std::size_t j = 0; j < w; ++j)
      for (std::size_t i = 0; i < h; ++i) {
        const std::uint32_t r = id(i, j, p);
        if (!r) continue;
        out.areas[r - 1] += 1;
        out.border[r - 1] += (i == 0) + (i + 1 == h) + (j == 0) + (j + 1 == w) +
                             (d > 1 ? (p == 0) + (p + 1 == d) : 0);
      }
  const bool volume = d > 1;
  const std::size_t channels = volume ? 1 : in.values.planes;
  auto value = [&](std::size_t i, std::size_t j, std::size_t p, std::size_t c) {
    return in.values.data[i + j * h + (p + c) * h * w];  // p = 0 when c > 0
  };
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::pair<double, double>> pairs;
  for (std::size_t axis = 0; axis < (volume ? 3u : 2u); ++axis)
    for (std::size_t i = 0; i < h; ++i)
      for (std::size_t p = 0; p < d; ++p)
        for (std::size_t j = 0; j < w; ++j) {
          const std::size_t i2 = i + (axis == 0), j2 = j + (axis == 1), p2 = p + (axis == 2);
          if (i2 == h || j2 == w || p2 == d) continue;
          std::uint32_t a = id(i, j, p), b = id(i2, j2, p2);
          if (a == b || !a || !b) continue;
          if (a > b) std::swap(a, b);
          double weight = 0;
          if (in.values.data && in.weight == mexsets::CrackWeight::step) {
            double s = 0.0;
            for (std::size_t c = 0; c < channels; ++c) {
              const double step = value(i2, j2, p2, c) - value(i, j, p, c);
              s += step * step;
            }
            weight = std::sqrt(s);
          } else if (in.values.data) {
            const double x = value(i, j, p, 0), y = value(i2, j2, p2, 0);
            weight = in.weight == mexsets::CrackWeight::mean ? (x + y) / 2
                     : std::isnan(x) || std::isnan(y)        ? NAN
                                                             : std::max(x, y);
          }
          auto& [length, strength] = pairs[{a, b}];
          length += 1;
          strength += weight;
        }
  for (const auto& [pair, sums] : pairs) {
    out.first.push_back(pair.first);
    out.second.push_back(pair.second);
    out.lengths.push_back(sums.first);
    out.strengths.push_back(sums.second);
  }
  return out;
}

}  // namespace reference
