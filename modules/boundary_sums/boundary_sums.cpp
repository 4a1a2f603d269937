#include "boundary_sums.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/parallel_work.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

std::string shape(ConstMatrix m) {
  return std::to_string(m.rows) + "-by-" + std::to_string(m.cols);
}

std::string elements(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " element" : " elements");
}

// Element k (column-major order) of the argument `name`, reported.
[[noreturn]] void fail_element(const char* name, ConstMatrix m, std::size_t k, std::string reason,
                               std::string problem) {
  const std::size_t rows = m.rows ? m.rows : 1;
  fail_entry(BadEntry{name, std::move(reason), std::move(problem), k % rows, k / rows, m.data[k]});
}

// An id x addresses index x - 1 truncated toward zero. For 0 < x < 1 the
// difference rounds to -1 when x is tiny (below 2^-54), so every such id is
// taken as index 0 directly, as the others below 1 truncate to it. NaN fails.
bool addresses(double x, std::size_t n) {
  return x > 0 && n > 0 && (x < 1 || x - 1 < static_cast<double>(n));
}

std::size_t index_of(double x) {
  return x < 1 ? 0 : static_cast<std::size_t>(static_cast<std::int64_t>(x - 1));
}

[[noreturn]] void fail_label(ConstMatrix labels, std::size_t i, std::size_t j) {
  fail_entry(BadEntry{"labels", "labelWithoutKey", "label matches no key", i, j, labels(i, j)});
}

// Key k's first or second id addresses nothing.
[[noreturn]] void fail_first_id(const BoundaryInputs& in, std::size_t k) {
  fail_element("first", in.first, k, id_reason(in.first.data[k]),
               "first id neither 0 nor in 1.." + std::to_string(in.n));
}
[[noreturn]] void fail_second_id(const BoundaryInputs& in, std::size_t k) {
  fail_element("second", in.second, k, id_reason(in.second.data[k]),
               "second id outside 1.." + std::to_string(in.n));
}

}  // namespace

std::size_t pair_size(double value) {
  if (!(value > -1 && value < 2147483648.0))
    fail("sizeOutOfRange", "Size n outside 0..2147483647: ", named_arg("n"),
         " holds " + format_value(value));
  const auto n = static_cast<std::size_t>(static_cast<std::int64_t>(value));
  // Beyond this no host can lay out n-by-n doubles in one address space.
  if (n && n > static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(double) / n)
    fail("outOfMemory", "Size n too large for an n-by-n double matrix: ", named_arg("n"),
         " holds " + format_value(value));
  return n;
}

void check_boundary_inputs(const BoundaryInputs& in) {
  const std::size_t count = in.key_count();
  if (in.keys.size() < count)
    fail(
        "emptyKeyList",
        "Key list empty but " + std::to_string(count) + (count == 1 ? " key" : " keys") + " long: ",
        arg("keys"), " is " + shape(in.keys));
  if (count >= KeyIndex::none)
    fail("tooManyKeys", "Key list too long: ", arg("keys"), " is " + shape(in.keys));
  const ConstMatrix ids[2] = {in.first, in.second};
  for (int which = 0; which < 2; ++which)
    if (ids[which].size() < count)
      fail("tooFewIds", std::string("Too few ") + (which ? "second" : "first") + " ids: ",
           arg(which ? "second" : "first"),
           " holds " + elements(ids[which].size()) + ", the key list (", arg("keys"),
           ") " + std::to_string(count));
  if (in.weights.rows < in.labels.rows || in.weights.cols < in.labels.cols)
    fail("weightGridTooSmall", "Weight grid smaller than the label grid: ", arg("weights"),
         " is " + shape(in.weights) + ", ", arg("labels"), " is " + shape(in.labels));
  for (std::size_t k = 0; k < count; ++k)
    if (std::isnan(in.keys.data[k]))
      fail_element("keys", in.keys, k, "keyNotANumber", "key is NaN");
  for (std::size_t k = 0; k < count; ++k) {
    const double a = in.first.data[k];
    if (a != 0 && !addresses(a, in.n)) fail_first_id(in, k);
    const double b = in.second.data[k];
    if (!addresses(b, in.n)) fail_second_id(in, k);
  }
}

