// What the parallel loops of the computations share (common/parallel.hpp
// runs them): the size of their chunks and their interrupt ticks.
//
// Chunks. A loop over n items of about `units` units of work each (the
// units of mexsets/interrupt.hpp, about a nanosecond) takes chunks of at
// least kChunkWork units, and no more than kMostChunks of them: a call whose
// whole loop is smaller runs inline, as the serial loop did, and a large one
// gives every thread several chunks to balance. The chunks depend on the
// input alone, never on the number of threads.
//
// Scratch. A loop whose items each need scratch of some size (a stamp per
// node, say) borrows one from a ScratchPool per chunk: no more chunks run at
// once than the call has threads, so the pool holds that many, each made
// when first borrowed and kept for later chunks. Results must not depend on
// which scratch a chunk gets.
//
// Interrupt ticks. The host's hook lives on the
// calling thread alone (mexsets/interrupt.hpp), so a body counts its work on
// the caller's own InterruptCheck when it runs there, and on a silent one
// (no hook: it never asks) on any other thread. One thread, or a call small
// enough to run inline, thus ticks exactly as the serial loop did; with more
// threads the caller still polls about every period of its own work, and an
// Interrupted thrown there ends the parallel loop like any other exception.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "common/parallel.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

constexpr std::size_t kChunkWork = std::size_t{1} << 15;  // about 30 microseconds
constexpr std::size_t kMostChunks = 64;

// The grain of a loop over n items of about `units` units each (at least 1).
inline std::size_t work_grain(std::size_t n, double units) {
  const double least = static_cast<double>(kChunkWork) / (units > 1 ? units : 1);
  const std::size_t by_work = least >= static_cast<double>(n) ? n : static_cast<std::size_t>(least);
  const std::size_t by_count = (n + kMostChunks - 1) / kMostChunks;
  const std::size_t grain = by_work > by_count ? by_work : by_count;
  return grain > 0 ? grain : 1;
}

// The grain of a loop over n items of `units` each that splits only from
// `least_work` units in all: below it the loop runs on the calling thread
// alone. Waking another thread to join a loop took 100 to 200 microseconds
// on the 2-core development VM, so a loop that is small, or that a call runs
// many times, gains only past a measured amount of work; each function keeps
// its own measured least_work next to the loop.
inline std::size_t grain_from_work(std::size_t n, double units, double least_work) {
  if (static_cast<double>(n) * units < least_work) return n > 0 ? n : 1;
  return work_grain(n, units);
}

// The grain of a loop that a sequential algorithm runs once per step
// (thousands of times a call): such a loop splits only when one step holds
// about a millisecond of work. Below that, the other threads' joining each
// step's loop costs more than they take over: rank_diverse's postings steps
// at 16,000 candidates, with chunks of kChunkWork, ran 0.54 to 0.83 times as
// fast on two threads as on one (bench/rank_diverse, Threads).
constexpr double kStepSplitWork = 1 << 20;
inline std::size_t step_grain(std::size_t n, double units) {
  return grain_from_work(n, units, kStepSplitWork);
}

// Whether parallel_for(n, grain, ...) would run more than one chunk (tests
// cap the grain through their ThreadScope): a loop that must prepare shared
// data before it splits prepares it only then.
inline bool splits(std::size_t n, std::size_t grain) {
  return call_threads() > 1 && n > chunk_grain(grain);
}

// A loop that writes a varying number of entries per chunk, in the order of
// its items, on the threads of the call: count(begin, end) returns how many
// entries chunk [begin, end) writes, the counts are summed in chunk order,
// then write(begin, end, first, stop) writes that chunk's entries at
// first .. stop-1. The chunks are the same in both passes.
class ChunkOffsets {
 public:
  ChunkOffsets(std::size_t n, std::size_t grain)
      : n_(n), grain_(chunk_grain(grain)), first_(n / grain_ + 2, 0) {}

  // The entries of all chunks.
  template <class Count>
  std::size_t count(Count&& count_chunk) {
    parallel_for(n_, grain_, [&](std::size_t begin, std::size_t end) {
      first_[begin / grain_ + 1] = count_chunk(begin, end);
    });
    for (std::size_t k = 1; k < first_.size(); ++k) first_[k] += first_[k - 1];
    return first_.back();
  }

  template <class Write>
  void write(Write&& write_chunk) const {
    parallel_for(n_, grain_, [&](std::size_t begin, std::size_t end) {
      write_chunk(begin, end, first_[begin / grain_], first_[begin / grain_ + 1]);
    });
  }

 private:
  std::size_t n_, grain_;
  std::vector<std::size_t> first_;  // first_[k]: the entries before chunk k
};

class CallerTicks {
 public:
  explicit CallerTicks(InterruptCheck& caller) noexcept
      : caller_(caller), thread_(std::this_thread::get_id()) {}

  // The countdown for the thread running now: the caller's, else `silent`
  // (made on that thread, so without a hook).
  InterruptCheck& here(InterruptCheck& silent) const noexcept {
    return std::this_thread::get_id() == thread_ ? caller_ : silent;
  }

 private:
  InterruptCheck& caller_;
  std::thread::id thread_;
};

template <class T, class Make>
class ScratchPool {
 public:
  // At most `capacity` chunks borrow at once (call_threads()).
  ScratchPool(std::size_t capacity, Make make)
      : made_(capacity ? capacity : 1), busy_(new std::atomic<bool>[made_.size()]), make_(make) {
    for (std::size_t i = 0; i < made_.size(); ++i) busy_[i] = false;
  }

  // The scratch at index 0, made beforehand (to hand over what the serial
  // loop had).
  void seed(T scratch) { made_[0].emplace(std::move(scratch)); }

  // body(scratch) with a scratch of its own while it runs.
  template <class Body>
  void with(Body&& body) {
    for (;;) {
      for (std::size_t i = 0; i < made_.size(); ++i) {
        if (busy_[i].exchange(true, std::memory_order_acquire)) continue;
        struct Release {
          std::atomic<bool>& busy;
          ~Release() { busy.store(false, std::memory_order_release); }
        } release{busy_[i]};
        if (!made_[i]) made_[i].emplace(make_());
        body(*made_[i]);
        return;
      }
      std::this_thread::yield();  // more borrowers than threads: wait for one
    }
  }

 private:
  std::vector<std::optional<T>> made_;
  std::unique_ptr<std::atomic<bool>[]> busy_;
  Make make_;
};

}  // namespace mexsets
