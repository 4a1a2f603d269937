// mexsets_compare: runs the registered workloads (see compare.hpp).
//
//   mexsets_compare --seed S --out DIR [--only NAME] [--skip-reference]
//       times the transcription and the kernel, writes DIR/cpp.tsv and each
//       workload's inputs to DIR/<k>/<j>.bin for the Octave side;
//   mexsets_compare --table DIR
//       prints the table from DIR/cpp.tsv and DIR/octave.tsv.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <new>
#include <sstream>
#include <string>

#include "compare.hpp"

// Heap accounting ---------------------------------------------------------

namespace {
std::size_t g_in_use = 0;
std::size_t g_peak = 0;
}  // namespace

void* operator new(std::size_t bytes) {
  void* block = std::malloc(bytes + 16);
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = bytes;
  g_in_use += bytes;
  g_peak = std::max(g_peak, g_in_use);
  return static_cast<char*>(block) + 16;
}
void operator delete(void* p) noexcept {
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
      const Timing kernel = time_best(w.kernel, 5);
      Timing reference{-1, 0};
      if (w.run_reference && !skip_reference) reference = time_best(w.reference, 1);
      std::fprintf(stderr, " %10s %10s\n", seconds_text(reference.seconds).c_str(),
                   seconds_text(kernel.seconds).c_str());
      tsv << index << '\t' << w.function << '\t' << w.label << '\t' << reference.seconds << '\t'
          << kernel.seconds << '\t' << (w.report_memory ? double(reference.peak) : -1) << '\t'
          << (w.report_memory ? double(kernel.peak) : -1) << '\t'
          << (w.report_memory ? double(w.output_bytes) : -1) << '\n';
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
  std::map<int, std::pair<double, double>> octave;  // index -> vectorized, mex in Octave
  std::ifstream oct(dir + "/octave.tsv");
  for (std::string line; std::getline(oct, line);) {
    auto f = split(line);
    if (f.size() >= 3) octave[std::stoi(f[0])] = {std::stod(f[1]), std::stod(f[2])};
  }
  std::printf("%-22s %-44s %10s %10s %8s %11s %8s %11s %10s %10s %10s\n", "function", "workload",
              "transcr.", "kernel", "ratio", "Octave vec", "ratio", "mex (Oct)", "peak tr.",
              "peak kern.", "output");
  std::ifstream cpp(dir + "/cpp.tsv");
  for (std::string line; std::getline(cpp, line);) {
    auto f = split(line);
    if (f.size() < 8) continue;
    const int k = std::stoi(f[0]);
    const double reference = std::stod(f[3]), kernel = std::stod(f[4]);
    const auto o = octave.count(k) ? octave[k] : std::make_pair(-1.0, -1.0);
    std::printf("%-22s %-44s %10s %10s %8s %11s %8s %11s %10s %10s %10s\n", f[1].c_str(),
                f[2].c_str(), seconds_text(reference).c_str(), seconds_text(kernel).c_str(),
                ratio_text(reference, kernel).c_str(), seconds_text(o.first).c_str(),
                ratio_text(o.first, kernel).c_str(), seconds_text(o.second).c_str(),
                bytes_text(std::stod(f[5])).c_str(), bytes_text(std::stod(f[6])).c_str(),
                bytes_text(std::stod(f[7])).c_str());
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
