#include "tree_overlap_matrix.hpp"

#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>
#include <string>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

constexpr std::uint64_t kMaxCount = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMaxNodes = std::uint64_t{1} << 32;

// Checked ids are finite and greater than -1, so truncation gives 0 .. R-1.
std::uint32_t to_index(double id) { return id > 0 ? static_cast<std::uint32_t>(id) : 0; }

// The distinct new ids of the merge rows, ascending.
std::vector<std::size_t> new_ids(const MergeRows& merge) {
  std::vector<std::size_t> ids(merge.parents.begin(), merge.parents.end());
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

// Position of id in ids, or ids.size() when absent.
std::size_t slot_of(const std::vector<std::size_t>& ids, std::size_t id) {
  const auto found = std::lower_bound(ids.begin(), ids.end(), id);
  return found != ids.end() && *found == id ? static_cast<std::size_t>(found - ids.begin())
                                            : ids.size();
}

std::string id_range(std::size_t nodes) {
  return "0.." + std::to_string(static_cast<long long>(nodes) - 1);
}

}  // namespace

MergeRows check_merge_matrix(ConstMatrix merge, std::size_t nodes,
                             std::pmr::memory_resource* memory) {
  if (nodes < merge.rows)
    fail("tooFewNodeRows", "Fewer node rows than merge rows: ", arg("node_rows"),
         " has " + std::to_string(nodes) + " rows but ", arg("merges"),
         " has " + std::to_string(merge.rows));
  if (merge.rows > 0 && merge.cols == 0)
    fail("noNewIdColumn", "Merge rows without a new node id: ", arg("merges"),
         " has " + std::to_string(merge.rows) + " rows but no columns");
  if (nodes > kMaxNodes)
    fail("tooManyNodes", "Too many nodes for 32-bit leaf and node ids: ", arg("node_rows"),
         " has " + std::to_string(nodes) + " rows, at most " + std::to_string(kMaxNodes) +
             " are allowed");
  const double limit = static_cast<double>(nodes);
  MergeRows rows(memory);
  rows.parents.reserve(merge.rows);
  rows.first.reserve(merge.rows + 1);
  for (std::size_t r = 0; r < merge.rows; ++r) {
    const std::size_t last = merge.cols - 1;
    const double new_id = merge(r, last);
    if (!(new_id > -1 && new_id < limit))
      fail_id("merges", "new node id outside " + id_range(nodes), r, last, new_id);
    const std::uint32_t parent = to_index(new_id);
    rows.parents.push_back(parent);
    for (std::size_t j = 0; j < last; ++j) {
      const double child = merge(r, j);
      if (child < 0) break;
      if (!(child < limit)) fail_id("merges", "child id outside " + id_range(nodes), r, j, child);
      if (to_index(child) == parent)
        fail_entry({"merges", "childIsNewNode",
                    "child id names the row's own new node " + std::to_string(parent), r, j,
                    child});
      rows.children.push_back(to_index(child));
    }
    rows.first.push_back(rows.children.size());
  }
  return rows;
}

