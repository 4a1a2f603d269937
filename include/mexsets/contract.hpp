// The one statement of a function's argument rules, read by every host.
//
// Each module has <name>_contract.hpp with one struct:
//
//   struct ScoreSubsetsContract : ContractDefaults {
//     static constexpr const char* name = "score_subsets";
//     static constexpr Argument inputs[] = {matrix_argument("a"), matrix_argument("b"),
//                                           matrix_argument("subsets")};
//     // scalar_argument, optional_scalar and optional_matrix (below) state
//     // the other kinds of input.
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
#pragma once

#include <cstddef>
#include <cstring>
#include <limits>

#include "mexsets/failure.hpp"

namespace mexsets {

struct Argument {
  enum class Kind { matrix, scalar };
  const char* name;  // the help's name in lower case
  Kind kind = Kind::matrix;
  bool optional = false;
  double default_value = 0.0;  // optional scalars
};

constexpr Argument matrix_argument(const char* name) { return {name}; }
constexpr Argument scalar_argument(const char* name) { return {name, Argument::Kind::scalar}; }
constexpr Argument optional_scalar(const char* name, double default_value) {
  return {name, Argument::Kind::scalar, true, default_value};
}
constexpr Argument optional_matrix(const char* name) {
  return {name, Argument::Kind::matrix, true};
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
