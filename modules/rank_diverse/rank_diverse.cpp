#include "rank_diverse.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace mexsets {

std::optional<BadEntry> find_invalid_ranking_id(ConstMatrix items, ConstMatrix pairs) {
  const std::size_t limit =
      std::min({pairs.rows, pairs.cols,
                static_cast<std::size_t>(std::numeric_limits<ItemId>::max())});
  const std::string shape =
      "input 3 is " + std::to_string(pairs.rows) + "-by-" + std::to_string(pairs.cols);
  for (std::size_t i = 0; i < items.rows; ++i) {
    for (std::size_t j = 0; j < items.cols; ++j) {
      const double x = items(i, j);
      if (x < 0) break;
      // x >= 0 truncates below limit exactly when x < limit.
      if (!(x < static_cast<double>(limit)))
        return BadEntry{std::isnan(x) ? "idNotANumber" : "idOutOfRange",
                        limit == 0 ? "item id with no item to address (" + shape + ")"
                                   : "item id outside 0.." + std::to_string(limit - 1) +
                                         " (" + shape + ")",
                        i, j, x};
    }
  }
  return std::nullopt;
}

namespace {

// The shared weights S(P, Q) of the list just picked (P) with the list of
// every remaining candidate (Q), by one SumStrategy.
class PickOverlaps {
 public:
  PickOverlaps(const ItemLists& lists, ConstMatrix pairs, SumStrategy strategy)
      : lists_(lists), pairs_(pairs, lists.items_used()), strategy_(choose(strategy)) {
    switch (strategy_) {
      case SumStrategy::skip_zeros:
        pairs_.build_rows();
        column_count_.assign(pairs_.items(), 0);
        column_start_.assign(pairs_.items(), 0);
        break;
      case SumStrategy::reordered:
        column_sums_.assign(pairs_.items(), 0.0);
        [[fallthrough]];
      case SumStrategy::interleaved:
        pairs_.build_table();
        by_length_.resize(lists.count());
        for (std::size_t c = 0; c < lists.count(); ++c) by_length_[c] = c;
        std::stable_sort(by_length_.begin(), by_length_.end(), [&](std::size_t x, std::size_t y) {
          return lists.size(x) < lists.size(y);
        });
        break;
      default:
        break;
    }
    remaining_total_ = lists.total();
  }

  SumStrategy strategy() const { return strategy_; }

  // Called once `pick` has left the remaining candidates.
  void remove(std::size_t pick) {
    remaining_total_ -= lists_.size(pick);
    if (!by_length_.empty())
      by_length_.erase(std::find(by_length_.begin(), by_length_.end(), pick));
  }

  // shared[c] for every c of `remaining` (which no longer holds `pick`).
  void compute(std::size_t pick, const std::vector<std::size_t>& remaining,
               std::vector<double>& shared) {
    const ItemList p = lists_[pick];
    switch (strategy_) {
      case SumStrategy::skip_zeros: return skip_zeros(p, remaining, shared);
      case SumStrategy::reordered:
        if (remaining_total_ >= pairs_.items()) return by_column_sums(p, remaining, shared);
        return interleaved(p, shared);
      case SumStrategy::interleaved: return interleaved(p, shared);
      default:
        for (std::size_t c : remaining) shared[c] = shared_weight(p, lists_[c], pairs_.matrix());
    }
  }

 private:
  // What `automatic` picks: the plain loop when the whole call adds fewer
  // terms than preparing a copy of W would cost; otherwise skipping zeros
  // when W is sparse, sums by columns when W is integral, else four sums at
  // a time. `reordered` is honoured only when it is exact.
  SumStrategy choose(SumStrategy wanted) {
    const std::size_t k = pairs_.items();
    if (wanted == SumStrategy::automatic) {
      const double m = static_cast<double>(lists_.count());
      const double mean = lists_.count() ? static_cast<double>(lists_.total()) / m : 0.0;
      const double terms = m * (m - 1) / 2 * mean * mean;
      if (terms <= 4.0 * static_cast<double>(k) * static_cast<double>(k) + 4096.0)
        return SumStrategy::plain;
      pairs_.measure();
      if (pairs_.nonzeros() * 32 <= k * k) wanted = SumStrategy::skip_zeros;
      else wanted = SumStrategy::reordered;
    }
    if (wanted == SumStrategy::skip_zeros || wanted == SumStrategy::reordered) {
      pairs_.measure();
      any_order_ = pairs_.any_order_exact(lists_.longest(), lists_.longest());
      if (wanted == SumStrategy::reordered && !any_order_) return SumStrategy::interleaved;
    }
    return wanted;
  }

  // Only the non-zero W(a, b): P's non-zeros are bucketed by column b (rows
  // ascending within each), Q's ids look them up, and the terms found are
  // added in the defining order (row of P first, then position in Q).
  void skip_zeros(ItemList p, const std::vector<std::size_t>& remaining,
                  std::vector<double>& shared) {
    touched_.clear();
    for (std::size_t i = 0; i < p.size; ++i) {
      const auto row = pairs_.row_nonzeros(p.ids[i]);
      for (const auto* e = row.begin; e != row.end; ++e)
        if (column_count_[e->index]++ == 0) touched_.push_back(e->index);
    }
    std::size_t offset = 0;
    for (ItemId b : touched_) {
      column_start_[b] = offset;
      offset += column_count_[b];
    }
    column_terms_.resize(offset);
    for (std::size_t i = 0; i < p.size; ++i) {
      const auto row = pairs_.row_nonzeros(p.ids[i]);
      for (const auto* e = row.begin; e != row.end; ++e)
        column_terms_[column_start_[e->index]++] = {static_cast<std::uint32_t>(i), e->value};
    }
    for (ItemId b : touched_) column_start_[b] -= column_count_[b];

    for (std::size_t c : remaining) {
      const ItemList q = lists_[c];
      found_.clear();
      for (std::size_t j = 0; j < q.size; ++j) {
        const ItemId b = q.ids[j];
        const std::size_t n = column_count_[b];
        const ColumnTerm* term = column_terms_.data() + column_start_[b];
        for (std::size_t k = 0; k < n; ++k)
          found_.push_back({(std::uint64_t{term[k].row} << 32) | j, term[k].value});
      }
      if (!any_order_ && found_.size() > 1) sort_found();
      double sum = 0.0;
      for (const Found& f : found_) sum = sum + f.value;
      shared[c] = sum;
    }
    for (ItemId b : touched_) column_count_[b] = 0;
  }

