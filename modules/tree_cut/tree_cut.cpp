#include "tree_cut.hpp"

#include <cmath>
#include <string>

#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

constexpr std::uint32_t none = 0xffffffffu;

std::string elements(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " element" : " elements");
}

}  // namespace

CutTree read_cut_tree(ConstMatrix merges, ConstMatrix heights, std::pmr::memory_resource* memory) {
  const std::size_t rows = merges.rows;
  if (rows > 0 && merges.cols != 3)
    fail("badMergeShape", "Merge matrix not 3 columns wide: ", arg("merges"),
         " is " + std::to_string(rows) + "-by-" + std::to_string(merges.cols));
  if (rows >= (std::size_t{1} << 31))
    fail("tooManyMerges", "Too many merges: ", arg("merges"),
         " has " + std::to_string(rows) + " rows; fewer than 2^31 are supported");
  if (heights.size() != rows)
    fail("sizeMismatch", "Heights do not match the merges: ", arg("heights"),
         " holds " + elements(heights.size()) + ", ", arg("merges"),
         " has " + std::to_string(rows) + (rows == 1 ? " row" : " rows"));
  CutTree tree(memory);
  tree.leaves = static_cast<std::uint32_t>(rows + 1);
  const std::uint64_t nodes = 2 * std::uint64_t{rows} + 1;
  const std::string range = "node id outside 1.." + std::to_string(nodes);
  tree.children.resize(2 * rows);
  // Whether each node is a child yet.
  std::pmr::vector<bool> merged(nodes, false, memory);
  InterruptCheck interrupt;
  for (std::size_t r = 0; r < rows; ++r) {
    interrupt.tick(8);
    double ids[3];
    for (std::size_t c = 0; c < 3; ++c) {
      const double v = merges(r, c);
      if (!(v >= 1 && v <= static_cast<double>(nodes))) fail_id("merges", range, r, c, v);
      if (v != std::floor(v))
        fail_entry({"merges", "idNotWhole", "node id not a whole number", r, c, v});
      ids[c] = v;
    }
    const std::uint64_t made = tree.leaves + r;  // 0-based
    if (ids[2] != static_cast<double>(made + 1))
      fail_entry(
          {"merges", "badNewNode", "new node not " + std::to_string(made + 1), r, 2, ids[2]});
    for (std::size_t c = 0; c < 2; ++c) {
      const auto child = static_cast<std::uint32_t>(ids[c] - 1);
      if (child >= made)
        fail_entry({"merges", "childNotMade", "child not made by an earlier row", r, c, ids[c]});
      if (merged[child])
        fail_entry(
            {"merges", "childReused", "child already merged by an earlier row", r, c, ids[c]});
      merged[child] = true;
      tree.children[2 * r + c] = child;
    }
  }
  return tree;
}

std::size_t merges_for_count(const CutTree& tree, double count) {
  if (!(count >= 1 && count <= tree.leaves && count == std::floor(count)))
    fail("badCount", "Count not a whole number in 1.." + std::to_string(tree.leaves) + ": ",
         named_arg("count"), " holds " + format_value(count));
  return tree.leaves - static_cast<std::size_t>(count);
}

std::size_t merges_below(ConstMatrix heights, double height) {
  if (std::isnan(height)) fail("badHeight", "Height is NaN: ", named_arg("height"), " holds NaN");
  InterruptCheck interrupt;
  std::size_t r = 0;
  for (const std::size_t n = heights.size(); r < n; ++r) {
    interrupt.tick();
    if (!(heights.data[r] < height)) break;
  }
  return r;
}

void cut_labels(const CutTree& tree, std::size_t applied, double* labels,
                std::pmr::memory_resource* memory) {
  const std::size_t leaves = tree.leaves;
  // top[n]: the node that holds node n after the applied merges. A merge's
  // new node is a child only of a later merge, so going backwards its top
  // is known before its children take it.
  std::pmr::vector<std::uint32_t> top(leaves + applied, memory);
  InterruptCheck interrupt;
  interrupt.for_each_index(top.size(), 1,
                           [&](std::size_t n) { top[n] = static_cast<std::uint32_t>(n); });
  for (std::size_t r = applied; r-- > 0;) {
    interrupt.tick(4);
    const std::uint32_t t = top[leaves + r];
    top[tree.children[2 * r]] = t;
    top[tree.children[2 * r + 1]] = t;
  }
  // Region numbers by first appearance, kept at each region's top node.
  std::pmr::vector<std::uint32_t> number(top.size(), none, memory);
  std::uint32_t next = 0;
  for (std::size_t n = 0; n < leaves; ++n) {
    interrupt.tick(4);
    std::uint32_t& k = number[top[n]];
    if (k == none) k = next++;
    labels[n] = static_cast<double>(k) + 1;
  }
}

std::vector<double> tree_cut(ConstMatrix merges, ConstMatrix heights, bool by_count, double value) {
  const CutTree tree = read_cut_tree(merges, heights);
  const std::size_t applied =
      by_count ? merges_for_count(tree, value) : merges_below(heights, value);
  std::vector<double> labels(tree.leaves);
  cut_labels(tree, applied, labels.data());
  return labels;
}

}  // namespace mexsets
