// Shared by the C++ tests: error expectations, random inputs and comparisons
// of doubles bit for bit.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace testing_support {

// The module under test, loaded at its first call and kept until the program
// ends. Loading waits for that call so that a test program can set the host
// up first (an environment variable, say).
//
//   const testing_support::LoadedModule module("score_subsets");
//   auto result = module().call(2, {&a, &b, &s});
class LoadedModule {
 public:
  explicit LoadedModule(std::string name) : name_(std::move(name)) {}

  const standin::Module& operator()() const {
    if (!module_) module_ = std::make_unique<standin::Module>(name_);
    return *module_;
  }

 private:
  std::string name_;
  mutable std::unique_ptr<standin::Module> module_;
};

// An environment variable set for the object's lifetime (MEXSETS_MEMORY_LIMIT,
// say); the previous value, or its absence, comes back afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = std::make_unique<std::string>(old);
    setenv(name_.c_str(), value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (old_)
      setenv(name_.c_str(), old_->c_str(), 1);
    else
      unsetenv(name_.c_str());
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::unique_ptr<std::string> old_;
};

// "<reason>: <message>" of the mexsets::Failure that a call made without a
// host throws, or "no failure".
template <class Call>
std::string failure_of(Call call) {
  try {
    call();
  } catch (const mexsets::Failure& failure) {
    return failure.reason() + ": " + failure.message();
  }
  return "no failure";
}

// Runs a call that must fail; checks the identifier and that the message
// ends with `message_end` (hosts may prefix the function name).
inline void expect_mex_error(const std::function<void()>& call, const std::string& identifier,
                             const std::string& message_end) {
  try {
    call();
  } catch (const standin::MexError& error) {
    EXPECT_EQ(error.identifier(), identifier);
    const std::string& message = error.message();
    EXPECT_TRUE(
        message.size() >= message_end.size() &&
        message.compare(message.size() - message_end.size(), message_end.size(), message_end) == 0)
        << "message: \"" << message << "\"\nexpected to end with: \"" << message_end << "\"";
    return;
  }
  ADD_FAILURE() << "the call succeeded; expected " << identifier;
}

// A whole number below `bound` from a test's generator, as a double: the ids,
// counts and values the tests draw are small enough for a double to hold
// exactly, which the check keeps true.
inline double whole_below(std::mt19937_64& random, std::uint64_t bound) {
  if (bound > (std::uint64_t{1} << 53))
    throw std::invalid_argument("whole_below: bound beyond the exact doubles");
  return static_cast<double>(random() % bound);
}

inline std::uint64_t bits(double value) {
  std::uint64_t b;
  std::memcpy(&b, &value, sizeof b);
  return b;
}

// Bit-for-bit equality (NaN equals a NaN of the same bits, -0 differs from +0).
inline ::testing::AssertionResult same_bits(const std::vector<double>& expected,
                                            const std::vector<double>& actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure()
           << "sizes differ: " << expected.size() << " vs " << actual.size();
  for (std::size_t k = 0; k < expected.size(); ++k)
    if (bits(expected[k]) != bits(actual[k]))
      return ::testing::AssertionFailure()
             << "element " << k << ": expected " << expected[k] << ", got " << actual[k];
  return ::testing::AssertionSuccess();
}

// A column-major matrix from rows written as in MATLAB.
inline mexsets::OwnedMatrix<double> rows_of(
    std::initializer_list<std::initializer_list<double>> rows) {
  const std::size_t m = rows.size();
  const std::size_t n = m ? rows.begin()->size() : 0;
  mexsets::OwnedMatrix<double> out(m, n);
  std::size_t i = 0;
  for (const auto& row : rows) {
    if (row.size() != n) throw std::invalid_argument("rows_of: rows of different lengths");
    std::size_t j = 0;
    for (double v : row) out(i, j++) = v;
    ++i;
  }
  return out;
}

inline standin::Array to_host(const mexsets::OwnedMatrix<double>& m) {
  return standin::doubles(m.rows, m.cols, m.data);
}

}  // namespace testing_support
