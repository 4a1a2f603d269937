#include "tree_occurrence_masks.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/bits.hpp"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace mexsets {

namespace {

// Nodes get a slot each while that costs no more than a few times the
// inputs; beyond, only the nodes the inputs name do.
constexpr std::uint64_t dense_allowance = 4096;

// Whether every id of data[0 .. n-1] passes node_id_fits for `nodes`
// converted to a double (a loop of two ids at a time where SSE2 is there).
bool all_fit(const double* data, std::size_t n, double nodes) {
  std::size_t p = 0;
  bool fit = true;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128d one = _mm_set1_pd(1.0), low = _mm_set1_pd(-1.0), high = _mm_set1_pd(nodes);
  __m128d fits = _mm_cmpeq_pd(one, one);
  for (; p + 2 <= n; p += 2) {
    const __m128d x = _mm_sub_pd(_mm_loadu_pd(data + p), one);
    fits = _mm_and_pd(fits, _mm_and_pd(_mm_cmpgt_pd(x, low), _mm_cmplt_pd(x, high)));
  }
  fit = _mm_movemask_pd(fits) == 3;
#endif
  for (; p < n; ++p) {
    const double x = data[p] - 1;
    fit &= (x > -1.0) & (x < nodes);
  }
  return fit;
}

void check_sizes(ConstMatrix labels, ConstMatrix merges, ConstMatrix sets) {
  if (sets.rows && labels.size() > SIZE_MAX / sets.rows)
    fail("outputTooLarge", "Output too large: " + std::to_string(labels.rows) + "-by-" +
                               std::to_string(labels.cols) + "-by-" + std::to_string(sets.rows) +
                               " flags exceed the address range");
  if (merges.size() >= UINT32_MAX)
    fail("tooManyNodes", "Merge tree too large: ", arg("merges"), " holds 2^32-1 entries or more");
}

}  // namespace

// The leaf count first, then the inputs in the order they are read
// (labels, merges, sets), then their sizes.
TreeOccurrenceMasks::Checked TreeOccurrenceMasks::check(ConstMatrix labels, ConstMatrix merges,
                                                        ConstMatrix sets) {
  const std::uint32_t leaves = leaf_count(merges, "merges");
  const std::uint64_t nodes = leaves + static_cast<std::uint64_t>(merges.rows);
  // The labels a block at a time: a block whose labels all fit is passed
  // at once; one that holds a bad label is read again in order to name the
  // first.
  const std::size_t positions = labels.size();
  constexpr std::size_t block = 1024;
  const double most = static_cast<double>(nodes);
  for (std::size_t begin = 0; begin < positions; begin += block) {
    const std::size_t end = positions - begin < block ? positions : begin + block;
    if (all_fit(labels.data + begin, end - begin, most)) continue;
    for (std::size_t p = begin; p < end; ++p)
      if (!node_id_fits(labels.data[p], nodes))
        bad_node_id("labels", "label", nodes, p % labels.rows, p / labels.rows, labels.data[p]);
  }
  const std::size_t last = merges.cols - 1;
  for (std::size_t r = 0; r < merges.rows; ++r)
    for (std::size_t c = 0; c < last; ++c) {
      const double e = merges(r, c);
      if (e == 0) break;
      if (!node_id_fits(e, nodes)) bad_node_id("merges", "child id", nodes, r, c, e);
    }
  for (std::size_t k = 0; k < sets.rows; ++k)
    for (std::size_t c = 0; c < sets.cols; ++c) {
      const double e = sets(k, c);
      if (e == 0) break;
      if (!node_id_fits(e, nodes)) bad_node_id("sets", "node id", nodes, k, c, e);
    }
  check_sizes(labels, merges, sets);
  return Checked(labels, merges, sets, leaves);
}

void TreeOccurrenceMasks::read_row(NodeRows& rows, ConstMatrix m, std::size_t r,
                                   std::size_t columns) const {
  for (std::size_t c = 0; c < columns; ++c) {
    const double e = m(r, c);
    if (e == 0) break;
    rows.ids.push_back(kept_node(e, last_node_));
  }
  rows.first.push_back(rows.ids.size());
}