LeafLists::LeafLists(const MergeRows& merge, std::size_t nodes)
    : nodes_(nodes), leaves_(nodes - merge.rows()) {
  if (merge.rows() == 0) return;
  named_ = new_ids(merge);
  spans_.assign(named_.size(), Span{0, 0});
  InterruptCheck interrupt;
  // Whether the rows make a plain tree, followed row by row (tree_parents).
  bool tree = true;
  {
    std::vector<char> created(nodes - leaves_, 0);
    tree_parents_.assign(nodes, none);
    for (std::size_t r = 0; r < merge.rows() && tree; ++r) {
      interrupt.tick(1 + merge.first[r + 1] - merge.first[r]);
      const std::size_t parent = merge.parents[r];
      tree = parent >= leaves_ && !created[parent - leaves_] && merge.first[r + 1] > merge.first[r];
      for (std::size_t j = merge.first[r]; j < merge.first[r + 1] && tree; ++j) {
        const std::size_t child = merge.children[j];
        tree = tree_parents_[child] == none && (child < leaves_ || created[child - leaves_]);
        tree_parents_[child] = static_cast<std::uint32_t>(parent);
      }
      if (tree) created[parent - leaves_] = 1;
    }
  }
  // A plain tree's lists nest along tree_parents: the nested fill follows
  // it and needs no lists.
  if (tree) return;
  std::vector<std::uint32_t>().swap(tree_parents_);
  for (std::size_t k = 0; k < named_.size(); ++k)
    if (named_[k] < leaves_) {
      spans_[k] = {store_.size(), 1};
      store_.push_back({static_cast<std::uint32_t>(named_[k]), 1});
    }

  // The runs of every part of a row (the new node's own list, then each
  // child) one after the other; bounds[k] .. bounds[k+1] is part k, sorted.
  // Neighbouring parts are merged pairwise into `other` and back until one
  // sorted run is left; its leaves, each once with its copies summed, make
  // the node's new list at the end of store_. Lists replaced (a node made
  // by several rows) are left behind until they outnumber the others.
  std::vector<LeafRun> gathered, other;
  std::vector<std::size_t> bounds, next_bounds;
  std::size_t live = store_.size(), dropped = 0;
  const auto add_part = [&](const LeafRun* first, std::size_t size) {
    if (size == 0) return;
    gathered.insert(gathered.end(), first, first + size);
    bounds.push_back(gathered.size());
  };
  const auto by_leaf = [](const LeafRun& a, const LeafRun& b) { return a.leaf < b.leaf; };
  for (std::size_t r = 0; r < merge.rows(); ++r) {
    const std::size_t parent = merge.parents[r];
    const std::size_t slot = slot_of(named_, parent);
    interrupt.tick(1 + merge.first[r + 1] - merge.first[r]);
    gathered.clear();
    bounds.assign(1, 0);
    add_part(store_.data() + spans_[slot].first, spans_[slot].size);
    for (std::size_t j = merge.first[r]; j < merge.first[r + 1]; ++j) {
      const std::size_t child = merge.children[j];
      const std::size_t child_slot = slot_of(named_, child);
      if (child_slot < named_.size()) {
        add_part(store_.data() + spans_[child_slot].first, spans_[child_slot].size);
      } else if (child < leaves_) {
        const LeafRun single{static_cast<std::uint32_t>(child), 1};
        add_part(&single, 1);
      }
    }
    interrupt.tick(2 * gathered.size());  // gathered, then deduplicated
    while (bounds.size() > 2) {
      interrupt.tick(gathered.size());
      other.resize(gathered.size());
      next_bounds.assign(1, 0);
      std::size_t k = 0;
      for (; k + 2 < bounds.size(); k += 2) {
        std::merge(gathered.begin() + bounds[k], gathered.begin() + bounds[k + 1],
                   gathered.begin() + bounds[k + 1], gathered.begin() + bounds[k + 2],
                   other.begin() + bounds[k], by_leaf);
        next_bounds.push_back(bounds[k + 2]);
      }
      if (k + 1 < bounds.size()) {
        std::copy(gathered.begin() + bounds[k], gathered.begin() + bounds[k + 1],
                  other.begin() + bounds[k]);
        next_bounds.push_back(bounds[k + 1]);
      }
      gathered.swap(other);
      bounds.swap(next_bounds);
    }
    const std::size_t begin = store_.size();
    for (const LeafRun& run : gathered) {
      if (store_.size() == begin || store_.back().leaf != run.leaf) {
        store_.push_back(run);
        continue;
      }
      const std::uint64_t count = std::uint64_t{store_.back().count} + run.count;
      if (count > kMaxCount)
        fail("leafCountTooLarge", "Leaf count too large: ", row("merges", r),
             " would put leaf " + std::to_string(run.leaf) + " into node " +
                 std::to_string(parent) + " more than " + std::to_string(kMaxCount) + " times");
      store_.back().count = static_cast<std::uint32_t>(count);
    }
    dropped += spans_[slot].size;
    live += store_.size() - begin - spans_[slot].size;
    spans_[slot] = {begin, store_.size() - begin};
    if (dropped > live + 4096) {  // keep only the current lists
      interrupt.tick(live);
      std::vector<LeafRun> kept;
      kept.reserve(live);
      for (Span& span : spans_) {
        const std::size_t first = kept.size();
        kept.insert(kept.end(), store_.begin() + static_cast<std::ptrdiff_t>(span.first),
                    store_.begin() + static_cast<std::ptrdiff_t>(span.first + span.size));
        span.first = first;
      }
      store_.swap(kept);
      dropped = 0;
    }
  }
}

