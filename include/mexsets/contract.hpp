// The one statement of a function's argument rules, read by every host.
//
// Each module has <name>_contract.hpp with one struct:
//
//   struct ScoreSubsetsContract : ContractDefaults {
//     static constexpr const char* name = "score_subsets";
//     static constexpr Argument inputs[] = {matrix_argument("a"), matrix_argument("b"),
//                                           matrix_argument("subsets")};
//     // scalar_argument, optional_scalar, optional_matrix and
//     // choice_argument (below) state the other kinds of input; named(...)
//     // makes an optional input one given by name only.
//     static constexpr std::size_t min_inputs = 3, max_inputs = 3;
//     static constexpr int outputs = 2;               // most outputs given
//     static constexpr const char* nargin_message = "There should be 3 input parameters";
//     // nargout_message (a fixed text) and synopsis (see below) when the
//     // function has them; ContractDefaults gives none.
//     template <class Call> static void run(Call& call);
//   };
//
// `run` reads the inputs, checks them and creates the outputs through `call`,
// in the order that the function documents, and calls the computation. Hosts
// (mexsets/mex_host.hpp, mexsets/oct_host.hpp, mexsets/python_host.hpp) only
// convert: each implements the Call operations below over its own arrays and
// renders failures' Places with its own numbering or names.
//
// Call operations (k is the zero-based position in `inputs` or in the
// outputs):
//   bool given(k)                   the caller passed input k
//   ConstMatrix matrix(k)           input k as a dense real column-major
//                                   double matrix (host checks: class,
//                                   dimensions, layout)
//   ConstMatrix page(k)             the first M-by-D page of input k, of any
//                                   number of dimensions
//   ConstArray3 array3(k)           input k as M-by-N-by-C doubles (two
//                                   dimensions read as C = 1)
//   void unread(k)                  input k is checked like matrix(k) but
//                                   never read
//   bool sparse(k)                  input k is held sparse (MATLAB or
//                                   Octave sparse; in Python any
//                                   scipy.sparse matrix or array)
//   ConstCompressed compressed(k)   input k, sparse, as read-only compressed
//                                   columns (mexsets/compressed_columns.hpp;
//                                   host checks: class double, two
//                                   dimensions, real, then the structure
//                                   with check_compressed); a Python host
//                                   reads a copy, taken with the GIL held
//   double scalar(k)                input k's first element, or its default
//                                   when not given
//   std::size_t choice(k)           the index of input k's text among its
//                                   choices, or its default when not given
//   double* column(k, m)            output k: m doubles (M-by-1; 1-D in Python)
//   double* matrix_output(k, r, c)  output k: r-by-c doubles, column-major
//   unsigned char* logical_column(k, m)    output k: m logicals
//   bool* logical_array(k, d0, d1, d2)     output k: d0-by-d1-by-d2 logicals
//   void lists(k, n, count)         output k: n lists of uint32 (a cell),
//                                   list j of count(j) entries, all made at
//                                   once (a host may need a lock to make one)
//   std::uint32_t* list(k, j)       the entries of list j of output k
//   std::pmr::memory_resource* scratch()   memory for containers held while
//                                   outputs are created
//   void most_outputs(n)            the caller may ask for at most n outputs
//                                   (a mode-dependent count; MEX and
//                                   Octave hosts only)
//   int result_copies()             how many copies of a result the host holds
//                                   at once (a MEX host copies its result on
//                                   return: 2; oct-file and Python: 1)
// Outputs start zeroed (false). A host creates output k only when asked.
// More outputs than `outputs` is the error nargout, with `nargout_message`
// when set ("Too many output arguments: <name> gives at most ..." else);
// `synopsis`, when set, replaces the argument-count errors: a wrong call
// shape prints it and returns an empty result instead (MEX and Octave
// hosts only).
//
// Named inputs. An input made with named(...) is given by name only: in MEX
// and Octave as a name-value pair after the positional inputs (names
// matched ignoring case, as MATLAB's own functions match them), in Python
// as a keyword-only argument of the wrapper. The contract reads it by its
// position in `inputs` like any other, so making a positional optional
// input named changes one word of the contract. Named inputs follow the
// positional ones in `inputs`; min_inputs and max_inputs count the
// positional inputs a call gives. A MEX or Octave call's positional inputs
// end at the first text after the min_inputs required ones (or after
// max_inputs); the rest are pairs, read by read_options below, which
// fails badOptionName, unknownOption, optionWithoutValue or repeatedOption.
//
// A choice input is text from a fixed list of names (lower case); the
// contract reads its index with choice(k). Anything else fails badChoice,
// whose message lists the names. MEX and Octave match the names ignoring
// case; Python matches them exactly, as Python's own modes are matched.
#pragma once

