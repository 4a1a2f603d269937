// Seedable workloads for the merge-tree functions: a Voronoi-like label grid,
// merge trees over its regions of a chosen depth, and node-set matrices.
//
// Everything is deterministic for a given seed on every platform (one
// mt19937_64 stream, no std distributions). Matrices are column-major doubles
// in the 1-based convention of tree_leaf_sets / tree_occurrence_masks
// (children listed first, 0 padding, last column = new node id);
// merge_matrix_0based gives the 0-based form of tree_overlap_matrix (-1
// padding, last column = new node id).
//
//   auto grid = tree_workloads::label_grid(500, 500, 2000, seed);
//   auto tree = tree_workloads::merge_tree(grid, 40, seed);  // depth ~40
//   auto sets = tree_workloads::node_sets(tree, 5000, 4, seed);
//   tree_leaf_sets(merge_matrix_1based(tree), sets) ...
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <numeric>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#include "mexsets/column_major.hpp"

namespace tree_workloads {

using Random = std::mt19937_64;

// A uniform index in 0..n-1 (n > 0), the same on every platform.
inline std::size_t pick(Random& random, std::size_t n) {
  return static_cast<std::size_t>(random() % n);
}

template <class T>
void shuffle(std::vector<T>& values, Random& random) {
  for (std::size_t k = values.size(); k > 1; --k) std::swap(values[k - 1], values[pick(random, k)]);
}

// A rows-by-cols grid of 1-based leaf labels 1..leaves. Every leaf owns a
// connected region grown from its own seed cell (breadth-first, so regions
// are city-block Voronoi cells); the regions tile the grid and their
// adjacency graph is connected.
struct LabelGrid {
  std::size_t leaves = 0;
  mexsets::OwnedMatrix<double> labels;  // rows-by-cols, entries 1..leaves
};

inline LabelGrid label_grid(std::size_t rows, std::size_t cols, std::size_t leaves,
                            std::uint64_t seed) {
  const std::size_t cells = rows * cols;
  if (leaves == 0 || leaves > cells)
    throw std::invalid_argument("label_grid: need 1 <= leaves <= rows*cols");
  Random random(seed);
  std::vector<std::uint32_t> owner(cells, 0);  // 0 = not reached yet
  std::vector<std::size_t> queue;
  queue.reserve(cells);
  // Distinct seed cells: a partial Fisher-Yates draw over a sparse map would
  // do, but cells are few enough to shuffle outright.
  std::vector<std::size_t> order(cells);
  std::iota(order.begin(), order.end(), std::size_t{0});
  for (std::size_t k = 0; k < leaves; ++k) {
    std::swap(order[k], order[k + pick(random, cells - k)]);
    owner[order[k]] = static_cast<std::uint32_t>(k + 1);
    queue.push_back(order[k]);
  }
  for (std::size_t head = 0; head < queue.size(); ++head) {
    const std::size_t cell = queue[head];
    const std::size_t i = cell % rows, j = cell / rows;
    const std::size_t next[4] = {i > 0 ? cell - 1 : cells, i + 1 < rows ? cell + 1 : cells,
                                 j > 0 ? cell - rows : cells, j + 1 < cols ? cell + rows : cells};
    for (std::size_t n : next)
      if (n < cells && owner[n] == 0) {
        owner[n] = owner[cell];
        queue.push_back(n);
      }
  }
  LabelGrid grid;
  grid.leaves = leaves;
  grid.labels = mexsets::OwnedMatrix<double>(rows, cols);
  for (std::size_t c = 0; c < cells; ++c) grid.labels.data[c] = owner[c];
  return grid;
}

// A merge tree over the grid's leaves. Merge r (0-based) creates node
// leaves + r (0-based) from children[r], which are 0-based ids of leaves or
// of nodes created by earlier merges; every merge joins regions that touch.
struct MergeTree {
  std::size_t leaves = 0;
  std::size_t depth = 0;  // longest root-to-leaf path, in merges
  std::vector<std::vector<std::uint32_t>> children;

