#include "tree_leaf_matrix.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <vector>

#include "common/parallel.hpp"
#include "common/parallel_work.hpp"
#include "common/scratch_buffer.hpp"
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
         std::to_string(tree.size()) + "-by-" + std::to_string(width) + " leaves of ", arg("sets"),
         " are more than this machine can address");
  return width;
}

namespace {

// Rows are written a block at a time: their leaves are gathered first, then
// the block's part of each column is written in one contiguous run, so the
// writes go through memory in order rather than a column apart.
constexpr std::size_t block_rows = 512;
// Leaves gathered at once, unless one row alone holds more.
constexpr std::size_t block_leaves = std::size_t{1} << 18;

// Matrices of at least this many entries whose leaves fill at most a
// quarter of them are written column by column from every row's leaves,
// gathered first (write_gathered).
constexpr std::size_t gather_least = std::size_t{1} << 16;

// The least estimated work (units below: 2 an entry, 4 a leaf) for which
// the columns are written on more than the calling thread: waking a second
// thread took 100 to 200 microseconds on the 2-core development VM, and
// bench_tree_leaf_matrix's Crossover runs took 0.24 ms on one thread for
// 512 rows of about 1,000 columns (1M units), 0.55 ms for 1,024 rows.
constexpr double column_split_work = 2e6;

// Writes the matrix column after column, each a contiguous run of memory:
// padding over the whole column, then the leaves of the rows that reach it.
// Every row's leaves are gathered first (on the threads of the call, by
// TreeLeafSets::fill_rows), at most a quarter of the entries in uint32s. So
// each thread writes, and first touches, whole columns of its own, in
// order, rather than every column a block of rows at a time: a result's
// fresh pages are then written while they are still in the cache (a fresh
// 81 MB result took 15.5 ms to fill in order on one thread, 20 ms by blocks
// of rows). Rows are taken by count, longest first (ties by row).
void write_gathered(TreeLeafSets& tree, std::size_t width, double shift, double pad,
                    std::size_t total, double* out, std::pmr::memory_resource* memory) {
  const std::size_t rows = tree.size();
  // Where each row's leaves go, and the rows by count (a counting sort).
  std::pmr::vector<std::size_t> first(rows + 1, 0, memory), active(width + 2, 0, memory);
  for (std::size_t j = 0; j < rows; ++j) {
    const std::size_t count = tree.count(j);
    first[j + 1] = first[j] + count;
    ++active[count];
  }
  for (std::size_t c = width; c-- > 0;) active[c] += active[c + 1];
  // active[c] now counts the rows of c leaves or more: the rows of count c
  // go from active[c + 1] on, and column k holds leaves in the first
  // active[k + 1] rows of `order`.
  struct Reader {
    std::size_t row, first;
  };
  std::pmr::vector<Reader> order(rows, memory);
  {
    std::pmr::vector<std::size_t> next(active.begin() + 1, active.end(), memory);
    for (std::size_t j = 0; j < rows; ++j) {
      const std::size_t count = tree.count(j);
      order[next[count]++] = {j, first[j]};
    }
  }
  const Buffer<std::uint32_t> held(std::max<std::size_t>(total, 1), memory);
  std::uint32_t* const leaves = held.data();
  {
    std::pmr::vector<std::uint32_t*> outs(rows, memory);
    for (std::size_t j = 0; j < rows; ++j) outs[j] = leaves + first[j];
    tree.fill_rows(outs.data());
  }
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  const double units =
      2 * static_cast<double>(rows) + 4 * static_cast<double>(total) / static_cast<double>(width);
  const std::size_t grain = grain_from_work(width, units, column_split_work);
  parallel_for(width, grain, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    for (std::size_t k = begin; k < end; ++k) {
      const std::size_t reach = active[k + 1];
      here.tick(rows + 2 * reach);
      double* column = out + k * rows;
      std::fill_n(column, rows, pad);
      for (std::size_t i = 0; i < reach; ++i)
        column[order[i].row] = static_cast<double>(leaves[order[i].first + k]) + shift;
    }
  });
}

}  // namespace