std::vector<LeafRuns> LeafLists::all_runs(std::vector<LeafRun>& singles) const {
  singles.resize(leaves_);
  std::vector<LeafRuns> runs(nodes_);
  for (std::size_t k = 0; k < leaves_; ++k) {
    singles[k] = {static_cast<std::uint32_t>(k), 1};
    runs[k] = {&singles[k], 1};
  }
  for (std::size_t k = 0; k < named_.size(); ++k)
    runs[named_[k]] = {store_.data() + spans_[k].first, spans_[k].size};
  return runs;
}

void check_leaf_weights(const MergeRows& merge, std::size_t nodes, std::size_t weight_columns) {
  if (weight_columns > 0 || merge.rows() == 0) return;
  // Whether each named node's list is non-empty, followed row by row.
  const std::size_t leaves = nodes - merge.rows();
  const std::vector<std::size_t> named = new_ids(merge);
  std::vector<char> holds(named.size());
  for (std::size_t k = 0; k < named.size(); ++k) holds[k] = named[k] < leaves;
  for (std::size_t r = 0; r < merge.rows(); ++r) {
    const std::size_t slot = slot_of(named, merge.parents[r]);
    for (std::size_t j = merge.first[r]; j < merge.first[r + 1] && !holds[slot]; ++j) {
      const std::size_t child = merge.children[j];
      const std::size_t child_slot = slot_of(named, child);
      holds[slot] = child_slot < named.size() ? holds[child_slot] : child < leaves;
    }
  }
  for (std::size_t k = 0; k < named.size(); ++k)
    if (named[k] >= leaves && holds[k])
      fail("noLeafWeights", "Leaf weights missing: ", arg("node_rows"),
           " has no columns, but merge node " + std::to_string(named[k]) + " holds leaves");
}

namespace {

// One entry of the list of nodes that hold a leaf.
struct Holder {
  std::uint32_t node;
  std::uint32_t count;
};

// For every leaf, the nodes that hold it, in the order that `nodes` gives.
struct HolderTable {
  std::vector<std::size_t> start;  // leaf l: entries start[l] .. start[l+1]
  std::vector<Holder> entries;

  HolderTable(const std::vector<LeafRuns>& runs, std::size_t leaves) : start(leaves + 1, 0) {
    InterruptCheck interrupt;
    for (const LeafRuns& list : runs) {
      interrupt.tick(1 + 2 * list.size);
      for (const LeafRun& run : list) ++start[run.leaf + 1];
    }
    std::partial_sum(start.begin(), start.end(), start.begin());
    entries.resize(start.back());
  }

