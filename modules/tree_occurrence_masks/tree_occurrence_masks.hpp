// tree_occurrence_masks: where the nodes of each node set of a merge tree
// occur in a label matrix, one M-by-N plane of flags per node set.
//
// Inputs (column-major doubles, 1-based node ids):
//   labels  M-by-N; every entry names the node its position belongs to
//           (normally a leaf). There is no background value.
//   merges  R2-by-C2 merge matrix. Row r (0-based) creates node L + r + 1
//           from the child ids in columns 0 .. C2-2, listed up to the first
//           entry equal to 0 (a NaN or negative entry does not end it). Only
//           the first row's last entry is read from the last column: it fixes
//           the leaf count L = trunc(v - 1); there are L + R2 nodes.
//   sets    K-by-C3 node-set matrix; row k lists node ids in all of its
//           columns up to the first 0.
// Output: M*N*K flags, element (i, j, k) at i + j*M + k*M*N, true where
// position (i, j) belongs to a node of row k.
//
// What belongs to a node: first each position belongs to the node it is
// labelled with; then rows run first to last, and each child id adds what
// that child holds at that moment to the row's node. Hence row r's node gets
// the positions of every child created before it (leaves and nodes of
// earlier rows) with all they hold, but only the labelled positions of a
// child created by a later row; naming its own node changes nothing. A
// position labelled with a merge node belongs to it and the nodes above it,
// not to its children.
//
// Every id is turned into node trunc(v - 1) (so 2.9 names node 2). Limits,
// checked once, by check(), before anything is built (mexsets::Failure
// naming the argument, row, column and value), in this order: merges is not
// empty and its first row's last entry is >= 1, with L + R2 <= 2^32 - 1;
// every label, every child id (up to the 0) and every node-set id (up to the
// 0) names a node in 1 .. L + R2 (NaN and 0 do not); M*N*K is addressable.
// Building reads the merge matrix and the node sets once more, into the
// object's own storage, and the labels where they are used; every id read
// after check() is kept to a node that exists (unchanged, it is itself), so
// another thread writing to an input meanwhile can change the result, never
// what is addressed.
//
// Method: a plane is the union of the positions of the labels that reach
// one of its nodes, so no position list is ever copied. A row's node links to
// its earlier children (whose sets it includes) and to the labels of its
// later ones; a node set is expanded over these links once per plane. The
// labels' positions are kept as runs of consecutive linear indices, grouped
// by label; a plane sets a bit for each run of a reached label and writes
// each stretch of neighbouring set runs with one memset, in linear order (a
// subtree's labels mostly lie side by side, so a plane takes about one write
// per column they cover). When the runs would take more room than the
// output, planes are filled by one pass over the labels each. Cost:
// O(M*N + R2*C2) to build; per plane O(links reached + runs of reached
// labels + runs between the first and last of them / 64 + flags written)
// (or O(M*N) in the fallback). Scratch: O(runs + L + R2*C2), at most about
// the output's size; when L is far larger than the inputs, only the nodes
// they name get storage. Threads: the runs are found and the planes marked
// on the threads of the call (common/parallel.hpp), each plane with stamps
// of its own (O(L + runs / 64) more scratch per thread); the flags are the
// same on any number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/tree_node_ids.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

class TreeOccurrenceMasks {
 public:
  // Inputs that passed check(), with the leaf count it read.
  class Checked {
   public:
    ConstMatrix labels, merges, sets;

   private:
    friend class TreeOccurrenceMasks;
    Checked(ConstMatrix l, ConstMatrix m, ConstMatrix s, std::uint32_t leaves)
        : labels(l), merges(m), sets(s), leaves_(leaves) {}
    std::uint32_t leaves_;
  };

  // Throws Failure for inputs outside the limits; allocates nothing.
  static Checked check(ConstMatrix labels, ConstMatrix merges, ConstMatrix sets);

  // Builds the links and runs of checked inputs.
  explicit TreeOccurrenceMasks(const Checked& inputs);

