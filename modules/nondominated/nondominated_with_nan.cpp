// nondominated: the route for inputs holding NaN. The result is the candidate
// sweep's, which with NaN depends on the row order; the sweep is resumed
// after its first steps, and the rows free of NaN among the candidates are
// settled through a search tree instead of pair by pair.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "nondominated_box_tree.hpp"
#include "nondominated_routes.hpp"

namespace mexsets {
namespace nd {
namespace {

// A BoxTree over the rows still candidates of an input holding NaN, those
// rows free of NaN only, kept up to date as rows stop being candidates. Each
// node also holds its least live row (kNone when none is live), which steers
// the search for the first row dominating a point and prunes empty boxes.
template <class Row>
class LiveTree : public BoxTree<Row> {
  using Base = BoxTree<Row>;

 public:
  static constexpr Row kNone = std::numeric_limits<Row>::max();

  // `rows` ascending, all at or after `first`.
  LiveTree(const double* x, std::size_t m, std::size_t d, std::vector<Row> rows, std::size_t first)
      : Base(x, m, d, std::move(rows)), first_(first) {
    const std::size_t n = this->rows_.size();
    live_.assign(n, 1);
    position_.assign(m - first, kNone);
    this->interrupt_.for_each_index(
        n, 4, [&](std::size_t i) { position_[this->rows_[i] - first] = static_cast<Row>(i); });
    least_.assign(this->slots(), kNone);
    if (n > 0) set_least(1, 0, n);
  }

  // Takes the row out when it is in the tree and live.
  void remove(std::size_t row) {
    if (row < first_) return;
    const Row i = position_[row - first_];
    if (i == kNone || !live_[i]) return;
    live_[i] = 0;
    this->interrupt_.tick(64);
    std::size_t path[72];
    std::size_t depth = 0, node = 1, begin = 0, end = this->rows_.size();
    while (end - begin > Base::kLeaf) {
      path[depth++] = node;
      const std::size_t half = Base::middle(begin, end);
      if (i < half) {
        node = 2 * node;
        end = half;
      } else {
        node = 2 * node + 1;
        begin = half;
      }
    }
    if (least_[node] != row) return;  // no least changes on the way up
    least_[node] = least_in_leaf(begin, end);
    while (depth > 0) {
      node = path[--depth];
      const Row least = std::min(least_[2 * node], least_[2 * node + 1]);
      if (least_[node] == least) return;
      least_[node] = least;
    }
  }

  // The least live row that dominates `point` (no greater in every column,
  // smaller in one), or kNone.
  Row first_dominating(const double* point) const {
    Row best = kNone;
    if (!this->rows_.empty()) first_dominating(1, 0, this->rows_.size(), point, best);
    return best;
  }

  // Takes out every live row that `point` covers (no row column below the
  // point's), telling `dropped` of each.
  template <class Dropped>
  void remove_covered(const double* point, Dropped&& dropped) {
    if (!this->rows_.empty()) remove_covered(1, 0, this->rows_.size(), point, dropped);
  }

 private:
  Row least_in_leaf(std::size_t begin, std::size_t end) const {
    this->interrupt_.tick(end - begin);
    Row least = kNone;
    for (std::size_t i = begin; i < end; ++i)
      if (live_[i]) least = std::min(least, this->rows_[i]);
    return least;
  }

  void set_least(std::size_t node, std::size_t begin, std::size_t end) {
    if (end - begin <= Base::kLeaf) {
      least_[node] = least_in_leaf(begin, end);
      return;
    }
    const std::size_t half = Base::middle(begin, end);
    set_least(2 * node, begin, half);
    set_least(2 * node + 1, half, end);
    least_[node] = std::min(least_[2 * node], least_[2 * node + 1]);
  }

  bool dominates(std::size_t row, const double* point) const {
    return nd::dominates(this->x_ + row, this->m_, point, 1, this->d_);
  }

  void first_dominating(std::size_t node, std::size_t begin, std::size_t end, const double* point,
                        Row& best) const {
    if (least_[node] >= best) return;  // nothing live, or nothing earlier than the best
    const std::size_t d = this->d_;
    this->interrupt_.tick(4 * d);
    if (better_somewhere(point, 1, this->lower(node), 1, d)) return;  // the box lies beyond
    const double* upper = this->upper(node);
    bool inside = true, below = false;
    for (std::size_t k = 0; k < d && inside; ++k) {
      inside = !(upper[k] > point[k]);
      below = below || upper[k] < point[k];
    }
    if (inside && below) {  // every row of the box dominates the point
      best = least_[node];
      return;
    }
    if (end - begin <= Base::kLeaf) {
      this->interrupt_.tick(2 * d * (end - begin));
      for (std::size_t i = begin; i < end; ++i)
        if (live_[i] && this->rows_[i] < best && dominates(this->rows_[i], point))
          best = this->rows_[i];
      return;
    }
    const std::size_t half = Base::middle(begin, end);
    if (least_[2 * node + 1] < least_[2 * node]) {
      first_dominating(2 * node + 1, half, end, point, best);
      first_dominating(2 * node, begin, half, point, best);
    } else {
      first_dominating(2 * node, begin, half, point, best);
      first_dominating(2 * node + 1, half, end, point, best);
    }
  }

