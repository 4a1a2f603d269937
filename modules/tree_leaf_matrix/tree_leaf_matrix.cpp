#include "tree_leaf_matrix.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "mexsets/failure.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

bool leaf_matrix_one_based(double base) {
  if (base == 1) return true;
  if (base == 0) return false;
  fail("badBase", "Expected a leaf numbering base of 0 or 1: ", named_arg("base"),
       " is " + format_value(base));
}

std::size_t leaf_matrix_width(const TreeLeafSets& tree) {
  std::size_t width = 0;
  for (std::size_t j = 0; j < tree.size(); ++j) {
    const std::size_t count = tree.count(j);
    if (count > width) width = count;
  }
  // The result's bytes must be addressable.
  constexpr std::size_t most = PTRDIFF_MAX / sizeof(double);
  if (width != 0 && tree.size() > most / width)
    fail("resultTooLarge", "Result too large: ",
         std::to_string(tree.size()) + "-by-" + std::to_string(width) + " leaves of ",
         arg("sets"), " are more than this machine can address");
  return width;
}

namespace {

// Rows are written a block at a time: their leaves are gathered first, then
// the block's part of each column is written in one contiguous run, so the
// writes go through memory in order rather than a column apart.
constexpr std::size_t block_rows = 512;
// Leaves gathered at once, unless one row alone holds more.
constexpr std::size_t block_leaves = std::size_t{1} << 18;

}  // namespace

void write_leaf_matrix(TreeLeafSets& tree, std::size_t width, bool one_based, double* out,
                       std::pmr::memory_resource* memory) {
  const std::size_t rows = tree.size();
  // Leaf ids are 1-based, at most 2^32-1: either base is exact in a double.
  const double shift = one_based ? 0.0 : -1.0;
  const double pad = one_based ? 0.0 : -1.0;
  const std::size_t room =
      std::max(width, std::min(block_leaves, width * std::min(rows, block_rows)));
  std::pmr::vector<std::uint32_t> leaves(room, memory);
  std::size_t first[block_rows + 1];
  InterruptCheck interrupt;
  for (std::size_t j0 = 0; j0 < rows;) {
    // Rows j0 .. j1-1, their leaves at leaves[first[r] .. first[r+1]).
    std::size_t j1 = j0, held = 0;
    first[0] = 0;
    while (j1 < rows && j1 - j0 < block_rows) {
      const std::size_t count = tree.count(j1);
      if (j1 > j0 && held + count > room) break;
      if (count) tree.fill(j1, count, leaves.data() + held);
      held += count;
      first[++j1 - j0] = held;
    }
    const std::size_t n = j1 - j0;
    std::size_t longest = 0;
    for (std::size_t r = 0; r < n; ++r) longest = std::max(longest, first[r + 1] - first[r]);
    for (std::size_t k = 0; k < longest; ++k) {
      interrupt.tick(n);
      double* column = out + k * rows + j0;
      for (std::size_t r = 0; r < n; ++r)
        column[r] = first[r] + k < first[r + 1]
                        ? static_cast<double>(leaves[first[r] + k]) + shift
                        : pad;
    }
    for (std::size_t k = longest; k < width; ++k) {
      interrupt.tick(n);
      std::fill_n(out + k * rows + j0, n, pad);
    }
    j0 = j1;
  }
}

OwnedMatrix<double> tree_leaf_matrix(ConstMatrix merges, ConstMatrix sets, double base) {
  const bool one_based = leaf_matrix_one_based(base);
  TreeLeafSets tree(merges, sets);
  const std::size_t width = leaf_matrix_width(tree);
  OwnedMatrix<double> out(tree.size(), width);
  write_leaf_matrix(tree, width, one_based, out.data.data());
  return out;
}

}  // namespace mexsets
