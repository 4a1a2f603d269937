// TreeLeafSets: the sorted leaves below the nodes of each node set of a
// merge tree (tree_leaf_sets, and tree_leaf_matrix's rows).
//
// Inputs (column-major doubles, 1-based node ids, 0 ends a row):
//   merges  R1-by-N1 merge matrix. Row r lists child ids in columns
//           0 .. N1-2 up to the first entry equal to 0 (a NaN or negative
//           entry does not end it); column N1-1 holds the id of the node the
//           row adds to. Entry (0, N1-1) also fixes the leaf count
//           L = trunc(v - 1): nodes 1..L are the leaves, and there are
//           L + R1 nodes in all.
//   sets    R2-by-C2 node-set matrix; row j lists node ids in all of its
//           columns up to the first 0.
// Output, per row j of sets: the leaves of its nodes as ascending 1-based
// ids. It is a multiset: a leaf occurs once for every way it was copied in.
//
// What a node holds: leaf n starts with itself, every other node empty. Rows
// run first to last; each child id, left to right, appends a copy of that
// child's entries as they are at that moment to the row's node. So a row
// naming a node created only by a later row reads what that node holds then
// (usually nothing), a row naming its own node appends the node's current
// entries (including what this row already appended) once more, a node that
// no row creates stays empty, and a new id that repeats or names a leaf adds
// to what is there. A node set's result holds the final entries of its
// nodes, repeats included, sorted.
//
// Every id is turned into node trunc(v - 1) (so 2.9 names node 2).
// Limits (mexsets::Failure naming merges or sets, row, column and value),
// checked before anything else is read: merges is not empty and its first
// row's last entry is >= 1; L + R1 <= 2^32 - 1; every child id (up to the 0)
// and every new id names a node in 1 .. L + R1 (NaN does not); then, as the
// node sets are first read, row by row, so does every node-set id (up to
// the 0). Each entry is read once, where it is checked, and used from there
// (the merge matrix's ids from storage of the object's own): another thread
// writing to an input meanwhile can change the result, never what is
// addressed.
//
// Method: entries are never copied. Each row makes a new version of its node
// (one more per self reference) whose content is the sum of the versions it
// read, so the tree becomes a DAG of versions, O(entries of merges) in size.
// Versions read by exactly one other version are laid out depth-first, so
// each version's own leaves are a contiguous range of one leaf sequence;
// versions read more than once are reached through a short list of cross
// references and weighted by how often they are read. A node set's result is
// then counted per leaf and written in leaf order. Versions of at most 64
// leaves also keep their leaves as a sorted list of output ids (within a
// budget of a few times the versions' size): a node-set row made only of
// such versions, at most 8 of them, is written by merging their lists. Each
// node-set row is read once, when the object is built.
// Cost: O(R1*N1 + R2*C2 + L) to build; per node-set row O(output + shared
// versions reached * log + min(d log d, d + L/4096)), d being its number of
// distinct leaves (O(output * parts) when merged). Scratch: O(R1*N1 + R2*C2
// + L); results go straight to the caller. When L is far larger than the
// inputs, only the nodes they name get storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "common/tree_node_ids.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

class TreeLeafSets {
 public:
  // Checks both inputs (Failure for inputs outside the limits) and builds
  // the versions. Everything the object holds comes from `memory` (a
  // gateway passes the host's, which the host releases itself if it ends
  // the call while the object is alive).
  TreeLeafSets(ConstMatrix merges, ConstMatrix sets,
               std::pmr::memory_resource* memory = std::pmr::get_default_resource());

  std::size_t size() const { return row_count_.size(); }

  // The number of leaves of node-set row j, repeats included. Throws
  // Failure (resultTooLarge) when it exceeds the address range.
  std::size_t count(std::size_t j) const;

  // Writes the ascending 1-based leaf ids of node-set row j into `out`,
  // which holds `count` = count(j) entries (so count(j) has succeeded).
  void fill(std::size_t j, std::size_t count, std::uint32_t* out);

  // Filling rows on several threads at once: after prepare_threads() (on
  // the calling thread), each thread fills rows with a Filling of its own
  // (made by filling(), from the heap rather than `memory`, so on any
  // thread) and counts its work on its own InterruptCheck. Rows are
  // independent and come out the same whoever fills them.
  class Filling;
  void prepare_threads();
  Filling filling() const;
  void fill(std::size_t j, std::size_t count, std::uint32_t* out, Filling& filling,
            InterruptCheck& interrupt) const;

