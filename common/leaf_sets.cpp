#include "common/leaf_sets.hpp"

#include <algorithm>
#include <cstdint>
#include <memory_resource>
#include <string>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/bits.hpp"
#include "mexsets/result_size.hpp"

namespace mexsets {

namespace {

// Nodes get a slot each while that costs no more than a few times the
// inputs; beyond, only the nodes the inputs name do.
constexpr std::uint64_t dense_allowance = 4096;

// Rows of at most `small_parts` versions that keep sorted lists are merged
// from those lists.
constexpr std::size_t small_parts = 8;
// Beyond this many entries, a row of five or more versions is counted leaf by
// leaf instead: merging them one by one costs a step per entry and version.
constexpr std::uint64_t merge_most = 256;

// The least estimated work (16 units a row and 4 an entry) for which
// filling the rows on two threads beats one: below it, waking a second
// thread (it took 100 to 200 microseconds to join a call on the 2-core
// development VM) costs more than it saves. From bench_tree_leaf_sets'
// Crossover runs (the first n node-set rows, cut into two chunks or more):
// on the balanced tree two threads lost up to 0.7M units and tied at 1.35M;
// on the deep tree they first won at 1.45M.
constexpr double fill_split_work = 1.5e6;

// Ends every sorted list: above every output id (ids are at most 2^32-2).
constexpr std::uint32_t end_mark = 0xffffffffu;

// Merges the sorted `part` (n entries) into the sorted out[0 .. filled),
// which has room for them after it, from the back; returns the new length.
// The larger of the two last entries moves without a branch on it, and the
// entries behind both are loaded ahead, so a step waits on no load.
std::size_t merge_into(std::uint32_t* out, std::size_t filled, const std::uint32_t* part,
                       std::size_t n) {
  std::size_t a = filled, b = n, w = filled + n;
  if (a >= 2 && b >= 2) {
    std::uint32_t x = out[a - 1], y = part[b - 1];
    do {
      const std::uint32_t next_x = out[a - 2], next_y = part[b - 2];
      const bool from_out = x > y;
      out[--w] = from_out ? x : y;
      x = from_out ? next_x : x;
      y = from_out ? y : next_y;
      a -= from_out;
      b -= !from_out;
    } while (a >= 2 && b >= 2);
  }
  while (a > 0 && b > 0) {
    const std::uint32_t x = out[a - 1], y = part[b - 1];
    const bool from_out = x > y;
    out[--w] = from_out ? x : y;
    a -= from_out;
    b -= !from_out;
  }
  for (std::size_t i = 0; i < b; ++i) out[i] = part[i];  // what is left of out is in place
  return filled + n;
}

// Merges the sorted lists a and b, each ended by end_mark, into the n =
// |a| + |b| entries of out; the smaller head moves without a branch on it.
void merge_two(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t x = *a, y = *b;
    const bool from_a = x <= y;
    out[i] = from_a ? x : y;
    a += from_a;
    b += !from_a;
  }
}

int bit_width(std::uint64_t x) {
  int width = 0;
  for (; x; x >>= 1) ++width;
  return width;
}

}  // namespace

// The merge matrix's ids, read once and checked row by row (children left to
// right, then the new id) into `children` and `parents`, and the 32-bit
// numbering of versions; returns the node count.
std::uint64_t TreeLeafSets::read_merges(ConstMatrix merges, ConstMatrix sets, std::uint32_t leaves,
                                        NodeRows& children,
                                        std::pmr::vector<std::uint32_t>& parents) {
  const std::uint64_t nodes = leaves + static_cast<std::uint64_t>(merges.rows);
  const std::size_t last = merges.cols - 1;
  children.ids.reserve(merges.rows * last);
  children.first.reserve(merges.rows + 1);
  parents.reserve(merges.rows);
  for (std::size_t r = 0; r < merges.rows; ++r) {
    children.read(merges, r, last, nodes, "merges", "child id");
    const double p = merges(r, last);
    if (!node_id_fits(p, nodes)) bad_node_id("merges", "new node id", nodes, r, last, p);
    parents.push_back(node_index(p));
  }
  // Versions and their reads are numbered in 32 bits: a leaf slot each (at
  // most one per node or per id named, see below), plus at most one version
  // and two reads per merge-matrix entry.
  const std::uint64_t entries = merges.size() + sets.size();
  if (std::min(nodes, 2 * entries + dense_allowance) + 2 * merges.size() >= none)
    fail("tooManyNodes", "Merge tree too large: ", arg("merges"),
         " has " + std::to_string(merges.rows) + "-by-" + std::to_string(merges.cols) +
             " entries; at most 2^32-2 nodes and child entries are supported");
  return nodes;
}

