// The examples of a function: modules/<name>/<name>_examples.txt, read here
// for the C++ tests, by tests/octave/examples.m for Octave and by
// tests/python/examples.py for Python. Every test that goes over the
// functions takes its calls from these tables, so a function needs one.
//
// The format, one item a line; blank lines and lines starting with # are
// skipped:
//   call N              starts an example that asks for N outputs
//   in VALUE            its next input (all inputs are double)
//   out CLASS VALUE     its next expected output, of class double, logical
//                       or uint32; every example lists its N outputs
// VALUE is an Octave expression of these forms only:
//   a number            2, -0.5, 1e-300, -0, NaN, Inf, -Inf
//   a matrix            [1 2; 3 4], [1, 2], [] (entries are numbers)
//   zeros(M, N)         an empty matrix (or zeros) of that size
//   reshape(MATRIX, M, N, P...)  the matrix's entries, column by column, in
//                       that shape (a 3-D output, say)
//   {VALUE; VALUE...}   a column cell of rows (outputs only; CLASS is that of
//                       its rows): Python gets a list of 1-D arrays
//   'TEXT'              a char row (inputs only): an option's name or a
//                       choice. From the first text on, the inputs are
//                       name-value pairs, which Python passes as keywords.
// The first example is the function's valid call, the one the tests vary.
// Python gets each M-by-1 output as a 1-D array, and a number input as a
// float.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host.hpp"

namespace testing_support {

// A VALUE: dims and column-major entries, or (is_cell) a column of rows.
struct ExampleValue {
  std::vector<mwSize> dims;
  std::vector<double> data;
  bool is_cell = false;
  std::vector<ExampleValue> cells;
  bool is_text = false;
  std::string text;
};

struct ExampleOutput {
  std::string class_name;  // double, logical or uint32
  ExampleValue value;
};

struct Example {
  int nargout = 0;
  std::vector<ExampleValue> inputs;
  std::vector<ExampleOutput> outputs;
};

namespace examples_detail {

class Parser {
 public:
  explicit Parser(std::string text) : text_(std::move(text)) {}

  ExampleValue value() {
    skip();
    ExampleValue out;
    if (take("'")) {
      const std::size_t stop = text_.find('\'', pos_);
      if (stop == std::string::npos) fail("unended text");
      out.is_text = true;
      out.text = text_.substr(pos_, stop - pos_);
      out.dims = {1, out.text.size()};
      pos_ = stop + 1;
    } else if (take("{")) {
      out.is_cell = true;
      do out.cells.push_back(value());
      while (take(";"));
      expect("}");
      out.dims = {out.cells.size(), 1};
    } else if (take("zeros(")) {
      out.dims = sizes();
      std::size_t n = 1;
      for (mwSize d : out.dims) n *= d;
      out.data.assign(n, 0.0);
    } else if (take("reshape(")) {
      out = matrix();
      expect(",");
      const std::vector<mwSize> dims = sizes();
      std::size_t n = 1;
      for (mwSize d : dims) n *= d;
      if (n != out.data.size()) fail("reshape to another number of entries");
      out.dims = dims;
    } else if (peek() == '[') {
      out = matrix();
    } else {
      out.data = {number()};
      out.dims = {1, 1};
    }
    return out;
  }

  void end() {
    skip();
    if (pos_ != text_.size()) fail("unexpected text");
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error(what + " at \"" + text_.substr(pos_) + "\" in \"" + text_ + "\"");
  }
  void skip() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  char peek() {
    skip();
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }
  bool take(const std::string& word) {
    skip();
    if (text_.compare(pos_, word.size(), word) != 0) return false;
    pos_ += word.size();
    return true;
  }
  void expect(const std::string& word) {
    if (!take(word)) fail("expected \"" + word + "\"");
  }
  double number() {
    skip();
    const bool minus = pos_ < text_.size() && text_[pos_] == '-';
    if (minus) ++pos_;
    double v;
    if (text_.compare(pos_, 3, "NaN") == 0) {
      pos_ += 3;
      v = NAN;
    } else if (text_.compare(pos_, 3, "Inf") == 0) {
      pos_ += 3;
      v = INFINITY;
    } else {
      const char* start = text_.c_str() + pos_;
      char* stop = nullptr;
      v = std::strtod(start, &stop);
      if (stop == start || *start == '-' || *start == '+') fail("expected a number");
      pos_ += static_cast<std::size_t>(stop - start);
    }
    return minus ? -v : v;
  }
  std::vector<mwSize> sizes() {  // "M, N, ...)"
    std::vector<mwSize> dims;
    do dims.push_back(static_cast<mwSize>(number()));
    while (take(","));
    expect(")");
    return dims;
  }
  ExampleValue matrix() {
    expect("[");
    std::vector<std::vector<double>> rows(1);
    while (!take("]")) {
      if (take(";"))
        rows.emplace_back();
      else if (!take(","))
        rows.back().push_back(number());
    }
    if (rows.size() == 1 && rows[0].empty()) rows.clear();
    ExampleValue out;
    const std::size_t n = rows.empty() ? 0 : rows[0].size();
    for (const auto& row : rows)
      if (row.size() != n) fail("rows of different lengths");
    out.dims = {rows.size(), n};
    for (std::size_t j = 0; j < n; ++j)
      for (const auto& row : rows) out.data.push_back(row[j]);
    return out;
  }