// Every id is read here after check() read it: the merge and node-set ids
// once, into the object's own storage, the labels where they are used
// (their first read also counts their runs).
// Each is kept to a node that exists (see LabelSlots), with the leaf count
// that check() read.
TreeOccurrenceMasks::TreeOccurrenceMasks(const Checked& inputs) : labels_(inputs.labels) {
  const ConstMatrix labels = inputs.labels, merges = inputs.merges, sets = inputs.sets;
  const std::uint32_t leaves = inputs.leaves_;
  const std::uint64_t nodes = static_cast<std::uint64_t>(leaves) + merges.rows;
  last_node_ = static_cast<std::uint32_t>(nodes - 1);  // check() refuses an empty matrix
  const std::size_t positions = labels.size(), last = merges.cols - 1;
  const std::uint64_t entries = positions + merges.size() + sets.size();
  const bool dense = nodes <= 2 * entries + dense_allowance;
  // Runs of labels need planes and 32-bit positions (see find_runs).
  const bool runs_possible = sets.rows != 0 && positions <= UINT32_MAX;
  std::vector<std::uint32_t> named;
  if (!dense) {
    named.reserve(positions + merges.rows + merges.size() + sets.size());
    for (std::size_t p = 0; p < positions; ++p) {
      interrupt_.tick(2);
      named.push_back(kept_node(labels.data[p], last_node_));
    }
  }
  NodeRows children;
  children.ids.reserve(merges.rows * last);
  children.first.reserve(merges.rows + 1);
  sets_.first.reserve(sets.rows + 1);
  for (std::size_t r = 0; r < merges.rows; ++r) {
    interrupt_.tick(2 * last + 2);
    read_row(children, merges, r, last);
  }
  for (std::size_t k = 0; k < sets.rows; ++k) {
    interrupt_.tick(2 * sets.cols + 1);
    read_row(sets_, sets, k, sets.cols);
  }
  if (dense) {
    slots_.make_dense(static_cast<std::uint32_t>(nodes));
  } else {
    for (std::size_t r = 0; r < merges.rows; ++r)
      named.push_back(static_cast<std::uint32_t>(leaves + r));
    named.insert(named.end(), children.ids.begin(), children.ids.end());
    named.insert(named.end(), sets_.ids.begin(), sets_.ids.end());
    slots_.make_named(std::move(named));
  }
  const std::uint32_t slots = slots_.size();

  // Links. Row r's node L + r has the slots base + r: every node from L on
  // is created by a row and has a slot.
  const std::uint32_t base = slots_.slot(leaves);
  first_link_.assign(static_cast<std::size_t>(slots) + 1, 0);
  for (std::size_t r = 0; r < merges.rows; ++r) {
    interrupt_.tick(4 * last + 1);
    const std::uint64_t p = leaves + r;
    for (const std::uint32_t* child = children.begin(r); child != children.end(r); ++child)
      if (*child != p) links_.push_back({slots_.slot(*child), *child < p});
    first_link_[base + r + 1] = static_cast<std::uint32_t>(links_.size());
  }

  marking_.expanded.assign(slots, 0);
  marking_.labelled.assign(slots, 0);
  if (runs_possible) find_runs(sets.rows);
  if (!use_runs_) return;
  marking_.hit.assign(slots, 0);
  marking_.runs.assign(run_slot_.size() / 64 + 2, 0);
}

// The runs of equal labels in linear order, each with its label's slot
// (every label has a slot of its own), kept when they take no more room than
// the output. A run ends where the next entry differs: two ids of one node
// (2 and 2.5) in a row make two runs of the same slot, which write_runs joins
// again. The positions are split into chunks on the threads of the call:
// each chunk counts the runs that start in it, then, at the offset of the
// runs before it, writes their starts and slots. A label changed between the
// two reads can make a chunk find other starts than it counted: a start
// beyond the count is left out (the run before covers its positions), and
// runs not found are empty, at the chunk's end.
// The least work (two units a position) for which the runs are found on
// more than the calling thread (about a million positions). Each of the two
// passes took 0.1 to 0.4 ms over 500-by-500 labels; waking another thread
// for them gained little, and on the 2-core development VM it could leave
// that thread waiting on the calling thread's core through the marking
// that follows (bench_parallel).
constexpr double kRunSplitWork = 1 << 21;

