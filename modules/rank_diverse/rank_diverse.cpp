#include "rank_diverse.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

// Ids address rows and columns of W below this.
std::size_t id_limit(const WeightMatrix& pairs) {
  return std::min(
      {pairs.rows(), pairs.cols(), static_cast<std::size_t>(std::numeric_limits<ItemId>::max())});
}

// Entry (i, j) of items, x, is an id that addresses no item.
[[noreturn]] void bad_item_id(const WeightMatrix& pairs, std::size_t i, std::size_t j, double x) {
  const std::size_t limit = id_limit(pairs);
  const std::string shape = pairs.shape_text();
  fail(id_reason(x),
       limit == 0 ? "Item id with no item to address ("
                  : "Item id outside 0.." + std::to_string(limit - 1) + " (",
       arg("W"), shape + "): ", entry("items", i, j), " holds " + format_value(x));
}

}  // namespace

void check_ranking_limits(ConstMatrix items, std::size_t relevance_count,
                          const WeightMatrix& pairs) {
  if (relevance_count < items.rows)
    fail("tooFewValues", "Too few relevance values: ", arg("relevance"),
         " holds " + std::to_string(relevance_count) + " for the " + std::to_string(items.rows) +
             " rows of ",
         arg("items"));
  const double limit = static_cast<double>(id_limit(pairs));
  for (std::size_t i = 0; i < items.rows; ++i) {
    for (std::size_t j = 0; j < items.cols; ++j) {
      const double x = items(i, j);
      if (x < 0) break;
      // x >= 0 truncates below limit exactly when x < limit.
      if (!(x < limit)) bad_item_id(pairs, i, j, x);
    }
  }
}