namespace {

std::uint64_t bits_of(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

}  // namespace

KeyIndex::KeyIndex(const double* keys, std::size_t count) {
  // Whole keys up to this bound cost at most a few table entries per key.
  const double bound = std::min(4.0 * static_cast<double>(count) + 1024.0, 4294967294.0);
  auto whole = [bound](double x) {
    return x > 0 && x <= bound && static_cast<double>(static_cast<std::uint32_t>(x)) == x;
  };
  double largest = -1;
  std::size_t others = 0;
  InterruptCheck interrupt;
  for (std::size_t k = 0; k < count; ++k) {
    interrupt.tick();
    if (whole(keys[k]))
      largest = std::max(largest, keys[k]);
    else if (keys[k] > 0)
      ++others;
  }
  if (largest > 0) {
    table_limit_ = largest;
    table_.assign(static_cast<std::size_t>(largest) + 1, none);
  }
  if (others) {
    int log2 = 4;
    while ((std::size_t{1} << log2) < 2 * others) ++log2;
    hashed_.assign(std::size_t{1} << log2, Slot{0, none});
    shift_ = 64 - log2;
  }
  // The keys are read again: the tests on the table's bound and on the
  // number of other keys keep a key that another thread changed in between
  // inside the tables (a hashed key beyond that number is left out).
  const std::size_t mask = hashed_.size() - 1;
  for (std::size_t k = 0, hashed = 0; k < count; ++k) {
    interrupt.tick(8);
    const double x = keys[k];
    if (whole(x) && x <= table_limit_) {
      std::uint32_t& slot = table_[static_cast<std::uint32_t>(x)];
      if (slot == none) slot = static_cast<std::uint32_t>(k);
    } else if (x > 0 && hashed++ < others) {
      const std::uint64_t bits = bits_of(x);
      std::size_t at = home(bits);
      while (hashed_[at].position != none && hashed_[at].bits != bits) at = (at + 1) & mask;
      if (hashed_[at].position == none) hashed_[at] = Slot{bits, static_cast<std::uint32_t>(k)};
    }
  }
}

std::uint32_t KeyIndex::find_hashed(double x) const {
  const std::uint64_t bits = bits_of(x);
  const std::size_t mask = hashed_.size() - 1;
  for (std::size_t at = home(bits);; at = (at + 1) & mask) {
    const Slot& slot = hashed_[at];
    if (slot.position == none || slot.bits == bits) return slot.position;
  }
}

namespace {

// Calls visit(i, j) for the mixed-parity cells of the label grid in visiting
// order: the even rows at their odd columns, then the odd rows at their even
// columns, each row left to right. Row by row the cells are a whole column
// apart in memory.
template <class Visit>
void in_visiting_order(ConstMatrix labels, Visit&& visit) {
  for (std::size_t parity = 0; parity < 2; ++parity)
    for (std::size_t i = parity; i < labels.rows; i += 2)
      for (std::size_t j = 1 - parity; j < labels.cols; j += 2) visit(i, j);
}

// The first positive label, in visiting order, that matches no key.
[[noreturn]] void fail_first_label_without_key(ConstMatrix labels, const KeyIndex& index) {
  in_visiting_order(labels, [&](std::size_t i, std::size_t j) {
    const double x = labels(i, j);
    if (x > 0 && index.find(x) == KeyIndex::none) fail_label(labels, i, j);
  });
  fail("labelWithoutKey", "Label matches no key");  // not reached: the caller found one
}

}  // namespace

namespace {

// 1 at every key equal to an earlier one. Positive keys are looked up in the
// index; the others (which no label matches, and which are rare) are sorted.
std::vector<unsigned char> repeated_keys(const double* keys, std::size_t count,
                                         const KeyIndex& index) {
  std::vector<unsigned char> repeats(count, 0);
  std::vector<std::pair<double, std::size_t>> others;
  for (std::size_t k = 0; k < count; ++k) {
    if (keys[k] > 0)
      repeats[k] = index.find(keys[k]) != k;
    else
      others.emplace_back(keys[k] == 0 ? 0.0 : keys[k], k);
  }
  std::sort(others.begin(), others.end());
  for (std::size_t t = 1; t < others.size(); ++t)
    if (others[t].first == others[t - 1].first) repeats[others[t].second] = 1;
  return repeats;
}

}  // namespace

namespace {

// The per-key sums of boundary_key_sums, on bands of `grain` columns when
// Banded (several threads), else in one pass on the calling thread.
template <bool Banded>
void add_in_visiting_order(const KeyIndex& index, ConstMatrix labels, ConstMatrix weights,
                           std::size_t grain, std::vector<double>& sums) {
  const std::size_t m = labels.rows, n = labels.cols;
  const std::size_t even_rows = (m + 1) / 2;
  auto ranked = [even_rows](std::size_t first) { return first ? even_rows : 0; };
  const std::size_t bands = Banded ? (n + grain - 1) / grain : 1;
  auto each_band = [&](auto&& body) {
    if constexpr (Banded)
      parallel_for(n, grain, body);
    else
      body(std::size_t{0}, n);
  };
  // Band b's next[b * (m + 1) + rank + 1]: the labelled cells of that row;
  // then next[b * (m + 1) + rank] where its cells go, ends[b * m + rank]
  // where they stop.
  std::vector<std::size_t> next(bands * (m + 1), 0), ends(bands * m);
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  // Each band ticks the caller's countdown where the caller runs it.
  auto countdown = [&](InterruptCheck& silent) -> InterruptCheck& {
    if constexpr (Banded)
      return ticks.here(silent);
    else
      return interrupt;
  };
  each_band([&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = countdown(silent);
    std::size_t* counts = next.data() + (Banded ? begin / grain * (m + 1) : 0);
    for (std::size_t j = begin; j < end; ++j) {
      here.tick(m);
      const std::size_t first = (j + 1) % 2;
      const double* column = labels.column(j);
      std::size_t* count = counts + 1 + ranked(first);
      for (std::size_t t = 0; first + 2 * t < m; ++t) count[t] += column[first + 2 * t] > 0;
    }
  });
  std::size_t cells = 0;
  interrupt.tick(bands * m);
  for (std::size_t r = 0; r < m; ++r)
    for (std::size_t b = 0; b < bands; ++b) {
      const std::size_t count = next[b * (m + 1) + r + 1];
      next[b * (m + 1) + r] = cells;
      cells += count;
      ends[b * m + r] = cells;
    }
  // Every entry is written before it is read: left uninitialised.
  const std::unique_ptr<std::uint32_t[]> keys(new std::uint32_t[cells]);
  const std::unique_ptr<double[]> amounts(new double[cells]);
  std::atomic<bool> unmatched{false};
  each_band([&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = countdown(silent);
    const std::size_t band = Banded ? begin / grain : 0;
    // Copies the loop keeps in registers (the cursors' stores might
    // otherwise change them).
    const std::size_t rows = m, limit = cells;
    const ConstMatrix grid = labels, amount = weights;
    std::uint32_t* const key_at = keys.get();
    double* const amount_at = amounts.get();
    bool missing = false;
    for (std::size_t j = begin; j < end; ++j) {
      here.tick(8 * rows);
      const double* column = grid.column(j);
      const std::size_t first = (j + 1) % 2;
      std::size_t* cursor = next.data() + band * (rows + 1) + ranked(first);
      const std::size_t* stop = ends.data() + band * rows + ranked(first);
      for (std::size_t i = first; i < rows; i += 2) {
        const double x = column[i];
        if (!(x > 0)) continue;
        const std::uint32_t p = index.find(x);
        missing |= p == KeyIndex::none;
        const std::size_t at = cursor[i / 2]++;
        if (at >= (Banded ? stop[i / 2] : limit)) continue;  // see below
        key_at[at] = p;
        amount_at[at] = amount(i, j);
      }
    }
    if (missing) unmatched.store(true, std::memory_order_relaxed);
  });
  if (unmatched.load(std::memory_order_relaxed)) fail_first_label_without_key(labels, index);
  // Each row placed as many cells as it counted, so every cell was written
  // once, unless another thread changed labels between the two passes. Then
  // the sums are formed from one more pass, which reads each label once.
  bool placed = true;
  for (std::size_t b = 0; b < bands && placed; ++b)
    placed = std::equal(ends.begin() + static_cast<std::ptrdiff_t>(b * m),
                        ends.begin() + static_cast<std::ptrdiff_t>(b * m + m),
                        next.begin() + static_cast<std::ptrdiff_t>(b * (m + 1)));
  if (!placed) {
    in_visiting_order(labels, [&](std::size_t i, std::size_t j) {
      const double x = labels(i, j);
      if (!(x > 0)) return;
      const std::uint32_t p = index.find(x);
      if (p == KeyIndex::none) fail_label(labels, i, j);
      sums[p] += weights(i, j);
    });
    return;
  }
  interrupt.for_each_index(cells, 4, [&](std::size_t at) { sums[keys[at]] += amounts[at]; });
}

}  // namespace

KeySums boundary_key_sums(const BoundaryInputs& in) {
  const std::size_t count = in.key_count();
  const KeyIndex index(in.keys.data, count);
  KeySums out{std::vector<double>(count, 0.0), repeated_keys(in.keys.data, count, index)};
  std::vector<double>& sums = out.sums;
  const ConstMatrix labels = in.labels, weights = in.weights;
  const std::size_t m = labels.rows, n = labels.cols;
  // Each key's additions must follow the visiting order, which runs across
  // the column-major grids. The grid is instead read column by column
  // (contiguous memory), twice: once to count the labelled cells of each
  // row, once to place each labelled cell's key and weight at its visiting
  // position (the even rows first, then the odd ones, each row's cells left
  // to right as the columns come). Only as much memory as there are labelled
  // cells is touched: new memory costs a page fault per page.
  // Row i's rank in the visiting order is i / 2 for even rows and
  // even_rows + i / 2 for odd ones; a column's mixed-parity cells are rows
  // first, first + 2, ... (first = (j + 1) % 2), so their ranks run
  // consecutively from ranked(first) and the counting loop vectorises.
  // On several threads, each band of consecutive columns counts and places
  // its own cells: a row's cells from the band before come first, so every
  // cell lands where one pass puts it. A band spans at least 8 columns (its
  // two arrays of m positions stay a quarter of the columns it reads).
  const std::size_t g = std::max<std::size_t>(work_grain(n, 4.0 * static_cast<double>(m)), 8);
  if (splits(n, g))
    add_in_visiting_order<true>(index, labels, weights, chunk_grain(g), sums);
  else
    add_in_visiting_order<false>(index, labels, weights, n, sums);
  return out;
}

void distribute_boundary_sums(const BoundaryInputs& in, const KeySums& key_sums, double* pair,
                              double* border) {
  const std::vector<double>& sums = key_sums.sums;
  InterruptCheck interrupt;
  // The ids are read again, and checked again: another thread may have
  // changed them since check_boundary_inputs.
  for (std::size_t k = 0; k < sums.size(); ++k) {
    interrupt.tick(8);
    if (key_sums.repeats[k]) continue;
    const double a = in.first.data[k], b = in.second.data[k];
    if (!addresses(b, in.n)) fail_second_id(in, k);
    if (a == 0) {
      border[index_of(b)] = sums[k];
    } else {
      if (!addresses(a, in.n)) fail_first_id(in, k);
      pair[index_of(a) + index_of(b) * in.n] = sums[k];
    }
  }
}

BoundarySums boundary_sums(const BoundaryInputs& in) {
  check_boundary_inputs(in);
  const KeySums sums = boundary_key_sums(in);
  BoundarySums out{OwnedMatrix<double>(in.n, in.n), OwnedMatrix<double>(in.n, 1)};
  distribute_boundary_sums(in, sums, out.pair.data.data(), out.border.data.data());
  return out;
}

}  // namespace mexsets