  std::size_t rows() const { return labels_.rows; }
  std::size_t cols() const { return labels_.cols; }
  std::size_t planes() const { return sets_.rows(); }

  // Sets the flags of every plane in `out` (rows*cols*planes elements, all
  // false on entry). Called once per object; the planes are marked on the
  // threads of the call.
  void mark(bool* out);

 private:
  struct Link {
    std::uint32_t slot;
    bool expand;  // the child's whole set, or only its own label
  };

  // Labels are too many to keep a copy of, so each is read again where it
  // is used, after check() read them all: another thread may have changed
  // it since, so it is kept to a node that exists (unchanged, it is itself).
  // Loops take a copy, which keeps the bound and the kind of slots in
  // registers.
  struct LabelSlots {
    const double* labels;
    std::uint32_t last_node;
    bool compact;
    const NodeSlots* slots;
    std::uint32_t operator()(std::size_t position) const {
      const std::uint32_t node = kept_node(labels[position], last_node);
      return compact ? slots->named_slot(node) : node;
    }
  };
  // The node of an id read after check(), kept to the nodes that exist.
  static std::uint32_t kept_node(double id, std::uint32_t last_node) {
    const std::uint32_t node = node_index(id);
    return node > last_node ? changed(last_node) : node;
  }
  // Rows of ids read once into own storage, as NodeRows::read reads them,
  // each id kept to the nodes that exist.
  void read_row(NodeRows& rows, ConstMatrix m, std::size_t r, std::size_t columns) const;
  // An id changed since check() gets the last node. Out of line, so that
  // the test above is a branch, always predicted, and not a conditional
  // move that the lookup waits for.
  [[gnu::cold, gnu::noinline]] static std::uint32_t changed(std::uint32_t last_node) {
    return last_node;
  }
  // The work of slot_of_label: a binary search when the slots are compact.
  std::size_t slot_lookup_units() const { return slots_.compact() ? 32 : 2; }
  LabelSlots label_slots() const { return {labels_.data, last_node_, slots_.compact(), &slots_}; }
  // What marking a plane uses: stamps per slot (a slot is done for plane k
  // when its stamp is k + 1), the stack of the expansion and, with runs, the
  // labelled slots that have runs (hit[0 .. hits-1], room for every slot)
  // and a bit per run (all clear between planes).
  struct Marking {
    std::vector<std::uint64_t> expanded, labelled;
    std::vector<std::uint32_t> stack, hit;
    std::vector<std::uint64_t> runs;
    std::size_t hits = 0;
  };
  void find_runs(std::size_t planes);
  void mark_plane(std::size_t k, bool* out, Marking& marking, InterruptCheck& interrupt) const;
  void reach(std::size_t k, std::uint64_t stamp, Marking& marking, InterruptCheck& interrupt) const;
  void label(std::uint32_t slot, std::uint64_t stamp, Marking& marking) const;
  void write_runs(bool* plane, Marking& marking, InterruptCheck& interrupt) const;

  ConstMatrix labels_;
  std::uint32_t last_node_ = 0;  // 0-based
  NodeRows sets_;                // the node sets' ids, read once
  InterruptCheck interrupt_;     // the work of building and marking, counted for the host
  NodeSlots slots_;
  std::vector<std::uint32_t> first_link_;  // per slot, into links_
  std::vector<Link> links_;
  // Runs of equal labels, numbered in linear order: run r covers positions
  // run_begin_[r] .. run_begin_[r + 1] - 1 and has slot run_slot_[r]; each
  // slot's runs, in that order, are slot_runs_[first_run_[s] ..
  // first_run_[s + 1] - 1].
  bool use_runs_ = false;
  std::vector<std::uint32_t> run_begin_, run_slot_;
  std::vector<std::uint32_t> first_run_, slot_runs_;
  Marking marking_;  // the calling thread's
};

}  // namespace mexsets