  template <class Dropped>
  void remove_covered(std::size_t node, std::size_t begin, std::size_t end, const double* point,
                      Dropped& dropped) {
    if (least_[node] == kNone) return;
    const std::size_t d = this->d_;
    this->interrupt_.tick(4 * d);
    // Every row of the box below the point somewhere: none covered.
    if (better_somewhere(this->upper(node), 1, point, 1, d)) return;
    if (end - begin <= Base::kLeaf) {
      this->interrupt_.tick(2 * d * (end - begin));
      Row least = kNone;
      for (std::size_t i = begin; i < end; ++i) {
        if (!live_[i]) continue;
        const std::size_t row = this->rows_[i];
        if (nowhere_worse(point, 1, this->x_ + row, this->m_, d)) {
          live_[i] = 0;
          dropped(row);
        } else {
          least = std::min(least, this->rows_[i]);
        }
      }
      least_[node] = least;
      return;
    }
    const std::size_t half = Base::middle(begin, end);
    remove_covered(2 * node, begin, half, point, dropped);
    remove_covered(2 * node + 1, half, end, point, dropped);
    least_[node] = std::min(least_[2 * node], least_[2 * node + 1]);
  }

  std::size_t first_;                // rows before it are never in the tree
  std::vector<unsigned char> live_;  // by position
  std::vector<Row> position_;        // by row - first_; kNone for rows not in the tree
  std::vector<Row> least_;           // least live row by node
};

// The candidate sweep resumed at outer step `first` (flags as the steps
// before it left them). The candidates holding NaN go in a list; those free
// of NaN (the set L) are settled as follows.
//
// Between rows free of NaN, ">" is a partial order: each champion dominates
// the one before it. So a candidate passed earlier in the step (which neither
// dominated an earlier champion nor was nowhere better than it) cannot
// dominate the current one, nor can one that an earlier champion covered; the
// next champion is the least live row of L dominating the current one, unless
// a row holding NaN before it takes over first. A row of L that any champion
// of the step covers is covered by the last, which also stands for it in the
// second sweep: so the step drops exactly the live rows of L that the last
// champion covers. Rows holding NaN are compared one by one with the champion
// of their stretch, and in the second sweep with the last. Both searches go
// to a LiveTree over the live rows of L, built when first needed: a row that
// no row of L covers (on the front of L) has no row to dominate it, and one
// that covers no other row of L has nothing to drop; both stay so as L
// shrinks. On a large front these two flags settle most steps at once.
//
// When a row holding NaN would take over, or t itself holds NaN, the step runs
// as the sweep has it (each such step makes a row holding NaN champion, which
// is never a candidate again, so there are few of them).
template <class Row>
class ResumedSweep {
 public:
  ResumedSweep(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
               std::size_t d, std::size_t first)
      : front_(front), candidate_(candidate), x_(x), m_(m), d_(d), point_(d) {
    clean_.reserve(m - first);
    for (std::size_t r = first; r < m; ++r) {
      interrupt_.tick(d);
      if (candidate[r]) (holds_nan_at(r) ? with_nan_ : clean_).push_back(static_cast<Row>(r));
    }
    mark_uncovered_and_alone();
  }

  void run(std::size_t first) {
    for (std::size_t t = first; t < m_; ++t) {
      if (!candidate_[t]) continue;
      while (next_nan_ < with_nan_.size() && with_nan_[next_nan_] <= t) ++next_nan_;
      drop_settled_rows_with_nan();
      if (holds_nan_at(t) || !step_by_tree(t))
        sweep_step(front_, candidate_, x_, m_, d_, t, interrupt_, [this](std::size_t r) {
          if (tree_) tree_->remove(r);
        });
    }
  }

 private:
  // A candidate's byte holds, beside its flag 1 (kLive): kUncovered when it
  // is on the front of L, kAlone when it covers no other row of L.
  static constexpr unsigned char kLive = 1, kUncovered = 2, kAlone = 4;
  static constexpr Row kNone = LiveTree<Row>::kNone;

  bool holds_nan_at(std::size_t r) const {
    for (std::size_t k = 0; k < d_; ++k)
      if (x_[r + k * m_] != x_[r + k * m_]) return true;
    return false;
  }

