// The weighted overlap ratio between two item lists, shared by rank_diverse
// and suppress_overlaps, and the machinery that forms its shared weight fast
// without changing a bit of the result.
//
// For item lists P and Q (zero-based ids), a pairwise weight matrix W and
// item weights u (rank_diverse: the diagonal of W; suppress_overlaps: a
// separate vector):
//
//   S    = sum over a in P, b in Q of W(a, b)   (a selects the row of W)
//   w(P) = sum over a in P of u(a),   w(Q) = sum over b in Q of u(b)
//   rho  = S / ((w(P) + w(Q)) - S)             (no guard: 0/0 gives NaN,
//                                              S/0 an infinity)
//
// Every sum starts at +0 and adds in one fixed order: S row by row of P (for
// each a of P in list order, W(a, b) for each b of Q in list order), w(P) in
// P's order, w(Q) in Q's order. A repeated id counts once per occurrence.
// S, w(P) and w(Q) are three independent sums, so w(P) may be accumulated
// after each a (as `overlap_ratio` does) or once per list (as the modules
// do): the bits are the same.
//
// Ways of forming S that give the same bits as the defining loop:
// - Skipping exact zeros of W. S starts at +0 and never becomes -0 (a sum is
//   -0 only when both operands are -0), so adding +0 or -0 never changes it.
//   NaN and infinite entries are never skipped.
// - Padding a list with the id `items()` of a PairWeights table, whose row
//   and column hold +0 only: by the same argument the padding adds nothing.
// - Any order at all, when every entry of W that can be added is an integer
//   and |W| * |P| * |Q| <= 2^53: every partial sum, in any order, is then an
//   integer of magnitude at most 2^53, so every addition is exact (and an
//   exact 0 is +0 whichever order produced it).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"
#include "mexsets/interrupt.hpp"
#include "mexsets/result_size.hpp"

namespace mexsets {

using ItemId = std::int32_t;

// A list of item ids held elsewhere.
struct ItemList {
  const ItemId* ids = nullptr;
  std::size_t size = 0;
};

// How a computation forms shared weights. All give the same bits; they differ
// in speed. `automatic` lets the computation choose from the input.
enum class SumStrategy {
  automatic,
  plain,        // the defining loop, W read in place
  skip_zeros,   // only the non-zero entries of W, in the defining order
  interleaved,  // several sums at a time over a row-major copy of W
  reordered,    // integer W: sums by whole rows or columns, in any order
};

// rho from its three sums.
inline double overlap_ratio_from(double shared, double weight_p, double weight_q) {
  return shared / ((weight_p + weight_q) - shared);
}

// w(L) in list order; `weight(id)` gives u(id).
template <class ItemWeight>
double list_weight(ItemList list, ItemWeight weight) {
  double sum = 0.0;
  for (std::size_t k = 0; k < list.size; ++k) sum = sum + weight(list.ids[k]);
  return sum;
}

// S by the defining loop, reading W in place.
inline double shared_weight(ItemList p, ItemList q, ConstMatrix w) {
  double sum = 0.0;
  for (std::size_t i = 0; i < p.size; ++i) {
    const double* row = w.data + p.ids[i];
    for (std::size_t j = 0; j < q.size; ++j)
      sum = sum + row[static_cast<std::size_t>(q.ids[j]) * w.rows];
  }
  return sum;
}

// S by the defining loop over the non-zero entries of W alone (a sparse or
// diagonal W: PairWeights::nonzero), which gives the same bits.
template <class Weights>
double shared_weight_stored(ItemList p, ItemList q, const Weights& w) {
  double sum = 0.0;
  for (std::size_t i = 0; i < p.size; ++i)
    for (std::size_t j = 0; j < q.size; ++j)
      if (const double* x = w.nonzero(p.ids[i], q.ids[j])) sum = sum + *x;
  return sum;
}

// rho by the defining loop.
template <class ItemWeight>
double overlap_ratio(ItemList p, ItemList q, ConstMatrix w, ItemWeight weight) {
  return overlap_ratio_from(shared_weight(p, q, w), list_weight(p, weight), list_weight(q, weight));
}

// The lists of all rows of an item-list matrix, extracted once: row i's list
// holds its entries from column 0 on, truncated toward zero, up to (not
// including) the first entry for which `ends(x)` is true; `ends` must be true
// for every x <= -1. Each list is also available padded up to the longest
// list's length with items_used(), the largest id plus 1, which is the
// padding id of a PairWeights table over items_used() items.
//
// Each entry is read once, and an id is kept only when it is below `limit`
// (at most the largest ItemId): `bad(i, j, x)`, which throws, reports any
// other entry x at row i, column j (NaN too). So the ids held address only
// what the limit covers, even when another thread writes to the matrix while
// it is read (the caller's checks before saw other values then).
class ItemLists {
 public:
  ItemLists() = default;
  template <class Ends, class Bad>
  ItemLists(ConstMatrix items, Ends ends, std::size_t limit, Bad bad)
      : sizes_(items.rows, 0), ids_(items.size()) {
    const double bound = static_cast<double>(
        std::min(limit, static_cast<std::size_t>(std::numeric_limits<ItemId>::max())));
    // Row i goes first to ids_[i * cols ..], then moves down to its place.
    InterruptCheck interrupt;
    ItemId largest = -1;
    for (std::size_t i = 0; i < items.rows; ++i) {
      interrupt.tick(items.cols);
      ItemId* row = ids_.data() + i * items.cols;
      std::size_t n = 0;
      for (; n < items.cols; ++n) {
        const double x = items(i, n);
        if (ends(x)) break;
        if (!(x < bound) || bound == 0) {  // -1 < x < bound truncates into 0 .. limit-1
          bad(i, n, x);
          break;
        }
        row[n] = static_cast<ItemId>(x);
        largest = std::max(largest, row[n]);
      }
      sizes_[i] = n;
      longest_ = std::max(longest_, n);
      total_ += n;
    }
    items_used_ = static_cast<std::size_t>(largest + 1);
    for (std::size_t i = 0; i < items.rows; ++i) {
      ItemId* row = ids_.data() + i * longest_;
      std::copy(ids_.data() + i * items.cols, ids_.data() + i * items.cols + sizes_[i], row);
      std::fill(row + sizes_[i], row + longest_, static_cast<ItemId>(items_used_));
    }
    ids_.resize(items.rows * longest_);
  }