  // Every row j with a count, into outs[j] (outs.size() == size()), on the
  // threads of the call.
  void fill_rows(std::uint32_t* const* outs);

 private:
  struct Span {
    std::uint32_t leaves_begin, leaves_end;  // into leaves_
    std::uint32_t cross_begin, cross_end;    // into cross_
  };
  static constexpr std::uint32_t none = 0xffffffffu;

  static std::uint64_t read_merges(ConstMatrix merges, ConstMatrix sets, std::uint32_t leaves,
                                   NodeRows& children, std::pmr::vector<std::uint32_t>& parents);
  std::uint32_t version(const std::vector<std::uint32_t>& terms);
  void lay_out();
  void prepare_counting();
  template <bool Listed>
  void add(std::uint32_t vertex, std::uint64_t times, Filling& f, InterruptCheck& interrupt) const;
  template <bool Listed>
  void fill_in(std::size_t j, std::uint32_t* out, Filling& f, InterruptCheck& interrupt) const;
  void sort_small_versions();
  struct Sorted;
  bool merges(std::size_t j, Sorted* parts) const;
  bool merge_small(std::size_t j, std::uint32_t* out, Filling& f) const;

  // The work of building and of filling every row, counted for the host.
  InterruptCheck interrupt_;
  NodeSlots slots_;
  std::uint32_t leaf_slots_ = 0;  // slots 0 .. leaf_slots_-1 are leaves

  // Versions: 0 .. leaf_slots_-1 are the leaves themselves; later ones sum
  // the versions in targets_[first_[v] .. first_[v+1]).
  std::pmr::vector<std::uint32_t> current_;  // per slot: its latest version, or none (empty)
  std::pmr::vector<std::uint32_t> first_;
  std::pmr::vector<std::uint32_t> targets_;
  std::pmr::vector<std::uint64_t> sizes_;  // per version, saturating at 2^64-1

  // Sorted output ids (leaf id + 1) of the small versions: those of version
  // v are sorted_[first .. first + size) of sorted_at_[v] (first = none: not
  // kept).
  struct Sorted {
    std::uint32_t first, size;
  };
  std::pmr::vector<Sorted> sorted_at_;
  std::pmr::vector<std::uint32_t> sorted_;

  // Node-set row j reads the versions plan_[plan_first_[j] ..
  // plan_first_[j+1]) (nodes that hold nothing left out); row_count_[j] is
  // their total size, saturating at 2^64-1.
  std::pmr::vector<std::size_t> plan_first_;
  std::pmr::vector<std::uint32_t> plan_;
  std::pmr::vector<std::uint64_t> row_count_;

  // Depth-first layout (see lay_out) and counting scratch, made on first use.
  bool counting_ready_ = false;
  std::pmr::vector<Span> spans_;
  std::pmr::vector<std::uint32_t> leaves_;
  std::pmr::vector<std::uint32_t> cross_;

 public:
  // Per-row scratch, left clear after each row.
  class Filling {
    friend class TreeLeafSets;
    explicit Filling(std::pmr::memory_resource* memory)
        : scratch(memory),
          count(memory),
          weight(memory),
          heap(memory),
          touched(memory),
          bits(memory),
          summary(memory) {}
    void size_for(std::size_t leaf_slots, std::size_t versions);
    std::pmr::vector<std::uint32_t> scratch;  // for merging
    std::pmr::vector<std::uint64_t> count;    // per leaf slot, valid where bits is set
    std::pmr::vector<std::uint64_t> weight;   // per shared version waiting in heap
    std::pmr::vector<std::uint32_t> heap;
    std::pmr::vector<std::uint32_t> touched;
    std::pmr::vector<std::uint64_t> bits;     // per leaf slot
    std::pmr::vector<std::uint64_t> summary;  // per word of bits: not all zero
  };

 private:
  Filling filling_;  // the calling thread's
};

// Every row's result at once (tests, benchmarks, other bindings).
std::vector<std::vector<std::uint32_t>> tree_leaf_sets(ConstMatrix merges, ConstMatrix sets);

}  // namespace mexsets