  // Row r covers row s (no greater everywhere, and smaller somewhere or
  // earlier) exactly when, negated and in reverse order, s covers r; should
  // no row of L be covered, every row is alone.
  void mark_uncovered_and_alone() {
    std::vector<unsigned char> marks(m_, 0);
    front_of_rows(marks.data(), x_, m_, d_, clean_);
    bool all_uncovered = true;
    for (const Row r : clean_) {
      candidate_[r] = marks[r] ? kLive | kUncovered : kLive;
      all_uncovered = all_uncovered && marks[r];
    }
    if (all_uncovered) {
      for (const Row r : clean_) candidate_[r] |= kAlone;
      return;
    }
    const std::size_t n = clean_.size();
    std::vector<double> negated(n * d_);
    for (std::size_t k = 0; k < d_; ++k)
      interrupt_.for_each_index(
          n, 2, [&](std::size_t i) { negated[(n - 1 - i) + k * n] = -x_[clean_[i] + k * m_]; });
    std::fill_n(marks.begin(), n, 0);
    front_of_matrix(marks.data(), negated.data(), n, d_);
    for (std::size_t i = 0; i < n; ++i)
      if (marks[n - 1 - i]) candidate_[clean_[i]] |= kAlone;
  }

  // The tree over the live rows of L, built at the first step that needs it.
  LiveTree<Row>& tree(std::size_t t) {
    if (!tree_) {
      std::vector<Row> live;
      for (const Row r : clean_)
        if (candidate_[r]) live.push_back(r);
      std::vector<Row>().swap(clean_);
      tree_.reset(new LiveTree<Row>(x_, m_, d_, std::move(live), t));
    }
    return *tree_;
  }

  // Once the list of rows holding NaN after t holds more settled rows than
  // live ones (and 64), the settled ones leave it.
  void drop_settled_rows_with_nan() {
    if (passed_dead_ <= with_nan_.size() - next_nan_ + 64) return;
    interrupt_.tick(with_nan_.size() - next_nan_);
    with_nan_.erase(std::remove_if(with_nan_.begin() + static_cast<std::ptrdiff_t>(next_nan_),
                                   with_nan_.end(), [&](Row r) { return !candidate_[r]; }),
                    with_nan_.end());
    passed_dead_ = 0;
  }

  void load(std::size_t r) {
    for (std::size_t k = 0; k < d_; ++k) point_[k] = x_[r + k * m_];
  }

  // The step for a candidate t free of NaN: the champion chain through the
  // tree, the rows holding NaN checked against the champion of their
  // stretch. Changes nothing and returns false when a row holding NaN would
  // take over.
  bool step_by_tree(std::size_t t) {
    out_.clear();
    kept_.clear();
    std::size_t c = t, at = next_nan_;
    load(c);
    for (;;) {
      const Row q = candidate_[c] & kUncovered ? kNone : tree(t).first_dominating(point_.data());
      const std::size_t limit = q == kNone ? m_ : q;
      for (; at < with_nan_.size() && with_nan_[at] < limit; ++at) {
        const std::size_t j = with_nan_[at];
        interrupt_.tick(2 * d_);
        if (!candidate_[j]) {
          ++passed_dead_;
          continue;
        }
        if (!better_somewhere(x_, m_, d_, j, c))
          out_.push_back(static_cast<Row>(j));
        else if (nowhere_worse(x_, m_, d_, j, c))
          return false;  // a row holding NaN takes over
        else
          kept_.push_back(static_cast<Row>(j));
      }
      if (q == kNone) break;
      c = q;
      load(c);
    }
    // c is the last champion, its coordinates in point_.
    front_[c] = 1;
    if (c == t && candidate_[t] & kAlone) {
      candidate_[t] = 0;
      if (tree_) tree_->remove(t);
    } else {  // t and the champions too
      tree(t).remove_covered(point_.data(), [this](std::size_t r) { candidate_[r] = 0; });
    }
    for (const Row j : out_) candidate_[j] = 0;
    for (const Row j : kept_) {
      if (j >= c) break;
      interrupt_.tick(2 * d_);
      if (!better_somewhere(x_, m_, d_, j, c)) candidate_[j] = 0;
    }
    return true;
  }

  InterruptCheck interrupt_;
  unsigned char* front_;
  unsigned char* candidate_;
  const double* x_;
  std::size_t m_, d_;
  std::vector<Row> clean_, with_nan_;  // the candidates free of NaN (L), and holding it
  std::unique_ptr<LiveTree<Row>> tree_;
  std::vector<double> point_;    // the champion's coordinates
  std::vector<Row> out_, kept_;  // rows holding NaN, by their fate in the first sweep
  std::size_t next_nan_ = 0;     // first entry of with_nan_ after t
  std::size_t passed_dead_ = 0;  // flags found 0 in with_nan_, for its compaction
};

}  // namespace

template <class Row>
void resume_sweep(unsigned char* front, unsigned char* candidate, const double* x, std::size_t m,
                  std::size_t d, std::size_t first) {
  ResumedSweep<Row>(front, candidate, x, m, d, first).run(first);
}

template void resume_sweep<std::uint32_t>(unsigned char*, unsigned char*, const double*,
                                          std::size_t, std::size_t, std::size_t);
template void resume_sweep<std::size_t>(unsigned char*, unsigned char*, const double*, std::size_t,
                                        std::size_t, std::size_t);

}  // namespace nd
}  // namespace mexsets