  std::size_t count() const { return sizes_.size(); }
  ItemList operator[](std::size_t i) const { return {padded(i), sizes_[i]}; }
  std::size_t size(std::size_t i) const { return sizes_[i]; }
  const ItemId* padded(std::size_t i) const { return ids_.data() + i * longest_; }
  std::size_t longest() const { return longest_; }
  std::size_t total() const { return total_; }
  std::size_t items_used() const { return items_used_; }

 private:
  std::vector<std::size_t> sizes_;
  std::vector<ItemId> ids_;
  std::size_t longest_ = 0;
  std::size_t total_ = 0;
  std::size_t items_used_ = 0;
};

// The items-by-items block of W that the lists address, with what the fast
// ways of forming S need: its statistics, a row-major copy with an all-zero
// row and column at index items() (the padding id), and its non-zero entries
// by column. Each part is built on request, once per call. W given sparse or
// as the vector of its diagonal (WeightMatrix) offers only its non-zero
// entries by column (built at once, with work and memory in proportion to
// its stored entries), and S by the defining loop over them
// (shared_weight_stored); the statistics and the copy are for dense W.
class PairWeights {
 public:
  struct Entry {
    ItemId row;
    double value;
  };
  struct Entries {
    const Entry* begin;
    const Entry* end;
  };

  PairWeights(const WeightMatrix& w, std::size_t items) : w_(w.dense), form_(w), items_(items) {
    if (!dense()) build_columns();
  }

  std::size_t items() const { return items_; }
  bool dense() const { return form_.is_dense(); }
  ConstMatrix matrix() const { return w_; }  // dense W only

