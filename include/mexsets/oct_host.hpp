// The Octave host of a contract (mexsets/contract.hpp) as an oct-file: a
// gateway is
//
//   #include "mexsets/oct_host.hpp"
//   #include "score_subsets_contract.hpp"
//   MEXSETS_OCT_GATEWAY(score_subsets, mexsets::ScoreSubsetsContract)
//
// (Octave finds a function in <name>.oct by its name as a symbol, so the
// gateway spells it; it must be the contract's name.)
//
// The results are Octave's own arrays, created zeroed and filled in place;
// Octave returns them as they are, where a MEX result is copied on return.
// Everything else is the MEX host's behaviour in Octave (mexsets/mex_host.hpp),
// rule for rule: the classes and shapes accepted (by Octave's class names,
// which is what its MEX layer reports), the refusals in the same order, a
// scalar read as mxGetScalar reads it, the argument-count texts and the
// synopsis, the identifiers, and the messages, places included
// (mexsets/gateway_errors.hpp), prefixed with the function name as
// mexErrMsgIdAndTxt prefixes them. Output k is returned only when
// k <= max(nargout, 1).
//
// Checks throw mexsets::Failure; oct_gateway raises the Octave error only
// once the call's arrays and containers are gone. Computations poll Octave's
// interrupt flag while they run (mexsets/octave_interrupt.hpp): Ctrl-C ends
// the call within a few milliseconds, as Octave's own interrupt.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <memory_resource>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "Cell.h"
#include "boolNDArray.h"
#include "common/huge_pages.hpp"
#include "common/parallel.hpp"
#include "dNDArray.h"
#include "dSparse.h"
#include "defun-dld.h"
#include "dim-vector.h"
#include "error.h"
#include "file-stat.h"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"
#include "mexsets/contract.hpp"
#include "mexsets/failure.hpp"
#include "mexsets/gateway_errors.hpp"
#include "mexsets/octave_interrupt.hpp"
#include "mexsets/refusals.hpp"
#include "oct-shlib.h"
#include "ov-dld-fcn.h"
#include "ov.h"
#include "ovl.h"
#include "pager.h"
#include "parse.h"
#include "uint32NDArray.h"
#include "version.h"

namespace mexsets {

namespace oct_detail {

// The MEX class id of a value, as Octave's MEX layer maps the value's class
// name to a class of its own; every other class is unknown to it.
inline std::size_t class_index(const octave_value& value) { return class_id(value.class_name()); }

inline std::string size_text(const dim_vector& dims) {
  return mexsets::size_text(static_cast<std::size_t>(dims.ndims()),
                            [&](std::size_t d) { return dims(static_cast<int>(d)); });
}

inline octave_idx_type extent(std::size_t n) { return static_cast<octave_idx_type>(n); }

// A new array of zeros. From Octave 7 on, Array's allocator value-initialises
// every element it allocates, so the "uninitialised" constructor already
// gives zeros and a fill would be a second pass over the result.
//
// That pass is serial and, for a large result, faults in every page before
// the computation starts, which costs more than the computation itself on
// several threads (400 MB in 4 KiB pages: over a second on one thread). So
// a large array is made from a block taken with the array's own allocator
// (which frees it with the same) and zeroed lazily (common/huge_pages.hpp):
// its pages are first touched, in huge pages where Linux agrees, by the
// computation's threads that write them. Zero bytes are the value 0 of
// every element type made here.
template <class T, class Alloc>
Array<T, Alloc> lazy_zeros(const dim_vector& dims, const Array<T, Alloc>*) {
  static_assert(std::is_trivially_copyable_v<T>, "elements that zero bytes make");
  using Traits = std::allocator_traits<Alloc>;
  Alloc alloc;
  const octave_idx_type n = dims.safe_numel();
  T* data = Traits::allocate(alloc, static_cast<std::size_t>(n));
  try {
    zero_lazily(data, static_cast<std::size_t>(n) * sizeof(T));
    return Array<T, Alloc>(data, dims, alloc);  // owns data from here on
  } catch (...) {
    Traits::deallocate(alloc, data, static_cast<std::size_t>(n));
    throw;
  }
}

template <class A>
A zeros(const dim_vector& dims) {
#if OCTAVE_MAJOR_VERSION >= 7
  using T = typename A::element_type;
  if (static_cast<std::size_t>(dims.safe_numel()) >= kLargeBuffer / sizeof(T))
    return A(lazy_zeros(dims, static_cast<const A*>(nullptr)));
  return A(dims);
#else
  return A(dims, typename A::element_type());
#endif
}

// Text: a char array of one row (or none); its characters into *out when
// out is not null.
inline bool text(const octave_value& value, std::string* out) {
  if (!value.is_string() || value.ndims() != 2 || value.rows() > 1) return false;
  if (out) *out = value.rows() == 0 ? std::string() : value.string_value();
  return true;
}

constexpr bool same_text(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

}  // namespace oct_detail

template <class Contract>
class OctCall {
 public:
  static constexpr int output_slots = 8;
  static_assert(Contract::outputs <= output_slots, "more outputs than OctCall holds");
  static_assert(sizeof(bool) == 1, "logical arrays must hold one byte per element");