void TreeOccurrenceMasks::find_runs(std::size_t planes) {
  const std::size_t positions = labels_.size();
  const double* labels = labels_.data;
  ChunkOffsets offsets(positions, grain_from_work(positions, 2, kRunSplitWork));
  const CallerTicks ticks(interrupt_);
  const std::uint64_t runs = offsets.count([&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& interrupt = ticks.here(silent);
    if (begin == end) return std::size_t{0};  // no positions
    const std::size_t from = begin ? begin : 1;
    std::size_t count = begin == 0;
    interrupt.for_each_index(
        end - from, 1, [&](std::size_t i) { count += labels[from + i] != labels[from + i - 1]; });
    return count;
  });
  const std::uint32_t slots = slots_.size();
  use_runs_ =
      runs * 3 * sizeof(std::uint32_t) + (std::uint64_t{slots} + 2) * sizeof(std::uint32_t) <=
      static_cast<std::uint64_t>(positions) * planes;
  if (!use_runs_) return;

  run_begin_.resize(runs + 1);
  run_slot_.resize(runs);
  const std::size_t lookup = slot_lookup_units();
  offsets.write([&](std::size_t begin, std::size_t end, std::size_t found, std::size_t stop) {
    InterruptCheck silent;
    InterruptCheck& interrupt = ticks.here(silent);
    std::uint32_t* run_begin = run_begin_.data();
    std::uint32_t* run_slot = run_slot_.data();
    const NodeSlots& slot_of = slots_;
    const std::uint32_t last = last_node_;
    std::size_t r = found;
    const auto start = [&](std::size_t p) {
      if (r == stop) return;
      run_begin[r] = static_cast<std::uint32_t>(p);
      run_slot[r++] = slot_of.slot(kept_node(labels[p], last));
    };
    if (begin == end) return;
    if (begin == 0) start(0);
    const std::size_t from = begin ? begin : 1;
    interrupt.for_each_index(end - from, 1, [&](std::size_t i) {
      if (labels[from + i] != labels[from + i - 1]) start(from + i);
    });
    interrupt.tick(lookup * (r - found));
    for (; r < stop; ++r) {
      run_begin[r] = static_cast<std::uint32_t>(end);
      run_slot[r] = 0;
    }
  });
  run_begin_[runs] = static_cast<std::uint32_t>(positions);

  // Grouped by slot.
  interrupt_.tick(4 * runs + slots);
  first_run_.assign(static_cast<std::size_t>(slots) + 1, 0);
  for (const std::uint32_t s : run_slot_) ++first_run_[s + 1];
  for (std::uint32_t s = 0; s < slots; ++s) first_run_[s + 1] += first_run_[s];
  slot_runs_.resize(runs);
  std::vector<std::uint32_t> next(first_run_.begin(), first_run_.end() - 1);
  for (std::size_t r = 0; r < runs; ++r)
    slot_runs_[next[run_slot_[r]]++] = static_cast<std::uint32_t>(r);
}

// Marks a slot's label as reached in this plane.
void TreeOccurrenceMasks::label(std::uint32_t slot, std::uint64_t stamp, Marking& marking) const {
  if (marking.labelled[slot] == stamp) return;
  marking.labelled[slot] = stamp;
  // A slot with runs joins the plane's list (without a branch: about half
  // the slots reached are merges, which have none).
  if (!use_runs_) return;
  marking.hit[marking.hits] = slot;
  marking.hits += first_run_[slot + 1] != first_run_[slot];
}

// Expands the nodes of node-set row k over the links.
void TreeOccurrenceMasks::reach(std::size_t k, std::uint64_t stamp, Marking& marking,
                                InterruptCheck& interrupt) const {
  std::vector<std::uint64_t>& expanded = marking.expanded;
  std::vector<std::uint32_t>& stack = marking.stack;
  for (const std::uint32_t* node = sets_.begin(k); node != sets_.end(k); ++node) {
    const std::uint32_t start = slots_.slot(*node);
    if (expanded[start] == stamp) continue;
    expanded[start] = stamp;
    stack.push_back(start);
    while (!stack.empty()) {
      const std::uint32_t u = stack.back();
      stack.pop_back();
      interrupt.tick(1 + 2 * (first_link_[u + 1] - first_link_[u]));
      label(u, stamp, marking);
      for (std::uint32_t l = first_link_[u]; l < first_link_[u + 1]; ++l) {
        const Link link = links_[l];
        if (!link.expand) {
          label(link.slot, stamp, marking);
        } else if (expanded[link.slot] != stamp) {
          expanded[link.slot] = stamp;
          stack.push_back(link.slot);
        }
      }
    }
  }
}