namespace {

// The shared weights S(P, Q) of the list just picked (P) with the list of
// every remaining candidate (Q), by one SumStrategy.
class PickOverlaps {
 public:
  // `unsplit` tells that a loop over the candidates splits only for its
  // work (one thread, or no grain cap below the candidates' count).
  PickOverlaps(const ItemLists& lists, const WeightMatrix& pairs, SumStrategy strategy,
               bool unsplit)
      : lists_(lists), pairs_(pairs, lists.items_used()) {
    strategy_ = choose(strategy);
    switch (strategy_) {
      case SumStrategy::skip_zeros:
        fill_postings();
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
    // Plain sums small enough that no step's loop over the candidates could
    // split run on the calling thread without the loop's frame.
    // (Each factor bounded first, so that the product cannot wrap.)
    constexpr std::size_t most = kChunkWork / 2;
    plain_inline_ = unsplit && lists.longest() <= most && lists.total() <= most &&
                    lists.count() + lists.longest() * lists.total() <= most;
  }

  SumStrategy strategy() const { return strategy_; }

  // Called once `pick` has left the remaining candidates.
  void remove(std::size_t pick) {
    remaining_total_ -= lists_.size(pick);
    if (!posting_values_.empty()) {
      live_postings_ -= candidate_postings_[pick];
      removed_[pick] = 1;
      if (5 * live_postings_ < 4 * posting_values_.size()) compact_postings();
    }
    if (!by_length_.empty())
      by_length_.erase(std::find(by_length_.begin(), by_length_.end(), pick));
  }

  // shared[c] for every c of `remaining` (which no longer holds `pick`).
  // Each S is formed whole by one thread, so the threads split the
  // candidates (or, by column sums, W's columns) and nothing else.
  void compute(std::size_t pick, const std::vector<std::size_t>& remaining,
               std::vector<double>& shared) {
    const ItemList p = lists_[pick];
    switch (strategy_) {
      case SumStrategy::skip_zeros:
        return skip_zeros(p, shared);
      case SumStrategy::reordered:
        if (remaining_total_ >= pairs_.items()) return by_column_sums(p, remaining, shared);
        return interleaved(p, shared);
      case SumStrategy::interleaved:
        return interleaved(p, shared);
      default: {
        if (plain_inline_) return plain_inline(pick, remaining, shared);
        const double mean_q = static_cast<double>(remaining_total_) /
                              static_cast<double>(std::max<std::size_t>(remaining.size(), 1));
        const double units = 1 + static_cast<double>(p.size) * mean_q;
        const CallerTicks ticks(interrupt_);
        parallel_for(remaining.size(), work_grain(remaining.size(), units),
                     [&](std::size_t begin, std::size_t end) {
                       InterruptCheck silent;
                       plain(p, remaining, begin, end, ticks.here(silent), shared);
                     });
      }
    }
  }

  // compute() when the plain loop below runs as one chunk (plain_inline()),
  // inlined into the steps' loop as the serial code was.
  bool plain_inline() const { return plain_inline_; }
  [[gnu::always_inline]] void plain_inline(std::size_t pick,
                                           const std::vector<std::size_t>& remaining,
                                           std::vector<double>& shared) {
    const ItemList p = lists_[pick];
    const ConstMatrix w = pairs_.matrix();
    const bool dense = pairs_.dense();
    for (std::size_t c : remaining) {
      const ItemList q = lists_[c];
      interrupt_.tick(1 + p.size * q.size);
      shared[c] = dense ? shared_weight(p, q, w) : shared_weight_stored(p, q, pairs_);
    }
  }

  // The postings route: S for just the candidates that share a non-zero
  // W(a, b) with `pick`, written to shared[c] (the sum the full walk forms:
  // a start at +0, then the terms in the defining order). Every other
  // candidate's S is +0, whose ratio (+-0 or NaN) never raises a
  // redundancy. Returns those candidates (some may have been picked since
  // the last compaction), chunk by chunk.
  // shared[c] must be +0 for every c on entry (the caller sets the
  // touched ones back).
  struct Found {  // candidates held by touched()'s scratch until its next call
    const std::uint32_t* first;
    std::size_t count;
    const std::uint32_t* begin() const { return first; }
    const std::uint32_t* end() const { return first + count; }
    std::size_t size() const { return count; }
  };
  Found touched(std::size_t pick, std::vector<double>& shared) {
    TouchScratch& t = touch_;
    const ItemList p = lists_[pick];
    const std::size_t m = shared.size();
    if (t.seen.empty()) t.seen.assign(m, 0);
    std::size_t walked = 0;
    for (std::size_t i = 0; i < p.size; ++i)
      walked += posting_start_[p.ids[i] + 1] - posting_start_[p.ids[i]];
    // Two units a posting.
    const std::size_t grain =
        chunk_grain(step_grain(m, static_cast<double>(2 * walked) / static_cast<double>(m)));
    const std::size_t chunks = splits(m, grain) ? (m + grain - 1) / grain : 1;
    if (t.chunks.size() < chunks) t.chunks.resize(chunks);
    const CallerTicks ticks(interrupt_);
    const auto walk = [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      InterruptCheck& interrupt = ticks.here(silent);
      const std::size_t k = chunks > 1 ? begin / grain : 0;
      // At most end - begin candidates are found.
      std::vector<std::uint32_t>& list = t.chunks[k].list;
      if (list.size() < end - begin + 1) list.resize(end - begin + 1);
      std::uint32_t* found = list.data();  // written one ahead of count
      std::size_t count = 0;
      const std::uint32_t* candidate = posting_candidates_.data();
      const double* value = posting_values_.data();
      char* seen = t.seen.data();
      double* s = shared.data();
      for (std::size_t i = 0; i < p.size; ++i) {
        const ItemId a = p.ids[i];
        std::size_t n = posting_start_[a];
        std::size_t last = posting_start_[a + 1];
        if (begin > 0)
          n = static_cast<std::size_t>(std::lower_bound(candidate + n, candidate + last, begin) -
                                       candidate);
        if (end < m)
          last = static_cast<std::size_t>(std::lower_bound(candidate + n, candidate + last, end) -
                                          candidate);
        interrupt.tick(1 + 2 * (last - n));
        for (; n < last; ++n) {
          const std::uint32_t c = candidate[n];
          found[count] = c;
          count += static_cast<std::size_t>(seen[c] ^ 1);
          seen[c] = 1;
          s[c] = s[c] + value[n];
        }
      }
      for (std::size_t j = 0; j < count; ++j) seen[found[j]] = 0;
      t.chunks[k].found = count;
    };
    if (chunks > 1)
      parallel_for(m, grain, walk);
    else
      walk(0, m);
    if (chunks == 1) return {t.chunks[0].list.data(), t.chunks[0].found};  // no copy
    t.found.clear();
    for (std::size_t k = 0; k < chunks; ++k)
      t.found.insert(t.found.end(), t.chunks[k].list.begin(),
                     t.chunks[k].list.begin() + static_cast<std::ptrdiff_t>(t.chunks[k].found));
    return {t.found.data(), t.found.size()};
  }

 private:
  // The strategy (choose_strategy in common/overlap_ratio.hpp). Over the
  // whole call, for m lists of `total` ids over K items:
  //   plain, interleaved  m(m-1)/2 ratios of mean^2 terms each;
  //   skip_zeros  building the postings (two passes over them) and, for each
  //               pick, adding the postings of its ids that belong to the
  //               remaining candidates: about half the non-zero terms over
  //               every ordered pair of lists; holds the postings;
  //   reordered   for each pick, |P| rows of the copy summed into column
  //               sums (K entries each), then one gather per remaining id.
  SumStrategy choose(SumStrategy wanted) {
    // W sparse or diagonal: its non-zeros by column are all there is (no
    // copy of the K-by-K block), and the postings hold them for every
    // occurrence of their columns' ids.
    const bool skip_possible = lists_.count() <= UINT32_MAX;
    if (!pairs_.dense())
      return wanted == SumStrategy::plain || !skip_possible ? SumStrategy::plain
                                                            : SumStrategy::skip_zeros;
    const double m = static_cast<double>(lists_.count());
    const double total = static_cast<double>(lists_.total());
    const double mean = lists_.count() ? total / m : 0.0;
    const double terms = m * (m - 1) / 2 * mean * mean;
    const auto estimate = [&] {
      RouteEstimates e;
      const std::vector<double> uses = id_uses(lists_, pairs_.items());
      const auto use = pairs_.nonzero_use(uses, uses);
      e.skip_zeros = (2 * use.postings + use.terms / 2) * route_cost::nonzero_term;
      e.skip_zeros_bytes = use.postings * (sizeof(std::uint32_t) + sizeof(double)) +
                           m * (sizeof(std::size_t) + 1) +
                           static_cast<double>(pairs_.nonzeros()) * sizeof(PairWeights::Entry) +
                           2.0 * static_cast<double>(pairs_.items() + 1) * sizeof(std::size_t);
      const double k = static_cast<double>(pairs_.items());
      e.reordered = total * k * route_cost::row_cell + m * total / 2 * route_cost::gather;
      return e;
    };
    return choose_strategy(wanted, pairs_, terms, lists_.longest(), lists_.longest(),
                           lists_.count() <= UINT32_MAX,  // postings number candidates in 32 bits
                           estimate);
  }

  // Postings: for each row a of W, the non-zero W(a, b) over every
  // occurrence of b in the candidates' lists, as (candidate, value), by
  // candidate and then by position in its list. Walking P's ids and their
  // postings thus adds to every candidate's S in the defining order.
  void count_postings() {
    if (!posting_start_.empty()) return;
    pairs_.build_columns();
    posting_start_.assign(pairs_.items() + 1, 0);
    for (std::size_t c = 0; c < lists_.count(); ++c) {
      const ItemList q = lists_[c];
      for (std::size_t j = 0; j < q.size; ++j) {
        const auto column = pairs_.column_nonzeros(q.ids[j]);
        interrupt_.tick(1 + static_cast<std::size_t>(column.end - column.begin));
        for (const auto* e = column.begin; e != column.end; ++e) ++posting_start_[e->row + 1];
      }
    }
    for (std::size_t a = 0; a < pairs_.items(); ++a) posting_start_[a + 1] += posting_start_[a];
  }

  void fill_postings() {
    count_postings();
    const std::size_t k = pairs_.items();
    posting_candidates_.resize(posting_start_[k]);
    posting_values_.resize(posting_start_[k]);
    candidate_postings_.assign(lists_.count(), 0);
    removed_.assign(lists_.count(), 0);
    std::vector<std::size_t> next(posting_start_.begin(), posting_start_.end() - 1);
    for (std::size_t c = 0; c < lists_.count(); ++c) {
      const ItemList q = lists_[c];
      for (std::size_t j = 0; j < q.size; ++j) {
        const auto column = pairs_.column_nonzeros(q.ids[j]);
        candidate_postings_[c] += static_cast<std::size_t>(column.end - column.begin);
        interrupt_.tick(1 + 2 * static_cast<std::size_t>(column.end - column.begin));
        for (const auto* e = column.begin; e != column.end; ++e) {
          const std::size_t at = next[e->row]++;
          posting_candidates_[at] = static_cast<std::uint32_t>(c);
          posting_values_[at] = e->value;
        }
      }
    }
    live_postings_ = posting_values_.size();
  }

  // Drops the postings of picked candidates, keeping the order of the rest.
  void compact_postings() {
    std::size_t to = 0;
    for (std::size_t a = 0; a < pairs_.items(); ++a) {
      const std::size_t from = posting_start_[a], end = posting_start_[a + 1];
      interrupt_.tick(1 + end - from);
      posting_start_[a] = to;
      for (std::size_t k = from; k < end; ++k)
        if (!removed_[posting_candidates_[k]]) {
          posting_candidates_[to] = posting_candidates_[k];
          posting_values_[to++] = posting_values_[k];
        }
    }
    posting_start_[pairs_.items()] = to;
    posting_candidates_.resize(to);
    posting_values_.resize(to);
  }

  // The defining loop for remaining[begin .. end-1].
  void plain(ItemList p, const std::vector<std::size_t>& remaining, std::size_t begin,
             std::size_t end, InterruptCheck& interrupt, std::vector<double>& shared) const {
    for (std::size_t k = begin; k < end; ++k) {
      const std::size_t c = remaining[k];
      interrupt.tick(1 + p.size * lists_.size(c));
      shared[c] = pairs_.dense() ? shared_weight(p, lists_[c], pairs_.matrix())
                                 : shared_weight_stored(p, lists_[c], pairs_);
    }
  }

  // Only the non-zero W(a, b), through the postings of P's ids. The
  // threads split the candidates by number: a row's postings ascend by
  // candidate, so each chunk finds its own stretch of them.
  void skip_zeros(ItemList p, std::vector<double>& shared) {
    const std::size_t m = shared.size();
    double touched = 0.0;
    for (std::size_t i = 0; i < p.size; ++i)
      touched += static_cast<double>(posting_start_[p.ids[i] + 1] - posting_start_[p.ids[i]]);
    const double units = 2 * touched / static_cast<double>(std::max<std::size_t>(m, 1)) + 1;
    const CallerTicks ticks(interrupt_);
    parallel_for(m, work_grain(m, units), [&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      InterruptCheck& interrupt = ticks.here(silent);
      std::fill(shared.begin() + static_cast<std::ptrdiff_t>(begin),
                shared.begin() + static_cast<std::ptrdiff_t>(end), 0.0);
      const std::uint32_t* candidate = posting_candidates_.data();
      const double* value = posting_values_.data();
      for (std::size_t i = 0; i < p.size; ++i) {
        const ItemId a = p.ids[i];
        std::size_t n = posting_start_[a];
        const std::size_t last = posting_start_[a + 1];
        if (begin > 0)
          n = static_cast<std::size_t>(std::lower_bound(candidate + n, candidate + last, begin) -
                                       candidate);
        const std::size_t from = n;
        for (; n < last && candidate[n] < end; ++n)
          shared[candidate[n]] = shared[candidate[n]] + value[n];
        interrupt.tick(1 + 2 * (n - from));
      }
    });
  }

  // Integral W: S = sum over b in Q of (sum over a in P of W(a, b)). The
  // threads split the columns b, then the candidates.
  void by_column_sums(ItemList p, const std::vector<std::size_t>& remaining,
                      std::vector<double>& shared) {
    const std::size_t k = pairs_.items();
    const CallerTicks ticks(interrupt_);
    parallel_for(k, work_grain(k, static_cast<double>(p.size) + 1),
                 [&](std::size_t begin, std::size_t end) {
                   InterruptCheck silent;
                   InterruptCheck& interrupt = ticks.here(silent);
                   double* sums = column_sums_.data();
                   std::fill(sums + begin, sums + end, 0.0);
                   for (std::size_t i = 0; i < p.size; ++i) {
                     interrupt.tick(end - begin);
                     const double* row = pairs_.table_row(p.ids[i]);
                     for (std::size_t b = begin; b < end; ++b) sums[b] += row[b];
                   }
                 });
    const double mean_q = static_cast<double>(remaining_total_) /
                          static_cast<double>(std::max<std::size_t>(remaining.size(), 1));
    parallel_for(remaining.size(), work_grain(remaining.size(), 1 + mean_q),
                 [&](std::size_t begin, std::size_t end) {
                   InterruptCheck silent;
                   InterruptCheck& interrupt = ticks.here(silent);
                   for (std::size_t r = begin; r < end; ++r) {
                     const std::size_t c = remaining[r];
                     const ItemList q = lists_[c];
                     interrupt.tick(1 + q.size);
                     double sum = 0.0;
                     for (std::size_t j = 0; j < q.size; ++j) sum = sum + column_sums_[q.ids[j]];
                     shared[c] = sum;
                   }
                 });
  }

  // Eight candidates at a time, in order of list length so that little
  // padding is added; the threads split the groups of eight.
  void interleaved(ItemList p, std::vector<double>& shared) {
    constexpr std::size_t lanes = 8;
    const std::size_t n = by_length_.size(), groups = (n + lanes - 1) / lanes;
    const double mean_q =
        static_cast<double>(remaining_total_) / static_cast<double>(std::max<std::size_t>(n, 1));
    const double units = 1 + static_cast<double>(lanes * p.size) * mean_q;
    const CallerTicks ticks(interrupt_);
    parallel_for(groups, work_grain(groups, units), [&](std::size_t first, std::size_t last) {
      InterruptCheck silent;
      InterruptCheck& interrupt = ticks.here(silent);
      for (std::size_t g = first * lanes; g < last * lanes; g += lanes) {
        std::size_t c[lanes];
        const ItemId* qs[lanes];
        for (std::size_t k = 0; k < lanes; ++k) {
          c[k] = by_length_[std::min(g + k, n - 1)];
          qs[k] = lists_.padded(c[k]);
        }
        double s[lanes];
        interrupt.tick(1 + lanes * p.size * lists_.size(c[lanes - 1]));
        shared_weights_one_p(pairs_, p, qs, lists_.size(c[lanes - 1]), s);
        for (std::size_t k = 0; k < lanes; ++k) shared[c[k]] = s[k];
      }
    });
  }

  const ItemLists& lists_;
  PairWeights pairs_;
  InterruptCheck interrupt_;
  SumStrategy strategy_ = SumStrategy::plain;
  bool plain_inline_ = false;
  std::size_t remaining_total_ = 0;
  std::vector<std::size_t> by_length_;
  // The postings as two arrays (12 bytes each, which the walks stream).
  std::vector<std::size_t> posting_start_;  // per row of W, into both
  std::vector<std::uint32_t> posting_candidates_;
  std::vector<double> posting_values_;
  std::vector<std::size_t> candidate_postings_;
  std::vector<char> removed_;
  std::size_t live_postings_ = 0;
  std::vector<double> column_sums_;
  // touched(): the step's mark per candidate, and the candidates found.
  struct TouchScratch {
    std::vector<char> seen;  // all 0 between steps
    struct Chunk {           // a chunk's candidates: the first `found` of `list`
      std::vector<std::uint32_t> list;
      std::size_t found = 0;
    };
    std::vector<Chunk> chunks;
    std::vector<std::uint32_t> found;
  };
  TouchScratch touch_;
};

// The best score among the remaining candidates, as the loop over them in
// ascending order finds it: the first of the greatest scores above the
// most negative finite double. Kept per block of candidates and updated
// where scores change, so that a step reads the blocks' bests, not every
// score.
class BestScore {
 public:
  static constexpr std::uint32_t none = UINT32_MAX;