  std::size_t nodes() const { return leaves + children.size(); }
  std::size_t max_children() const {
    std::size_t most = 0;
    for (const auto& row : children) most = std::max(most, row.size());
    return most;
  }
};

namespace detail {

inline std::uint32_t find(std::vector<std::uint32_t>& parent, std::uint32_t x) {
  while (parent[x] != x) x = parent[x] = parent[parent[x]];
  return x;
}

// Pairs of distinct 0-based leaves whose regions share an edge, each once.
inline std::vector<std::pair<std::uint32_t, std::uint32_t>> region_edges(const LabelGrid& grid) {
  const auto& g = grid.labels;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
  auto add = [&](double a, double b) {
    if (a == b) return;
    auto x = static_cast<std::uint32_t>(a) - 1, y = static_cast<std::uint32_t>(b) - 1;
    edges.emplace_back(std::min(x, y), std::max(x, y));
  };
  for (std::size_t j = 0; j < g.cols; ++j)
    for (std::size_t i = 0; i < g.rows; ++i) {
      if (i + 1 < g.rows) add(g(i, j), g(i + 1, j));
      if (j + 1 < g.cols) add(g(i, j), g(i, j + 1));
    }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  return edges;
}

}  // namespace detail

// Merges neighbouring regions until one root remains. Rounds of matching
// (each cluster joined with up to max_children - 1 untouched neighbours)
// halve the clusters and keep the tree shallow; once the depth left over
// allows it, the remaining clusters are absorbed one by one into a chain
// that grows through neighbours. target_depth = 0 asks for rounds only
// (depth ~log2(leaves)); a larger target gives a tree of about that depth
// (up to leaves - 1, a pure chain). Children are listed in random order.
inline MergeTree merge_tree(const LabelGrid& grid, std::size_t target_depth, std::uint64_t seed,
                            std::size_t max_children = 2) {
  if (max_children < 2) throw std::invalid_argument("merge_tree: max_children must be >= 2");
  Random random(seed ^ 0x9e3779b97f4a7c15ULL);
  const std::size_t leaves = grid.leaves;
  const auto edges = detail::region_edges(grid);

  MergeTree tree;
  tree.leaves = leaves;
  std::vector<std::uint32_t> parent(leaves);  // union-find over leaves
  std::iota(parent.begin(), parent.end(), 0u);
  std::vector<std::uint32_t> node_of(leaves);  // cluster root leaf -> current node id
  std::iota(node_of.begin(), node_of.end(), 0u);
  std::vector<std::size_t> height(leaves, 0);  // per node id
  std::size_t clusters = leaves;

  auto merge = [&](std::vector<std::uint32_t> roots) {
    std::vector<std::uint32_t> row;
    std::size_t h = 0;
    for (std::uint32_t r : roots) {
      row.push_back(node_of[r]);
      h = std::max(h, height[node_of[r]] + 1);
    }
    shuffle(row, random);
    const auto id = static_cast<std::uint32_t>(leaves + tree.children.size());
    tree.children.push_back(std::move(row));
    height.push_back(h);
    for (std::size_t k = 1; k < roots.size(); ++k) parent[roots[k]] = roots[0];
    node_of[roots[0]] = id;
    clusters -= roots.size() - 1;
  };
  // Cluster adjacency as sorted, de-duplicated neighbour lists of roots.
  auto adjacency = [&] {
    std::vector<std::vector<std::uint32_t>> next(leaves);
    for (const auto& [a, b] : edges) {
      const auto x = detail::find(parent, a), y = detail::find(parent, b);
      if (x != y) {
        next[x].push_back(y);
        next[y].push_back(x);
      }
    }
    for (auto& list : next) {
      std::sort(list.begin(), list.end());
      list.erase(std::unique(list.begin(), list.end()), list.end());
    }
    return next;
  };

  std::size_t rounds = 0;
  bool chain = false;
  while (clusters > 1 && !chain) {
    const auto next = adjacency();
    std::vector<std::uint32_t> roots;
    for (std::uint32_t x = 0; x < leaves; ++x)
      if (detail::find(parent, x) == x) roots.push_back(x);
    shuffle(roots, random);
    std::vector<char> taken(leaves, 0);
    for (std::uint32_t x : roots) {
      if (target_depth && rounds + clusters <= target_depth) {
        chain = true;  // the rest fits in a chain: depth ~ rounds + clusters - 1
        break;
      }
      if (taken[x]) continue;
      std::vector<std::uint32_t> free;
      for (std::uint32_t y : next[x])
        if (!taken[y]) free.push_back(y);
      if (free.empty()) continue;
      shuffle(free, random);
      free.resize(std::min(free.size(), 1 + pick(random, max_children - 1)));
      std::vector<std::uint32_t> group{x};
      for (std::uint32_t y : free) group.push_back(y);
      for (std::uint32_t y : group) taken[y] = 1;
      merge(group);
    }
    ++rounds;
    if (target_depth && rounds + clusters <= target_depth) chain = true;
  }
  if (clusters > 1) {
    // Grow a chain breadth-first through the cluster graph from a random
    // cluster: each absorbed cluster touches one absorbed before it.
    const auto next = adjacency();
    std::vector<std::uint32_t> roots;
    for (std::uint32_t x = 0; x < leaves; ++x)
      if (detail::find(parent, x) == x) roots.push_back(x);
    const std::uint32_t start = roots[pick(random, roots.size())];
    std::vector<char> seen(leaves, 0);
    std::vector<std::uint32_t> order{start};
    seen[start] = 1;
    for (std::size_t head = 0; head < order.size(); ++head) {
      std::vector<std::uint32_t> around = next[order[head]];
      shuffle(around, random);
      for (std::uint32_t y : around)
        if (!seen[y]) {
          seen[y] = 1;
          order.push_back(y);
        }
    }
    for (std::size_t k = 1; k < order.size(); ++k) merge({start, order[k]});
  }
  for (std::size_t h : height) tree.depth = std::max(tree.depth, h);
  return tree;
}

// 1-based merge matrix: row r lists children + 1, then 0 up to the last
// column, which holds the new node's 1-based id (leaves + r + 1).
inline mexsets::OwnedMatrix<double> merge_matrix_1based(const MergeTree& tree) {
  const std::size_t rows = tree.children.size(), cols = tree.max_children() + 1;
  mexsets::OwnedMatrix<double> m(rows, cols, 0.0);
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < tree.children[r].size(); ++c) m(r, c) = tree.children[r][c] + 1.0;
    m(r, cols - 1) = static_cast<double>(tree.leaves + r + 1);
  }
  return m;
}