  // One pass over the block: non-zeros, and whether all entries are integers.
  // The threads split the columns; counts, "all" and the largest magnitude
  // are the same whatever the split.
  void measure() {
    if (measured_) return;
    measured_ = true;
    std::mutex lock;
    by_columns([&](std::size_t begin, std::size_t end, InterruptCheck& here) {
      std::size_t nonzeros = 0;
      bool integral = true;
      double largest = 0.0;
      for (std::size_t b = begin; b < end; ++b) {
        here.tick(items_);
        const double* column = w_.column(b);
        for (std::size_t a = 0; a < items_; ++a) {
          const double x = column[a];
          if (x == 0) continue;  // an integer, below every largest
          ++nonzeros;
          if (!(std::isfinite(x) && std::trunc(x) == x))
            integral = false;
          else
            largest = std::max(largest, std::fabs(x));
        }
      }
      const std::lock_guard<std::mutex> hold(lock);
      nonzeros_ += nonzeros;
      integral_ = integral_ && integral;
      largest_ = std::max(largest_, largest);
    });
  }
  std::size_t nonzeros() const { return nonzeros_; }
  // Over the non-zero entries W(a, b) (NaN included): the sum of q_uses[b]
  // (the postings of lists Q by row a) and the sum of p_uses[a] * q_uses[b]
  // (the non-zero terms of S over every pair of a P list and a Q list), where
  // x_uses[id] counts the occurrences of id in the lists. One pass over W,
  // each column's sums formed on one thread, then added in column order.
  struct NonzeroUse {
    double postings = 0.0, terms = 0.0;
  };
  NonzeroUse nonzero_use(const std::vector<double>& p_uses,
                         const std::vector<double>& q_uses) const {
    std::vector<std::pair<double, double>> sums(items_);  // rows, weighted
    by_columns([&](std::size_t begin, std::size_t end, InterruptCheck& here) {
      for (std::size_t b = begin; b < end; ++b) {
        if (q_uses[b] == 0) continue;
        here.tick(items_);
        const double* column = w_.column(b);
        double rows = 0.0, weighted = 0.0;
        for (std::size_t a = 0; a < items_; ++a)
          if (column[a] != 0) {
            rows += 1.0;
            weighted += p_uses[a];
          }
        sums[b] = {rows, weighted};
      }
    });
    NonzeroUse use;
    for (std::size_t b = 0; b < items_; ++b) {
      if (q_uses[b] == 0) continue;
      use.postings += sums[b].first * q_uses[b];
      use.terms += sums[b].second * q_uses[b];
    }
    return use;
  }
  // True when S over lists of at most `longest_p` and `longest_q` ids is the
  // same in every order of its terms (see the top of this file).
  bool any_order_exact(std::size_t longest_p, std::size_t longest_q) const {
    if (!integral_) return false;
    const double limit = 9007199254740992.0;  // 2^53
    const double terms = static_cast<double>(longest_p) * static_cast<double>(longest_q);
    // terms is exact below 2^53; beyond, no integer W but 0 qualifies.
    if (terms >= limit) return largest_ == 0;
    return largest_ <= std::floor(limit / terms);
  }

  // Bytes of the row-major copy.
  double table_bytes() const {
    return static_cast<double>(items_ + 1) * static_cast<double>(items_ + 1) * sizeof(double);
  }

  // Row-major copy, rows and columns 0..items() (the last ones all +0),
  // transposed tile by tile so that both W and the copy are walked in runs.
  void build_table() {
    if (table_) return;
    const std::size_t stride = items_ + 1, tile = 32;
    table_.reset(new double[stride * stride]);
    double* t = table_.get();
    InterruptCheck interrupt;
    for (std::size_t b0 = 0; b0 < items_; b0 += tile)
      for (std::size_t a0 = 0; a0 < items_; a0 += tile) {
        interrupt.tick(tile * tile);
        const std::size_t b1 = std::min(b0 + tile, items_), a1 = std::min(a0 + tile, items_);
        for (std::size_t b = b0; b < b1; ++b) {
          const double* column = w_.column(b);
          for (std::size_t a = a0; a < a1; ++a) t[a * stride + b] = column[a];
        }
      }
    for (std::size_t a = 0; a < items_; ++a) t[a * stride + items_] = 0.0;
    std::fill(t + items_ * stride, t + stride * stride, 0.0);
  }
  const double* table_row(ItemId a) const {
    return table_.get() + static_cast<std::size_t>(a) * (items_ + 1);
  }

  // The non-zero entries of each column, rows ascending (NaN counts as
  // non-zero, -0 does not). The threads split the columns.
  void build_columns() {
    if (!column_starts_.empty()) return;
    if (!dense()) return build_stored_columns();
    column_starts_.assign(items_ + 1, 0);
    by_columns([&](std::size_t begin, std::size_t end, InterruptCheck& here) {
      for (std::size_t b = begin; b < end; ++b) {
        here.tick(items_);
        const double* column = w_.column(b);
        std::size_t count = 0;
        for (std::size_t a = 0; a < items_; ++a) count += column[a] != 0;
        column_starts_[b + 1] = count;
      }
    });
    for (std::size_t b = 0; b < items_; ++b) column_starts_[b + 1] += column_starts_[b];
    column_entries_.resize(column_starts_[items_]);
    by_columns([&](std::size_t begin, std::size_t end, InterruptCheck& here) {
      for (std::size_t b = begin; b < end; ++b) {
        here.tick(items_);
        const double* column = w_.column(b);
        Entry* next = column_entries_.data() + column_starts_[b];
        for (std::size_t a = 0; a < items_; ++a)
          if (column[a] != 0) *next++ = {static_cast<ItemId>(a), column[a]};
      }
    });
  }
  Entries column_nonzeros(ItemId b) const {
    const Entry* base = column_entries_.data();
    return {base + column_starts_[static_cast<std::size_t>(b)],
            base + column_starts_[static_cast<std::size_t>(b) + 1]};
  }

