// Interrupting computations in the C++ tests: a hook that asks at every tick
// and stops at a chosen poll, and the check every function runs with it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/parallel.hpp"
#include "mexsets/interrupt.hpp"

namespace testing_support {

// Installed for its lifetime on this thread: polled at every tick (period 1),
// it says stop at poll `stop_at` (0: never) and counts the polls.
class StopAtPoll {
 public:
  explicit StopAtPoll(std::size_t stop_at) : stop_at_(stop_at), scope_(&hook_) {}
  StopAtPoll(const StopAtPoll&) = delete;
  StopAtPoll& operator=(const StopAtPoll&) = delete;
  std::size_t polls() const { return polls_; }

 private:
  static bool stop(void* context) {
    StopAtPoll& self = *static_cast<StopAtPoll*>(context);
    return ++self.polls_ == self.stop_at_;
  }

  std::size_t stop_at_;
  std::size_t polls_ = 0;
  mexsets::InterruptHook hook_{&stop, this, 1};
  mexsets::InterruptScope scope_;
};

// Results compared bit for bit where they hold doubles.
inline bool same_result(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}
template <class T>
bool same_result(const T& a, const T& b) {
  return a == b;
}

// `run()` calls a computation on inputs it holds and returns its result.
// The computation must ask whether to stop (the hook is polled at least
// once), throw mexsets::Interrupted when stopped at any of up to `tries`
// polls spread over the run (the first and the last among them; under the
// sanitizers, leaking nothing), and give the undisturbed result afterwards.
template <class Run>
void expect_interruptible(Run run, std::size_t tries = 12) {
  // One thread, so that the calling thread's polls (the only ones) come in
  // the same number every run (tests/support/threads.hpp checks interrupts
  // on several threads).
  const mexsets::ThreadScope serial(1);
  const auto expected = run();
  std::size_t polls = 0;
  {
    const StopAtPoll counting(0);
    EXPECT_TRUE(same_result(run(), expected)) << "a hook that never stops changed the result";
    polls = counting.polls();
  }
  ASSERT_GT(polls, 0u) << "the computation never asks whether to stop";
  const std::size_t count = std::min(tries, polls);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t at = count == 1 ? 1 : 1 + k * (polls - 1) / (count - 1);
    const StopAtPoll stopping(at);
    EXPECT_THROW(run(), mexsets::Interrupted) << "stopped at poll " << at << " of " << polls;
  }
  EXPECT_TRUE(same_result(run(), expected)) << "the call after an interrupt differs";
}

}  // namespace testing_support
