// Stopping a long call when the user asks (Ctrl-C), without knowing the host.
//
// A host installs a hook for the duration of one call on the calling thread
// (InterruptScope); a computation counts its work on an InterruptCheck,
// which asks the hook about every `period` units of work whether to stop and
// then throws Interrupted. Computations unwind through RAII (as they do on a
// Failure), so an interrupted call gives no result, holds no memory and
// leaves nothing behind; the host then reports the interrupt its own way.
//
//   InterruptCheck interrupt;  // where a long loop starts
//   for (std::size_t i = 0; i < rows; ++i) {
//     interrupt.tick(cols);  // the work of this row
//     ...
//   }
//
// A unit is about a nanosecond of work (one term of a sum, one element
// read): a tick counts what the loop step costs, within a factor of a few,
// so that polls come every millisecond or so on any input. A tick is a
// decrement and a branch: in a scalar loop it costs nothing measurable, but
// it would keep a loop from vectorising, so such loops tick a chunk at a
// time (for_each_index). Without a hook (plain C++ callers, tests,
// benchmarks) nothing is ever asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>

// Polls stay out of line and out of the hot path.
#if defined(__GNUC__) || defined(__clang__)
#define MEXSETS_COLD_PATH __attribute__((noinline, cold))
#else
#define MEXSETS_COLD_PATH
#endif

namespace mexsets {

// Thrown by a computation that its host asked to stop.
class Interrupted : public std::exception {
 public:
  const char* what() const noexcept override { return "interrupted"; }
};

// Units of work between two polls of a host: about a millisecond.
constexpr std::size_t default_interrupt_period = std::size_t{1} << 20;

// How a host is asked: stop(context) is true when the call should end. It is
// called on the computing thread only, about every `period` units of work
// (a period of 1 asks at every tick).
struct InterruptHook {
  bool (*stop)(void* context) = nullptr;
  void* context = nullptr;
  std::size_t period = default_interrupt_period;
};

namespace interrupt_detail {
// The hook of the call running on this thread, if any.
inline thread_local const InterruptHook* current_hook = nullptr;
}  // namespace interrupt_detail

// Installs `hook` on this thread for the scope's lifetime; the hook that was
// installed before comes back afterwards. The hook must outlive the scope.
class InterruptScope {
 public:
  explicit InterruptScope(const InterruptHook* hook) noexcept
      : previous_(interrupt_detail::current_hook) {
    interrupt_detail::current_hook = hook;
  }
  ~InterruptScope() { interrupt_detail::current_hook = previous_; }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

 private:
  const InterruptHook* previous_;
};

// The countdown a computation ticks. Made where a long loop starts (reading
// the hook costs a thread-local lookup) and passed by reference to helpers
// that a loop calls many times, so that their work adds up. Only a poll
// leaves the inline path, and it is given the hook rather than the object,
// so a local countdown stays in a register.
class InterruptCheck {
 public:
  InterruptCheck() noexcept : hook_(interrupt_detail::current_hook), left_(period(hook_)) {}

  // `units` of work done; asks the host when a period has passed, and throws
  // Interrupted when it says stop.
  void tick(std::size_t units = 1) {
    left_ -= static_cast<std::int64_t>(units);
    if (left_ <= 0) left_ = poll(hook_);
  }

  // body(i) for i = 0 .. n-1, ticking `units` for each index a chunk of
  // indices at a time: within a chunk the loop is the plain one (and one
  // that vectorises still does).
  template <class Body>
  void for_each_index(std::size_t n, std::size_t units, Body&& body) {
    constexpr std::size_t chunk = 4096;
    for (std::size_t begin = 0; begin < n; begin += chunk) {
      const std::size_t end = n - begin < chunk ? n : begin + chunk;
      tick(units * (end - begin));
      for (std::size_t i = begin; i < end; ++i) body(i);
    }
  }

 private:
  static std::int64_t period(const InterruptHook* hook) noexcept {
    return hook ? static_cast<std::int64_t>(hook->period) : INT64_MAX;
  }

  MEXSETS_COLD_PATH static std::int64_t poll(const InterruptHook* hook) {
    if (hook && hook->stop(hook->context)) throw Interrupted();
    return period(hook);
  }

  const InterruptHook* hook_;
  std::int64_t left_;
};

}  // namespace mexsets