  // W(a, b) when it is not zero, else null (build_columns first).
  const double* nonzero(ItemId a, ItemId b) const {
    const Entries column = column_nonzeros(b);
    const Entry* at = std::lower_bound(column.begin, column.end, a,
                                       [](const Entry& e, ItemId row) { return e.row < row; });
    return at != column.end && at->row == a ? &at->value : nullptr;
  }

 private:
  // The non-zero entries of a sparse or diagonal W's block, from its stored
  // entries (rows ascend in each column: check_compressed).
  // body(begin, end, interrupt) over the columns 0..items()-1 of the block,
  // split between the call's threads (each column whole on one); `interrupt`
  // is the loop's countdown on the calling thread, a silent one elsewhere.
  template <class Body>
  void by_columns(Body&& body) const {
    InterruptCheck interrupt;
    const CallerTicks ticks(interrupt);
    parallel_for(items_, work_grain(items_, static_cast<double>(items_)),
                 [&](std::size_t begin, std::size_t end) {
                   InterruptCheck silent;
                   body(begin, end, ticks.here(silent));
                 });
  }

  void build_stored_columns() {
    column_starts_.assign(items_ + 1, 0);
    form_.each_stored(items_, [&](std::size_t b, std::size_t, double x) {
      if (x != 0) ++column_starts_[b + 1];
    });
    for (std::size_t b = 0; b < items_; ++b) column_starts_[b + 1] += column_starts_[b];
    column_entries_.resize(column_starts_[items_]);
    std::vector<std::size_t> next(column_starts_.begin(), column_starts_.end() - 1);
    form_.each_stored(items_, [&](std::size_t b, std::size_t a, double x) {
      if (x != 0) column_entries_[next[b]++] = {static_cast<ItemId>(a), x};
    });
  }