  void fill(const std::vector<LeafRuns>& runs, const std::vector<std::size_t>& nodes) {
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    InterruptCheck interrupt;
    for (std::size_t node : nodes) {
      interrupt.tick(1 + 4 * runs[node].size);
      for (const LeafRun& run : runs[node])
        entries[next[run.leaf]++] = {static_cast<std::uint32_t>(node), run.count};
    }
  }
};

// The sum of a list in ascending leaf order, each copy added on its own.
double list_sum(const LeafRuns& list, const double* weights) {
  double sum = 0.0;
  for (const LeafRun& run : list)
    for (std::uint32_t copy = 0; copy < run.count; ++copy) sum += weights[run.leaf];
  return sum;
}

constexpr std::size_t kUnset = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kRoot = kUnset - 1;

// With the holders of every leaf ordered by list size, largest first, the
// lists are nested or disjoint exactly when every node has the same
// predecessor in the holders of each of its leaves and never holds a leaf
// more often than that predecessor. That predecessor is then the smallest
// list containing the node's list, and two lists that share a leaf lie on
// one chain of such parents. Returns the parents, or nothing.
std::optional<std::vector<std::size_t>> nesting_parents(HolderTable& holders,
                                                        const std::vector<LeafRuns>& runs) {
  const std::size_t nodes = runs.size();
  std::vector<std::uint64_t> size(nodes, 0);
  std::vector<std::size_t> order;
  InterruptCheck interrupt;
  for (std::size_t k = 0; k < nodes; ++k) {
    interrupt.tick(1 + runs[k].size);
    if (runs[k].size == 0) continue;
    for (const LeafRun& run : runs[k])
      size[k] = std::min<std::uint64_t>(size[k] + run.count, kUnset);  // no wrap-around
    order.push_back(k);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    interrupt.tick(4);
    return size[a] > size[b];
  });
  holders.fill(runs, order);

  std::vector<std::size_t> parent(nodes, kUnset);
  for (std::size_t l = 0; l + 1 < holders.start.size(); ++l) {
    interrupt.tick(1 + 4 * (holders.start[l + 1] - holders.start[l]));
    for (std::size_t e = holders.start[l]; e < holders.start[l + 1]; ++e) {
      const Holder& h = holders.entries[e];
      const bool first = e == holders.start[l];
      const std::size_t above = first ? kRoot : holders.entries[e - 1].node;
      if (parent[h.node] == kUnset) parent[h.node] = above;
      if (parent[h.node] != above) return std::nullopt;
      if (!first && h.count > holders.entries[e - 1].count) return std::nullopt;
    }
  }
  return parent;
}

// Fills the upper triangle leaf by leaf, then mirrors it. Each entry (a, b)
// gathers its leaves' weights in leaf order whichever thread adds them, as
// the threads split the columns b (a leaf's holders ascend by node, so each
// chunk finds its own stretch of them), and then the mirrored columns.
void fill_by_leaves(HolderTable& holders, const std::vector<LeafRuns>& runs, std::size_t leaves,
                    const double* weights, double* out) {
  const std::size_t nodes = runs.size();
  std::vector<std::size_t> ascending(nodes);
  std::iota(ascending.begin(), ascending.end(), std::size_t{0});
  holders.fill(runs, ascending);
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  // About the holders each column walks past per holder of it.
  const double entries = static_cast<double>(holders.entries.size());
  const double units =
      1 + 4 * entries * entries / (static_cast<double>(nodes) * static_cast<double>(leaves + 1));
  parallel_for(nodes, work_grain(nodes, units), [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    const auto by_node = [](const Holder& h, std::size_t node) { return h.node < node; };
    for (std::size_t l = 0; l < leaves; ++l) {
      const Holder* first = holders.entries.data() + holders.start[l];
      const Holder* last = holders.entries.data() + holders.start[l + 1];
      const double weight = weights ? weights[l] : 0.0;
      const Holder* b = std::lower_bound(first, last, std::max(begin, leaves), by_node);
      for (; b != last && b->node < end; ++b) {
        double* column = out + static_cast<std::size_t>(b->node) * nodes;
        std::size_t added = 0;
        for (const Holder* a = first; a != b; ++a) {
          const std::uint32_t copies = std::min(a->count, b->count);
          added += copies;
          for (std::uint32_t copy = 0; copy < copies; ++copy) column[a->node] += weight;
        }
        here.tick(1 + 4 * static_cast<std::size_t>(b - first) + added);
      }
    }
  });
  constexpr std::size_t kTile = 64;
  const std::size_t tiles = (nodes + kTile - 1) / kTile;
  parallel_for(tiles, work_grain(tiles, static_cast<double>(nodes * kTile)),
               [&](std::size_t begin, std::size_t end) {
                 InterruptCheck silent;
                 InterruptCheck& here = ticks.here(silent);
                 for (std::size_t a0 = begin * kTile; a0 < end * kTile; a0 += kTile)
                   for (std::size_t b0 = a0; b0 < nodes; b0 += kTile) {
                     here.tick(kTile * kTile);
                     for (std::size_t b = std::max(b0, leaves); b < std::min(b0 + kTile, nodes);
                          ++b)
                       for (std::size_t a = a0; a < std::min({a0 + kTile, nodes, b}); ++a)
                         out[b + a * nodes] = out[a + b * nodes];
                   }
               });
}

}  // namespace