  void sort_found() {
    auto before = [](const Found& x, const Found& y) { return x.key < y.key; };
    if (found_.size() > 24) return std::sort(found_.begin(), found_.end(), before);
    for (std::size_t k = 1; k < found_.size(); ++k) {
      const Found f = found_[k];
      std::size_t at = k;
      for (; at > 0 && f.key < found_[at - 1].key; --at) found_[at] = found_[at - 1];
      found_[at] = f;
    }
  }

  // Integral W: S = sum over b in Q of (sum over a in P of W(a, b)).
  void by_column_sums(ItemList p, const std::vector<std::size_t>& remaining,
                      std::vector<double>& shared) {
    const std::size_t k = pairs_.items();
    std::fill(column_sums_.begin(), column_sums_.end(), 0.0);
    for (std::size_t i = 0; i < p.size; ++i) {
      const double* row = pairs_.table_row(p.ids[i]);
      for (std::size_t b = 0; b < k; ++b) column_sums_[b] += row[b];
    }
    for (std::size_t c : remaining) {
      const ItemList q = lists_[c];
      double sum = 0.0;
      for (std::size_t j = 0; j < q.size; ++j) sum = sum + column_sums_[q.ids[j]];
      shared[c] = sum;
    }
  }

  // Four candidates at a time, in order of list length so that little
  // padding is added.
  void interleaved(ItemList p, std::vector<double>& shared) {
    const ItemId* const ps[4] = {p.ids, p.ids, p.ids, p.ids};
    const std::size_t n = by_length_.size();
    for (std::size_t g = 0; g < n; g += 4) {
      std::size_t c[4];
      const ItemId* qs[4];
      for (std::size_t k = 0; k < 4; ++k) {
        c[k] = by_length_[std::min(g + k, n - 1)];
        qs[k] = lists_.padded(c[k]);
      }
      double s[4];
      shared_weights_4(pairs_, ps, p.size, qs, lists_.size(c[3]), s);
      for (std::size_t k = 0; k < 4; ++k) shared[c[k]] = s[k];
    }
  }

  struct ColumnTerm {
    std::uint32_t row;  // position in P
    double value;
  };
  struct Found {
    std::uint64_t key;  // position in P, then position in Q
    double value;
  };

  const ItemLists& lists_;
  PairWeights pairs_;
  bool any_order_ = false;
  SumStrategy strategy_;
  std::size_t remaining_total_ = 0;
  std::vector<std::size_t> by_length_;
  std::vector<std::size_t> column_count_, column_start_;
  std::vector<ItemId> touched_;
  std::vector<ColumnTerm> column_terms_;
  std::vector<Found> found_;
  std::vector<double> column_sums_;
};

}  // namespace

SumStrategy rank_diverse(ConstMatrix items, const double* relevance, ConstMatrix pairs,
                         double lambda, double* order, double* scores, SumStrategy strategy,
                         std::size_t* ratios) {
  const std::size_t m = items.rows;
  const ItemLists lists(items, [](double x) { return x < 0; });
  PickOverlaps overlaps(lists, pairs, strategy);
  if (ratios) *ratios = 0;

  // score(c) = v(c)*lambda - r(c)*(1 - lambda); the first product never
  // changes and is formed once.
  const double keep = 1.0 - lambda;
  std::vector<double> weighted(m), redundancy(m, 0.0), list_weights(m), shared(m);
  const auto diagonal = [&](ItemId a) { return pairs(a, a); };
  for (std::size_t c = 0; c < m; ++c) {
    weighted[c] = relevance[c] * lambda;
    list_weights[c] = list_weight(lists[c], diagonal);
  }
  std::vector<std::size_t> remaining(m);
  for (std::size_t c = 0; c < m; ++c) remaining[c] = c;

  for (std::size_t step = 0; step < m; ++step) {
    double best = -1.7976931348623157e308;
    std::size_t at = m;
    for (std::size_t k = 0; k < remaining.size(); ++k) {
      const std::size_t c = remaining[k];
      const double score = weighted[c] - redundancy[c] * keep;
      if (score > best) {
        best = score;
        at = k;
      }
    }
    if (at == m) {  // no score qualified: the lowest-numbered remaining one
      at = 0;
      best = weighted[remaining[0]] - redundancy[remaining[0]] * keep;
    }
    const std::size_t pick = remaining[at];
    remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(at));
    overlaps.remove(pick);
    order[step] = static_cast<double>(pick + 1);
    scores[step] = best;
    if (remaining.empty()) break;

    overlaps.compute(pick, remaining, shared);
    if (ratios) *ratios += remaining.size();
    const double picked_weight = list_weights[pick];
    for (std::size_t c : remaining) {
      const double rho = overlap_ratio_from(shared[c], picked_weight, list_weights[c]);
      if (rho > redundancy[c]) redundancy[c] = rho;
    }
  }
  return overlaps.strategy();
}

}  // namespace mexsets
