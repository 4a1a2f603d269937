// mexsets_compare: runs the registered workloads (see compare.hpp).
//
//   mexsets_compare --seed S --out DIR [--only NAME] [--skip-reference]
//       times the transcription, the kernel and the workload's floor (one
//       read of its inputs, one write of its results), writes DIR/cpp.tsv
//       and each workload's inputs to DIR/<k>/<j>.bin for the Octave side;
//   mexsets_compare --table DIR
//       prints the table from DIR/cpp.tsv and DIR/octave.tsv, with the
//       kernel's and the Octave module's times as multiples of the floor.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <new>
#include <numeric>
#include <sstream>
#include <string>

#include "compare.hpp"

// Heap accounting ---------------------------------------------------------

namespace {
std::size_t g_in_use = 0;
std::size_t g_peak = 0;
}  // namespace

// Not inlined: GCC would then see a block from malloc reach operator delete,
// or one from operator new reach free.
[[gnu::noinline]] void* operator new(std::size_t bytes) {
  void* block = std::malloc(bytes + 16);
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = bytes;
  g_in_use += bytes;
  g_peak = std::max(g_peak, g_in_use);
  return static_cast<char*>(block) + 16;
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
  if (!p) return;
  void* block = static_cast<char*>(p) - 16;
  g_in_use -= *static_cast<std::size_t*>(block);
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void* operator new[](std::size_t bytes) { return operator new(bytes); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace compare {

std::size_t heap_in_use() { return g_in_use; }
std::size_t heap_peak() { return g_peak; }
void reset_heap_peak() { g_peak = g_in_use; }

std::vector<Registered>& registry() {
  static std::vector<Registered> list;
  return list;
}

Registration::Registration(const std::string& function, Maker maker) {
  registry().push_back({function, std::move(maker)});
}

}  // namespace compare

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double seconds = 0;    // best of the runs
  std::size_t peak = 0;  // heap peak above the level before the call
};

// Best of several runs, stopping once about a second has been spent.
Timing time_best(const std::function<void()>& run, int max_runs) {
  Timing best{1e300, 0};
  double spent = 0;
  for (int r = 0; r < max_runs && (r == 0 || spent < 1.0); ++r) {
    const std::size_t before = compare::heap_in_use();
    compare::reset_heap_peak();
    const auto t0 = Clock::now();
    run();
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    best.seconds = std::min(best.seconds, s);
    best.peak = std::max(best.peak, compare::heap_peak() - before);
    spent += s;
  }
  return best;
}

// Keeps the writes to p that came before (the compiler may otherwise drop
// stores to memory that is freed right after).
void keep(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
  asm volatile("" : : "r"(p) : "memory");
#else
  static const void* volatile sink;
  sink = p;
#endif
}

// The floor of a workload: one read of every input byte and one write of
// every result. The read adds the inputs up as 64-bit words in eight
// independent lanes, which keeps it at the rate memory streams; the write
// fills each result with a non-zero byte, in a fresh allocation as the host
// hands out, or in buffers paged in beforehand where the workload keeps its
// results from run to run.
class Floor {
 public:
  explicit Floor(const compare::Workload& w) : w_(w) {
    if (w.results_kept)
      for (std::size_t bytes : w.results) kept_.emplace_back(bytes, 0);
  }

  void operator()() {
    std::uint64_t lane[8] = {};
    for (const compare::Matrix& m : w_.inputs) {
      const auto* p = reinterpret_cast<const unsigned char*>(m.data.data());
      const std::size_t words = m.data.size();  // one per double
      std::size_t k = 0;
      for (; k + 8 <= words; k += 8)
        for (std::size_t l = 0; l < 8; ++l) {
          std::uint64_t word;
          std::memcpy(&word, p + 8 * (k + l), 8);
          lane[l] += word;
        }
      for (; k < words; ++k) {
        std::uint64_t word;
        std::memcpy(&word, p + 8 * k, 8);
        lane[0] += word;
      }
    }
    std::uint64_t total = 0;
    for (std::uint64_t x : lane) total += x;
    sink_ = total;
    for (std::size_t r = 0; r < w_.results.size(); ++r) {
      const std::size_t bytes = w_.results[r];
      if (w_.results_kept) {
        std::memset(kept_[r].data(), 1, bytes);
        keep(kept_[r].data());
        continue;
      }
      void* fresh = std::malloc(bytes ? bytes : 1);
      if (!fresh) throw std::bad_alloc();
      std::memset(fresh, 1, bytes);
      keep(fresh);
      std::free(fresh);
    }
  }

 private:
  const compare::Workload& w_;
  std::vector<std::vector<unsigned char>> kept_;
  volatile std::uint64_t sink_ = 0;
};

void write_matrix(const std::string& path, const compare::Matrix& m) {
  std::ofstream out(path, std::ios::binary);
  const double dims[2] = {static_cast<double>(m.rows), static_cast<double>(m.cols)};
  out.write(reinterpret_cast<const char*>(dims), sizeof dims);
  out.write(reinterpret_cast<const char*>(m.data.data()),
            static_cast<std::streamsize>(m.data.size() * sizeof(double)));
}

std::string seconds_text(double s) {
  char text[32];
  if (s < 0) return "-";
  if (s < 1e-3)
    std::snprintf(text, sizeof text, "%.1f us", s * 1e6);
  else if (s < 1)
    std::snprintf(text, sizeof text, "%.2f ms", s * 1e3);
  else
    std::snprintf(text, sizeof text, "%.2f s", s);
  return text;
}

std::string bytes_text(double b) {
  char text[32];
  if (b < 0) return "-";
  if (b < 1 << 20)
    std::snprintf(text, sizeof text, "%.0f kB", b / 1024);
  else
    std::snprintf(text, sizeof text, "%.1f MB", b / (1 << 20));
  return text;
}

std::string ratio_text(double numerator, double denominator) {
  char text[32];
  if (numerator < 0 || denominator <= 0) return "-";
  std::snprintf(text, sizeof text, "%.1fx", numerator / denominator);
  return text;
}

int run(std::uint64_t seed, const std::string& dir, const std::string& only, bool skip_reference) {
  mkdir(dir.c_str(), 0755);
  std::ofstream tsv(dir + "/cpp.tsv");
  std::ofstream list(dir + "/workloads.tsv");
  int index = 0;
  for (const auto& entry : compare::registry()) {
    if (!only.empty() && entry.function != only) continue;
    std::vector<compare::Workload> workloads = entry.maker(seed);
    for (auto& w : workloads) {
      const std::string folder = dir + "/" + std::to_string(++index);
      mkdir(folder.c_str(), 0755);
      for (std::size_t j = 0; j < w.inputs.size(); ++j)
        write_matrix(folder + "/" + std::to_string(j + 1) + ".bin", w.inputs[j]);
      std::fprintf(stderr, "%-22s %-46s", w.function.c_str(), w.label.c_str());
      // Floor and kernel back to back, so both see the machine alike.
      Floor floor(w);
      const Timing floor_time = time_best(std::ref(floor), 5);
      const Timing kernel = time_best(w.kernel, 5);
      Timing reference{-1, 0};
      if (w.run_reference && !skip_reference) reference = time_best(w.reference, 1);
      std::fprintf(stderr, " %10s %10s  floor %10s %6s\n", seconds_text(reference.seconds).c_str(),
                   seconds_text(kernel.seconds).c_str(), seconds_text(floor_time.seconds).c_str(),
                   ratio_text(kernel.seconds, floor_time.seconds).c_str());
      tsv << index << '\t' << w.function << '\t' << w.label << '\t' << reference.seconds << '\t'
          << kernel.seconds << '\t' << (w.report_memory ? double(reference.peak) : -1) << '\t'
          << (w.report_memory ? double(kernel.peak) : -1) << '\t'
          << (w.report_memory
                  ? double(std::accumulate(w.results.begin(), w.results.end(), std::size_t{0}))
                  : -1)
          << '\t' << floor_time.seconds << '\n';
      list << index << '\t' << w.function << '\t' << w.inputs.size() << '\n';
    }
  }
  return 0;
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

int table(const std::string& dir) {
  struct Octave {
    double vectorized = -1, oct = -1, mex = -1;
  };
  std::map<int, Octave> octave;  // by workload: octave.tsv's three sides
  std::ifstream oct(dir + "/octave.tsv");
  for (std::string line; std::getline(oct, line);) {
    auto f = split(line);
    if (f.size() < 3) continue;
    Octave& o = octave[std::stoi(f[0])];
    o.vectorized = std::stod(f[1]);
    o.oct = std::stod(f[2]);
    // NaN when the build has no MEX file.
    if (f.size() > 3 && f[3] != "NaN") o.mex = std::stod(f[3]);
  }
  // ratio: transcription over kernel; vec/oct: Octave's vectorized code over
  // the oct-file; kern/fl and oct/fl: the kernel (the oct-file in Octave)
  // over the floor.
  std::printf("%-22s %-44s %10s %10s %7s %11s %7s %10s %10s %10s %7s %7s %10s %10s %10s\n",
              "function", "workload", "transcr.", "kernel", "ratio", "Octave vec", "vec/oct",
              "oct-file", "MEX (Oct)", "floor", "kern/fl", "oct/fl", "peak tr.", "peak kern.",
              "output");
  std::ifstream cpp(dir + "/cpp.tsv");
  for (std::string line; std::getline(cpp, line);) {
    auto f = split(line);
    if (f.size() < 8) continue;
    const int k = std::stoi(f[0]);
    const double reference = std::stod(f[3]), kernel = std::stod(f[4]);
    const double floor = f.size() > 8 ? std::stod(f[8]) : -1;
    const Octave o = octave.count(k) ? octave[k] : Octave{};
    std::printf("%-22s %-44s %10s %10s %7s %11s %7s %10s %10s %10s %7s %7s %10s %10s %10s\n",
                f[1].c_str(), f[2].c_str(), seconds_text(reference).c_str(),
                seconds_text(kernel).c_str(), ratio_text(reference, kernel).c_str(),
                seconds_text(o.vectorized).c_str(), ratio_text(o.vectorized, o.oct).c_str(),
                seconds_text(o.oct).c_str(), seconds_text(o.mex).c_str(),
                seconds_text(floor).c_str(), ratio_text(kernel, floor).c_str(),
                ratio_text(o.oct, floor).c_str(), bytes_text(std::stod(f[5])).c_str(),
                bytes_text(std::stod(f[6])).c_str(), bytes_text(std::stod(f[7])).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t seed = 1;
  std::string out = "bench-out", only, table_dir;
  bool skip_reference = false;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--seed" && k + 1 < argc)
      seed = std::strtoull(argv[++k], nullptr, 10);
    else if (arg == "--out" && k + 1 < argc)
      out = argv[++k];
    else if (arg == "--only" && k + 1 < argc)
      only = argv[++k];
    else if (arg == "--table" && k + 1 < argc)
      table_dir = argv[++k];
    else if (arg == "--skip-reference")
      skip_reference = true;
    else {
      std::fprintf(
          stderr,
          "usage: %s [--seed S] [--out DIR] [--only NAME] [--skip-reference] | --table DIR\n",
          argv[0]);
      return 2;
    }
  }
  if (!table_dir.empty()) return table(table_dir);
  return run(seed, out, only, skip_reference);
}
