#include "suppress_overlaps.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/bits.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

// Ids address weights and rows and columns of W below this.
std::size_t id_limit(std::size_t weight_count, const WeightMatrix& pairs) {
  return std::min({weight_count, pairs.rows(), pairs.cols(),
                   static_cast<std::size_t>(std::numeric_limits<ItemId>::max())});
}

// Entry (i, j) of items, x, is an id that addresses no item.
[[noreturn]] void bad_item_id(std::size_t weight_count, const WeightMatrix& pairs, std::size_t i,
                              std::size_t j, double x) {
  const std::size_t limit = id_limit(weight_count, pairs);
  const std::string holds = " holds " + std::to_string(weight_count) + " values, ";
  const std::string shape = pairs.shape_text();
  fail(id_reason(x),
       limit == 0 ? "Item id with no item to address ("
                  : "Item id outside 0.." + std::to_string(limit - 1) + " (",
       arg("weights"), holds, arg("W"), shape + "): ", entry("items", i, j),
       " holds " + format_value(x));
}

}  // namespace

void check_suppression_limits(ConstMatrix items, std::size_t weight_count,
                              const WeightMatrix& pairs) {
  const std::size_t limit = id_limit(weight_count, pairs);
  for (std::size_t i = 0; i < items.rows; ++i) {
    bool in_list = true;  // before the end of the list the row keeps if accepted
    for (std::size_t j = 0; j < items.cols; ++j) {
      const double x = items(i, j);
      if (in_list && x <= -1) in_list = false;
      if (in_list) {
        // x > -1 (or NaN) is the id trunc(x), at least 0.
        if (limit == 0 || !(x < static_cast<double>(limit)))
          bad_item_id(weight_count, pairs, i, j, x);
      } else if (!(x > -2147483649.0 && x < 2147483648.0)) {
        fail_entry({"items", "entryNotInt32", "entry does not fit a 32-bit integer", i, j, x});
      }
    }
  }
}

namespace {

// The accepted rows' lists start with room for this many (or all rows, when
// fewer): a few rows then take one allocation each, not one per doubling,
// and many rows take no more memory before they are accepted.
constexpr std::size_t kReservedRows = 1024;

// Rows are filtered in batches of this many when the tests of a batch's
// rows against the rows accepted before it run side by side (one bit each
// in a word).
constexpr std::size_t kBatchRows = 64;

// The least work of a batch's tests (in interrupt units) for which they run
// on more than the calling thread: another thread takes 100 to 200
// microseconds to join a loop on the 2-core development VM.
constexpr double kBatchSplitWork = 1 << 19;

// Compares the row under test with the accepted rows by one SumStrategy.
class AcceptedOverlaps {
  struct Accepted {  // an accepted row and its list weight
    std::size_t row;
    double weight;
  };

  struct ItemWeight {
    const double* u;
    double operator()(ItemId a) const { return u[a]; }
  };
  ItemWeight weight() const { return {weights_}; }

  // skip_zeros' scratch for one tested row: its non-zeros of W bucketed by
  // row of W (row_count and row_start over all K rows, 0 between rows but
  // for the `touched` ones); sharing_rows' bit per accepted row (0 between
  // rows) and the accepted rows found.
  struct Buckets {
    std::vector<std::size_t> row_count, row_start;
    std::vector<ItemId> touched;
    std::vector<double> row_values;
    std::vector<std::uint64_t> marks;
    std::vector<std::uint32_t> sharing;
  };
  struct MakeBuckets {
    std::size_t rows_of_w;
    Buckets operator()() const {
      Buckets b;
      b.row_count.assign(rows_of_w, 0);
      b.row_start.assign(rows_of_w, 0);
      return b;
    }
  };

