// common/parallel.hpp: chunks that depend on n and grain only, the call's
// thread count, failures and interrupts as on one thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "common/parallel.hpp"
#include "mexsets/failure.hpp"
#include "threads.hpp"

namespace {

using mexsets::parallel_for;
using mexsets::ThreadScope;
using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

Ranges ranges_of(std::size_t n, std::size_t grain) {
  Ranges seen;
  std::mutex lock;
  parallel_for(n, grain, [&](std::size_t begin, std::size_t end) {
    const std::lock_guard<std::mutex> hold(lock);
    seen.emplace_back(begin, end);
  });
  std::sort(seen.begin(), seen.end());
  return seen;
}

TEST(ParallelFor, ChunksDependOnSizeAndGrainOnly) {
  testing_support::eight_threads();
  for (std::size_t threads : {2, 3, 8}) {
    const ThreadScope scope(threads);
    EXPECT_EQ(mexsets::call_threads(), threads);
    EXPECT_EQ(ranges_of(10, 4), (Ranges{{0, 4}, {4, 8}, {8, 10}}));
    EXPECT_EQ(ranges_of(12, 4), (Ranges{{0, 4}, {4, 8}, {8, 12}}));
    EXPECT_EQ(ranges_of(4, 4), (Ranges{{0, 4}}));  // n <= grain: inline
    EXPECT_EQ(ranges_of(0, 4), (Ranges{{0, 0}}));
    EXPECT_EQ(ranges_of(3, 0), (Ranges{{0, 1}, {1, 2}, {2, 3}}));  // grain 0 reads as 1
  }
  {
    const ThreadScope serial(1);
    EXPECT_EQ(mexsets::call_threads(), 1u);
    EXPECT_EQ(ranges_of(10, 4), (Ranges{{0, 10}}));
  }
  const ThreadScope capped(2, 3);
  EXPECT_EQ(ranges_of(7, 100), (Ranges{{0, 3}, {3, 6}, {6, 7}}));
}

TEST(ParallelFor, ScopesNestAndBodiesSeeTheirCall) {
  testing_support::eight_threads();
  const ThreadScope outer(3);
  {
    const ThreadScope inner(1);
    EXPECT_EQ(mexsets::call_threads(), 1u);
  }
  EXPECT_EQ(mexsets::call_threads(), 3u);
  std::atomic<std::size_t> wrong{0}, total{0};
  parallel_for(64, 1, [&](std::size_t begin, std::size_t end) {
    if (mexsets::call_threads() != 3) ++wrong;
    // A parallel_for in a body shares the call's threads.
    parallel_for(end - begin + 9, 2, [&](std::size_t b, std::size_t e) { total += e - b; });
  });
  EXPECT_EQ(wrong.load(), 0u);
  EXPECT_EQ(total.load(), 64u * 10u);
}

TEST(ParallelFor, RunsOnSeveralThreads) {
  testing_support::eight_threads();
  const ThreadScope scope(2);
  std::set<std::thread::id> ids;
  std::mutex lock;
  // Chunks that wait for a second thread to show up (bounded).
  parallel_for(64, 1, [&](std::size_t, std::size_t) {
    {
      const std::lock_guard<std::mutex> hold(lock);
      ids.insert(std::this_thread::get_id());
    }
    for (int k = 0; k < 2000; ++k) {
      {
        const std::lock_guard<std::mutex> hold(lock);
        if (ids.size() > 1) return;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  });
  EXPECT_EQ(ids.size(), 2u);
}

TEST(ParallelFor, FailuresReachTheCallerAsThrown) {
  testing_support::eight_threads();
  const ThreadScope scope(3, 1);
  EXPECT_THROW(parallel_for(50, 1,
                            [](std::size_t begin, std::size_t) {
                              if (begin == 37) mexsets::fail("badThing", "Bad thing");
                            }),
               mexsets::Failure);
  EXPECT_THROW(parallel_for(50, 1,
                            [](std::size_t begin, std::size_t) {
                              if (begin == 3) throw std::bad_alloc();
                            }),
               std::bad_alloc);
  // parallel_for_ordered: the first failure in index order, as serially.
  for (int round = 0; round < 20; ++round) {
    try {
      mexsets::parallel_for_ordered(200, 1, [](std::size_t begin, std::size_t) {
        if (begin % 50 == 13) mexsets::fail("at" + std::to_string(begin), "Bad");
      });
      ADD_FAILURE() << "no failure";
    } catch (const mexsets::Failure& failure) {
      EXPECT_EQ(failure.reason(), "at13");
    }
  }
}

// A loop nested in a chunk while another chunk fails: its chunks are cut
// short, and the body that ran it never goes on past it (it would read what
// they did not write). The caller gets the failure.
TEST(ParallelFor, AFailureStopsTheBodiesOfLoopsNestedElsewhere) {
  testing_support::eight_threads();
  const ThreadScope scope(2);
  for (int round = 0; round < 5; ++round) {
    std::atomic<bool> nested_started{false};
    std::atomic<std::size_t> went_on_short{0};
    EXPECT_THROW(parallel_for(2, 1,
                              [&](std::size_t begin, std::size_t) {
                                if (begin == 0) {  // fails once the other chunk's loop runs
                                  for (int wait = 0; wait < 100000 && !nested_started; ++wait)
                                    std::this_thread::yield();
                                  mexsets::fail("badThing", "Bad thing");
                                }
                                std::atomic<std::size_t> ran{0};
                                parallel_for(4000, 1, [&](std::size_t, std::size_t) {
                                  nested_started = true;
                                  ++ran;
                                  std::this_thread::sleep_for(std::chrono::microseconds(20));
                                });
                                if (ran != 4000) ++went_on_short;
                              }),
                 mexsets::Failure);
    EXPECT_EQ(went_on_short, 0u) << "round " << round;
  }
}

TEST(ParallelFor, OnlyTheCallingThreadPollsTheHost) {
  testing_support::eight_threads();
  const ThreadScope scope(3, 1);
  struct Count {
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<std::size_t> polls{0}, elsewhere{0};
    static bool stop(void* context) {
      Count& self = *static_cast<Count*>(context);
      ++self.polls;
      if (std::this_thread::get_id() != self.caller) ++self.elsewhere;
      return false;
    }
  } count;
  const mexsets::InterruptHook hook{&Count::stop, &count, 1};
  const mexsets::InterruptScope installed(&hook);
  parallel_for(200, 1, [](std::size_t begin, std::size_t end) {
    mexsets::InterruptCheck check;
    for (std::size_t i = begin; i < end; ++i) check.tick();
  });
  EXPECT_GT(count.polls.load(), 0u);
  EXPECT_EQ(count.elsewhere.load(), 0u);
  testing_support::expect_interruptible_in_parallel([] {
    std::vector<double> out(500);
    parallel_for(out.size(), 7, [&](std::size_t begin, std::size_t end) {
      mexsets::InterruptCheck check;
      for (std::size_t i = begin; i < end; ++i) {
        check.tick();
        out[i] = static_cast<double>(i) * 0.5;
      }
    });
    return out;
  });
}

}  // namespace
