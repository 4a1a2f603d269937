#include "merge_regions.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory_resource>
#include <string>

#include "common/tree_node_ids.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

constexpr std::uint32_t none = 0xffffffffu;

std::string elements(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " element" : " elements");
}

// Element k (column-major) of the input `name`, located as row and column.
BadEntry element(const char* name, ConstMatrix m, std::size_t k, const char* reason,
                 std::string problem) {
  const std::size_t rows = m.rows ? m.rows : 1;
  return BadEntry{name, reason, std::move(problem), k % rows, k / rows, m.data[k]};
}

// Listing k's region ids, as they are read for merging, fail as
// check_merge_inputs makes them fail: read again, they are checked again.
[[noreturn]] void bad_pair(const MergeInputs& in, std::size_t k) {
  const double a = in.first.data[k], b = in.second.data[k];
  const std::string range = " outside 1.." + std::to_string(in.regions());
  if (!node_id_fits(a, in.regions()))
    fail_entry(element("first", in.first, k, id_reason(a), "first id" + range));
  if (!node_id_fits(b, in.regions()))
    fail_entry(element("second", in.second, k, id_reason(b), "second id" + range));
  fail_entry(element("second", in.second, k, "selfPair", "second id names the first id's region"));
}

// NaN after every number; -0 equals +0.
bool before(double x, double y) { return x < y || (y != y && x == x); }
bool same(double x, double y) { return x == y || (x != x && y != y); }

// What waits in a heap: a boundary (its average, its number) or a node (its
// area, its id). The least key goes first, of equal keys the lowest number.
struct Waiting {
  double key;
  std::uint32_t number;
};

// std::push_heap keeps the largest first: "larger" here is "taken later".
struct Later {
  bool operator()(const Waiting& a, const Waiting& b) const {
    return before(b.key, a.key) || (same(a.key, b.key) && a.number > b.number);
  }
};

// Boundary number by unordered pair of slots, for the boundaries between
// current nodes: linear probing, deletion by shifting back.
class PairTable {
 public:
  PairTable(std::size_t most, std::pmr::memory_resource* memory) : slots_(memory) {
    std::size_t size = 16;
    while (size < 2 * most) size *= 2;
    slots_.assign(size, Slot{empty, none});
    mask_ = size - 1;
  }

  static std::uint64_t key(std::uint32_t a, std::uint32_t b) {
    return a < b ? (std::uint64_t{a} << 32) | b : (std::uint64_t{b} << 32) | a;
  }

  std::uint32_t find(std::uint64_t key) const {
    for (std::size_t at = home(key);; at = (at + 1) & mask_)
      if (slots_[at].key == key || slots_[at].key == empty) return slots_[at].value;
  }

  // Sets the value of `key`, inserting it when absent.
  void set(std::uint64_t key, std::uint32_t value) {
    std::size_t at = home(key);
    while (slots_[at].key != key && slots_[at].key != empty) at = (at + 1) & mask_;
    slots_[at] = Slot{key, value};
  }

  void erase(std::uint64_t key) {
    std::size_t hole = home(key);
    while (slots_[hole].key != key) {
      if (slots_[hole].key == empty) return;
      hole = (hole + 1) & mask_;
    }
    // Moves back every later entry of the run that may sit at the hole.
    for (std::size_t at = (hole + 1) & mask_; slots_[at].key != empty; at = (at + 1) & mask_) {
      const std::size_t wanted = home(slots_[at].key);
      if (((at - wanted) & mask_) >= ((at - hole) & mask_)) {
        slots_[hole] = slots_[at];
        hole = at;
      }
    }
    slots_[hole] = Slot{empty, none};
  }

 private:
  static constexpr std::uint64_t empty = ~std::uint64_t{0};  // no pair of slots has this key
  struct Slot {
    std::uint64_t key;
    std::uint32_t value;
  };
  std::size_t home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 32) & mask_;
  }
  std::pmr::vector<Slot> slots_;
  std::size_t mask_ = 0;
};