  ConstMatrix w_;
  WeightMatrix form_;
  std::size_t items_;
  bool measured_ = false;
  std::size_t nonzeros_ = 0;
  bool integral_ = true;
  double largest_ = 0.0;
  std::unique_ptr<double[]> table_;
  std::vector<std::size_t> column_starts_;
  std::vector<Entry> column_entries_;
};

// Several shared weights at once, each in the defining order, over the
// table of `w` (build_table first), as independent chains that hide the
// latency of the additions. The loops over the lanes are unrolled (at -O2
// too) so that every chain stays in a register.
//
// One P with Lanes lists Q, each padded with w.items() up to `lq`.
template <std::size_t Lanes>
void shared_weights_one_p(const PairWeights& w, ItemList p, const ItemId* const (&q)[Lanes],
                          std::size_t lq, double (&shared)[Lanes]) {
  double s[Lanes];
#pragma GCC unroll 16
  for (std::size_t k = 0; k < Lanes; ++k) s[k] = 0.0;
  for (std::size_t i = 0; i < p.size; ++i) {
    const double* row = w.table_row(p.ids[i]);
    for (std::size_t j = 0; j < lq; ++j) {
#pragma GCC unroll 16
      for (std::size_t k = 0; k < Lanes; ++k) s[k] = s[k] + row[q[k][j]];
    }
  }
#pragma GCC unroll 16
  for (std::size_t k = 0; k < Lanes; ++k) shared[k] = s[k];
}

// Lanes lists P, each padded with w.items() up to `lp`, with one Q.
template <std::size_t Lanes>
void shared_weights_one_q(const PairWeights& w, const ItemId* const (&p)[Lanes], std::size_t lp,
                          ItemList q, double (&shared)[Lanes]) {
  double s[Lanes];
  const double* row[Lanes];
#pragma GCC unroll 16
  for (std::size_t k = 0; k < Lanes; ++k) s[k] = 0.0;
  for (std::size_t i = 0; i < lp; ++i) {
#pragma GCC unroll 16
    for (std::size_t k = 0; k < Lanes; ++k) row[k] = w.table_row(p[k][i]);
    for (std::size_t j = 0; j < q.size; ++j) {
      const ItemId b = q.ids[j];
#pragma GCC unroll 16
      for (std::size_t k = 0; k < Lanes; ++k) s[k] = s[k] + row[k][b];
    }
  }
#pragma GCC unroll 16
  for (std::size_t k = 0; k < Lanes; ++k) shared[k] = s[k];
}

// How often each id below `items` occurs in the lists (padding excluded).
inline std::vector<double> id_uses(const ItemLists& lists, std::size_t items) {
  std::vector<double> uses(items, 0.0);
  InterruptCheck interrupt;
  for (std::size_t c = 0; c < lists.count(); ++c) {
    const ItemList l = lists[c];
    interrupt.tick(l.size + 1);
    for (std::size_t j = 0; j < l.size; ++j) uses[static_cast<std::size_t>(l.ids[j])] += 1.0;
  }
  return uses;
}

// Choosing a strategy: the estimated time of the whole call by each route,
// in units of one term of the defining loop (about a nanosecond on the
// x86-64 machines the benchmarks ran on; only the ratios matter). Each
// computation counts its own work; the costs per unit, measured with
// bench/rank_diverse and bench/suppress_overlaps, are:
namespace route_cost {
constexpr double plain_term = 1.0;         // W(a, b) read in place: a strided load and an add
constexpr double interleaved_term = 0.35;  // one term of one of eight chains over the copy
constexpr double table_cell = 1.0;         // copying one entry of W into the row-major copy
constexpr double nonzero_term = 2.5;       // one non-zero term through postings or row buckets
constexpr double bucket_lookup = 3.0;      // finding one id's bucket of non-zeros (a short loop)
constexpr double gather = 1.0;             // adding one precomputed row or column sum
constexpr double row_cell = 0.15;          // adding one entry of W into the whole-row/column sums
}  // namespace route_cost

// What a computation tells choose_strategy beyond the defining loop's
// terms: its own estimates (as above) of the routes whose work depends on
// how it walks its lists. An infinite cost rules a route out.
struct RouteEstimates {
  double skip_zeros = HUGE_VAL;
  double skip_zeros_bytes = 0.0;  // working data the route holds
  double reordered = HUGE_VAL;    // taken only when exact (any_order_exact)
};

// The bound on the working data of a chosen route: half of the memory the
// machine can give (memory_limit(): MEXSETS_MEMORY_LIMIT when set, else
// what the machine reports available).
inline std::uint64_t route_memory_bound() { return memory_limit().bytes / 2; }

// The strategy a computation uses, asked for `wanted`, whose whole call
// adds `terms` terms of W in the defining loop over lists of at most
// `longest_p` (P) and `longest_q` (Q) ids. `estimate()` is called (after
// `w.measure()`) only when the choice is automatic and the call is large.
//
// automatic: the plain loop when the whole call adds no more terms than
// measuring W and preparing one of the other routes costs (about 4 per
// entry of W); otherwise the route of least estimated time among
//   plain        terms * plain_term, no working data;
//   interleaved  terms * interleaved_term + K^2 * table_cell, the copy of
//                W ((K+1)^2 doubles);
//   reordered    estimate().reordered plus the copy, when exact;
//   skip_zeros   estimate().skip_zeros, estimate().skip_zeros_bytes;
// leaving out those whose working data exceeds route_memory_bound(), so a
// route ruled out by memory gives way to the next fastest; plain always fits.
// A request for `reordered` is honoured only when exact, and one for
// `skip_zeros` only when `skip_possible`; `interleaved` stands in for either.
template <class Estimate>
SumStrategy choose_strategy(SumStrategy wanted, PairWeights& w, double terms, std::size_t longest_p,
                            std::size_t longest_q, bool skip_possible, Estimate estimate) {
  const double k = static_cast<double>(w.items());
  if (wanted == SumStrategy::automatic) {
    if (terms <= 4.0 * k * k + 4096.0) return SumStrategy::plain;
    w.measure();
    const RouteEstimates e = estimate();
    const double table = k * k * route_cost::table_cell;
    struct Route {
      SumStrategy strategy;
      double cost;
      double bytes;
    };
    const Route routes[] = {
        {SumStrategy::plain, terms * route_cost::plain_term, 0.0},
        {SumStrategy::interleaved, terms * route_cost::interleaved_term + table, w.table_bytes()},
        {SumStrategy::reordered,
         w.any_order_exact(longest_p, longest_q) ? e.reordered + table : HUGE_VAL, w.table_bytes()},
        {SumStrategy::skip_zeros, skip_possible ? e.skip_zeros : HUGE_VAL, e.skip_zeros_bytes},
    };
    const double bound = static_cast<double>(route_memory_bound());
    const Route* best = &routes[0];
    for (const Route& r : routes)
      if (r.cost < best->cost && r.bytes <= bound) best = &r;
    return best->strategy;
  }
  if (wanted == SumStrategy::reordered) {
    w.measure();
    if (!w.any_order_exact(longest_p, longest_q)) return SumStrategy::interleaved;
  }
  if (wanted == SumStrategy::skip_zeros && !skip_possible) return SumStrategy::interleaved;
  return wanted;
}

}  // namespace mexsets