namespace {

[[noreturn, gnu::cold, gnu::noinline]] void bad_set_node(ConstMatrix sets, std::size_t j,
                                                         std::size_t k, std::uint64_t nodes) {
  bad_node_id("sets", "node id", nodes, j, k, sets(j, k));
}

}  // namespace

TreeLeafSets::TreeLeafSets(ConstMatrix merges, ConstMatrix sets, std::pmr::memory_resource* memory)
    : slots_(memory),
      current_(memory),
      first_(memory),
      targets_(memory),
      sizes_(memory),
      sorted_at_(memory),
      sorted_(memory),
      plan_first_(memory),
      plan_(memory),
      row_count_(memory),
      spans_(memory),
      leaves_(memory),
      cross_(memory),
      filling_(memory) {
  // Every id is read once and checked there: the merge matrix's into these,
  // the node sets' where they are first read (below), into `members` when
  // only the nodes named get slots.
  NodeRows children(memory), members(memory);
  std::pmr::vector<std::uint32_t> parents(memory);
  const std::uint32_t leaves = leaf_count(merges, "merges");
  const std::uint64_t nodes = read_merges(merges, sets, leaves, children, parents);
  const std::uint64_t entries = merges.size() + sets.size();
  if (nodes <= 2 * entries + dense_allowance) {
    slots_.make_dense(static_cast<std::uint32_t>(nodes));
  } else {
    members.ids.reserve(sets.size());
    members.first.reserve(sets.rows + 1);
    for (std::size_t j = 0; j < sets.rows; ++j) {
      interrupt_.tick(2 * sets.cols + 1);
      members.read(sets, j, sets.cols, nodes, "sets", "node id");
    }
    std::vector<std::uint32_t> named(parents.begin(), parents.end());
    named.insert(named.end(), children.ids.begin(), children.ids.end());
    named.insert(named.end(), members.ids.begin(), members.ids.end());
    slots_.make_named(std::move(named));
  }
  leaf_slots_ = slots_.below(leaves);

  current_.assign(slots_.size(), none);
  for (std::uint32_t s = 0; s < leaf_slots_; ++s) current_[s] = s;
  first_.reserve(static_cast<std::size_t>(leaf_slots_) + merges.size() + 1);
  first_.assign(static_cast<std::size_t>(leaf_slots_) + 1, 0);
  targets_.reserve(2 * merges.size());

  // Each append adds the child's current version to the row's running sum;
  // an append of the row's own node first closes the sum so far into a
  // version and then counts it twice.
  std::vector<std::uint32_t> terms;
  for (std::size_t r = 0; r < merges.rows; ++r) {
    interrupt_.tick(4 * static_cast<std::size_t>(children.end(r) - children.begin(r)) + 4);
    const std::uint32_t p = slots_.slot(parents[r]);
    terms.clear();
    if (current_[p] != none) terms.push_back(current_[p]);
    for (const std::uint32_t* child = children.begin(r); child != children.end(r); ++child) {
      const std::uint32_t c = slots_.slot(*child);
      if (c == p) {
        if (terms.empty()) continue;
        const std::uint32_t so_far = version(terms);
        terms.assign(2, so_far);
      } else if (current_[c] != none) {
        terms.push_back(current_[c]);
      }
    }
    if (!terms.empty()) current_[p] = version(terms);
  }

  // Sizes in version order: a version only reads earlier ones.
  sizes_.assign(first_.size() - 1, 0);
  for (std::uint32_t v = 0; v < leaf_slots_; ++v) sizes_[v] = 1;
  for (std::size_t v = leaf_slots_; v + 1 < first_.size(); ++v) {
    interrupt_.tick(1 + first_[v + 1] - first_[v]);
    for (std::uint32_t t = first_[v]; t < first_[v + 1]; ++t)
      sizes_[v] = saturating_sum(sizes_[v], sizes_[targets_[t]]);
  }

  sort_small_versions();

  // Each node-set row as the versions it reads, and its count (saturating).
  plan_first_.assign(sets.rows + 1, 0);
  row_count_.assign(sets.rows, 0);
  plan_.reserve(sets.size());
  for (std::size_t j = 0; j < sets.rows; ++j) {
    interrupt_.tick(4 * sets.cols + 1);
    std::uint64_t total = 0;
    const auto add = [&](std::uint32_t node) {
      const std::uint32_t v = current_[slots_.slot(node)];
      if (v == none) return;
      plan_.push_back(v);
      total = saturating_sum(total, sizes_[v]);
    };
    if (slots_.compact()) {
      for (const std::uint32_t* node = members.begin(j); node != members.end(j); ++node) add(*node);
    } else {
      for (std::size_t k = 0; k < sets.cols; ++k) {
        const double e = sets(j, k);
        if (e == 0) break;
        if (!node_id_fits(e, nodes)) bad_set_node(sets, j, k, nodes);
        add(node_index(e));
      }
    }
    row_count_[j] = total;
    plan_first_[j + 1] = plan_.size();
  }
}