// Writes the positions of the labelled slots: their runs' bits are set,
// then read in order, and each stretch of set bits (neighbouring runs of
// reached labels) is written at once and cleared. A subtree's labels mostly
// lie side by side, so a plane takes a few long writes (about one per column
// its labels cover), front to back, rather than one per run.
void TreeOccurrenceMasks::write_runs(bool* plane, Marking& marking,
                                     InterruptCheck& interrupt) const {
  if (marking.hits == 0) return;
  std::uint64_t* bits = marking.runs.data();
  std::size_t low = SIZE_MAX, high = 0;  // the runs set
  for (std::size_t h = 0; h < marking.hits; ++h) {
    const std::uint32_t s = marking.hit[h];
    const std::uint32_t begin = first_run_[s], end = first_run_[s + 1];
    interrupt.tick(4 + 2 * (end - begin));
    low = std::min<std::size_t>(low, slot_runs_[begin]);
    high = std::max<std::size_t>(high, slot_runs_[end - 1]);
    for (std::uint32_t i = begin; i < end; ++i) {
      const std::uint32_t r = slot_runs_[i];
      bits[r / 64] |= std::uint64_t{1} << (r % 64);
    }
  }
  if (low > high) return;
  // A stretch open at the end of a word ends in a later one; the word past
  // the last run's is never set, so every stretch ends by it.
  const std::uint32_t* run_begin = run_begin_.data();
  const auto write = [&](std::size_t first, std::size_t end) {
    const std::size_t length = run_begin[end] - run_begin[first];
    interrupt.tick(4 + length / 16);
    std::memset(plane + run_begin[first], 1, length);
  };
  constexpr std::size_t none = SIZE_MAX;
  std::size_t open = none;
  for (std::size_t w = low / 64; w <= high / 64 + 1; ++w) {
    std::uint64_t word = bits[w];
    bits[w] = 0;
    interrupt.tick(2);
    const std::size_t base = w * 64;
    if (open != none) {
      if (word == ~std::uint64_t{0}) continue;
      const int end = count_trailing_zeros(~word);
      write(open, base + static_cast<std::size_t>(end));
      open = none;
      word &= ~std::uint64_t{0} << end;
    }
    while (word) {
      const int first = count_trailing_zeros(word);
      const std::uint64_t after =
          ~word & (~std::uint64_t{0} << first);  // clear bits from `first` on
      if (!after) {
        open = base + static_cast<std::size_t>(first);
        break;
      }
      const int end = count_trailing_zeros(after);
      write(base + static_cast<std::size_t>(first), base + static_cast<std::size_t>(end));
      word &= ~std::uint64_t{0} << end;
    }
  }
}

void TreeOccurrenceMasks::mark_plane(std::size_t k, bool* out, Marking& marking,
                                     InterruptCheck& interrupt) const {
  const std::size_t positions = labels_.size();
  bool* plane = out + k * positions;
  const std::uint64_t stamp = k + 1;
  marking.hits = 0;
  reach(k, stamp, marking, interrupt);
  if (use_runs_) return write_runs(plane, marking, interrupt);
  const LabelSlots slot_of_label = label_slots();
  const std::size_t lookup = slot_lookup_units();
  for (std::size_t p = 0; p < positions; ++p) {
    interrupt.tick(lookup);
    plane[p] = marking.labelled[slot_of_label(p)] == stamp;
  }
}

// The planes are independent: the threads split them, each chunk with
// stamps of its own (a stamp names its plane, so stamps left by other
// planes never match).
void TreeOccurrenceMasks::mark(bool* out) {
  const std::size_t planes = sets_.rows(), slots = first_link_.size() - 1;
  // A plane costs at least a pass over its positions (runs: their bytes).
  const double units =
      16 + static_cast<double>(labels_.size()) / (use_runs_ ? 16 : 1) +
      2 * static_cast<double>(sets_.ids.size()) / static_cast<double>(planes ? planes : 1);
  const std::size_t grain = work_grain(planes, units);
  if (!splits(planes, grain)) {
    for (std::size_t k = 0; k < planes; ++k) mark_plane(k, out, marking_, interrupt_);
    return;
  }
  const std::size_t words = marking_.runs.size();
  const auto make = [slots, words, hits = marking_.hit.size()] {
    Marking marking;
    marking.expanded.assign(slots, 0);
    marking.labelled.assign(slots, 0);
    marking.hit.assign(hits, 0);
    marking.runs.assign(words, 0);
    return marking;
  };
  ScratchPool<Marking, decltype(make)> pool(call_threads(), make);
  pool.seed(std::move(marking_));
  const CallerTicks ticks(interrupt_);
  parallel_for(planes, grain, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& interrupt = ticks.here(silent);
    pool.with([&](Marking& marking) {
      for (std::size_t k = begin; k < end; ++k) mark_plane(k, out, marking, interrupt);
    });
  });
}

}  // namespace mexsets