 public:
  AcceptedOverlaps(const ItemLists& stored, const ItemLists& tested, const WeightMatrix& pairs,
                   const double* weights, SumStrategy strategy, double threshold)
      : stored_(stored),
        tested_(tested),
        // A tested list is the start of the stored one (equal unless another
        // thread wrote to items between the two reads).
        pairs_(pairs, std::max(stored.items_used(), tested.items_used())),
        weights_(weights),
        ticks_(interrupt_) {
    accepted_.reserve(std::min(stored.count(), kReservedRows));
    strategy_ = choose(strategy);
    const std::size_t k = pairs_.items();
    switch (strategy_) {
      case SumStrategy::skip_zeros:
        pairs_.build_columns();
        own_ = MakeBuckets{k}();
        // A row with no non-zero term in common with an accepted one has
        // S = +0 with it, a ratio of +-0 or NaN, which reaches no t > 0.
        if (threshold > 0 && stored.count() <= UINT32_MAX) holders_.resize(k);
        break;
      case SumStrategy::reordered:
        row_sums_.assign(k, 0.0);
        [[fallthrough]];
      case SumStrategy::interleaved:
        pairs_.build_table();
        break;
      default:
        break;
    }
    // Plain comparisons few enough that no row's loop over the accepted
    // rows could split run on the calling thread without the loop's frame.
    const std::size_t m = stored.count();
    const double work = static_cast<double>(m) * (1 + static_cast<double>(stored.longest()) *
                                                          static_cast<double>(tested.longest()));
    plain_inline_ = strategy_ == SumStrategy::plain &&
                    ((chunk_grain(m) >= m && work <= static_cast<double>(kChunkWork / 2)) ||
                     call_threads() <= 1);
  }

  SumStrategy strategy() const { return strategy_; }
  std::size_t ratios() const { return ratios_; }

  // Filters rows 0..m-1 in order, appending the accepted ones to `kept`.
  void filter(std::size_t m, double t, std::pmr::vector<std::size_t>& kept) {
    // The work if every row were kept: m(m-1)/2 comparisons of about a
    // stored list's length each.
    const double rows = static_cast<double>(m);
    const double work = rows * rows / 2 * (1 + static_cast<double>(stored_.total()) / (rows + 1));
    if (strategy_ != SumStrategy::skip_zeros || call_threads() <= 1 || work < kBatchSplitWork) {
      for (std::size_t i = 0; i < m; ++i) {
        if (reaches(i, t)) continue;
        accept(i);
        kept.push_back(i);
      }
      return;
    }
    for (std::size_t first = 0; first < m; first += kBatchRows)
      filter_batch(first, std::min(m, first + kBatchRows), t, kept);
  }

  // True when some accepted row's ratio with row `row`'s list reaches t.
  bool reaches(std::size_t row, double t) {
    if (accepted_.empty()) return false;
    const ItemList q = tested_[row];
    const double weight_q = list_weight(q, weight());
    switch (strategy_) {
      case SumStrategy::skip_zeros:
        return holders_.empty() ? skip_zeros(q, weight_q, t) : sharing_rows(q, weight_q, t);
      case SumStrategy::interleaved:
        return interleaved(q, weight_q, t, 0, accepted_.size());
      case SumStrategy::reordered: {
        // A first batch four at a time: rows often leave there. Sums by rows
        // of W pay off only when much is left to compare.
        const std::size_t first = std::min<std::size_t>(4, accepted_.size());
        if (interleaved(q, weight_q, t, 0, first)) return true;
        if (accepted_total_ < pairs_.items())
          return interleaved(q, weight_q, t, first, accepted_.size());
        return by_row_sums(q, weight_q, t, first);
      }
      default: {
        if (plain_inline_) {
          for (const Accepted& a : accepted_) {
            ++ratios_;
            interrupt_.tick(1 + stored_.size(a.row) * q.size);
            if (overlap_ratio_from(plain_shared(a, q), a.weight, weight_q) >= t) return true;
          }
          return false;
        }
        const std::size_t n = accepted_.size();
        const std::size_t hit =
            first_reaching(n, 1 + mean_accepted() * static_cast<double>(q.size),
                           [&](std::size_t begin, std::size_t end, InterruptCheck& interrupt,
                               const std::atomic<std::size_t>& hit_before) {
                             for (std::size_t r = begin; r < end; ++r) {
                               if (hit_before.load(std::memory_order_relaxed) < r) return end;
                               const Accepted& a = accepted_[r];
                               interrupt.tick(1 + stored_.size(a.row) * q.size);
                               if (overlap_ratio_from(plain_shared(a, q), a.weight, weight_q) >= t)
                                 return r;
                             }
                             return end;
                           });
        ratios_ += hit < n ? hit + 1 : n;
        return hit < n;
      }
    }
  }