// The layout and scratch for counting leaves, made when the first row that
// cannot be merged from sorted lists is filled.
void TreeLeafSets::prepare_counting() {
  lay_out();
  filling_.size_for(leaf_slots_, spans_.size());
  counting_ready_ = true;
}

void TreeLeafSets::Filling::size_for(std::size_t leaf_slots, std::size_t versions) {
  count.assign(leaf_slots, 0);
  weight.assign(versions, 0);
  bits.assign((leaf_slots + 63) / 64, 0);
  summary.assign((bits.size() + 63) / 64, 0);
}

// Whether row j is merged from sorted lists: a row of up to four versions,
// or of at most small_parts versions and merge_most entries, whose versions
// all keep sorted lists. Their lists go to `parts` when it is given.
[[gnu::always_inline]] inline bool TreeLeafSets::merges(std::size_t j, Sorted* parts) const {
  const std::size_t k = plan_first_[j + 1] - plan_first_[j];
  if (k > small_parts || (k > 4 && row_count_[j] > merge_most)) return false;
  for (std::size_t i = 0; i < k; ++i) {
    const Sorted part = sorted_at_[plan_[plan_first_[j] + i]];
    if (part.first == none) return false;
    if (parts) parts[i] = part;
  }
  return true;
}

// Rows merged from sorted lists need no layout: it is made only when some
// row with leaves is counted.
void TreeLeafSets::prepare_threads() {
  if (counting_ready_) return;
  for (std::size_t j = 0; j < size(); ++j)
    if (row_count_[j] != 0 && !merges(j, nullptr)) {
      prepare_counting();
      return;
    }
}

TreeLeafSets::Filling TreeLeafSets::filling() const {
  Filling f(std::pmr::new_delete_resource());
  if (counting_ready_) f.size_for(leaf_slots_, spans_.size());
  return f;
}

// A version holding the sum of `terms` (all non-empty); a single term is
// that version itself.
std::uint32_t TreeLeafSets::version(const std::vector<std::uint32_t>& terms) {
  if (terms.size() == 1) return terms[0];
  targets_.insert(targets_.end(), terms.begin(), terms.end());
  first_.push_back(static_cast<std::uint32_t>(targets_.size()));
  return static_cast<std::uint32_t>(first_.size() - 2);
}