// The merging state. Nodes live in slots: leaf n in slot n, and a merge node
// in the slot of the child that keeps its list (the other slot dies). A
// boundary is current while `alive_`; its two ends are slots. Each slot has
// a list of the boundaries that end at it, contiguous so that walking it
// streams; a boundary moved from a dying slot to the slot that takes it
// over changes only that end, so its other end's list still holds it, and
// an entry is stale only once its boundary died (and is then skipped).
//
// The boundaries wait in two queues: the leaf boundaries, sorted once (the
// next one at the back), and a heap of the boundaries that merges sum. Every
// boundary has its own number, so (average, number) orders them all
// strictly, and taking the earlier of the two queues' fronts takes them in
// the one order that a single heap would.
class Merger {
 public:
  // The two current nodes that merge r joins (c1 < c2), the average of
  // their boundary (NaN once none is left) and, while boundaries are left,
  // their slots.
  struct Pair {
    std::uint32_t c1, c2, s1, s2;
    double height;
  };

  // `area` holds the leaf areas and room for the merge nodes'.
  Merger(const MergeInputs& in, double* area, std::pmr::memory_resource* memory)
      : leaves_(static_cast<std::uint32_t>(in.regions())),
        area_(area),
        length_(memory),
        strength_(memory),
        ends_(memory),
        alive_(memory),
        lists_(leaves_, memory),
        node_(leaves_, 0, memory),
        weight_(leaves_, 0, memory),
        sorted_(memory),
        heap_(memory),
        table_(in.pairs(), memory),
        by_area_(memory),
        common_(memory) {
    for (std::uint32_t s = 0; s < leaves_; ++s) node_[s] = s;
    make_leaf_boundaries(in, memory);
  }

  Pair next_pair();

  // Joins the pair into node leaves_ + r.
  void join(const Pair& pair, std::uint32_t r);

 private:
  struct Common {
    std::uint32_t node, neighbour;       // the neighbour touching both children
    std::uint32_t small_side, big_side;  // its boundaries with them
  };

  void make_leaf_boundaries(const MergeInputs& in, std::pmr::memory_resource* memory);
  void add_boundary(std::uint32_t a, std::uint32_t b, double length, double strength);
  // The earliest waiting boundary, dead or alive; false when none waits.
  bool take(Waiting& next);

  InterruptCheck interrupt_;  // the work of every step, counted for the host
  std::uint32_t leaves_;
  double* area_;
  std::pmr::vector<double> length_, strength_;
  std::pmr::vector<std::uint32_t> ends_;  // two slots per boundary
  std::pmr::vector<bool> alive_;
  std::pmr::vector<std::pmr::vector<std::uint32_t>> lists_;  // per slot: its boundaries
  std::pmr::vector<std::uint32_t> node_;    // per slot: the node it holds, none once dead
  std::pmr::vector<std::uint64_t> weight_;  // per slot: the leaf boundaries of its leaves
  std::pmr::vector<Waiting> sorted_;        // the leaf boundaries, the earliest last
  std::pmr::vector<Waiting> heap_;          // the summed ones
  PairTable table_;
  bool no_boundary_left_ = false;
  std::pmr::vector<Waiting> by_area_;  // the current nodes once no boundary is left
  std::pmr::vector<Common> common_;
};

void Merger::add_boundary(std::uint32_t a, std::uint32_t b, double length, double strength) {
  const auto number = static_cast<std::uint32_t>(length_.size());
  length_.push_back(length);
  strength_.push_back(strength);
  ends_.push_back(a);
  ends_.push_back(b);
  alive_.push_back(true);
  table_.set(PairTable::key(a, b), number);
}