  void accept(std::size_t row) { accept(row, list_weight(stored_[row], weight())); }

  // accept() with the list weight of the row, formed already.
  void accept(std::size_t row, double weight_p) {
    const Accepted a{row, weight_p};
    accepted_total_ += stored_.size(row);
    if (!holders_.empty()) {
      const ItemList p = stored_[row];
      const auto r = static_cast<std::uint32_t>(accepted_.size());
      interrupt_.tick(1 + p.size);
      for (std::size_t i = 0; i < p.size; ++i) {
        std::vector<std::uint32_t>& h = holders_[static_cast<std::size_t>(p.ids[i])];
        if (h.empty() || h.back() != r) h.push_back(r);
      }
    }
    if (strategy_ != SumStrategy::interleaved && strategy_ != SumStrategy::reordered)
      return accepted_.push_back(a);
    // Whether a row is dropped does not depend on the order in which the
    // accepted rows are compared: keep them by list length, so that rows
    // compared side by side need little padding.
    const auto at = std::upper_bound(
        accepted_.begin(), accepted_.end(), stored_.size(row),
        [&](std::size_t size, const Accepted& x) { return size < stored_.size(x.row); });
    accepted_.insert(at, a);
  }

 private:
  // The strategy (choose_strategy in common/overlap_ratio.hpp), estimated
  // as if every row were kept (m(m-1)/2 comparisons; drops cut every route
  // alike). For m rows of `total_p` stored and `total_q` tested ids over K
  // items:
  //   plain, interleaved  mean_p * mean_q terms per comparison;
  //   skip_zeros  per tested row, bucketing the non-zeros of its columns
  //               (two passes); per comparison, a bucket lookup for each id
  //               of P and its non-zero terms; holds W's non-zeros by column;
  //   reordered   per tested row, |Q| columns of W summed into row sums (K
  //               entries each); per comparison, one gather for each id of P.
  SumStrategy choose(SumStrategy wanted) {
    // W sparse or diagonal: its non-zeros by column are all there is (no
    // copy of the K-by-K block).
    if (!pairs_.dense())
      return wanted == SumStrategy::plain ? SumStrategy::plain : SumStrategy::skip_zeros;
    const double m = static_cast<double>(stored_.count());
    const double mean_p = m > 0 ? static_cast<double>(stored_.total()) / m : 0.0;
    const double mean_q = m > 0 ? static_cast<double>(tested_.total()) / m : 0.0;
    const double comparisons = m * (m - 1) / 2;
    const double terms = comparisons * mean_p * mean_q;
    const auto estimate = [&] {
      RouteEstimates e;
      const std::size_t k = pairs_.items();
      const auto use = pairs_.nonzero_use(id_uses(stored_, k), id_uses(tested_, k));
      e.skip_zeros = (2 * use.postings + use.terms / 2) * route_cost::nonzero_term +
                     comparisons * mean_p * route_cost::bucket_lookup;
      e.skip_zeros_bytes = static_cast<double>(pairs_.nonzeros()) * sizeof(PairWeights::Entry) +
                           static_cast<double>(k + 1) * (3 * sizeof(std::size_t) + sizeof(ItemId));
      e.reordered =
          static_cast<double>(tested_.total()) * static_cast<double>(k) * route_cost::row_cell +
          comparisons * mean_p * route_cost::gather;
      return e;
    };
    return choose_strategy(wanted, pairs_, terms, stored_.longest(), tested_.longest(), true,
                           estimate);
  }

