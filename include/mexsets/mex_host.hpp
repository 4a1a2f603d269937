// The MEX host of a contract (mexsets/contract.hpp): a gateway is
//
//   #include "score_subsets_contract.hpp"
//   #include "mexsets/mex_host.hpp"
//   MEXSETS_MEX_GATEWAY(mexsets::ScoreSubsetsContract)
//
// A gateway never calls the host's error function while it holds containers:
// a host may leave the call with longjmp, which would skip destructors.
// Checks throw mexsets::Failure instead; mex_gateway catches it once the
// call's locals are gone, copies identifier and message onto its own stack,
// and only then calls mexErrMsgIdAndTxt. Inputs are numbered from 1
// ("input 3 at row 2, column 4 holds 7", mexsets/gateway_errors.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory_resource>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "mex.h"
#if defined(MEXSETS_OCTAVE_MEX)
#include "dNDArray.h"
#endif
#include "common/parallel.hpp"
#include "mexsets/array_views.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"
#include "mexsets/contract.hpp"
#include "mexsets/failure.hpp"
#include "mexsets/gateway_errors.hpp"
#include "mexsets/host_memory.hpp"
#include "mexsets/mex_interrupt.hpp"
#include "mexsets/refusals.hpp"

namespace mexsets {

#if defined(MEXSETS_OCTAVE_MEX)
namespace octave_mex {
// The elements of a double array as Octave holds them
// (mexsets/octave_mex_inputs.cpp).
NDArray array_value(const void* array);
}  // namespace octave_mex
#endif

// Octave offers max(nlhs, 1) output slots; output k (1-based) may be stored
// only when its slot exists.
inline bool has_output_slot(int nlhs, int k) { return k <= (nlhs > 1 ? nlhs : 1); }

namespace detail {

// An array from the host, or std::bad_alloc when it has none to give. In
// Octave the MEX layer raises an error of its own, without an identifier
// ("failed to allocate ... bytes"), when an allocation fails, and making an
// array fails in no other way: that error becomes outOfMemory. MATLAB's own
// error (with its identifier) ends the call as it is.
template <class Make>
mxArray* host_array(Make&& make) {
  mxArray* array = nullptr;
#if defined(MEXSETS_OCTAVE_MEX)
  try {
    array = make();
  } catch (...) {
    throw std::bad_alloc();
  }
#else
  array = make();
#endif
  if (!array) throw std::bad_alloc();
  return array;
}

// The shared class table (mexsets/refusals.hpp) is indexed by these ids.
static_assert(mxUNKNOWN_CLASS == 0 && mxLOGICAL_CLASS == 3 && mxCHAR_CLASS == 4 &&
                  mxVOID_CLASS == 5 && mxDOUBLE_CLASS == 6 && mxUINT64_CLASS == 15 &&
                  mxFUNCTION_CLASS == 16,
              "the class ids of mexsets/refusals.hpp");

inline std::size_t class_index(const mxArray* array) {
  return static_cast<std::size_t>(mxGetClassID(array));
}

inline std::string size_text(const mxArray* array) {
  const mwSize* extents = mxGetDimensions(array);
  return mexsets::size_text(static_cast<std::size_t>(mxGetNumberOfDimensions(array)),
                            [&](std::size_t d) { return extents[d]; });
}

// Text: a char array of one row (or none). Its characters into *out when
// out is not null, as mxGetString gives them (at most 4 bytes each).
inline bool text(const mxArray* array, std::string* out) {
  if (mxGetClassID(array) != mxCHAR_CLASS || mxGetNumberOfDimensions(array) != 2 ||
      mxGetM(array) > 1)
    return false;
  if (out) {
    out->assign(4 * mxGetNumberOfElements(array) + 1, '\0');
    mxGetString(array, &(*out)[0], static_cast<mwSize>(out->size()));
    out->resize(std::strlen(out->c_str()));
  }
  return true;
}

}  // namespace detail

template <class Contract>
class MexCall {
 public:
  static constexpr int output_slots = 8;
  static_assert(Contract::outputs <= output_slots, "more outputs than MexCall holds");