namespace {

// The least estimated work (in the units of the ticks below) for which the
// nested fill's loops run on more than the calling thread: below it, waking
// a second thread (it took 100 to 200 microseconds to join a call on the
// 2-core development VM) costs more than it saves. From
// bench_tree_overlap_matrix's Crossover runs (balanced and deep trees of
// growing size, cut into two chunks or more): balanced trees up to 2,000
// leaves (0.8M units) never won, deep ones won little at 1.1M (500 leaves,
// 1.05) and clearly at 4M (1,000 leaves, 1.44).
constexpr double kNestedSplitWork = 2e6;

// The pairs of a leaf and an ancestor worth a band of the sums' walk, per
// node: each band first finds, over all nodes, where every leaf enters it.
constexpr std::size_t kBandPairsPerNode = 16;

// A plain tree's list sums without its lists (a merge node's list is the
// leaves below it, each once): leaf after leaf in ascending order, the
// leaf's weight is added to every node above it, so each sum adds its
// leaves in the order list_sum does. The nodes are cut by depth into bands
// of about equal numbers of such pairs, one chunk each: a band's chunk
// finds in preorder, for every node, the nearest node on its way up that is
// no deeper than the band (`top`), then walks each leaf's ancestors from
// there for as long as they lie in the band. The walk is cut only when
// `split` says that the column loop after it is: a second thread then joins
// the call once either way, here, and is already at work when the columns
// start.
void tree_sums(const std::vector<std::size_t>& parent, const std::vector<std::size_t>& order,
               const std::vector<std::uint32_t>& depth, std::size_t leaves, const double* weights,
               bool split, const CallerTicks& ticks, std::vector<double>& sum) {
  const std::size_t nodes = parent.size();
  for (std::size_t l = 0; l < leaves; ++l) sum[l] = 0.0 + weights[l];
  // pairs[d]: the leaves with an ancestor at depth d, those deeper than d.
  std::vector<std::size_t> pairs;
  for (std::size_t l = 0; l < leaves; ++l) {
    if (depth[l] >= pairs.size()) pairs.resize(depth[l] + 1, 0);
    ++pairs[depth[l]];
  }
  std::size_t total = 0, deeper = 0;
  for (std::size_t d = pairs.size(); d-- > 0;) {
    const std::size_t at_d = pairs[d];
    pairs[d] = deeper;
    deeper += at_d;
    total += pairs[d];
  }
  if (total == 0) return;
  // Bands [band[j], band[j + 1]) of depths, each started where the pairs
  // above it reach j / bands of them all.
  constexpr double kStepUnits = 2;
  const std::size_t grain = chunk_grain(
      split ? std::max(work_grain(total, kStepUnits), kBandPairsPerNode * nodes) : total);
  const std::size_t bands = total / grain + (total % grain != 0);
  std::vector<std::size_t> band(1, 0);
  for (std::size_t d = 0, above = 0; d < pairs.size() && above < total; above += pairs[d++])
    if (d > band.back() && above * bands >= band.size() * total) band.push_back(d);
  band.push_back(pairs.size());
  // Each node's parent (none for a root) and depth side by side: the walk
  // reads both at every step.
  struct Up {
    std::uint32_t parent, depth;
  };
  constexpr std::uint32_t none = LeafLists::none;
  std::vector<Up> up(nodes);
  for (std::size_t k = 0; k < nodes; ++k)
    up[k] = {parent[k] == kRoot ? none : static_cast<std::uint32_t>(parent[k]), depth[k]};
  parallel_for(band.size() - 1, 1, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    std::vector<std::uint32_t> top(nodes);
    std::vector<double> own(nodes);  // the band's sums, away from the other bands'
    for (std::size_t j = begin; j < end; ++j) {
      const std::size_t low = band[j], high = band[j + 1];
      here.tick(2 * nodes);
      for (std::size_t k : order)
        top[k] = up[k].depth < high || up[k].parent == none ? static_cast<std::uint32_t>(k)
                                                            : top[up[k].parent];
      for (std::size_t l = 0; l < leaves; ++l) {
        if (up[l].parent == none) continue;
        const double weight = weights[l];
        std::size_t steps = 0;
        for (std::uint32_t a = top[up[l].parent]; a != none; ++steps) {
          const Up node = up[a];
          if (node.depth < low) break;
          own[a] += weight;
          a = node.parent;
        }
        here.tick(2 + 2 * steps);
      }
      for (std::size_t k = leaves; k < nodes; ++k)
        if (up[k].depth >= low && up[k].depth < high) sum[k] = own[k];
    }
  });
}