  // The accepted rows compared side by side. Whether a row is dropped
  // depends on no order, but the count of ratios does: it is the serial
  // loop's, up to the first accepted row (in their order) that reaches t.
  //
  // test(begin, end, interrupt, hit_before) compares the items begin .. end-1
  // of `n` (of about `units` units each) in order and returns the first that
  // reaches t, or `end` when none does; it may also return `end` once
  // hit_before, the first item found so far to reach t, lies before the
  // item it is at. Returns the first item of all that reaches t, or n: the
  // chunk holding it is never skipped and stops only there.
  template <class Test>
  std::size_t first_reaching(std::size_t n, double units, Test test) {
    std::atomic<std::size_t> hit_before{n};
    parallel_for(n, work_grain(n, units), [&](std::size_t begin, std::size_t end) {
      if (hit_before.load(std::memory_order_relaxed) < begin) return;
      InterruptCheck silent;
      const std::size_t hit = test(begin, end, ticks_.here(silent), hit_before);
      if (hit == end) return;
      std::size_t seen = hit_before.load(std::memory_order_relaxed);
      while (hit < seen && !hit_before.compare_exchange_weak(seen, hit)) {
      }
    });
    return hit_before.load();
  }

  // S of an accepted row with Q by the defining loop.
  double plain_shared(const Accepted& a, ItemList q) const {
    return pairs_.dense() ? shared_weight(stored_[a.row], q, pairs_.matrix())
                          : shared_weight_stored(stored_[a.row], q, pairs_);
  }

  // The mean length of the accepted lists.
  double mean_accepted() const {
    return static_cast<double>(accepted_total_) /
           static_cast<double>(std::max<std::size_t>(accepted_.size(), 1));
  }

  // Only the non-zero W(a, b): Q's non-zeros are bucketed by row a (positions
  // in Q ascending within each), so walking P's ids adds them in the
  // defining order. Returns the number of non-zeros bucketed.
  std::size_t bucket(ItemList q, Buckets& b, InterruptCheck& interrupt) const {
    for (ItemId a : b.touched) b.row_count[a] = 0;
    b.touched.clear();
    for (std::size_t j = 0; j < q.size; ++j) {
      const auto column = pairs_.column_nonzeros(q.ids[j]);
      interrupt.tick(1 + 2 * static_cast<std::size_t>(column.end - column.begin));
      for (const auto* e = column.begin; e != column.end; ++e)
        if (b.row_count[e->row]++ == 0) b.touched.push_back(e->row);
    }
    std::size_t offset = 0;
    for (ItemId a : b.touched) {
      b.row_start[a] = offset;
      offset += b.row_count[a];
    }
    b.row_values.resize(offset);
    for (std::size_t j = 0; j < q.size; ++j) {
      const auto column = pairs_.column_nonzeros(q.ids[j]);
      for (const auto* e = column.begin; e != column.end; ++e)
        b.row_values[b.row_start[e->row]++] = e->value;
    }
    for (ItemId a : b.touched) b.row_start[a] -= b.row_count[a];
    return offset;
  }

  // S of the bucketed Q with P; `terms` counts the terms added.
  static double bucketed_sum(ItemList p, const Buckets& b, std::size_t& terms) {
    double sum = 0.0;
    for (std::size_t i = 0; i < p.size; ++i) {
      const ItemId a = p.ids[i];
      const double* value = b.row_values.data() + b.row_start[a];
      terms += b.row_count[a];
      for (std::size_t k = b.row_count[a]; k > 0; --k) sum = sum + *value++;
    }
    return sum;
  }

