// Failed checks, shared by computations and hosts. Nothing here knows a host:
// a message points at arguments by their names (Place), and each host renders
// those places the way its users index (MEX: "input 3 at row 2, column 4";
// Python: "subsets[1, 3]").
#pragma once

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace mexsets {

// An argument of the call, or one entry of it, named as the function's
// contract names its inputs. Rows and columns are zero-based.
struct Place {
  enum class Form {
    argument,  // MEX "input 3",          Python "subsets"
    named,     // MEX "input 4 (lambda)", Python "lambda_"
    entry,     // MEX "input 3 at row 2, column 4", Python "subsets[1, 3]"
    row,       // MEX "row 2 of input 3",            Python "subsets[1]"
  };
  std::string argument;
  Form form = Form::argument;
  std::size_t row = 0;
  std::size_t column = 0;
};

inline Place arg(std::string name) { return {std::move(name), Place::Form::argument}; }
inline Place named_arg(std::string name) { return {std::move(name), Place::Form::named}; }
inline Place entry(std::string name, std::size_t row, std::size_t column) {
  return {std::move(name), Place::Form::entry, row, column};
}
inline Place row(std::string name, std::size_t row) {
  return {std::move(name), Place::Form::row, row};
}

// Renders a place as one host's users read it.
using PlaceText = std::function<std::string(const Place&)>;

// Host-free rendering: "subsets at row 2, column 4" (one-based), for
// computations called without a host (tests, benchmarks, fuzzers).
inline std::string plain_place_text(const Place& place) {
  if (place.form == Place::Form::row)
    return "row " + std::to_string(place.row + 1) + " of " + place.argument;
  if (place.form != Place::Form::entry) return place.argument;
  return place.argument + " at row " + std::to_string(place.row + 1) + ", column " +
         std::to_string(place.column + 1);
}

// A failed check. `reason` becomes the last part of the identifier
// mexsets:<function>:<reason>; the message is text with places between.
class Failure : public std::exception {
 public:
  struct Piece {
    std::string text;
    bool is_place = false;
    Place place;
  };

  Failure(std::string reason, std::string message)
      : reason_(std::move(reason)), pieces_{Piece{std::move(message), false, Place{}}} {
    plain_ = render(plain_place_text);
  }
  Failure(std::string reason, std::vector<Piece> pieces)
      : reason_(std::move(reason)), pieces_(std::move(pieces)) {
    plain_ = render(plain_place_text);
  }

  const char* what() const noexcept override { return plain_.c_str(); }
  const std::string& reason() const noexcept { return reason_; }
  // The message with host-free places (see plain_place_text).
  const std::string& message() const noexcept { return plain_; }
  const std::vector<Piece>& pieces() const noexcept { return pieces_; }

  std::string render(const PlaceText& place_text) const {
    std::string out;
    for (const Piece& piece : pieces_) out += piece.is_place ? place_text(piece.place) : piece.text;
    return out;
  }

 private:
  std::string reason_;
  std::vector<Piece> pieces_;
  std::string plain_;
};

namespace detail {
inline void add_pieces(std::vector<Failure::Piece>&) {}
template <class... Rest>
void add_pieces(std::vector<Failure::Piece>& out, Place place, Rest&&... rest);
template <class... Rest>
void add_pieces(std::vector<Failure::Piece>& out, std::string text, Rest&&... rest) {
  out.push_back(Failure::Piece{std::move(text), false, Place{}});
  add_pieces(out, std::forward<Rest>(rest)...);
}
template <class... Rest>
void add_pieces(std::vector<Failure::Piece>& out, Place place, Rest&&... rest) {
  out.push_back(Failure::Piece{std::string(), true, std::move(place)});
  add_pieces(out, std::forward<Rest>(rest)...);
}
}  // namespace detail

// fail("tooFewValues", "Too few relevance values: ", arg("relevance"), " holds 3")
// Pieces are strings or Places.
template <class... Pieces>
[[noreturn]] void fail(std::string reason, Pieces&&... pieces) {
  std::vector<Failure::Piece> parts;
  detail::add_pieces(parts, std::forward<Pieces>(pieces)...);
  throw Failure(std::move(reason), std::move(parts));
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

// The reason for an id that addresses nothing: NaN, or out of range.
inline const char* id_reason(double id) {
  return std::isnan(id) ? "idNotANumber" : "idOutOfRange";
}

// An offending matrix entry: the one way every check reports one.
struct BadEntry {
  std::string argument;  // the contract's name of the input
  std::string reason;    // identifier part, e.g. "idOutOfRange"
  std::string problem;   // what is wrong, e.g. "item id outside 1..3"
  std::size_t row = 0;   // zero-based
  std::size_t column = 0;
  double value = 0.0;
};

// "<Problem>: <place of the entry> holds <value>".
[[noreturn]] inline void fail_entry(const BadEntry& bad) {
  std::string problem = bad.problem;
  if (!problem.empty()) problem[0] = static_cast<char>(std::toupper(problem[0]));
  fail(bad.reason, problem + ": ", entry(bad.argument, bad.row, bad.column),
       " holds " + format_value(bad.value));
}

// An id entry that addresses nothing: idNotANumber or idOutOfRange.
[[noreturn]] inline void fail_id(const std::string& argument, const std::string& problem,
                                 std::size_t row, std::size_t column, double value) {
  fail_entry({argument, id_reason(value), problem, row, column, value});
}

}  // namespace mexsets