void write_leaf_matrix(TreeLeafSets& tree, std::size_t width, bool one_based, double* out,
                       std::pmr::memory_resource* memory) {
  const std::size_t rows = tree.size();
  // Leaf ids are 1-based, at most 2^32-1: either base is exact in a double.
  const double shift = one_based ? 0.0 : -1.0;
  const double pad = one_based ? 0.0 : -1.0;
  if (rows * width >= gather_least) {
    std::size_t total = 0;
    for (std::size_t j = 0; j < rows; ++j) total += tree.count(j);
    if (total <= rows * width / 4) {
      write_gathered(tree, width, shift, pad, total, out, memory);
      return;
    }
  }
  const std::size_t room =
      std::max(width, std::min(block_leaves, width * std::min(rows, block_rows)));
  // The blocks: rows starts[b] .. starts[b+1]-1, their leaves within `room`
  // (or one row alone), at most block_rows of them. The first 16 block
  // starts stay on the stack, so that a small call allocates no more than
  // before threads.
  std::array<std::byte, 32 * sizeof(std::size_t)> few;
  std::pmr::monotonic_buffer_resource local(few.data(), few.size(),
                                            std::pmr::new_delete_resource());
  std::pmr::vector<std::size_t> starts(&local);
  starts.push_back(0);
  for (std::size_t j0 = 0; j0 < rows;) {
    std::size_t j1 = j0, held = 0;
    while (j1 < rows && j1 - j0 < block_rows) {
      const std::size_t count = tree.count(j1);
      if (j1 > j0 && held + count > room) break;
      held += count;
      ++j1;
    }
    starts.push_back(j1);
    j0 = j1;
  }
  // Rows j0 .. j1-1, their leaves gathered into `leaves` by fill(j, count,
  // at), then written column by column.
  const auto write_block = [&](std::size_t j0, std::size_t j1, std::uint32_t* leaves,
                               InterruptCheck& interrupt, auto&& fill) {
    std::size_t first[block_rows + 1];
    first[0] = 0;
    for (std::size_t j = j0; j < j1; ++j) {
      const std::size_t count = tree.count(j);
      if (count) fill(j, count, leaves + first[j - j0]);
      first[j + 1 - j0] = first[j - j0] + count;
    }
    const std::size_t n = j1 - j0;
    std::size_t longest = 0;
    for (std::size_t r = 0; r < n; ++r) longest = std::max(longest, first[r + 1] - first[r]);
    for (std::size_t k = 0; k < longest; ++k) {
      interrupt.tick(n);
      double* column = out + k * rows + j0;
      for (std::size_t r = 0; r < n; ++r)
        column[r] =
            first[r] + k < first[r + 1] ? static_cast<double>(leaves[first[r] + k]) + shift : pad;
    }
    for (std::size_t k = longest; k < width; ++k) {
      interrupt.tick(n);
      std::fill_n(out + k * rows + j0, n, pad);
    }
  };
  const std::size_t blocks = starts.size() - 1;
  const double units = 16 + 2 * static_cast<double>(rows) * static_cast<double>(width) /
                                static_cast<double>(blocks ? blocks : 1);
  // A chunk spans at least 64 rows: threads writing the same columns of
  // rows closer than that would fight over the cache lines between them
  // (rows of long lists make blocks of one or two rows).
  const std::size_t grain = std::max(work_grain(blocks, units),
                                     (64 * blocks + rows - 1) / std::max<std::size_t>(rows, 1));
  InterruptCheck interrupt;
  if (!splits(blocks, grain)) {
    std::pmr::vector<std::uint32_t> leaves(room, memory);
    for (std::size_t b = 0; b < blocks; ++b)
      write_block(
          starts[b], starts[b + 1], leaves.data(), interrupt,
          [&](std::size_t j, std::size_t count, std::uint32_t* at) { tree.fill(j, count, at); });
    return;
  }
  // On the threads of the call: each block with a Filling and leaves of its
  // own, from the heap (not the host's memory, which only this thread may
  // use).
  tree.prepare_threads();
  struct Scratch {
    TreeLeafSets::Filling filling;
    std::vector<std::uint32_t> leaves;
  };
  const auto make = [&] { return Scratch{tree.filling(), std::vector<std::uint32_t>(room)}; };
  ScratchPool<Scratch, decltype(make)> pool(call_threads(), make);
  const CallerTicks ticks(interrupt);
  parallel_for(blocks, grain, [&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    pool.with([&](Scratch& scratch) {
      for (std::size_t b = begin; b < end; ++b)
        write_block(starts[b], starts[b + 1], scratch.leaves.data(), here,
                    [&](std::size_t j, std::size_t count, std::uint32_t* at) {
                      tree.fill(j, count, at, scratch.filling, here);
                    });
    });
  });
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
