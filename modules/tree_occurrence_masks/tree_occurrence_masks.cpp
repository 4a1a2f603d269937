#include "tree_occurrence_masks.hpp"

#include <cstdint>
#include <cstring>
#include <string>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"

namespace mexsets {

namespace {

// Nodes get a slot each while that costs no more than a few times the
// inputs; beyond, only the nodes the inputs name do.
constexpr std::uint64_t dense_allowance = 4096;

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
  for (std::size_t j = 0; j < labels.cols; ++j)
    for (std::size_t i = 0; i < labels.rows; ++i)
      if (!node_id_fits(labels(i, j), nodes))
        bad_node_id("labels", "label", nodes, i, j, labels(i, j));
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
  // Runs of equal slots in linear order are kept when they take no more
  // room than the output; they need planes and 32-bit positions. Every label
  // has a slot of its own, so the runs of labels are those of their slots.
  const bool runs_possible = sets.rows != 0 && positions <= UINT32_MAX;
  std::uint64_t runs = 0;
  std::vector<std::uint32_t> named;
  if (!dense) named.reserve(positions + merges.rows + merges.size() + sets.size());
  for (std::size_t p = 0, previous = 0; p < positions; ++p) {
    interrupt_.tick(2);
    const std::uint32_t node = kept_node(labels.data[p], last_node_);
    if (!dense) named.push_back(node);
    runs += p == 0 || node != previous;
    previous = node;
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
  if (!runs_possible) return;

  use_runs_ =
      runs * 3 * sizeof(std::uint32_t) + (std::uint64_t{slots} + 2) * sizeof(std::uint32_t) <=
      static_cast<std::uint64_t>(positions) * sets.rows;
  if (!use_runs_) return;
  // The runs in linear order, each with its slot. A label changed since the
  // count above may make more of them: those beyond the count are left out
  // (their positions are in no run).
  const LabelSlots slot_of_label = label_slots();
  const std::size_t lookup = slot_lookup_units();
  run_begin_.reserve(runs + 1);
  run_slot_.reserve(runs);
  std::size_t p = 0;
  while (p < positions && run_slot_.size() < runs) {
    const std::uint32_t s = slot_of_label(p);
    std::size_t end = p + 1;
    while (end < positions && slot_of_label(end) == s) ++end;
    interrupt_.tick(4 + (end - p) * lookup);
    run_begin_.push_back(static_cast<std::uint32_t>(p));
    run_slot_.push_back(s);
    p = end;
  }
  run_begin_.push_back(static_cast<std::uint32_t>(p));
  // Grouped by slot.
  const std::size_t kept = run_slot_.size();
  interrupt_.tick(4 * kept + slots);
  first_run_.assign(static_cast<std::size_t>(slots) + 1, 0);
  for (const std::uint32_t s : run_slot_) ++first_run_[s + 1];
  for (std::uint32_t s = 0; s < slots; ++s) first_run_[s + 1] += first_run_[s];
  slot_runs_.resize(kept);
  std::vector<std::uint32_t> next(first_run_.begin(), first_run_.end() - 1);
  for (std::size_t r = 0; r < kept; ++r)
    slot_runs_[next[run_slot_[r]]++] = static_cast<std::uint32_t>(r);
}

// Marks a slot's label as reached in this plane.
void TreeOccurrenceMasks::label(std::uint32_t slot, std::uint64_t stamp, Marking& marking) const {
  if (marking.labelled[slot] == stamp) return;
  marking.labelled[slot] = stamp;
  if (use_runs_) marking.hit.push_back(slot);
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

// Writes the positions of the labelled slots. Neighbouring runs of labelled
// slots are written at once, from the first of them: a subtree's labels
// mostly lie side by side, so a plane takes a few long writes (about one per
// column its labels cover) rather than one per run.
void TreeOccurrenceMasks::write_runs(std::uint64_t stamp, bool* plane, const Marking& marking,
                                     InterruptCheck& interrupt) const {
  const std::uint64_t* labelled = marking.labelled.data();
  const std::uint32_t* run_slot = run_slot_.data();
  const std::uint32_t* run_begin = run_begin_.data();
  const std::size_t runs = run_slot_.size();
  for (const std::uint32_t s : marking.hit) {
    interrupt.tick(4 + 2 * (first_run_[s + 1] - first_run_[s]));
    for (std::uint32_t i = first_run_[s]; i < first_run_[s + 1]; ++i) {
      const std::uint32_t r = slot_runs_[i];
      if (r > 0 && labelled[run_slot[r - 1]] == stamp) continue;  // written from an earlier run
      std::size_t end = r + 1;
      while (end < runs && labelled[run_slot[end]] == stamp) ++end;
      const std::size_t length = run_begin[end] - run_begin[r];
      interrupt.tick(2 * (end - r) + length / 16);
      std::memset(plane + run_begin[r], 1, length);
    }
  }
}

void TreeOccurrenceMasks::mark_plane(std::size_t k, bool* out, Marking& marking,
                                     InterruptCheck& interrupt) const {
  const std::size_t positions = labels_.size();
  bool* plane = out + k * positions;
  const std::uint64_t stamp = k + 1;
  marking.hit.clear();
  reach(k, stamp, marking, interrupt);
  if (use_runs_) return write_runs(stamp, plane, marking, interrupt);
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
  const auto make = [slots] {
    return Marking{
        std::vector<std::uint64_t>(slots, 0), std::vector<std::uint64_t>(slots, 0), {}, {}};
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