  OctCall(const octave_value_list& args, int nargout) : args_(args), nargout_(nargout) {}
  OctCall(const OctCall&) = delete;
  OctCall& operator=(const OctCall&) = delete;

  // The call shape, then the name-value pairs, as
  // MexCall::ends_at_call_shape.
  bool ends_at_call_shape() {
    read_threads();
    const Arguments arguments{args_};
    const std::size_t positional = positional_count<Contract>(arguments);
    if (ends_with_synopsis<Contract>(*this, positional, nargout_)) {
      if constexpr (Contract::synopsis != nullptr) octave_stdout << Contract::synopsis;
      numbers(0, 0, 0);
      return true;
    }
    if constexpr (has_named_inputs<Contract>()) {
      for (std::size_t k = 0; k < at_.size(); ++k)
        at_[k] = k < positional ? static_cast<int>(k) : -1;
      read_options<Contract>(arguments, positional, at_);
    }
    return false;
  }

  bool given(int k) const {
    if constexpr (has_named_inputs<Contract>())
      return at_[static_cast<std::size_t>(k)] >= 0;
    else
      return k < args_.length();
  }

  // The view checks of the MEX host in their order: class, dimensions, then
  // sparse and complex.
  ConstMatrix matrix(int k) {
    require_double_view(k, input(k).ndims() == 2);
    require_dense_real(k);
    const NDArray& held = hold(k);
    return {held.data(), static_cast<std::size_t>(held.rows()),
            static_cast<std::size_t>(held.cols())};
  }

  void unread(int k) { require_double_view(k, input(k).ndims() == 2); }

  bool sparse(int k) const { return input(k).issparse(); }

  // Octave's own sparse matrix, held until the call ends.
  ConstCompressed compressed(int k) {
    require_double_view(k, input(k).ndims() == 2);
    if (input(k).iscomplex()) refuse::complex_input(name(k), refuse::Language::matlab);
    held_sparse_[k] = input(k).sparse_matrix_value();
    const SparseMatrix& held = held_sparse_[k];
    ConstCompressed w;
    w.rows = static_cast<std::size_t>(held.rows());
    w.cols = static_cast<std::size_t>(held.cols());
    w.starts = as_size_indices(held.cidx(), w.cols + 1, held_starts_[k]);
    check_column_starts(w, static_cast<std::size_t>(held.nzmax()), name(k));
    w.row_index = as_size_indices(held.ridx(), w.nonzeros(), held_rows_[k]);
    w.values = held.data();
    check_row_indices(w, name(k));
    return w;
  }

  ConstArray3 array3(int k) {
    const int count = input(k).ndims();
    require_double_view(k, count == 2 || count == 3);
    require_dense_real(k);
    const NDArray& held = hold(k);
    const dim_vector dims = held.dims();
    return {held.data(), static_cast<std::size_t>(dims(0)), static_cast<std::size_t>(dims(1)),
            static_cast<std::size_t>(count == 3 ? dims(2) : 1)};
  }

  ConstMatrix page(int k) {
    const octave_value& value = input(k);
    if (value.class_name() != "double")
      refuse::not_double(name(k), class_name(oct_detail::class_index(value)));
    require_dense_real(k);
    const dim_vector dims = value.dims();
    const auto m = static_cast<std::size_t>(dims(0));
    const auto d = static_cast<std::size_t>(dims(1));
    if (m != 0 && d != 0 && value.numel() == 0)
      refuse::no_first_page(name(k), oct_detail::size_text(dims), refuse::Language::matlab);
    return {hold(k).data(), m, d};
  }

  // As mxGetScalar in Octave: the value's scalar_value, except that of a
  // sparse array the first stored element is read (0 when none is stored).
  double scalar(int k) {
    if (!given(k)) return Contract::inputs[k].default_value;
    const octave_value& value = input(k);
    const bool has_value = has_numeric_value(oct_detail::class_index(value));
    if (!has_value || value.numel() == 0) refuse::bad_scalar(name(k), has_value);
    if (!value.issparse()) return value.scalar_value(true);
    if (value.islogical()) {
      const SparseBoolMatrix stored = value.sparse_bool_matrix_value();
      return stored.nnz() ? stored.data(0) : 0.0;
    }
    if (value.iscomplex()) {
      const SparseComplexMatrix stored = value.sparse_complex_matrix_value();
      return stored.nnz() ? stored.data(0).real() : 0.0;
    }
    const SparseMatrix stored = value.sparse_matrix_value();
    return stored.nnz() ? stored.data(0) : 0.0;
  }