// The sorted lists of versions, each merged from the lists of the versions
// it reads (which are no larger), smallest versions first. The lists take at
// most a few entries per version and read; versions beyond that budget keep
// none. Each list is followed by end_mark.
void TreeLeafSets::sort_small_versions() {
  const std::size_t versions = sizes_.size();
  sorted_at_.assign(versions, Sorted{none, 0});
  const std::uint64_t budget =
      std::min<std::uint64_t>(8 * (versions + targets_.size()) + 4096, none - 1);
  std::uint64_t total = 0;
  for (std::size_t v = 0; v < versions; ++v) {
    interrupt_.tick(1);
    if (sizes_[v] >= budget - total) continue;
    bool parts_kept = true;
    if (v >= leaf_slots_)
      for (std::uint32_t t = first_[v]; t < first_[v + 1] && parts_kept; ++t)
        parts_kept = sorted_at_[targets_[t]].first != none;
    if (!parts_kept) continue;
    sorted_at_[v] = {static_cast<std::uint32_t>(total), static_cast<std::uint32_t>(sizes_[v])};
    total += sizes_[v] + 1;
  }
  sorted_.resize(static_cast<std::size_t>(total));
  const bool compact = slots_.compact();
  for (std::size_t v = 0; v < versions; ++v) {
    if (sorted_at_[v].first == none) continue;
    interrupt_.tick(1 + 2 * sorted_at_[v].size);
    std::uint32_t* list = sorted_.data() + sorted_at_[v].first;
    list[sorted_at_[v].size] = end_mark;
    if (v < leaf_slots_) {
      const auto leaf = static_cast<std::uint32_t>(v);
      list[0] = (compact ? slots_.id(leaf) : leaf) + 1;
      continue;
    }
    const std::uint32_t* parts = targets_.data() + first_[v];
    const std::size_t k = first_[v + 1] - first_[v];  // at least 2
    const Sorted a = sorted_at_[parts[0]], b = sorted_at_[parts[1]];
    merge_two(sorted_.data() + a.first, sorted_.data() + b.first, list, a.size + b.size);
    std::size_t filled = a.size + b.size;
    for (std::size_t t = 2; t < k; ++t) {
      const Sorted part = sorted_at_[parts[t]];
      filled = merge_into(list, filled, sorted_.data() + part.first, part.size);
    }
  }
}

// Versions read by exactly one version form a forest together with the
// others as roots. Walking each tree depth-first puts every version's
// leaves (the leaf versions in its tree below it) in one contiguous range
// of leaves_, and the versions its tree reads that are read elsewhere too
// (the shared ones) in one contiguous range of cross_.
void TreeLeafSets::lay_out() {
  const std::size_t versions = first_.size() - 1;
  std::vector<std::uint8_t> readers(versions, 0);  // 0, 1 or "2 or more"
  for (std::uint32_t t : targets_)
    readers[t] = static_cast<std::uint8_t>(std::min(readers[t] + 1, 2));
  spans_.assign(versions, Span{});
  leaves_.reserve(leaf_slots_);
  struct Frame {
    std::uint32_t vertex, next;
  };
  std::vector<Frame> stack;
  for (std::size_t root = versions; root-- > 0;) {
    if (readers[root] == 1) continue;
    stack.push_back({static_cast<std::uint32_t>(root), first_[root]});
    spans_[root].leaves_begin = static_cast<std::uint32_t>(leaves_.size());
    spans_[root].cross_begin = static_cast<std::uint32_t>(cross_.size());
    if (root < leaf_slots_) leaves_.push_back(static_cast<std::uint32_t>(root));
    while (!stack.empty()) {
      interrupt_.tick(2);
      Frame& top = stack.back();
      if (top.next == first_[top.vertex + 1]) {
        spans_[top.vertex].leaves_end = static_cast<std::uint32_t>(leaves_.size());
        spans_[top.vertex].cross_end = static_cast<std::uint32_t>(cross_.size());
        stack.pop_back();
        continue;
      }
      const std::uint32_t w = targets_[top.next++];
      if (readers[w] != 1) {
        cross_.push_back(w);
        continue;
      }
      spans_[w].leaves_begin = static_cast<std::uint32_t>(leaves_.size());
      spans_[w].cross_begin = static_cast<std::uint32_t>(cross_.size());
      if (w < leaf_slots_) leaves_.push_back(w);
      stack.push_back({w, first_[w]});
    }
  }
}

