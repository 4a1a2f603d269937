// Inputs that another thread writes to while a computation reads them, as a
// Python caller's thread can while a call runs without the GIL on an array
// read in place. The result may then mean nothing; the call must still never
// read or write outside an array (the sanitizer build checks that), and end
// with a result or a mexsets::Failure.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "mexsets/failure.hpp"
#include "support.hpp"

namespace testing_support {

// An input's elements.
struct RacedInput {
  double* data;
  std::size_t size;
};

struct RaceCounts {
  std::size_t calls = 0, failures = 0, writes = 0;
};

// Calls `call` again and again for `duration` while a second thread writes
// hostile values (ids far out of range, negative, NaN, 0, infinite, huge,
// fractional) into random runs of the inputs' entries and restores them.
// Every input holds its original values again on return.
template <class Call>
RaceCounts race(std::vector<RacedInput> inputs, Call call,
                std::chrono::milliseconds duration = std::chrono::milliseconds(150)) {
  static const double hostile[] = {1e9,  -5,    std::numeric_limits<double>::quiet_NaN(),
                                   0,    1e300, -std::numeric_limits<double>::infinity(),
                                   1e18, 0.5,   4294967297.0};
  const auto pause = [](std::size_t steps) {
    for (volatile std::size_t k = 0; k < steps; k = k + 1) {
    }
  };
  std::atomic<bool> stop{false};
  std::atomic<std::size_t> writes{0};
  std::thread writer([&] {
    std::mt19937_64 random(7);
    std::vector<double> saved;
    while (!stop.load(std::memory_order_relaxed)) {
      const RacedInput& in = inputs[random() % inputs.size()];
      if (in.size == 0) continue;
      volatile double* data = in.data;
      const std::size_t first = random() % in.size;
      const std::size_t count = std::min<std::size_t>(1 + random() % 64, in.size - first);
      const double value = hostile[random() % (sizeof hostile / sizeof hostile[0])];
      saved.assign(in.data + first, in.data + first + count);
      for (std::size_t k = 0; k < count; ++k) data[first + k] = value;
      // The value stands for a microsecond or so, or, while this thread
      // gives way, for as long as the computation runs in its place (as when
      // both share one core).
      if (random() % 32)
        pause(random() % 1024);
      else
        std::this_thread::yield();
      for (std::size_t k = 0; k < count; ++k) data[first + k] = saved[k];
      pause(std::size_t{1} << random() % 18);  // gaps of every scale
      writes.fetch_add(1, std::memory_order_relaxed);
    }
  });
  RaceCounts counts;
  const auto end = std::chrono::steady_clock::now() + duration;
  do {
    ++counts.calls;
    try {
      call();
    } catch (const mexsets::Failure&) {
      ++counts.failures;
    }
  } while (std::chrono::steady_clock::now() < end);
  stop = true;
  writer.join();
  counts.writes = writes;
  return counts;
}

inline ::testing::AssertionResult same_race_result(const std::vector<double>& a,
                                              const std::vector<double>& b) {
  return same_bits(a, b);
}
template <class T>
::testing::AssertionResult same_race_result(const T& a, const T& b) {
  return a == b ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
}

// Races `run` (see race) against writes to `inputs`, none of which may make
// it crash or read or write outside an array; once every input is restored,
// it gives again the result (compared with ==, doubles bit for bit) that it
// gave before.
template <class Run>
void expect_harmless_race(std::vector<RacedInput> inputs, Run run) {
  const auto before = run();
  const RaceCounts counts = race(std::move(inputs), [&] { run(); });
  EXPECT_GT(counts.writes, 0u);
  EXPECT_TRUE(same_race_result(before, run()))
      << counts.calls << " calls, " << counts.failures << " failed";
}

}  // namespace testing_support