  std::size_t choice(int k) {
    const Argument& argument = Contract::inputs[k];
    if (!given(k)) return static_cast<std::size_t>(argument.default_value);
    std::string text;
    const bool is_text = oct_detail::text(input(k), &text);
    return choice_index(argument, named_arg(name(k)), is_text ? &text : nullptr,
                        input(k).class_name(), true);
  }

  void most_outputs(int n) {
    if (nargout_ > n) refuse::too_many_outputs(Contract::name, n);
  }

  // The array made here is the one Octave returns.
  int result_copies() const { return 1; }

  double* column(int k, std::size_t m) { return matrix_output(k, m, 1); }
  double* matrix_output(int k, std::size_t rows, std::size_t cols) {
    return numbers(k, rows, cols);
  }

  unsigned char* logical_column(int k, std::size_t m) {
    return reinterpret_cast<unsigned char*>(logical_array(k, m, 1, 1));
  }

  // Octave drops a trailing extent of 1, as the MEX host reports it.
  bool* logical_array(int k, std::size_t d0, std::size_t d1, std::size_t d2) {
    Output& out = outputs_[k];
    out = Output{};
    out.flags = oct_detail::zeros<boolNDArray>(
        dim_vector(oct_detail::extent(d0), oct_detail::extent(d1), oct_detail::extent(d2)));
    out.kind = Output::Kind::flags;
    return out.flags.fortran_vec();
  }

  // A column of n lists, as mxCreateCellArray(1, n) gives it in Octave.
  // Each list is kept as its own array until the call returns: put into a
  // cell at once, a 1-by-1 list would be narrowed to a copy of its element.
  template <class Count>
  void lists(int k, std::size_t n, Count count) {
    Output& out = outputs_[k];
    out = Output{};
    out.lists.resize(n);
    out.kind = Output::Kind::lists;
    for (std::size_t j = 0; j < n; ++j)
      out.lists[j] = oct_detail::zeros<uint32NDArray>(dim_vector(1, oct_detail::extent(count(j))));
  }

  std::uint32_t* list(int k, std::size_t j) {
    static_assert(sizeof(octave_uint32) == sizeof(std::uint32_t), "uint32 elements");
    return reinterpret_cast<std::uint32_t*>(outputs_[k].lists[j].fortran_vec());
  }

  std::pmr::memory_resource* scratch() { return std::pmr::new_delete_resource(); }

  // The outputs as Octave's MEX layer returns them: nargout values (one when
  // nargout is 0 and the first output exists), undefined where an output was
  // not made.
  octave_value_list result() const {
    int n = nargout_ > 0 ? nargout_ : 0;
    if (n == 0 && outputs_[0].kind != Output::Kind::none) n = 1;
    octave_value_list out(n);
    for (int k = 0; k < n && k < output_slots; ++k) out(k) = value(outputs_[k]);
    return out;
  }

 private:
  struct Output {
    enum class Kind { none, numbers, flags, lists };
    Kind kind = Kind::none;
    NDArray numbers;
    boolNDArray flags;
    std::vector<uint32NDArray> lists;
  };

  static const char* name(int k) { return Contract::inputs[k].name; }
  const octave_value& input(int k) const {
    if constexpr (has_named_inputs<Contract>())
      return args_(at_[static_cast<std::size_t>(k)]);
    else
      return args_(k);
  }

  // The call's arguments as read_options reads them.
  // A trailing 'threads', n sets the call's threads and is no input, as in
  // MexCall::read_threads.
  void read_threads() {
    std::size_t threads = 0;
    if (ends_with_threads(Arguments{args_})) {
      const octave_value value = args_(args_.length() - 1);
      const bool number = (value.isnumeric() || value.islogical()) && !value.iscomplex() &&
                          !value.issparse() && value.numel() == 1;
      threads = thread_count(number ? value.double_value() : 0.0,
                             number ? "" : "a " + value.class_name());
      args_.resize(args_.length() - 2);
    }
    threads_.emplace(threads);
  }

  struct Arguments {
    const octave_value_list& given;
    std::size_t count() const { return static_cast<std::size_t>(given.length()); }
    bool text(std::size_t i, std::string* out) const {
      return oct_detail::text(given(static_cast<octave_idx_type>(i)), out);
    }
    std::string class_text(std::size_t i) const {
      return given(static_cast<octave_idx_type>(i)).class_name();
    }
  };

  double* numbers(int k, std::size_t rows, std::size_t cols) {
    Output& out = outputs_[k];
    out = Output{};
    out.numbers =
        oct_detail::zeros<NDArray>(dim_vector(oct_detail::extent(rows), oct_detail::extent(cols)));
    out.kind = Output::Kind::numbers;
    return out.numbers.fortran_vec();
  }