// Adds `times` copies of a version's content: its own leaves now, the shared
// versions it reads later (heap_, highest first: all their readers come
// before them, so each is expanded once with its summed weight). A leaf's
// bit tells whether count_ holds its count yet; first touches go to touched_
// (Listed) or to the summary bitmap.
template <bool Listed>
void TreeLeafSets::add(std::uint32_t vertex, std::uint64_t times, Filling& f,
                       InterruptCheck& interrupt) const {
  const Span& span = spans_[vertex];
  interrupt.tick(1 + 2 * (span.leaves_end - span.leaves_begin) +
                 4 * (span.cross_end - span.cross_begin));
  for (std::uint32_t i = span.leaves_begin; i < span.leaves_end; ++i) {
    const std::uint32_t leaf = leaves_[i];
    std::uint64_t& word = f.bits[leaf >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (leaf & 63);
    if (word & bit) {
      f.count[leaf] += times;
      continue;
    }
    word |= bit;
    f.count[leaf] = times;
    if (Listed)
      f.touched.push_back(leaf);
    else
      f.summary[leaf >> 12] |= std::uint64_t{1} << ((leaf >> 6) & 63);
  }
  for (std::uint32_t i = span.cross_begin; i < span.cross_end; ++i) {
    const std::uint32_t w = cross_[i];
    if (f.weight[w] == 0) {
      f.heap.push_back(w);
      std::push_heap(f.heap.begin(), f.heap.end());
    }
    f.weight[w] += times;  // bounded by the row's count
  }
}

std::size_t TreeLeafSets::count(std::size_t j) const {
  // Results are written as uint32 arrays whose byte size must be addressable.
  constexpr std::uint64_t most = PTRDIFF_MAX / sizeof(std::uint32_t);
  if (row_count_[j] > most)
    fail("resultTooLarge", "Result too large: the leaves of node-set ", row("sets", j),
         " number more than this machine can address");
  return static_cast<std::size_t>(row_count_[j]);
}

// Copies or merges such a row's lists into `out` (three or four lists
// pairwise through scratch, more one by one). Returns false (writing
// nothing) for any other row.
bool TreeLeafSets::merge_small(std::size_t j, std::uint32_t* out, Filling& f) const {
  Sorted parts[small_parts];
  if (!merges(j, parts)) return false;
  const std::size_t k = plan_first_[j + 1] - plan_first_[j];
  auto list = [&](const Sorted& part) { return sorted_.data() + part.first; };
  switch (k) {
    case 0:
      return true;
    case 1:
      std::copy_n(list(parts[0]), parts[0].size, out);
      return true;
    case 2:
      merge_two(list(parts[0]), list(parts[1]), out, parts[0].size + parts[1].size);
      return true;
    case 3:
    case 4: {
      // (0 + 1) and (2 [+ 3]) into scratch, then both into out; for three,
      // the smallest two go first.
      if (k == 3) {  // the largest alone
        if (parts[0].size > parts[2].size) std::swap(parts[0], parts[2]);
        if (parts[1].size > parts[2].size) std::swap(parts[1], parts[2]);
      }
      const std::size_t first = parts[0].size + parts[1].size;
      const std::size_t second = parts[2].size + (k == 4 ? parts[3].size : 0);
      if (f.scratch.size() < first + second + 2) f.scratch.resize(first + second + 2);
      std::uint32_t* one = f.scratch.data();
      std::uint32_t* const merged = one + first + 1;
      const std::uint32_t* two = merged;
      merge_two(list(parts[0]), list(parts[1]), one, first);
      one[first] = end_mark;
      if (k == 4) {
        merge_two(list(parts[2]), list(parts[3]), merged, second);
        merged[second] = end_mark;
      } else {
        two = list(parts[2]);
      }
      merge_two(one, two, out, first + second);
      return true;
    }
    default: {
      std::size_t filled = 0;
      for (std::size_t i = 0; i < k; ++i)
        filled = merge_into(out, filled, list(parts[i]), parts[i].size);
      return true;
    }
  }
}

void TreeLeafSets::fill(std::size_t j, std::size_t count, std::uint32_t* out) {
  interrupt_.tick(1 + count);
  if (merge_small(j, out, filling_)) return;
  if (!counting_ready_) prepare_counting();
  fill(j, count, out, filling_, interrupt_);
}

void TreeLeafSets::fill(std::size_t j, std::size_t count, std::uint32_t* out, Filling& f,
                        InterruptCheck& interrupt) const {
  if (&f != &filling_) {  // the serial fill has ticked and merged already
    interrupt.tick(1 + count);
    if (merge_small(j, out, f)) return;
  }
  // Leaf order: a two-level bitmap costs L/4096 summary words plus a step
  // per word and leaf touched; sorting the d leaves touched costs d log d
  // (d is at most the count).
  const std::uint64_t most = count;
  if (f.summary.size() <= most * static_cast<std::uint64_t>(bit_width(most)))
    fill_in<false>(j, out, f, interrupt);
  else
    fill_in<true>(j, out, f, interrupt);
}

void TreeLeafSets::fill_rows(std::uint32_t* const* outs) {
  const std::size_t rows = size();
  double total = 0.0;
  for (std::size_t j = 0; j < rows; ++j) total += static_cast<double>(row_count_[j]);
  const double work = 16 * static_cast<double>(rows) + 4 * total;
  const std::size_t grain =
      grain_from_work(rows, work / static_cast<double>(rows ? rows : 1), fill_split_work);
  if (!splits(rows, grain)) {
    for (std::size_t j = 0; j < rows; ++j)
      if (const std::size_t n = count(j)) fill(j, n, outs[j]);
    return;
  }
  prepare_threads();
  const auto make = [this] { return filling(); };
  ScratchPool<Filling, decltype(make)> pool(call_threads(), make);
  const CallerTicks ticks(interrupt_);
  parallel_for(rows, grain, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& interrupt = ticks.here(silent);
    pool.with([&](Filling& f) {
      for (std::size_t j = begin; j < end; ++j)
        if (const std::size_t n = count(j)) fill(j, n, outs[j], f, interrupt);
    });
  });
}