  std::string text_;
  std::size_t pos_ = 0;
};

inline ExampleValue parse(const std::string& text) {
  Parser parser(text);
  ExampleValue value = parser.value();
  parser.end();
  return value;
}

}  // namespace examples_detail

// The table of `name` in the folder `modules`; throws std::runtime_error for
// a missing or malformed table (naming the file and line).
inline std::vector<Example> read_examples(const std::string& modules, const std::string& name) {
  const std::string path = modules + "/" + name + "/" + name + "_examples.txt";
  std::ifstream in(path);
  if (!in) throw std::runtime_error(path + " is missing: every function needs its examples");
  std::vector<Example> out;
  int number = 0;
  auto check_last = [&] {
    if (!out.empty() && out.back().outputs.size() != static_cast<std::size_t>(out.back().nargout))
      throw std::runtime_error(path + ": an example before line " + std::to_string(number) +
                               " lists another number of outputs than it asks for");
  };
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::istringstream words(line);
    std::string kind;
    if (!(words >> kind) || kind[0] == '#') continue;
    std::string rest;
    std::getline(words, rest);
    try {
      if (kind == "call") {
        check_last();
        out.emplace_back();
        out.back().nargout = std::stoi(rest);
      } else if (out.empty()) {
        throw std::runtime_error("an example must start with \"call N\"");
      } else if (kind == "in") {
        out.back().inputs.push_back(examples_detail::parse(rest));
      } else if (kind == "out") {
        std::istringstream parts(rest);
        ExampleOutput output;
        parts >> output.class_name;
        if (output.class_name != "double" && output.class_name != "logical" &&
            output.class_name != "uint32")
          throw std::runtime_error("unknown class " + output.class_name);
        std::getline(parts, rest);
        output.value = examples_detail::parse(rest);
        out.back().outputs.push_back(output);
      } else {
        throw std::runtime_error("unknown line kind " + kind);
      }
    } catch (const std::exception& error) {
      throw std::runtime_error(path + " line " + std::to_string(number) + ": " + error.what());
    }
  }
  ++number;
  check_last();
  if (out.empty()) throw std::runtime_error(path + " holds no example");
  return out;
}

// A VALUE as a double host array (not a cell), or a char row.
inline standin::Array to_host(const ExampleValue& value) {
  if (value.is_cell) throw std::invalid_argument("to_host: a cell is an output only");
  if (value.is_text) return standin::text(value.text);
  standin::Array out = standin::numeric(mxDOUBLE_CLASS, value.dims);
  for (std::size_t k = 0; k < value.data.size(); ++k) mxGetPr(out.get())[k] = value.data[k];
  return out;
}

// Whether a host array is the expected output: its class, dims and bits.
inline ::testing::AssertionResult matches(const ExampleOutput& expected, const mxArray* got,
                                          const ExampleValue* value = nullptr) {
  const ExampleValue& want = value ? *value : expected.value;
  if (!got) return ::testing::AssertionFailure() << "no output";
  std::vector<mwSize> dims = standin::dims(got);
  if (dims != want.dims)
    return ::testing::AssertionFailure() << "dims differ from the expected ones";
  if (want.is_cell) {
    if (!mxIsCell(got)) return ::testing::AssertionFailure() << "not a cell";
    for (std::size_t k = 0; k < want.cells.size(); ++k) {
      auto row = matches(expected, mxGetCell(got, k), &want.cells[k]);
      if (!row) return row << " (cell " << k + 1 << ")";
    }
    return ::testing::AssertionSuccess();
  }
  const std::size_t n = want.data.size();
  std::vector<double> values(n);
  const mxClassID id = mxGetClassID(got);
  if (expected.class_name == "double" && id == mxDOUBLE_CLASS) {
    for (std::size_t k = 0; k < n; ++k) values[k] = mxGetPr(got)[k];
  } else if (expected.class_name == "logical" && id == mxLOGICAL_CLASS) {
    for (std::size_t k = 0; k < n; ++k) values[k] = mxGetLogicals(got)[k] ? 1 : 0;
  } else if (expected.class_name == "uint32" && id == mxUINT32_CLASS) {
    for (std::size_t k = 0; k < n; ++k) values[k] = static_cast<const unsigned*>(mxGetData(got))[k];
  } else {
    return ::testing::AssertionFailure()
           << "class id " << static_cast<int>(id) << ", expected " << expected.class_name;
  }
  for (std::size_t k = 0; k < n; ++k) {
    std::uint64_t a, b;
    std::memcpy(&a, &values[k], sizeof a);
    std::memcpy(&b, &want.data[k], sizeof b);
    if (a != b)
      return ::testing::AssertionFailure()
             << "element " << k + 1 << " is " << values[k] << ", expected " << want.data[k];
  }
  return ::testing::AssertionSuccess();
}

}  // namespace testing_support