  MexCall(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
      : nlhs_(nlhs), plhs_(plhs), nrhs_(nrhs), prhs_(prhs) {}
  MexCall(const MexCall&) = delete;
  MexCall& operator=(const MexCall&) = delete;
  // Outputs the caller left no slot for are still owned here.
  ~MexCall() {
    for (int k = 0; k < output_slots; ++k)
      if (created_[k] && !has_output_slot(nlhs_, k + 1)) mxDestroyArray(created_[k]);
  }

  // The call shape: the synopsis (and an empty result), or the fixed
  // argument-count messages; then the name-value pairs, after which prhs_
  // holds the inputs in the contract's order (null where not given). True
  // when the call ends here.
  bool ends_at_call_shape() {
    read_threads();
    const Arguments arguments{nrhs_ < 0 ? 0 : static_cast<std::size_t>(nrhs_), prhs_};
    const std::size_t positional = positional_count<Contract>(arguments);
    if (ends_with_synopsis<Contract>(*this, positional, nlhs_)) {
      // Only a contract with a synopsis ends here; the test keeps the
      // compiler from seeing a null text passed to a format of the others.
      if constexpr (Contract::synopsis != nullptr) mexPrintf("%s", Contract::synopsis);
      keep(0, detail::host_array([] { return mxCreateDoubleMatrix(0, 0, mxREAL); }));
      return true;
    }
    if constexpr (has_named_inputs<Contract>()) {
      std::array<int, input_count<Contract>()> at;
      for (std::size_t k = 0; k < at.size(); ++k) at[k] = k < positional ? static_cast<int>(k) : -1;
      read_options<Contract>(arguments, positional, at);
      for (std::size_t k = 0; k < at.size(); ++k) inputs_[k] = at[k] < 0 ? nullptr : prhs_[at[k]];
      prhs_ = inputs_.data();
      nrhs_ = static_cast<int>(inputs_.size());
    }
    return false;
  }

  bool given(int k) const { return k < nrhs_ && prhs_[k]; }

  // The views' checks (class, then dimensions), then sparse and complex
  // storage, before any element is asked for.
  ConstMatrix matrix(int k) {
    detail::check_view<double>(prhs_[k], dimension_coherence<2>(prhs_[k]));
    require_dense_real(k);
    const auto extents = detail::extents2(prhs_[k]);
    return {double_data(k), extents[0], extents[1]};
  }

  void unread(int k) { detail::check_view<double>(prhs_[k], dimension_coherence<2>(prhs_[k])); }

  bool sparse(int k) const { return mxIsSparse(prhs_[k]); }

  // A sparse double matrix in place: its column starts (Jc), row indices
  // (Ir) and values (Pr), nzmax entries held.
  ConstCompressed compressed(int k) {
    const mxArray* array = prhs_[k];
    detail::check_view<double>(array, dimension_coherence<2>(array));
    if (mxIsComplex(array)) refuse::complex_input(name(k), refuse::Language::matlab);
    ConstCompressed w;
    w.rows = static_cast<std::size_t>(mxGetM(array));
    w.cols = static_cast<std::size_t>(mxGetN(array));
    const auto stored = static_cast<std::size_t>(mxGetNzmax(array));
    w.starts = as_size_indices(mxGetJc(array), w.cols + 1, held_starts_[k]);
    check_column_starts(w, stored, name(k));
    w.row_index = as_size_indices(mxGetIr(array), w.nonzeros(), held_rows_[k]);
    w.values = mxGetPr(array);
    check_row_indices(w, name(k));
    return w;
  }

  // An M-by-N-by-C double array; the host reports M-by-N-by-1 as M-by-N.
  ConstArray3 array3(int k) {
    detail::check_view<double>(prhs_[k], detail::three_dimensional(prhs_[k]));
    require_dense_real(k);
    const auto extents = detail::extents3(prhs_[k]);
    return {double_data(k), extents[0], extents[1], extents[2]};
  }

  void most_outputs(int n) {
    if (nlhs_ > n) refuse::too_many_outputs(Contract::name, n);
  }

  // Octave copies a MEX result into its own array on return.
  int result_copies() const { return 2; }

  // Rows are the first extent, columns the second; of an array with more
  // dimensions only the first page is read. An array whose later extent is 0
  // has no first page (and the host may give no data at all): refused
  // rather than read.
  ConstMatrix page(int k) {
    const mxArray* array = prhs_[k];
    if (mxGetClassID(array) != mxDOUBLE_CLASS)
      refuse::not_double(name(k), class_name(detail::class_index(array)));
    require_dense_real(k);
    const mwSize* extents = mxGetDimensions(array);
    const auto m = static_cast<std::size_t>(extents[0]);
    const auto d = static_cast<std::size_t>(extents[1]);
    if (m != 0 && d != 0 && mxGetNumberOfElements(array) == 0)
      refuse::no_first_page(name(k), detail::size_text(array), refuse::Language::matlab);
    return {double_data(k), m, d};
  }

  // Read like the host's mxGetScalar (first element as a double, any
  // numeric, logical or char class). Arrays with no first element or no
  // numeric value (cell, struct, ...) are rejected.
  double scalar(int k) {
    if (!given(k)) return Contract::inputs[k].default_value;
    const mxArray* array = prhs_[k];
    const bool has_value = has_numeric_value(detail::class_index(array));
    if (!has_value || mxGetNumberOfElements(array) == 0) refuse::bad_scalar(name(k), has_value);
    return mxGetScalar(array);
  }

  std::size_t choice(int k) {
    const Argument& argument = Contract::inputs[k];
    if (!given(k)) return static_cast<std::size_t>(argument.default_value);
    std::string text;
    const bool is_text = detail::text(prhs_[k], &text);
    return choice_index(argument, named_arg(name(k)), is_text ? &text : nullptr,
                        class_name(detail::class_index(prhs_[k])), true);
  }

  double* column(int k, std::size_t m) { return matrix_output(k, m, 1); }

  double* matrix_output(int k, std::size_t rows, std::size_t cols) {
    mxArray* array =
        keep(k, detail::host_array([&] { return mxCreateDoubleMatrix(rows, cols, mxREAL); }));
    return MatlabMultiArray<double>(array).data();
  }

  // The flags are written as bytes: mxLogical is bool in MATLAB and unsigned
  // char in Octave, one byte in both.
  unsigned char* logical_column(int k, std::size_t m) {
    static_assert(sizeof(mxLogical) == 1, "logical arrays must hold one byte per element");
    return static_cast<unsigned char*>(
        mxGetData(keep(k, detail::host_array([&] { return mxCreateLogicalMatrix(m, 1); }))));
  }

  // With d2 = 1 the host reports the array as d0-by-d1, which the 3-D view
  // reads as one plane.
  bool* logical_array(int k, std::size_t d0, std::size_t d1, std::size_t d2) {
    const mwSize dims[3] = {static_cast<mwSize>(d0), static_cast<mwSize>(d1),
                            static_cast<mwSize>(d2)};
    mxArray* array = keep(k, detail::host_array([&] { return mxCreateLogicalArray(3, dims); }));
    return MatlabMultiArray3<bool>(array).data();
  }

  // Each list belongs to the cell once set there, and the cell to the call.
  template <class Count>
  void lists(int k, std::size_t n, Count count) {
    const mwSize extent = static_cast<mwSize>(n);
    mxArray* cells = keep(k, detail::host_array([&] { return mxCreateCellArray(1, &extent); }));
    for (std::size_t j = 0; j < n; ++j)
      mxSetCell(cells, static_cast<mwIndex>(j), detail::host_array([&] {
                  return mxCreateNumericMatrix(1, static_cast<mwSize>(count(j)), mxUINT32_CLASS,
                                               mxREAL);
                }));
  }

  std::uint32_t* list(int k, std::size_t j) {
    return static_cast<std::uint32_t*>(mxGetData(mxGetCell(created_[k], static_cast<mwIndex>(j))));
  }

  std::pmr::memory_resource* scratch() { return &memory_; }

 private:
  static const char* name(int k) { return Contract::inputs[k].name; }

  // A trailing 'threads', n sets the call's threads and is no input; the
  // call runs on the default number of threads otherwise.
  void read_threads() {
    const Arguments arguments{nrhs_ < 0 ? 0 : static_cast<std::size_t>(nrhs_), prhs_};
    std::size_t threads = 0;
    if (ends_with_threads(arguments)) {
      const mxArray* value = prhs_[nrhs_ - 1];
      const bool number = (mxIsNumeric(value) || mxIsLogical(value)) && !mxIsComplex(value) &&
                          !mxIsSparse(value) && mxGetNumberOfElements(value) == 1;
      threads = thread_count(number ? mxGetScalar(value) : 0.0,
                             number ? "" : "a " + arguments.class_text(arguments.count() - 1));
      nrhs_ -= 2;
    }
    threads_.emplace(threads);
  }

  // The call's arguments as read_options reads them.
  struct Arguments {
    std::size_t n;
    const mxArray** given;
    std::size_t count() const { return n; }
    bool text(std::size_t i, std::string* out) const { return detail::text(given[i], out); }
    std::string class_text(std::size_t i) const {
      return class_name(detail::class_index(given[i]));
    }
  };

#if defined(MEXSETS_OCTAVE_MEX)
  // Octave's MEX layer gives the data of an array it stores compactly (a
  // diagonal matrix such as eye(3), a range such as 1:3) by making a dense
  // copy that it never frees: a call would leak that copy. Octave's own
  // value gives the same elements, shared with the caller's array or made
  // dense here and released when the call ends.
  const double* double_data(int k) {
    held_[k] = octave_mex::array_value(prhs_[k]);
    return held_[k].data();
  }
#else
  const double* double_data(int k) { return mxGetPr(prhs_[k]); }
#endif

  // Views read a dense, real buffer. A sparse array passes the class test
  // but holds only its non-zeros, and complex layouts differ between hosts,
  // so neither may be read through a view.
  void require_dense_real(int k) {
    if (mxIsSparse(prhs_[k])) refuse::sparse_input(Contract::name, name(k));
    if (mxIsComplex(prhs_[k])) refuse::complex_input(name(k), refuse::Language::matlab);
  }

  // A created output belongs to the host once stored in its slot.
  mxArray* keep(int k, mxArray* array) {
    created_[k] = array;
    if (has_output_slot(nlhs_, k + 1)) plhs_[k] = array;
    return array;
  }

  int nlhs_;
  mxArray** plhs_;
  int nrhs_;
  const mxArray** prhs_;
  std::array<mxArray*, output_slots> created_{};
  // Sparse indices, when the host's index type needs a copy.
  std::array<std::vector<std::size_t>, input_count<Contract>()> held_starts_{}, held_rows_{};
  std::array<const mxArray*, input_count<Contract>()> inputs_{};  // with named inputs
#if defined(MEXSETS_OCTAVE_MEX)
  std::array<NDArray, input_count<Contract>()> held_{};
#endif
  HostMemory memory_;
  std::optional<ThreadScope> threads_;
};

// Runs the contract and turns a Failure (or exhausted memory) into the
// host's error, after every local of the call has been destroyed. An
// interrupt that Octave raised is rethrown as it came; in MATLAB it ends the
// call with the error mexsets:<function>:interrupted.
template <class Contract>
void mex_gateway(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  CallError error;
  bool done;
  std::exception_ptr interrupt;
  {
    MexInterrupt polling;
    done = completes<Contract>(
        [&] {
          MexCall<Contract> call(nlhs, plhs, nrhs, prhs);
          if (!call.ends_at_call_shape()) Contract::run(call);
        },
        error);
    interrupt = polling.pending();
  }
  if (interrupt) std::rethrow_exception(interrupt);
  if (!done) mexErrMsgIdAndTxt(error.identifier, "%s", error.message);
}

}  // namespace mexsets

#define MEXSETS_MEX_GATEWAY(Contract)                                            \
  void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) { \
    mexsets::mex_gateway<Contract>(nlhs, plhs, nrhs, prhs);                      \
  }