// Sorts the listings by (lower id, higher id, listing) with two stable
// counting passes, and sums each pair's listings in listing order.
void Merger::make_leaf_boundaries(const MergeInputs& in, std::pmr::memory_resource* memory) {
  const std::size_t pairs = in.pairs();
  std::pmr::vector<std::uint32_t> low(pairs, memory), high(pairs, memory);
  // Each id read once, here, and checked anew (another thread may have
  // changed it since check_merge_inputs); only low and high are used after.
  interrupt_.for_each_index(pairs, 2, [&](std::size_t k) {
    const double x = in.first.data[k], y = in.second.data[k];
    const std::uint32_t a = node_index(x), b = node_index(y);
    if (!(node_id_fits(x, leaves_) && node_id_fits(y, leaves_) && a != b)) bad_pair(in, k);
    low[k] = std::min(a, b);
    high[k] = std::max(a, b);
  });
  std::pmr::vector<std::uint32_t> by_high(pairs, memory), order(pairs, memory);
  {
    std::pmr::vector<std::size_t> start(static_cast<std::size_t>(leaves_) + 1, 0, memory);
    interrupt_.tick(leaves_ + 12 * pairs);  // the counting passes that follow
    for (std::size_t k = 0; k < pairs; ++k) ++start[high[k] + 1];
    for (std::uint32_t n = 0; n < leaves_; ++n) start[n + 1] += start[n];
    for (std::size_t k = 0; k < pairs; ++k)
      by_high[start[high[k]]++] = static_cast<std::uint32_t>(k);
    std::fill(start.begin(), start.end(), 0);
    for (std::size_t k = 0; k < pairs; ++k) ++start[low[k] + 1];
    for (std::uint32_t n = 0; n < leaves_; ++n) start[n + 1] += start[n];
    for (std::uint32_t k : by_high) order[start[low[k]]++] = k;
  }
  length_.reserve(pairs);
  strength_.reserve(pairs);
  ends_.reserve(2 * pairs);
  alive_.reserve(pairs);
  for (std::size_t i = 0; i < pairs;) {
    interrupt_.tick(32);
    const std::uint32_t k = order[i];
    double length = in.lengths.data[k], strength = in.strengths.data[k];
    std::size_t j = i + 1;
    for (; j < pairs && low[order[j]] == low[k] && high[order[j]] == high[k]; ++j) {
      length += in.lengths.data[order[j]];
      strength += in.strengths.data[order[j]];
    }
    add_boundary(low[k], high[k], length, strength);
    ++weight_[low[k]];
    ++weight_[high[k]];
    i = j;
  }
  // Each leaf's list at its final size (its weight), in boundary order.
  const std::size_t boundaries = length_.size();
  interrupt_.tick(leaves_ + 4 * boundaries);
  for (std::uint32_t s = 0; s < leaves_; ++s) lists_[s].reserve(weight_[s]);
  for (std::size_t b = 0; b < boundaries; ++b) {
    lists_[ends_[2 * b]].push_back(static_cast<std::uint32_t>(b));
    lists_[ends_[2 * b + 1]].push_back(static_cast<std::uint32_t>(b));
  }
  sorted_.resize(boundaries);
  for (std::size_t b = 0; b < boundaries; ++b)
    sorted_[b] = Waiting{strength_[b] / length_[b], static_cast<std::uint32_t>(b)};
  interrupt_.tick(boundaries *
                  static_cast<std::size_t>(4 + std::log2(static_cast<double>(boundaries) + 1)));
  std::sort(sorted_.begin(), sorted_.end(), Later());
}

bool Merger::take(Waiting& next) {
  const bool from_heap =
      !heap_.empty() && (sorted_.empty() || Later()(sorted_.back(), heap_.front()));
  if (from_heap) {
    std::pop_heap(heap_.begin(), heap_.end(), Later());
    next = heap_.back();
    heap_.pop_back();
    return true;
  }
  if (sorted_.empty()) return false;
  next = sorted_.back();
  sorted_.pop_back();
  return true;
}