#include <array>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>

#include "mexsets/failure.hpp"

namespace mexsets {

struct Argument {
  enum class Kind { matrix, scalar, choice };
  const char* name;  // the help's name in lower case
  Kind kind = Kind::matrix;
  bool optional = false;
  double default_value = 0.0;            // optional scalars; a choice's default index
  bool named = false;                    // given by name only (see Named inputs)
  const char* const* choices = nullptr;  // a choice's names, lower case
  std::size_t choice_count = 0;
};

constexpr Argument matrix_argument(const char* name) { return {name}; }
constexpr Argument scalar_argument(const char* name) { return {name, Argument::Kind::scalar}; }
constexpr Argument optional_scalar(const char* name, double default_value) {
  return {name, Argument::Kind::scalar, true, default_value};
}
constexpr Argument optional_matrix(const char* name) {
  return {name, Argument::Kind::matrix, true};
}

// A choice among `names`, `default_index` when not given.
template <std::size_t N>
constexpr Argument choice_argument(const char* name, const char* const (&names)[N],
                                   std::size_t default_index = 0) {
  return {name, Argument::Kind::choice, true, static_cast<double>(default_index), false, names, N};
}
// An optional input given by name only.
constexpr Argument named(Argument argument) {
  argument.named = argument.optional = true;
  return argument;
}

constexpr std::size_t any_number_of_inputs = std::numeric_limits<std::size_t>::max();

// What a contract that does not say otherwise has: no fixed nargout text and
// no synopsis.
struct ContractDefaults {
  static constexpr const char* nargout_message = nullptr;
  static constexpr const char* synopsis = nullptr;
};

// Position of an input by name; -1 when the contract has no such input.
template <class Contract>
int input_position(const char* name) {
  int k = 0;
  for (const Argument& argument : Contract::inputs) {
    if (std::strcmp(argument.name, name) == 0) return k;
    ++k;
  }
  return -1;
}

template <class Contract>
constexpr std::size_t input_count() {
  return sizeof Contract::inputs / sizeof Contract::inputs[0];
}

template <class Contract>
constexpr bool has_named_inputs() {
  for (const Argument& argument : Contract::inputs)
    if (argument.named) return true;
  return false;
}

// The inputs that a call gives by position: those before the first named.
template <class Contract>
constexpr std::size_t positional_inputs() {
  std::size_t k = 0;
  while (k < input_count<Contract>() && !Contract::inputs[k].named) ++k;
  return k;
}

template <class Contract>
constexpr bool named_inputs_come_last() {
  for (std::size_t k = positional_inputs<Contract>(); k < input_count<Contract>(); ++k)
    if (!Contract::inputs[k].named) return false;
  return true;
}

namespace detail {

inline bool same_name(const std::string& given, const char* name) {
  std::size_t i = 0;
  for (; i < given.size() && name[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(given[i])) != name[i]) return false;
  return i == given.size() && !name[i];
}

// "'a', 'b' and 'c'", "'a' or 'b'".
template <class Name>
std::string quoted_list(std::size_t n, Name name, const char* last_joint) {
  std::string out;
  for (std::size_t j = 0; j < n; ++j)
    out += (j == 0 ? "" : j + 1 == n ? last_joint : ", ") + ("'" + std::string(name(j)) + "'");
  return out;
}

template <class Contract>
std::string option_names() {
  constexpr std::size_t first = positional_inputs<Contract>();
  return quoted_list(
      input_count<Contract>() - first,
      [](std::size_t j) { return Contract::inputs[first + j].name; }, " and ");
}

}  // namespace detail

// The index of a choice given as `text` (matched ignoring case when asked),
// or badChoice at `place`; `given` says what the caller gave when it is not
// text (a class name, say), and is empty for text.
inline std::size_t choice_index(const Argument& argument, Place place, const std::string* text,
                                const std::string& given, bool ignore_case) {
  if (text)
    for (std::size_t j = 0; j < argument.choice_count; ++j)
      if (ignore_case ? detail::same_name(*text, argument.choices[j])
                      : *text == argument.choices[j])
        return j;
  fail("badChoice",
       "Expected " +
           detail::quoted_list(
               argument.choice_count, [&](std::size_t j) { return argument.choices[j]; }, " or ") +
           ": ",
       std::move(place), text ? " is '" + *text + "'" : " is " + given + ", not text");
}

// A MEX or Octave call's arguments, as read_options sees them (each host
// wraps its own):
//   std::size_t count()
//   bool text(i, std::string* out)   argument i is text (a row of
//                                    characters); its characters into *out
//                                    when out is not null
//   std::string class_text(i)        argument i's class, as the host names it
//
// How many of them are positional (see Named inputs).
template <class Contract, class Arguments>
std::size_t positional_count(const Arguments& arguments) {
  if constexpr (!has_named_inputs<Contract>()) {
    return arguments.count();
  } else {
    std::size_t i = 0;
    while (i < arguments.count() && i < positional_inputs<Contract>() &&
           (i < Contract::min_inputs || !arguments.text(i, nullptr)))
      ++i;
    return i;
  }
}

// The name-value pairs that follow the `positional` arguments: at[k] becomes
// the argument that gives named input k (untouched for inputs not named).
template <class Contract, class Arguments>
void read_options(const Arguments& arguments, std::size_t positional,
                  std::array<int, input_count<Contract>()>& at) {
  static_assert(named_inputs_come_last<Contract>(), "named inputs follow the positional ones");
  std::string name;
  for (std::size_t i = positional; i < arguments.count(); i += 2) {
    const std::string input = "input " + std::to_string(i + 1);
    if (!arguments.text(i, &name))
      fail("badOptionName", "Expected an option name: " + input + " is " + arguments.class_text(i) +
                                "; " + Contract::name + " takes " +
                                detail::option_names<Contract>());
    std::size_t k = positional_inputs<Contract>();
    while (k < input_count<Contract>() && !detail::same_name(name, Contract::inputs[k].name)) ++k;
    if (k == input_count<Contract>())
      fail("unknownOption", "Unknown option '" + name + "' at " + input + "; " + Contract::name +
                                " takes " + detail::option_names<Contract>());
    const std::string option = "Option '" + std::string(Contract::inputs[k].name) + "'";
    if (i + 1 == arguments.count())
      fail("optionWithoutValue", option + " at " + input + " has no value");
    if (at[k] >= 0)
      fail("repeatedOption", option + " given twice: at inputs " + std::to_string(at[k]) + " and " +
                                 std::to_string(i + 1));
    at[k] = static_cast<int>(i + 1);
  }
}

// Threads. Every function takes the number of threads its call may use, on
// top of its contract's inputs: in MEX and Octave as the name-value pair
// 'threads', n ending the call's arguments (the name matched ignoring case),
// in Python as the keyword threads=n (None: the default). The count is a
// positive whole number; the default is that of common/parallel.hpp
// (MEXSETS_NUM_THREADS, else every core). Results are the same for any count.
inline constexpr const char* threads_option = "threads";

// The count given as `value` (a number, or `given` describes what else),
// or badThreads.
inline std::size_t thread_count(double value, const std::string& given = "") {
  if (given.empty() && value >= 1 && value <= 1e6 &&
      value == static_cast<double>(static_cast<std::size_t>(value)))
    return static_cast<std::size_t>(value);
  std::string shown = given;
  if (shown.empty()) {
    shown = std::to_string(value);
    if (value == static_cast<double>(static_cast<long long>(value)) && value > -1e15 &&
        value < 1e15)
      shown = std::to_string(static_cast<long long>(value));
  }
  fail("badThreads", "Expected a positive whole number of threads: threads is " + shown);
}

// Whether arguments i, i+1 of a MEX or Octave call are the pair
// 'threads', n: only the last two arguments may be.
template <class Arguments>
bool ends_with_threads(const Arguments& arguments) {
  std::string name;
  const std::size_t n = arguments.count();
  return n >= 2 && arguments.text(n - 2, &name) && detail::same_name(name, threads_option);
}

// The argument counts of a call with `inputs` inputs and `outputs` outputs
// asked for (MEX and Octave hosts). True when the call ends with the
// synopsis, which the host prints before returning an empty result; a count
// out of range fails otherwise.
template <class Contract, class Call>
bool ends_with_synopsis(Call& call, std::size_t inputs, int outputs) {
  const bool inputs_fit = inputs >= Contract::min_inputs && inputs <= Contract::max_inputs;
  const bool outputs_fit = outputs <= Contract::outputs;
  if (Contract::synopsis && !(inputs_fit && outputs_fit)) return true;
  if (!inputs_fit) fail("nargin", Contract::nargin_message);
  if (!outputs_fit) {
    if (Contract::nargout_message) fail("nargout", Contract::nargout_message);
    call.most_outputs(Contract::outputs);
  }
  return false;
}

}  // namespace mexsets