// Nested lists: the intersection of two lists on one chain is the lower
// node's whole list, so W(r, c) is the list sum of whichever of r and c lies
// below the other. Column c thus holds its own sum at its ancestors and each
// descendant's sum at that descendant, and the threads split the columns:
// each writes (and first touches) only its own columns of W. Without runs
// (a plain tree, whose lists were never built) the sums come from
// tree_sums.
void fill_nested(const std::vector<std::size_t>& parent, const std::vector<LeafRuns>& runs,
                 std::size_t leaves, const double* weights, double* out) {
  const std::size_t nodes = parent.size();
  InterruptCheck interrupt;
  // The nesting forest in preorder: the descendants of c are
  // order[at[c] + 1 .. end[c]). Children are listed by counting (the roots
  // under `nodes`), and the walk pushes k + nodes to mark where k's subtree
  // ends.
  std::vector<std::size_t> first(nodes + 3, 0), children, order, at(nodes, 0), end(nodes, 0);
  for (std::size_t k = 0; k < nodes; ++k)
    if (parent[k] != kUnset) ++first[(parent[k] == kRoot ? nodes : parent[k]) + 2];
  std::partial_sum(first.begin(), first.end(), first.begin());
  children.resize(first.back());
  for (std::size_t k = 0; k < nodes; ++k)
    if (parent[k] != kUnset) children[first[(parent[k] == kRoot ? nodes : parent[k]) + 1]++] = k;
  order.reserve(children.size());
  // Whether a node has an ancestor that is a merge node: only then does a
  // leaf below leaves get an entry (two leaves' entries stay 0), and only
  // nodes with an entry need their list sum (weights may be absent when
  // only leaves nest).
  std::vector<char> merge_above(nodes, 0);
  std::vector<std::uint32_t> depth(nodes, 0);
  std::vector<std::size_t> stack;
  interrupt.tick(4 * nodes);
  for (std::size_t i = first[nodes]; i < first[nodes + 1]; ++i) {
    stack.push_back(children[i]);
    while (!stack.empty()) {
      const std::size_t k = stack.back();
      stack.pop_back();
      if (k >= nodes) {  // a subtree's end marker
        end[k - nodes] = order.size();
        continue;
      }
      at[k] = order.size();
      order.push_back(k);
      if (parent[k] != kRoot) {
        merge_above[k] = merge_above[parent[k]] || parent[k] >= leaves;
        depth[k] = depth[parent[k]] + 1;
      }
      stack.push_back(k + nodes);
      for (std::size_t j = first[k]; j < first[k + 1]; ++j) stack.push_back(children[j]);
    }
  }
  const auto has_entries = [&](std::size_t k) {
    return parent[k] != kUnset && (k >= leaves || merge_above[k]);
  };
  std::vector<double> sum(nodes, 0.0);
  const CallerTicks ticks(interrupt);
  // About the entries of a column: its depth plus its descendants, which
  // sum to twice the node-ancestor pairs over all columns.
  double pairs = 0;
  for (std::size_t k : order) pairs += static_cast<double>(end[k] - at[k] - 1);
  const double units = 8 + 16 * pairs / static_cast<double>(nodes);
  const std::size_t grain = grain_from_work(nodes, units, kNestedSplitWork);
  if (runs.empty()) {
    tree_sums(parent, order, depth, leaves, weights, grain < nodes, ticks, sum);
  } else {
    const double entries = static_cast<double>(order.size());
    const double sum_units = 2 + 2 * entries / static_cast<double>(nodes);
    parallel_for(nodes, grain_from_work(nodes, sum_units, kNestedSplitWork),
                 [&](std::size_t begin, std::size_t end_k) {
                   InterruptCheck silent;
                   InterruptCheck& here = ticks.here(silent);
                   for (std::size_t k = begin; k < end_k; ++k) {
                     here.tick(2 + runs[k].size);
                     if (has_entries(k)) sum[k] = list_sum(runs[k], weights);
                   }
                 });
  }
  parallel_for(nodes, grain, [&](std::size_t begin, std::size_t end_c) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    for (std::size_t c = begin; c < end_c; ++c) {
      if (parent[c] == kUnset) continue;
      double* column = out + c * nodes;
      here.tick(8 + 8 * (end[c] - at[c]));
      for (std::size_t i = at[c] + 1; i < end[c]; ++i) {
        const std::size_t r = order[i];
        if (r >= leaves || c >= leaves) column[r] = sum[r];
      }
      for (std::size_t a = parent[c]; a != kRoot; a = parent[a]) {
        here.tick(8);
        if (a >= leaves || c >= leaves) column[a] = sum[c];
      }
    }
  });
}

}  // namespace

