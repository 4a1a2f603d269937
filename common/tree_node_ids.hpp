// 1-based node ids of the merge-tree functions that number leaves and nodes
// from 1 (tree_leaf_sets, tree_occurrence_masks): conversion, range checks,
// the leaf count fixed by the merge matrix's first row, rows of ids read
// once, and compact slots.
//
// An id v addresses the 0-based node trunc(v - 1), computed in double
// precision; it is valid when that lands in 0 .. nodes-1, i.e. when
// -1 < v - 1 < nodes (so 0.5 addresses node 1, and NaN, infinities and
// 1e-300, whose v - 1 rounds to -1, do not).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <vector>

#include "mexsets/bits.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

// Node counts and ids are held in 32 bits.
constexpr std::uint64_t max_tree_nodes = 0xffffffffu;

inline bool node_id_fits(double id, std::uint64_t nodes) {
  const double x = id - 1;
  return x > -1.0 && x < static_cast<double>(nodes);
}

// The 0-based node of a valid id (defined, if meaningless, for any other).
inline std::uint32_t node_index(double id) {
  return static_cast<std::uint32_t>(truncate_toward_zero(id - 1));
}

// Reports entry (row, column) of `argument`, an id outside 1..nodes:
// "<What> outside 1..<nodes>: ... holds <value>" (idNotANumber for NaN).
[[noreturn]] inline void bad_node_id(const std::string& argument, const std::string& what,
                                     std::uint64_t nodes, std::size_t row, std::size_t column,
                                     double value) {
  fail_id(argument, what + " outside 1.." + std::to_string(nodes), row, column, value);
}

// The leaf count L = trunc(v - 1), v being the last entry of the first row
// of `merges`, the input of that name. There are L + rows(merges) nodes, which
// must fit in 32 bits. Throws Failure when the matrix is empty or v is NaN,
// below 1 or too large.
inline std::uint32_t leaf_count(ConstMatrix merges, const std::string& argument) {
  if (merges.rows == 0 || merges.cols == 0)
    fail("emptyMergeMatrix", "Merge matrix is empty: ", arg(argument),
         " is " + std::to_string(merges.rows) + "-by-" + std::to_string(merges.cols) +
             "; its first row's last entry fixes the leaf count");
  const std::size_t last = merges.cols - 1;
  const double v = merges(0, last);
  if (std::isnan(v))
    fail_entry({argument, "idNotANumber", "first row's last entry (leaf count + 1) is not a number",
                0, last, v});
  if (!(v >= 1))
    fail_entry({argument, "badLeafCount", "first row's last entry (leaf count + 1) is below 1", 0,
                last, v});
  // L + rows <= 2^32-1, i.e. trunc(v - 1) < 2^32 - rows (exact for any
  // realistic row count).
  const double limit = static_cast<double>(max_tree_nodes) - static_cast<double>(merges.rows) + 1;
  if (!(v - 1 < limit))
    fail_entry({argument, "tooManyNodes",
                "leaf count (first row's last entry - 1) plus " + std::to_string(merges.rows) +
                    " merge rows exceeds 2^32-1 nodes",
                0, last, v});
  return static_cast<std::uint32_t>(v - 1);
}

// Rows of node ids that a computation reads once from an input and keeps:
// row r holds the 0-based nodes ids[first[r] .. first[r+1]). Another thread
// may write to an input while a call runs (the Python host reads arrays in
// place with the GIL released): ids that were checked and then read again
// could address anything, so every id is checked where it is read into
// here and used only from here.
struct NodeRows {
  explicit NodeRows(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : ids(memory), first(1, 0, memory) {}

  std::size_t rows() const { return first.size() - 1; }
  const std::uint32_t* begin(std::size_t r) const { return ids.data() + first[r]; }
  const std::uint32_t* end(std::size_t r) const { return ids.data() + first[r + 1]; }

  // Appends row r of `m`, columns 0 .. columns-1 up to the first entry equal
  // to 0, as a new row; an entry that names no node in 1..nodes is reported
  // as "<what> outside 1..<nodes>" for `argument`.
  void read(ConstMatrix m, std::size_t r, std::size_t columns, std::uint64_t nodes,
            const char* argument, const char* what) {
    for (std::size_t c = 0; c < columns; ++c) {
      const double e = m(r, c);
      if (e == 0) break;
      if (!node_id_fits(e, nodes)) bad_node_id(argument, what, nodes, r, c, e);
      ids.push_back(node_index(e));
    }
    first.push_back(ids.size());
  }

  std::pmr::vector<std::uint32_t> ids;
  std::pmr::vector<std::size_t> first;
};

// Slots for the nodes a call touches. When the node count is modest next to
// the inputs every node has its own slot (slot = 0-based id); otherwise only
// the ids the inputs name get one, in ascending order, so that a huge leaf
// count never makes a call allocate per node. Either way slots keep the
// order of the ids. Storage comes from `memory`.
class NodeSlots {
 public:
  explicit NodeSlots(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : ids_(memory) {}

  // Every node 0 .. nodes-1 has the slot of its own id.
  void make_dense(std::uint32_t nodes) {
    count_ = nodes;
    compact_ = false;
    ids_.clear();
  }
  // Only the given 0-based ids (any order, repeats allowed).
  void make_named(std::vector<std::uint32_t> ids) {
    InterruptCheck interrupt;
    std::sort(ids.begin(), ids.end(), [&](std::uint32_t a, std::uint32_t b) {
      interrupt.tick();
      return a < b;
    });
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    ids_.assign(ids.begin(), ids.end());
    count_ = static_cast<std::uint32_t>(ids_.size());
    compact_ = true;
  }

  std::uint32_t size() const { return count_; }
  bool compact() const { return compact_; }
  // The slot of a node that has one. With named slots any other id gets a
  // slot too (of the next id named, or the last), so that an id read again
  // after another thread changed it still addresses one.
  std::uint32_t slot(std::uint32_t id) const { return compact_ ? named_slot(id) : id; }
  // The same when the slots are compact().
  std::uint32_t named_slot(std::uint32_t id) const {
    const auto at = std::lower_bound(ids_.begin(), ids_.end(), id) - ids_.begin();
    return static_cast<std::uint32_t>(std::min<std::ptrdiff_t>(at, count_ - 1));
  }
  std::uint32_t id(std::uint32_t slot) const { return compact_ ? ids_[slot] : slot; }
  // The number of slots whose ids are below `id`.
  std::uint32_t below(std::uint32_t id) const {
    if (!compact_) return std::min(id, count_);
    return static_cast<std::uint32_t>(std::lower_bound(ids_.begin(), ids_.end(), id) -
                                      ids_.begin());
  }

 private:
  std::uint32_t count_ = 0;
  bool compact_ = false;
  std::pmr::vector<std::uint32_t> ids_;
};

}  // namespace mexsets