  // The units of a comparison of the bucketed Q (of `values` non-zeros)
  // with an accepted row.
  double bucketed_units(std::size_t values) const {
    return 1 + mean_accepted() *
                   (1 + static_cast<double>(values) / static_cast<double>(pairs_.items() + 1));
  }

  // Whether the ratio of list P (of weight weight_p) with the bucketed Q
  // reaches t.
  static bool bucketed_reaches(ItemList p, double weight_p, const Buckets& b, double weight_q,
                               double t, InterruptCheck& interrupt) {
    std::size_t terms = 0;
    const double sum = bucketed_sum(p, b, terms);
    interrupt.tick(1 + p.size + terms);
    return overlap_ratio_from(sum, weight_p, weight_q) >= t;
  }

  // The first k of begin .. end-1 whose accepted row row_of(k) reaches t
  // with the bucketed Q, in order, else `end`; also `end` once stop(k).
  template <class RowOf, class Stop>
  std::size_t first_bucketed(std::size_t begin, std::size_t end, RowOf row_of, const Buckets& b,
                             double weight_q, double t, InterruptCheck& interrupt,
                             Stop stop) const {
    for (std::size_t k = begin; k < end; ++k) {
      if (stop(k)) return end;
      const Accepted& accepted = accepted_[row_of(k)];
      if (bucketed_reaches(stored_[accepted.row], accepted.weight, b, weight_q, t, interrupt))
        return k;
    }
    return end;
  }
  static std::size_t same(std::size_t r) { return r; }
  static bool never(std::size_t) { return false; }

  // The accepted rows that can reach t > 0 with the bucketed Q, ascending
  // into b.sharing: those holding an id of a row of W that Q's non-zeros
  // touch (holders_).
  void list_sharing(Buckets& b, std::size_t n, InterruptCheck& interrupt) const {
    b.marks.resize((n + 63) / 64, 0);  // all 0 between calls
    std::size_t listed = 0;
    for (ItemId a : b.touched) {
      const std::vector<std::uint32_t>& h = holders_[static_cast<std::size_t>(a)];
      listed += h.size();
      for (const std::uint32_t r : h) b.marks[r >> 6] |= std::uint64_t{1} << (r & 63);
    }
    interrupt.tick(1 + listed + b.marks.size());
    b.sharing.clear();
    for (std::size_t w = 0; w < b.marks.size(); ++w) {
      for (std::uint64_t bits = b.marks[w]; bits != 0; bits &= bits - 1)
        b.sharing.push_back(static_cast<std::uint32_t>(
            64 * w + static_cast<std::size_t>(count_trailing_zeros(bits))));
      b.marks[w] = 0;
    }
  }

  bool skip_zeros(ItemList q, double weight_q, double t) {
    const std::size_t offset = bucket(q, own_, interrupt_);
    const std::size_t n = accepted_.size();
    const std::size_t hit =
        first_reaching(n, bucketed_units(offset),
                       [&](std::size_t begin, std::size_t end, InterruptCheck& interrupt,
                           const std::atomic<std::size_t>& hit_before) {
                         return first_bucketed(begin, end, same, own_, weight_q, t, interrupt,
                                               [&](std::size_t r) {
                                                 return hit_before.load(
                                                            std::memory_order_relaxed) < r;
                                               });
                       });
    ratios_ += hit < n ? hit + 1 : n;
    return hit < n;
  }

  // skip_zeros for t > 0: only the accepted rows sharing a touched row of W
  // can reach t; they are compared in the order of acceptance, as every row
  // is in skip_zeros, and the ratios counted are the same.
  bool sharing_rows(ItemList q, double weight_q, double t) {
    const std::size_t offset = bucket(q, own_, interrupt_);
    const std::size_t n = accepted_.size();
    list_sharing(own_, n, interrupt_);
    const std::vector<std::uint32_t>& sharing = own_.sharing;
    const std::size_t found = sharing.size();
    const std::size_t hit =
        first_reaching(found, bucketed_units(offset),
                       [&](std::size_t begin, std::size_t end, InterruptCheck& interrupt,
                           const std::atomic<std::size_t>& hit_before) {
                         return first_bucketed(
                             begin, end, [&](std::size_t k) { return sharing[k]; }, own_,
                             weight_q, t, interrupt, [&](std::size_t k) {
                               return hit_before.load(std::memory_order_relaxed) < k;
                             });
                       });
    ratios_ += hit < found ? sharing[hit] + 1 : n;
    return hit < found;
  }

