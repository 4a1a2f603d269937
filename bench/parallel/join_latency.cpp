// How late a second thread joins a parallel_for (common/parallel.hpp) on two
// threads, after the calling thread has done `gap` microseconds of serial
// work since the previous loop ended, or slept 50 ms (gap -1: the workers
// long idle). Each iteration times one loop of two chunks: the calling
// thread's chunk waits (up to 20 ms) until the other chunk starts on another
// thread, which notes how long after the call to parallel_for that was.
//
//   Join/<gap>          the loop as the computations run it
//   Prewake/<gap>       the arena is handed an empty task when the serial
//                       work starts, so that a worker is on its way while
//                       the caller works
//   Floor/<gap>         a plain std::thread woken through a condition
//                       variable: what waking a sleeping thread costs on
//                       this machine, whatever the scheduler around it
//   YieldFloor/<gap>    the same thread, which after each wake calls
//                       sched_yield for 200 microseconds before it sleeps
//                       again, as a oneTBB worker does when a loop runs out
//                       of chunks (a gap under 200 microseconds finds it
//                       still spinning)
//
// On the 2-core development VM (Linux 6.18, HZ 250), a thread woken by the
// caller mostly lands on the caller's core. A thread that just slept wakes
// there at once (Floor: 14 to 18 microseconds after a long sleep); one that
// spun on sched_yield before it slept does not preempt the caller and waits
// for its time slice or the next tick (YieldFloor and Join: some 1.8 ms
// after a long sleep, up to 6 ms), unless the kernel put it on the other,
// idle core (then 30 to 50 microseconds). Prewake gains nothing: the
// early worker lands on the caller's core the same way, and spins and sleeps
// again before the loop comes when the serial work is long.
//
// Counters: p10, p50, p90 of the join latency over the iterations
// (microseconds); `late`, the share of loops that no other thread joined
// within 20 ms; `same_cpu`, the share of joins where the other thread ran on
// the core the calling thread was spinning on (it could run only once the
// kernel moved one of them or took the core from the caller).
#include <benchmark/benchmark.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "common/parallel.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// Serial work on the calling thread for `gap` microseconds, or 50 ms asleep
// for gap -1.
void serial_gap(std::int64_t gap) {
  if (gap < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return;
  }
  const auto until = Clock::now() + std::chrono::microseconds(gap);
  while (Clock::now() < until) {
  }
}

void gaps(benchmark::internal::Benchmark* b) {
  for (std::int64_t gap : {-1, 0, 20, 100, 500, 2000}) b->Arg(gap);
  b->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(300);
}

// A join: how long after the start the other thread ran, and whether on the
// caller's core.
struct Join {
  double wait = -1;  // microseconds; negative: none within most_wait
  bool same_cpu = false;
};

struct Joins {
  std::vector<double> waits;
  std::size_t late = 0, same_cpu = 0;

  void add(benchmark::State& state, const Join& join) {
    if (join.wait < 0) {
      ++late;
    } else {
      waits.push_back(join.wait);
      same_cpu += join.same_cpu;
    }
    state.SetIterationTime(join.wait < 0 ? 0.0 : 1e-6 * join.wait);
  }
};

void report(benchmark::State& state, Joins& joins) {
  std::vector<double>& waits = joins.waits;
  const std::size_t late = joins.late;
  std::sort(waits.begin(), waits.end());
  const auto at = [&](double q) {
    return waits.empty()
               ? 0.0
               : waits[static_cast<std::size_t>(q * static_cast<double>(waits.size() - 1))];
  };
  state.counters["p10"] = at(0.1);
  state.counters["p50"] = at(0.5);
  state.counters["p90"] = at(0.9);
  state.counters["late"] = static_cast<double>(late) / static_cast<double>(waits.size() + late);
  state.counters["same_cpu"] =
      waits.empty() ? 0.0 : static_cast<double>(joins.same_cpu) / static_cast<double>(waits.size());
}

constexpr auto most_wait = std::chrono::milliseconds(20);

// One loop of two chunks: when a thread other than the caller starts one.
Join join_loop() {
  const auto caller = std::this_thread::get_id();
  std::atomic<std::int64_t> joined{-1};
  int other_cpu = -1;
  bool shared = false;
  const auto start = Clock::now();
  mexsets::parallel_for(2, 1, [&](std::size_t, std::size_t) {
    if (std::this_thread::get_id() != caller) {
      other_cpu = sched_getcpu();
      joined.store((Clock::now() - start).count(), std::memory_order_release);
      return;
    }
    const int cpu = sched_getcpu();
    const auto until = Clock::now() + most_wait;
    while (joined.load(std::memory_order_acquire) < 0 && Clock::now() < until) {
    }
    shared = joined.load(std::memory_order_acquire) >= 0 &&
             (other_cpu == cpu || other_cpu == sched_getcpu());
  });
  const std::int64_t ticks = joined.load(std::memory_order_acquire);
  return {ticks < 0 ? -1.0 : micros(Clock::duration(ticks)), shared};
}

template <bool prewake>
void wake(benchmark::State& state) {
  mexsets::ThreadScope scope(2);
  Joins joins;
  join_loop();  // the arena made and the workers started
  for (auto _ : state) {
    if (prewake) scope.arena().enqueue([] {});
    serial_gap(state.range(0));
    joins.add(state, join_loop());
  }
  report(state, joins);
}

void Join(benchmark::State& state) { wake<false>(state); }
void Prewake(benchmark::State& state) { wake<true>(state); }

template <bool yield_spin>
void floor(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable signal;
  bool go = false, quit = false;
  std::atomic<std::int64_t> woke{-1};
  std::atomic<int> woke_cpu{-1};
  Clock::time_point start;
  std::thread other([&] {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
      signal.wait(hold, [&] { return go || quit; });
      if (quit) return;
      go = false;
      woke_cpu.store(sched_getcpu(), std::memory_order_relaxed);
      woke.store((Clock::now() - start).count(), std::memory_order_release);
      if (yield_spin) {
        hold.unlock();
        const auto until = Clock::now() + std::chrono::microseconds(200);
        while (Clock::now() < until) sched_yield();
        hold.lock();
      }
    }
  });
  Joins joins;
  for (auto _ : state) {
    serial_gap(state.range(0));
    woke.store(-1, std::memory_order_relaxed);
    {
      const std::lock_guard<std::mutex> hold(lock);
      start = Clock::now();
      go = true;
    }
    signal.notify_one();
    const int cpu = sched_getcpu();
    const auto until = Clock::now() + most_wait;
    while (woke.load(std::memory_order_acquire) < 0 && Clock::now() < until) {
    }
    const std::int64_t ticks = woke.load(std::memory_order_acquire);
    joins.add(state, {ticks < 0 ? -1.0 : micros(Clock::duration(ticks)),
                      ticks >= 0 && woke_cpu.load(std::memory_order_relaxed) == cpu});
  }
  {
    const std::lock_guard<std::mutex> hold(lock);
    quit = true;
  }
  signal.notify_one();
  other.join();
  report(state, joins);
}

void Floor(benchmark::State& state) { floor<false>(state); }
void YieldFloor(benchmark::State& state) { floor<true>(state); }

}  // namespace

BENCHMARK(Join)->Apply(gaps);
BENCHMARK(Prewake)->Apply(gaps);
BENCHMARK(Floor)->Apply(gaps);
BENCHMARK(YieldFloor)->Apply(gaps);

BENCHMARK_MAIN();