  static octave_value value(const Output& out) {
    switch (out.kind) {
      case Output::Kind::numbers:
        return out.numbers;
      case Output::Kind::flags:
        return out.flags;
      case Output::Kind::lists: {
        Cell cell(dim_vector(oct_detail::extent(out.lists.size()), 1));
        for (std::size_t j = 0; j < out.lists.size(); ++j)
          cell(oct_detail::extent(j)) = out.lists[j];
        return cell;
      }
      default:
        return octave_value();
    }
  }

  // The MEX views' tests ("Data types not coherent", "Data dimensions not
  // coherent").
  void require_double_view(int k, bool dimensions_fit) {
    if (input(k).class_name() != "double") refuse::types_not_coherent();
    if (!dimensions_fit) refuse::dimensions_not_coherent();
  }

  void require_dense_real(int k) {
    if (input(k).issparse()) refuse::sparse_input(Contract::name, name(k));
    if (input(k).iscomplex()) refuse::complex_input(name(k), refuse::Language::matlab);
  }

  // Input k's elements, shared with the caller's array (a range or a scalar
  // is made into one); held until the call ends.
  const NDArray& hold(int k) {
    held_[k] = input(k).array_value();
    return held_[k];
  }

  octave_value_list args_;  // the pair 'threads', n taken off
  std::optional<ThreadScope> threads_;
  int nargout_;
  std::array<NDArray, input_count<Contract>()> held_{};
  std::array<SparseMatrix, input_count<Contract>()> held_sparse_{};
  std::array<std::vector<std::size_t>, input_count<Contract>()> held_starts_{}, held_rows_{};
  std::array<int, input_count<Contract>()> at_{};  // with named inputs: the argument of each
  std::array<Output, output_slots> outputs_{};
};

// Runs the contract and turns a Failure (or exhausted memory) into Octave's
// error, after every local of the call has been destroyed; an interrupt
// (Ctrl-C) is rethrown as Octave raised it.
template <class Contract>
octave_value_list oct_gateway(const octave_value_list& args, int nargout) {
  CallError error;
  octave_value_list result;
  bool done;
  std::exception_ptr interrupt;
  {
    OctaveInterrupt polling;
    done = completes<Contract>(
        [&] {
          OctCall<Contract> call(args, nargout);
          if (!call.ends_at_call_shape()) Contract::run(call);
          result = call.result();
        },
        error);
    interrupt = polling.pending();
  }
  if (interrupt) std::rethrow_exception(interrupt);
  if (!done) error_with_id(error.identifier, "%s: %s", Contract::name, error.message);
  return result;
}

// The help of the function in `file` (an oct-file): that of the .m file of
// the same name beside it, read as Octave reads the help of a MEX file; none
// when there is no such file or it cannot be read.
inline std::string oct_help(const std::string& file) {
  const std::string suffix = ".oct";
  if (file.size() <= suffix.size() ||
      file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0)
    return "";
  const std::string help_file = file.substr(0, file.size() - suffix.size()) + ".m";
  if (!octave::sys::file_stat(help_file).is_reg()) return "";
  try {
    const octave_value_list text = octave::feval("get_help_text_from_file", ovl(help_file), 1);
    return text.length() > 0 && text(0).is_string() ? text(0).string_value() : "";
  } catch (const octave::execution_exception&) {
    return "";
  }
}

// What DEFUN_DLD's installer does, with the help of oct_help.
inline octave_function* oct_install(octave_builtin::fcn function,
                                    const octave::dynamic_library& file, const char* name,
                                    bool relative) {
  check_version(OCTAVE_API_VERSION, name);
  octave_dld_function* installed =
      octave_dld_function::create(function, file, name, oct_help(file.file_name()));
  if (relative) installed->mark_relative();
  return installed;
}

}  // namespace mexsets

// The function F<name> and the installer G<name> that Octave looks up in
// <name>.oct, as DEFUN_DLD makes them, except that the installer documents
// the function with the help of the <name>.m beside the oct-file (a
// DEFUN_DLD's documentation is fixed when it is compiled).
#define MEXSETS_OCT_GATEWAY(function, Contract)                                              \
  static_assert(mexsets::oct_detail::same_text(#function, Contract::name),                   \
                "the oct-file's function must be named as its contract");                    \
  FORWARD_DECLARE_FUN(function);                                                             \
  extern "C" OCTAVE_EXPORT octave_function* G##function(const octave::dynamic_library& file, \
                                                        bool relative) {                     \
    return mexsets::oct_install(F##function, file, #function, relative);                     \
  }                                                                                          \
  DECLARE_FUN(function, args, nargout) { return mexsets::oct_gateway<Contract>(args, nargout); }