// 0-based merge matrix (tree_overlap_matrix): children as 0-based ids, -1
// padding, last column the new node's 0-based id (leaves + r).
inline mexsets::OwnedMatrix<double> merge_matrix_0based(const MergeTree& tree) {
  const std::size_t rows = tree.children.size(), cols = tree.max_children() + 1;
  mexsets::OwnedMatrix<double> m(rows, cols, -1.0);
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < tree.children[r].size(); ++c) m(r, c) = tree.children[r][c];
    m(r, cols - 1) = static_cast<double>(tree.leaves + r);
  }
  return m;
}

// Converts a 1-based merge matrix (0 end markers) to the 0-based form (-1
// end markers); ids are shifted by one, padding after a row's end becomes -1.
inline mexsets::OwnedMatrix<double> to_0based(const mexsets::OwnedMatrix<double>& one_based) {
  mexsets::OwnedMatrix<double> m(one_based.rows, one_based.cols, -1.0);
  for (std::size_t r = 0; r < m.rows; ++r) {
    for (std::size_t c = 0; c + 1 < m.cols; ++c) {
      if (one_based(r, c) == 0) break;
      m(r, c) = one_based(r, c) - 1;
    }
    if (m.cols) m(r, m.cols - 1) = one_based(r, m.cols - 1) - 1;
  }
  return m;
}

// Per-node weights for tree_overlap_matrix: nodes-by-1, uniform in [0, 1)
// (53-bit fractions), leaves first.
inline mexsets::OwnedMatrix<double> node_weights(const MergeTree& tree, std::uint64_t seed) {
  Random random(seed ^ 0x5bd1e995ULL);
  mexsets::OwnedMatrix<double> w(tree.nodes(), 1);
  for (double& v : w.data) v = static_cast<double>(random() >> 11) * 0x1.0p-53;
  return w;
}

// K-by-max_per_row node-set matrix: each row names 1..max_per_row distinct
// 1-based node ids drawn uniformly from all nodes, then 0 padding.
inline mexsets::OwnedMatrix<double> node_sets(const MergeTree& tree, std::size_t k,
                                              std::size_t max_per_row, std::uint64_t seed) {
  Random random(seed ^ 0x2545f4914f6cdd1dULL);
  mexsets::OwnedMatrix<double> sets(k, max_per_row, 0.0);
  const std::size_t nodes = tree.nodes();
  for (std::size_t r = 0; r < k && nodes && max_per_row; ++r) {
    const std::size_t count = std::min(nodes, 1 + pick(random, max_per_row));
    for (std::size_t c = 0; c < count; ++c) {
      double id;
      bool repeat;
      do {
        id = static_cast<double>(pick(random, nodes) + 1);
        repeat = false;
        for (std::size_t d = 0; d < c; ++d) repeat = repeat || sets(r, d) == id;
      } while (repeat);
      sets(r, c) = id;
    }
  }
  return sets;
}

// The standard workload of the merge-tree benchmarks.
struct Workload {
  LabelGrid grid;
  MergeTree tree;
  mexsets::OwnedMatrix<double> sets;
};

inline Workload workload(std::size_t rows, std::size_t cols, std::size_t leaves,
                         std::size_t target_depth, std::size_t sets, std::uint64_t seed = 1) {
  Workload w;
  w.grid = label_grid(rows, cols, leaves, seed);
  w.tree = merge_tree(w.grid, target_depth, seed);
  w.sets = node_sets(w.tree, sets, 4, seed);
  return w;
}

// The node-set benchmarks' workload at a target depth (500-by-500 grid,
// 2,000 regions, 5,000 sets, seed 1) as 1-based merge and set matrices, made
// once per depth.
struct MergesAndSets {
  std::size_t depth = 0;  // of the tree made
  mexsets::OwnedMatrix<double> merges, sets;
};

inline const MergesAndSets& standard_sets(std::size_t target_depth) {
  static std::map<std::size_t, MergesAndSets> made;
  auto found = made.find(target_depth);
  if (found != made.end()) return found->second;
  const auto w = workload(500, 500, 2000, target_depth, 5000, 1);
  return made[target_depth] = {w.tree.depth, merge_matrix_1based(w.tree), w.sets};
}

// The scaling runs' workload: `leaves` regions of about 125 cells each on a
// square grid, a balanced tree, and `sets` node-set rows.
inline Workload scaled(std::size_t leaves, std::size_t sets, std::uint64_t seed = 1) {
  const auto side = static_cast<std::size_t>(std::lround(std::sqrt(125.0 * double(leaves))));
  return workload(side, side, leaves, 0, sets, seed);
}

}  // namespace tree_workloads
