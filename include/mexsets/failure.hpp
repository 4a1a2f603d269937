// Failed checks, shared by computations and gateways. Nothing here knows the
// host: computations report an offending entry as a BadEntry and gateways turn
// it into the host's error (see gateway.hpp).
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>

namespace mexsets {

// A failed check. `reason` becomes the last part of the identifier
// mexsets:<function>:<reason>; `message` is shown to the caller.
class Failure : public std::exception {
 public:
  Failure(std::string reason, std::string message)
      : reason_(std::move(reason)), message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& reason() const noexcept { return reason_; }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string reason_;
  std::string message_;
};

[[noreturn]] inline void fail(std::string reason, std::string message) {
  throw Failure(std::move(reason), std::move(message));
}

// Shortest text that reads back as the same double (integers print plainly).
// NaN and infinities as MATLAB prints them.
inline std::string format_value(double value) {
  if (value != value) return "NaN";
  if (value > 1.7976931348623157e308) return "Inf";
  if (value < -1.7976931348623157e308) return "-Inf";
  char text[40];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (std::strtod(text, nullptr) == value) return text;
  }
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// An offending matrix entry, found by a computation's own check. Rows and
// columns are zero-based here and reported one-based.
struct BadEntry {
  std::string reason;   // identifier part, e.g. "idOutOfRange"
  std::string problem;  // what is wrong, e.g. "item id outside 1..3"
  std::size_t row = 0;
  std::size_t column = 0;
  double value = 0.0;
};

// "<Problem>: input <k> at row <r>, column <c> holds <value>".
[[noreturn]] inline void fail_entry(int input, const BadEntry& bad) {
  std::string problem = bad.problem;
  if (!problem.empty()) problem[0] = static_cast<char>(std::toupper(problem[0]));
  fail(bad.reason, problem + ": input " + std::to_string(input) + " at row " +
                       std::to_string(bad.row + 1) + ", column " + std::to_string(bad.column + 1) +
                       " holds " + format_value(bad.value));
}

}  // namespace mexsets
