// Results too large for the machine are refused before they are created.
//
// A contract calls require_result_fits before creating a result whose size
// follows from input values (a node count, a size argument) rather than from
// an input's own extents. The result's bytes, times the copies of it that the
// host holds at once (call.result_copies()), are compared with the memory the
// machine can give:
//   - the environment variable MEXSETS_MEMORY_LIMIT, a byte count in decimal
//     digits, when it is set to one (read at every call; tests set it);
//   - else MemAvailable of /proc/meminfo (Linux: memory that can be given
//     without swapping, free and reclaimable cache together);
//   - else the physical memory (sysconf), where the system reports it;
//   - else the address range (PTRDIFF_MAX bytes), which no array exceeds.
// A container limit (cgroup) is not seen: set MEXSETS_MEMORY_LIMIT there.
// Needs below small_result_bytes are not compared with the machine (reading
// its memory costs more than creating them), only with MEXSETS_MEMORY_LIMIT.
// Byte counts saturate at 2^64-1, so a product of extents never wraps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "mexsets/failure.hpp"

namespace mexsets {

constexpr std::uint64_t saturated_bytes = UINT64_MAX;
constexpr std::uint64_t small_result_bytes = std::uint64_t{16} << 20;

// a * b, or saturated_bytes when the product exceeds 64 bits.
constexpr std::uint64_t saturating_product(std::uint64_t a, std::uint64_t b) {
  return a && b > saturated_bytes / a ? saturated_bytes : a * b;
}

constexpr std::uint64_t saturating_sum(std::uint64_t a, std::uint64_t b) {
  return b > saturated_bytes - a ? saturated_bytes : a + b;
}

// The memory a result may take, and where that figure comes from.
struct MemoryLimit {
  enum class Source { environment, available, physical, address_range };
  std::uint64_t bytes = PTRDIFF_MAX;
  Source source = Source::address_range;
};

namespace detail {

// A byte count of decimal digits only (surrounding blanks allowed); false
// for anything else, including values beyond 64 bits.
inline bool parse_byte_count(const char* text, std::uint64_t& bytes) {
  while (*text == ' ' || *text == '\t') ++text;
  if (*text < '0' || *text > '9') return false;
  std::uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    const std::uint64_t digit = static_cast<std::uint64_t>(*text - '0');
    if (value > (saturated_bytes - digit) / 10) return false;
    value = value * 10 + digit;
  }
  while (*text == ' ' || *text == '\t' || *text == '\n') ++text;
  if (*text) return false;
  bytes = value;
  return true;
}

// MemAvailable in bytes, or false where /proc/meminfo has none.
inline bool available_memory(std::uint64_t& bytes) {
  std::FILE* file = std::fopen("/proc/meminfo", "r");
  if (!file) return false;
  char line[256];
  bool found = false;
  unsigned long long kib = 0;
  while (!found && std::fgets(line, sizeof line, file))
    found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
  std::fclose(file);
  if (found) bytes = saturating_product(kib, 1024);
  return found;
}

inline bool physical_memory(std::uint64_t& bytes) {
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return false;
  bytes =
      saturating_product(static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(page_size));
  return true;
#else
  (void)bytes;
  return false;
#endif
}

inline std::string byte_text(std::uint64_t bytes) {
  return bytes == saturated_bytes ? "more than 2^64-1" : std::to_string(bytes);
}

}  // namespace detail

// The memory limit set by MEXSETS_MEMORY_LIMIT, if any. A value that is no
// byte count is ignored.
inline bool memory_limit_from_environment(MemoryLimit& limit) {
  const char* text = std::getenv("MEXSETS_MEMORY_LIMIT");
  std::uint64_t bytes = 0;
  if (!text || !detail::parse_byte_count(text, bytes)) return false;
  limit = {bytes, MemoryLimit::Source::environment};
  return true;
}

// The rule above, in full (the machine is always asked).
inline MemoryLimit memory_limit() {
  MemoryLimit limit;
  if (memory_limit_from_environment(limit)) return limit;
  if (detail::available_memory(limit.bytes))
    limit.source = MemoryLimit::Source::available;
  else if (detail::physical_memory(limit.bytes))
    limit.source = MemoryLimit::Source::physical;
  return limit;
}

namespace detail {

// The memory limit that `held` bytes exceed, if they do (the rule above).
inline bool exceeds_limit(std::uint64_t held, MemoryLimit& limit) {
  if (!memory_limit_from_environment(limit)) {
    if (held < small_result_bytes) return false;
    limit = memory_limit();
  }
  return held == saturated_bytes || held > limit.bytes;
}

[[noreturn]] inline void fail_result_too_large(std::uint64_t bytes, int copies, std::uint64_t held,
                                               const MemoryLimit& limit, const std::string& what,
                                               const char* advice, const Place& argument) {
  std::string need = " would take " + byte_text(bytes) + " bytes";
  if (copies > 1)
    need += " (" + byte_text(held) + " with the " + std::to_string(copies) +
            " copies this host holds at once)";
  const std::string available = std::to_string(limit.bytes);
  std::string has;
  switch (limit.source) {
    case MemoryLimit::Source::environment:
      has = "MEXSETS_MEMORY_LIMIT allows " + available + " bytes";
      break;
    case MemoryLimit::Source::available:
      has = "this machine has " + available + " bytes available";
      break;
    case MemoryLimit::Source::physical:
      has = "this machine has " + available + " bytes of physical memory";
      break;
    default:
      has = "no array may exceed the address range of " + available + " bytes";
      break;
  }
  fail("outputTooLarge", "Output too large: " + what + " for ", argument,
       need + ", but " + has + "; " + advice);
}

}  // namespace detail

// Fails with outputTooLarge when `bytes` times `copies` exceed the memory
// limit. `what()` names the result ("the 10-by-20-by-3 logical masks"),
// `argument` the input that sets its size, `advice` what the caller can do.
// `what` is called only for the message: a result that fits costs no text.
template <class What>
void require_result_fits(std::uint64_t bytes, int copies, What what, const char* advice,
                         const Place& argument) {
  const std::uint64_t held = saturating_product(bytes, copies > 1 ? copies : 1);
  MemoryLimit limit;
  if (detail::exceeds_limit(held, limit))
    detail::fail_result_too_large(bytes, copies, held, limit, what(), advice, argument);
}

}  // namespace mexsets
