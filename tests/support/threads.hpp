// Same bits for any number of threads: the check every parallel computation
// runs on its random and edge inputs.
//
//   expect_same_for_threads([&] { return run(inputs); });
//
// runs the computation on one thread with its own grains (the reference),
// then on 1, 2, 3 and 8 threads with every grain capped at 1, 3 and 64 (so
// that even small inputs are cut into many chunks), and expects results
// equal bit for bit, or the same failure (reason and message) every time.
// `run` returns the results: std::vector of numbers (compared by their
// bytes), or anything with ==; a std::tuple or std::pair of those.
#pragma once

#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/parallel.hpp"
#include "mexsets/failure.hpp"
#include "mexsets/interrupt.hpp"

namespace testing_support {

template <class T>
bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
  if constexpr (std::is_arithmetic_v<T>)
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
  else {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!same_bits(a[i], b[i])) return false;
    return true;
  }
}
inline bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
template <class T>
bool same_bits(const T& a, const T& b) {
  return a == b;
}
template <class A, class B>
bool same_bits(const std::pair<A, B>& a, const std::pair<A, B>& b) {
  return same_bits(a.first, b.first) && same_bits(a.second, b.second);
}
template <class... T>
bool same_bits(const std::tuple<T...>& a, const std::tuple<T...>& b) {
  return std::apply(
      [&](const auto&... x) {
        return std::apply([&](const auto&... y) { return (same_bits(x, y) && ...); }, b);
      },
      a);
}

// A run's result, or the failure it ended with.
template <class Result>
struct Outcome {
  Result result{};
  bool failed = false;
  std::string failure;  // reason and message
};

template <class Run>
auto outcome_of(Run& run) {
  Outcome<decltype(run())> out;
  try {
    out.result = run();
  } catch (const mexsets::Failure& failure) {
    out.failed = true;
    out.failure = failure.reason() + ": " + failure.message();
  }
  return out;
}

inline const std::size_t thread_counts[] = {1, 2, 3, 8};
inline const std::size_t grain_caps[] = {1, 3, 64};

// Lets the process run 8 threads at once even on fewer cores (TBB's pool
// is otherwise one thread per core).
inline oneapi::tbb::global_control& eight_threads() {
  static oneapi::tbb::global_control control(oneapi::tbb::global_control::max_allowed_parallelism,
                                             8);
  return control;
}

template <class Run>
void expect_same_for_threads(Run run) {
  eight_threads();
  const auto expected = [&] {
    const mexsets::ThreadScope serial(1);
    return outcome_of(run);
  }();
  for (std::size_t cap : grain_caps)
    for (std::size_t threads : thread_counts) {
      const mexsets::ThreadScope scope(threads, cap);
      const auto got = outcome_of(run);
      EXPECT_EQ(got.failed, expected.failed) << threads << " threads, grain " << cap;
      EXPECT_EQ(got.failure, expected.failure) << threads << " threads, grain " << cap;
      EXPECT_TRUE(same_bits(got.result, expected.result))
          << threads << " threads, grain " << cap << ": results differ from one thread's";
    }
}

// An interrupt in a split run: stopped at the calling thread's first or
// second poll, the run throws Interrupted (the other threads' chunks end with
// it), and the run after it gives the undisturbed result.
template <class Run>
void expect_interruptible_in_parallel(Run run) {
  eight_threads();
  const mexsets::ThreadScope scope(3, 1);
  const auto expected = outcome_of(run);
  for (std::size_t at : {1, 2}) {
    struct Stop {
      std::size_t at, polls = 0;
      static bool stop(void* context) {
        Stop& self = *static_cast<Stop*>(context);
        return ++self.polls >= self.at;
      }
    } stop{at};
    const mexsets::InterruptHook hook{&Stop::stop, &stop, 1};
    const mexsets::InterruptScope installed(&hook);
    EXPECT_THROW(run(), mexsets::Interrupted) << "stopped at poll " << at;
  }
  const auto again = outcome_of(run);
  EXPECT_TRUE(same_bits(again.result, expected.result)) << "the run after an interrupt differs";
}

}  // namespace testing_support