  explicit BestScore(const std::vector<double>& scores)
      : scores_(scores),
        left_(scores.size(), 1),
        best_((scores.size() + kBlock - 1) / kBlock, none),
        dirty_(best_.size(), 0) {
    for (std::size_t b = 0; b < best_.size(); ++b) rescan(b);
  }

  // The pick, or `none` when no score qualifies.
  std::uint32_t best() const {
    std::uint32_t at = none;
    for (const std::uint32_t c : best_)
      if (c != none && (at == none || scores_[c] > scores_[at])) at = c;
    return at;
  }

  // The lowest-numbered remaining candidate (one must remain).
  std::size_t first_left() {
    while (!left_[first_]) ++first_;
    return first_;
  }

  void remove(std::size_t c) {
    left_[c] = 0;
    if (best_[c / kBlock] == c && !dirty_[c / kBlock]) mark(c / kBlock);
  }

  // scores[c] has changed.
  void changed(std::size_t c) {
    const std::size_t b = c / kBlock;
    if (dirty_[b]) return;
    const std::uint32_t at = best_[b];
    if (at == c)
      mark(b);
    else if (qualifies(c) &&
             (at == none || scores_[c] > scores_[at] || (scores_[c] == scores_[at] && c < at)))
      best_[b] = static_cast<std::uint32_t>(c);
  }