Merger::Pair Merger::next_pair() {
  while (!no_boundary_left_) {
    Waiting next{};
    if (!take(next)) {
      // Every current boundary waits in a queue, so none is left, and
      // joining nodes that touch nothing makes none.
      no_boundary_left_ = true;
      for (std::uint32_t s = 0; s < leaves_; ++s)
        if (node_[s] != none) by_area_.push_back(Waiting{area_[node_[s]], node_[s]});
      std::make_heap(by_area_.begin(), by_area_.end(), Later());
      break;
    }
    interrupt_.tick(64);
    const std::uint32_t b = next.number;
    if (!alive_[b]) continue;
    const double height = next.key;
    const std::uint32_t s1 = ends_[2 * b], s2 = ends_[2 * b + 1];
    if (node_[s1] < node_[s2]) return Pair{node_[s1], node_[s2], s1, s2, height};
    return Pair{node_[s2], node_[s1], s2, s1, height};
  }
  std::uint32_t ids[2];
  for (std::uint32_t& id : ids) {
    std::pop_heap(by_area_.begin(), by_area_.end(), Later());
    id = by_area_.back().number;
    by_area_.pop_back();
  }
  return Pair{std::min(ids[0], ids[1]), std::max(ids[0], ids[1]), none, none,
              std::numeric_limits<double>::quiet_NaN()};
}

void Merger::join(const Pair& pair, std::uint32_t r) {
  interrupt_.tick(64);
  const std::uint32_t p = leaves_ + r;
  area_[p] = area_[pair.c1] + area_[pair.c2];
  if (no_boundary_left_) {
    by_area_.push_back(Waiting{area_[p], p});
    std::push_heap(by_area_.begin(), by_area_.end(), Later());
    return;
  }
  // The boundary between the children was taken from the heap: it dies.
  const std::uint32_t between = table_.find(PairTable::key(pair.s1, pair.s2));
  alive_[between] = false;
  table_.erase(PairTable::key(pair.s1, pair.s2));

  // The slot whose leaves have fewer leaf boundaries hands its list over.
  const bool first_small = weight_[pair.s1] <= weight_[pair.s2];
  const std::uint32_t small = first_small ? pair.s1 : pair.s2;
  const std::uint32_t big = first_small ? pair.s2 : pair.s1;
  common_.clear();
  std::pmr::vector<std::uint32_t>& moved = lists_[big];
  const std::pmr::vector<std::uint32_t>& list = lists_[small];
  interrupt_.tick(2 * list.size());
  // Every boundary of the small list lands in the big one at most once
  // (moved, or summed with its twin); room for them all in one growth.
  if (moved.capacity() - moved.size() < list.size())
    moved.reserve(std::max(moved.size() + list.size(), 2 * moved.capacity()));
  for (const std::uint32_t b : list) {
    if (!alive_[b]) continue;
    interrupt_.tick(16);
    const std::uint32_t n = ends_[2 * b] == small ? ends_[2 * b + 1] : ends_[2 * b];
    table_.erase(PairTable::key(small, n));
    const std::uint32_t other = table_.find(PairTable::key(big, n));
    if (other != none) {
      common_.push_back(Common{node_[n], n, b, other});
      continue;
    }
    ends_[2 * b] = big;
    ends_[2 * b + 1] = n;
    table_.set(PairTable::key(big, n), b);
    moved.push_back(b);
  }
  std::sort(common_.begin(), common_.end(),
            [](const Common& a, const Common& b) { return a.node < b.node; });
  for (const Common& c : common_) {
    interrupt_.tick(64);
    alive_[c.small_side] = false;
    alive_[c.big_side] = false;
    const auto number = static_cast<std::uint32_t>(length_.size());
    add_boundary(big, c.neighbour, length_[c.small_side] + length_[c.big_side],
                 strength_[c.small_side] + strength_[c.big_side]);
    moved.push_back(number);
    lists_[c.neighbour].push_back(number);
    heap_.push_back(Waiting{strength_[number] / length_[number], number});
    std::push_heap(heap_.begin(), heap_.end(), Later());
  }
  std::pmr::vector<std::uint32_t>(lists_.get_allocator()).swap(lists_[small]);
  node_[small] = none;
  node_[big] = p;
  weight_[big] += weight_[small];
}

}  // namespace