template <bool Listed>
void TreeLeafSets::fill_in(std::size_t j, std::uint32_t* out, Filling& f,
                           InterruptCheck& interrupt) const {
  // count(j) has succeeded, so no weight or count below can overflow: each
  // is at most the row's count.
  f.touched.clear();
  for (std::size_t k = plan_first_[j]; k < plan_first_[j + 1]; ++k)
    add<Listed>(plan_[k], 1, f, interrupt);
  while (!f.heap.empty()) {
    std::pop_heap(f.heap.begin(), f.heap.end());
    const std::uint32_t w = f.heap.back();
    f.heap.pop_back();
    const std::uint64_t times = f.weight[w];
    f.weight[w] = 0;
    add<Listed>(w, times, f, interrupt);
  }

  auto emit = [&](std::uint32_t leaf, std::uint32_t id) {
    const std::uint64_t c = f.count[leaf];  // at least 1, mostly exactly 1
    *out++ = id;
    if (c != 1) out = std::fill_n(out, c - 1, id);
  };
  if (Listed) {
    interrupt.tick(f.touched.size() * static_cast<std::size_t>(1 + bit_width(f.touched.size())));
    std::sort(f.touched.begin(), f.touched.end());
    for (std::uint32_t leaf : f.touched) {
      emit(leaf, slots_.id(leaf) + 1);
      f.bits[leaf >> 6] = 0;
    }
    return;
  }
  const bool compact = slots_.compact();
  for (std::size_t s = 0; s < f.summary.size(); ++s) {
    interrupt.tick(64);
    for (std::uint64_t words = f.summary[s]; words; words &= words - 1) {
      const std::size_t w = s * 64 + static_cast<std::size_t>(count_trailing_zeros(words));
      for (std::uint64_t word = f.bits[w]; word; word &= word - 1) {
        const auto leaf = static_cast<std::uint32_t>(w * 64 + count_trailing_zeros(word));
        emit(leaf, compact ? slots_.id(leaf) + 1 : leaf + 1);
      }
      f.bits[w] = 0;
    }
    f.summary[s] = 0;
  }
}

std::vector<std::vector<std::uint32_t>> tree_leaf_sets(ConstMatrix merges, ConstMatrix sets) {
  TreeLeafSets tree(merges, sets);
  std::vector<std::vector<std::uint32_t>> results(tree.size());
  std::vector<std::uint32_t*> outs(tree.size());
  for (std::size_t j = 0; j < tree.size(); ++j) {
    results[j].resize(tree.count(j));
    outs[j] = results[j].data();
  }
  tree.fill_rows(outs.data());
  return results;
}

}  // namespace mexsets