void fill_overlap_matrix(const LeafLists& lists, const double* weights, double* out) {
  const std::size_t leaves = lists.leaves();
  if (!lists.tree_parents().empty()) {  // nested along the merge tree: no check needed
    std::vector<std::size_t> parent(lists.nodes());
    for (std::size_t k = 0; k < parent.size(); ++k) {
      const std::uint32_t p = lists.tree_parents()[k];
      parent[k] = p == LeafLists::none ? kRoot : p;
    }
    fill_nested(parent, {}, leaves, weights, out);
    return;
  }
  std::vector<LeafRun> singles;
  const std::vector<LeafRuns> runs = lists.all_runs(singles);
  HolderTable holders(runs, leaves);
  if (const auto parent = nesting_parents(holders, runs)) {
    fill_nested(*parent, runs, leaves, weights, out);
    return;
  }
  fill_by_leaves(holders, runs, leaves, weights, out);
}

OwnedMatrix<double> tree_overlap_matrix(ConstMatrix merge, ConstMatrix node_rows) {
  const MergeRows rows = check_merge_matrix(merge, node_rows.rows);
  check_leaf_weights(rows, node_rows.rows, node_rows.cols);
  OwnedMatrix<double> w(node_rows.rows, node_rows.rows);
  const LeafLists lists(rows, node_rows.rows);
  fill_overlap_matrix(lists, node_rows.cols ? node_rows.data : nullptr, w.data.data());
  return w;
}

}  // namespace mexsets