  // The test of one row of a batch (rows first .. first + b - 1 of which
  // come before it), made against the rows accepted before the batch and
  // against every earlier row of the batch as if it were accepted: whether
  // such a row is accepted is known only later, and the ratio does not
  // depend on it.
  struct BatchTest {
    std::size_t hit;         // the first accepted row that reaches t, or n
    std::uint64_t reaching;  // bit k: earlier row first + k of the batch reaches t
  };
  BatchTest test_in_batch(std::size_t row, std::size_t first, const double* batch_weights, double t,
                          Buckets& b, InterruptCheck& interrupt) const {
    const ItemList q = tested_[row];
    const double weight_q = list_weight(q, weight());
    bucket(q, b, interrupt);
    const std::size_t n = accepted_.size();
    BatchTest test{n, 0};
    if (holders_.empty()) {
      const std::size_t r = first_bucketed(0, n, same, b, weight_q, t, interrupt, never);
      if (r < n) return {r, 0};
    } else if (n > 0) {
      list_sharing(b, n, interrupt);
      const std::vector<std::uint32_t>& sharing = b.sharing;
      const std::size_t k = first_bucketed(
          0, sharing.size(), [&](std::size_t i) { return sharing[i]; }, b, weight_q, t,
          interrupt, never);
      if (k < sharing.size()) return {sharing[k], 0};
    }
    for (std::size_t k = 0; first + k < row; ++k)
      if (bucketed_reaches(stored_[first + k], batch_weights[k], b, weight_q, t, interrupt))
        test.reaching |= std::uint64_t{1} << k;
    return test;
  }

  // Rows first..last-1 (at most kBatchRows) with skip_zeros: each row's
  // tests (test_in_batch) run side by side, then the rows are settled in
  // order. A row is dropped by the first accepted row that reaches t, in
  // the order of acceptance: one accepted before the batch, else an earlier
  // row of the batch that was accepted. The decisions and the ratios counted
  // are the row-by-row loop's: each row's comparisons with the rows accepted
  // before the batch are the ones it makes, and with the rows of the batch
  // its comparisons are computed in the same way.
  void filter_batch(std::size_t first, std::size_t last, double t,
                    std::pmr::vector<std::size_t>& kept) {
    const std::size_t rows = last - first;
    double batch_weights[kBatchRows];
    for (std::size_t k = 0; k < rows; ++k)
      batch_weights[k] = list_weight(stored_[first + k], weight());
    BatchTest tests[kBatchRows];
    // About one comparison with every accepted row per tested row.
    const double units = 1 + static_cast<double>(accepted_.size() + rows) * (1 + mean_accepted());
    const std::size_t grain = grain_from_work(rows, units, kBatchSplitWork);
    if (!splits(rows, grain)) {
      for (std::size_t k = 0; k < rows; ++k)
        tests[k] = test_in_batch(first + k, first, batch_weights, t, own_, interrupt_);
    } else {
      if (!pool_) pool_.emplace(call_threads(), MakeBuckets{pairs_.items()});
      parallel_for(rows, grain, [&](std::size_t begin, std::size_t end) {
        InterruptCheck silent;
        InterruptCheck& interrupt = ticks_.here(silent);
        pool_->with([&](Buckets& b) {
          for (std::size_t k = begin; k < end; ++k)
            tests[k] = test_in_batch(first + k, first, batch_weights, t, b, interrupt);
        });
      });
    }
    const std::size_t before = accepted_.size();
    std::uint64_t accepted_in_batch = 0;
    std::size_t position[kBatchRows];  // of the batch's accepted rows in accepted_
    for (std::size_t k = 0; k < rows; ++k) {
      const BatchTest& test = tests[k];
      if (test.hit < before) {
        ratios_ += test.hit + 1;
        continue;
      }
      if (const std::uint64_t hits = test.reaching & accepted_in_batch) {
        ratios_ += position[count_trailing_zeros(hits)] + 1;
        continue;
      }
      ratios_ += accepted_.size();
      position[k] = accepted_.size();
      accept(first + k, batch_weights[k]);
      kept.push_back(first + k);
      accepted_in_batch |= std::uint64_t{1} << k;
    }
  }