  // Brings the blocks marked since up to date.
  void refresh() {
    for (const std::size_t b : marked_) {
      rescan(b);
      dirty_[b] = 0;
    }
    marked_.clear();
  }

 private:
  static constexpr std::size_t kBlock = 64;

  bool qualifies(std::size_t c) const { return left_[c] && scores_[c] > -1.7976931348623157e308; }

  void mark(std::size_t b) {
    dirty_[b] = 1;
    marked_.push_back(b);
  }

  void rescan(std::size_t b) {
    const std::size_t end = std::min(scores_.size(), (b + 1) * kBlock);
    double found = -1.7976931348623157e308;
    std::uint32_t at = none;
    for (std::size_t c = b * kBlock; c < end; ++c)
      if (left_[c] && scores_[c] > found) {
        found = scores_[c];
        at = static_cast<std::uint32_t>(c);
      }
    best_[b] = at;
  }

  const std::vector<double>& scores_;
  std::vector<char> left_;
  std::vector<std::uint32_t> best_;
  std::vector<char> dirty_;
  std::vector<std::size_t> marked_;
  std::size_t first_ = 0;
};

// The steps by the postings: only the candidates that share a non-zero
// term with the pick have their ratio formed, and only those whose
// redundancy rises have their score formed anew.
void rank_by_postings(PickOverlaps& overlaps, std::size_t m, const std::vector<double>& weighted,
                      const std::vector<double>& list_weights, double keep, double* order,
                      double* scores, std::size_t* ratios) {
  std::vector<double> redundancy(m, 0.0), score(m), shared(m, 0.0);
  for (std::size_t c = 0; c < m; ++c) score[c] = weighted[c] - redundancy[c] * keep;
  BestScore best(score);
  std::vector<char> left(m, 1);
  InterruptCheck interrupt;
  for (std::size_t step = 0; step < m; ++step) {
    std::size_t pick = best.best();
    if (pick == BestScore::none) pick = best.first_left();
    interrupt.tick(1 + m / 64);
    best.remove(pick);
    left[pick] = 0;
    overlaps.remove(pick);
    order[step] = static_cast<double>(pick + 1);
    scores[step] = score[pick];
    const std::size_t remaining = m - step - 1;
    if (remaining == 0) break;

    const PickOverlaps::Found touched = overlaps.touched(pick, shared);
    if (ratios) *ratios += remaining;
    const double picked_weight = list_weights[pick];
    interrupt.tick(1 + 4 * touched.size());
    for (const std::uint32_t c : touched) {
      if (!left[c]) continue;
      const double rho = overlap_ratio_from(shared[c], picked_weight, list_weights[c]);
      if (rho > redundancy[c]) {
        redundancy[c] = rho;
        score[c] = weighted[c] - redundancy[c] * keep;
        best.changed(c);
      }
    }
    for (const std::uint32_t c : touched) shared[c] = 0.0;
    best.refresh();
  }
}

// The steps of rank_diverse over the candidates left, in list order. A
// step picks the best score: the first (lowest position) of the greatest
// scores above the floor, else the lowest-numbered candidate left. With
// kSplit, each chunk finds its own best and a chunk's pick replaces the one
// so far when greater, or equal and earlier, which gives the same pick in
// whatever order the chunks end; the redundancy updates split too. Without
// it the steps run as plain loops on the calling thread, for calls whose
// loops over the candidates run as one chunk (the same picks, the same bits).
template <bool kSplit>
[[gnu::noinline]] void rank_steps(std::size_t m, const std::vector<double>& weighted,
                                  const std::vector<double>& list_weights, double keep,
                                  PickOverlaps& overlaps, double* order, double* scores,
                                  std::size_t* ratios) {
  std::vector<double> redundancy(m, 0.0), shared(m);
  std::vector<std::size_t> remaining(m);
  for (std::size_t c = 0; c < m; ++c) remaining[c] = c;
  InterruptCheck interrupt;
  std::mutex pick_lock;
  // The best score of remaining[begin .. end-1] and its position (m: none
  // above the floor).
  const auto best_of = [&](std::size_t begin, std::size_t end, double& found,
                           std::size_t& found_at) {
    for (std::size_t k = begin; k < end; ++k) {
      const std::size_t c = remaining[k];
      const double score = weighted[c] - redundancy[c] * keep;
      if (score > found) {
        found = score;
        found_at = k;
      }
    }
  };
  for (std::size_t step = 0; step < m; ++step) {
    interrupt.tick(2 * remaining.size());
    double best = -1.7976931348623157e308;
    std::size_t at = m;
    if constexpr (kSplit) {
      parallel_for(remaining.size(), work_grain(remaining.size(), 4),
                   [&](std::size_t begin, std::size_t end) {
                     double found = -1.7976931348623157e308;
                     std::size_t found_at = m;
                     best_of(begin, end, found, found_at);
                     if (found_at == m) return;
                     const std::lock_guard<std::mutex> hold(pick_lock);
                     if (at == m || found > best || (found == best && found_at < at)) {
                       best = found;
                       at = found_at;
                     }
                   });
    } else {
      best_of(0, remaining.size(), best, at);
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

    if (!kSplit && overlaps.plain_inline())
      overlaps.plain_inline(pick, remaining, shared);
    else
      overlaps.compute(pick, remaining, shared);
    if (ratios) *ratios += remaining.size();
    const double picked_weight = list_weights[pick];
    const auto raise = [&](std::size_t begin, std::size_t end) {
      for (std::size_t k = begin; k < end; ++k) {
        const std::size_t c = remaining[k];
        const double rho = overlap_ratio_from(shared[c], picked_weight, list_weights[c]);
        if (rho > redundancy[c]) redundancy[c] = rho;
      }
    };
    if constexpr (kSplit)
      parallel_for(remaining.size(), work_grain(remaining.size(), 4), raise);
    else
      raise(0, remaining.size());
  }
}

}  // namespace

SumStrategy rank_diverse(ConstMatrix items, const double* relevance, const WeightMatrix& pairs,
                         double lambda, double* order, double* scores, SumStrategy strategy,
                         std::size_t* ratios) {
  const std::size_t m = items.rows;
  // The ids are read once more, into the lists, and checked there anew.
  const ItemLists lists(
      items, [](double x) { return x < 0; }, id_limit(pairs),
      [&](std::size_t i, std::size_t j, double x) { bad_item_id(pairs, i, j, x); });
  // Loops over the candidates that cannot split run as plain loops.
  const bool unsplit = !splits(m, m);
  PickOverlaps overlaps(lists, pairs, strategy, unsplit);
  if (ratios) *ratios = 0;

  // score(c) = v(c)*lambda - r(c)*(1 - lambda); the first product never
  // changes and is formed once.
  const double keep = 1.0 - lambda;
  std::vector<double> weighted(m), list_weights(m);
  // The item weights, W's diagonal: read in place from a dense W, else
  // gathered once (+0 where nothing is stored).
  const std::vector<double> stored_diagonal =
      pairs.is_dense() ? std::vector<double>() : pairs.diagonal_entries(lists.items_used());
  const auto diagonal = [&](ItemId a) {
    return pairs.is_dense() ? pairs.dense(a, a) : stored_diagonal[static_cast<std::size_t>(a)];
  };
  for (std::size_t c = 0; c < m; ++c) {
    weighted[c] = relevance[c] * lambda;
    list_weights[c] = list_weight(lists[c], diagonal);
  }
  if (overlaps.strategy() == SumStrategy::skip_zeros) {
    rank_by_postings(overlaps, m, weighted, list_weights, keep, order, scores, ratios);
    return overlaps.strategy();
  }
  // Calls whose loops over the candidates cannot split run the steps as
  // plain loops.
  if (unsplit && 8 * m <= kChunkWork)
    rank_steps<false>(m, weighted, list_weights, keep, overlaps, order, scores, ratios);
  else
    rank_steps<true>(m, weighted, list_weights, keep, overlaps, order, scores, ratios);
  return overlaps.strategy();
}

}  // namespace mexsets