int merge_base(double base) {
  if (base == 0 || base == 1) return static_cast<int>(base);
  fail("badBase", "Base neither 0 nor 1: ", named_arg("base"), " holds " + format_value(base));
}

void check_merge_inputs(const MergeInputs& in) {
  const std::size_t regions = in.regions(), pairs = in.pairs();
  if (regions == 0)
    fail("noRegions", "No region areas: ", arg("region_areas"),
         " is empty; at least one region needed");
  if (regions > (std::size_t{1} << 31))
    fail("tooManyRegions", "Too many regions: ", arg("region_areas"),
         " holds " + elements(regions) + "; at most 2^31 regions are supported");
  if (pairs >= (std::size_t{1} << 31))
    fail("tooManyPairs", "Too many pairs: ", arg("first"),
         " holds " + elements(pairs) + "; fewer than 2^31 pairs are supported");
  const std::pair<const char*, ConstMatrix> others[] = {
      {"second", in.second}, {"lengths", in.lengths}, {"strengths", in.strengths}};
  for (const auto& [name, m] : others)
    if (m.size() != pairs)
      fail("sizeMismatch", "Pair lists of different lengths: ", arg(name),
           " holds " + elements(m.size()) + ", ", arg("first"), " " + elements(pairs));
  const std::string range = " outside 1.." + std::to_string(regions);
  for (std::size_t k = 0; k < pairs; ++k) {
    const double a = in.first.data[k], b = in.second.data[k];
    if (!node_id_fits(a, regions))
      fail_entry(element("first", in.first, k, id_reason(a), "first id" + range));
    if (!node_id_fits(b, regions))
      fail_entry(element("second", in.second, k, id_reason(b), "second id" + range));
    if (node_index(a) == node_index(b))
      fail_entry(
          element("second", in.second, k, "selfPair", "second id names the first id's region"));
    if (!(in.lengths.data[k] > 0))
      fail_entry(element("lengths", in.lengths, k, "badLength", "boundary length not positive"));
  }
}

void merge_regions(const MergeInputs& in, int base, double* merges, double* areas, double* heights,
                   std::pmr::memory_resource* memory) {
  const std::size_t regions = in.regions(), rows = regions - 1;
  for (std::size_t n = 0; n < regions; ++n) areas[n] = in.areas.data[n];
  // A small call's scratch (a score of vectors and a list per region) comes
  // from one block on the stack, never given back before the call ends:
  // taken one by one from `memory` (the host's, counted and freed one by
  // one) it would cost more than the merging. Whatever does not fit comes
  // from `memory` as before.
  constexpr std::size_t kSmallCall = 128;
  alignas(std::max_align_t) unsigned char block[16384];
  std::pmr::monotonic_buffer_resource small(block, sizeof block, memory);
  if (in.pairs() + regions <= kSmallCall) memory = &small;
  Merger merger(in, areas, memory);
  for (std::size_t r = 0; r < rows; ++r) {
    const Merger::Pair pair = merger.next_pair();
    merger.join(pair, static_cast<std::uint32_t>(r));
    merges[r] = static_cast<double>(pair.c1) + base;
    merges[r + rows] = static_cast<double>(pair.c2) + base;
    merges[r + 2 * rows] = static_cast<double>(regions + r) + base;
    heights[r] = pair.height;
  }
}

MergeTree merge_regions(const MergeInputs& in, int base) {
  check_merge_inputs(in);
  MergeTree tree{OwnedMatrix<double>(in.regions() - 1, 3),
                 std::vector<double>(2 * in.regions() - 1), std::vector<double>(in.regions() - 1)};
  merge_regions(in, base, tree.merges.data.data(), tree.areas.data(), tree.heights.data());
  return tree;
}

}  // namespace mexsets