  // Accepted rows from..to-1, several at a time: four in the first group
  // (rows are often dropped there), eight after it.
  bool interleaved(ItemList q, double weight_q, double t, std::size_t from, std::size_t to) {
    std::size_t g = from;
    if (g == 0 && g < to) {
      ratios_ += std::min<std::size_t>(4, to);
      if (group<4>(q, weight_q, t, g, to, interrupt_)) return true;
      g += 4;
    }
    if (g >= to) return false;
    // The groups of eight side by side; the ratios counted are those of the
    // groups up to the one that reaches t.
    const std::size_t groups = (to - g + 7) / 8;
    const std::size_t hit =
        first_reaching(groups, 1 + 8 * mean_accepted() * static_cast<double>(q.size),
                       [&](std::size_t begin, std::size_t end, InterruptCheck& interrupt,
                           const std::atomic<std::size_t>& hit_before) {
                         for (std::size_t k = begin; k < end; ++k) {
                           if (hit_before.load(std::memory_order_relaxed) < k) return end;
                           if (group<8>(q, weight_q, t, g + 8 * k, to, interrupt)) return k;
                         }
                         return end;
                       });
    ratios_ += std::min(to, hit < groups ? g + 8 * (hit + 1) : to) - g;
    return hit < groups;
  }

  // Accepted rows g..g+Lanes-1 (short of `to`, the last one repeats); P
  // lists are padded with the all-zero row.
  template <std::size_t Lanes>
  bool group(ItemList q, double weight_q, double t, std::size_t g, std::size_t to,
             InterruptCheck& interrupt) {
    const Accepted* a[Lanes];
    const ItemId* ps[Lanes];
    std::size_t lp = 0;
    for (std::size_t k = 0; k < Lanes; ++k) {
      a[k] = &accepted_[std::min(g + k, to - 1)];
      ps[k] = stored_.padded(a[k]->row);
      lp = std::max(lp, stored_.size(a[k]->row));
    }
    double s[Lanes];
    interrupt.tick(1 + Lanes * lp * q.size);
    shared_weights_one_q(pairs_, ps, lp, q, s);
    const std::size_t real = std::min(Lanes, to - g);
    for (std::size_t k = 0; k < real; ++k)
      if (overlap_ratio_from(s[k], a[k]->weight, weight_q) >= t) return true;
    return false;
  }

  // Integral W: S = sum over a in P of (sum over b in Q of W(a, b)), the
  // inner sums formed for every row of W at once, reading W's columns.
  // The threads split the rows of W, then the accepted rows.
  bool by_row_sums(ItemList q, double weight_q, double t, std::size_t from) {
    const std::size_t k = pairs_.items();
    parallel_for(
        k, work_grain(k, static_cast<double>(q.size) + 1), [&](std::size_t begin, std::size_t end) {
          InterruptCheck silent;
          InterruptCheck& interrupt = ticks_.here(silent);
          double* sums = row_sums_.data();
          std::fill(sums + begin, sums + end, 0.0);
          for (std::size_t j = 0; j < q.size; ++j) {
            interrupt.tick(end - begin);
            const double* column = pairs_.matrix().column(static_cast<std::size_t>(q.ids[j]));
            for (std::size_t a = begin; a < end; ++a) sums[a] += column[a];
          }
        });
    const std::size_t n = accepted_.size() - from;
    const std::size_t hit =
        first_reaching(n, 1 + mean_accepted(),
                       [&](std::size_t begin, std::size_t end, InterruptCheck& interrupt,
                           const std::atomic<std::size_t>& hit_before) {
                         for (std::size_t r = begin; r < end; ++r) {
                           if (hit_before.load(std::memory_order_relaxed) < r) return end;
                           const Accepted& a = accepted_[from + r];
                           const ItemList p = stored_[a.row];
                           interrupt.tick(1 + p.size);
                           double sum = 0.0;
                           for (std::size_t i = 0; i < p.size; ++i) sum = sum + row_sums_[p.ids[i]];
                           if (overlap_ratio_from(sum, a.weight, weight_q) >= t) return r;
                         }
                         return end;
                       });
    ratios_ += hit < n ? hit + 1 : n;
    return hit < n;
  }

  const ItemLists& stored_;
  const ItemLists& tested_;
  PairWeights pairs_;
  const double* weights_;
  InterruptCheck interrupt_;
  CallerTicks ticks_;
  SumStrategy strategy_ = SumStrategy::plain;
  bool plain_inline_ = false;
  std::vector<Accepted> accepted_;
  std::size_t accepted_total_ = 0;
  std::size_t ratios_ = 0;
  Buckets own_;  // the calling thread's
  std::optional<ScratchPool<Buckets, MakeBuckets>> pool_;
  std::vector<double> row_sums_;
  // sharing_rows(): per row of W, the accepted rows (their positions in
  // accepted_, ascending) whose lists hold its id.
  std::vector<std::vector<std::uint32_t>> holders_;
};

}  // namespace

Suppression suppress_overlaps(ConstMatrix items, const double* weights, std::size_t weight_count,
                              const WeightMatrix& pairs, double threshold, SumStrategy strategy,
                              std::pmr::memory_resource* memory) {
  // An accepted row's list ends at its first negative stored integer (the
  // first entry <= -1), a tested row's at its first negative entry. Each
  // list reads the ids once more and checks them anew.
  const std::size_t limit = id_limit(weight_count, pairs);
  const auto bad = [&](std::size_t i, std::size_t j, double x) {
    bad_item_id(weight_count, pairs, i, j, x);
  };
  const ItemLists stored(
      items, [](double x) { return x <= -1; }, limit, bad);
  const ItemLists tested(
      items, [](double x) { return x < 0; }, limit, bad);
  AcceptedOverlaps overlaps(stored, tested, pairs, weights, strategy, threshold);
  Suppression result{std::pmr::vector<std::size_t>(memory)};
  result.accepted.reserve(std::min(items.rows, kReservedRows));
  overlaps.filter(items.rows, threshold, result.accepted);
  result.strategy = overlaps.strategy();
  result.ratios = overlaps.ratios();
  return result;
}

void write_accepted_rows(ConstMatrix items, const std::pmr::vector<std::size_t>& accepted,
                         double* out) {
  const std::size_t k = accepted.size();
  for (std::size_t j = 0; j < items.cols; ++j)
    for (std::size_t r = 0; r < k; ++r) {
      // Entries were checked to fit 32 bits; the conversion is defined for
      // one another thread changed since.
      const auto stored = static_cast<std::int32_t>(truncate_toward_zero(items(accepted[r], j)));
      out[r + j * k] = static_cast<double>(std::int64_t{stored} + 1);
    }
}

void write_kept_row_numbers(const std::pmr::vector<std::size_t>& accepted, double* out) {
  for (std::size_t r = 0; r < accepted.size(); ++r) out[r] = static_cast<double>(accepted[r] + 1);
}

}  // namespace mexsets
