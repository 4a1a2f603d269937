// The Python host of a contract (mexsets/contract.hpp), over NumPy with
// pybind11. A module's binding is
//
//   #include "mexsets/python_host.hpp"
//   #include "score_subsets_contract.hpp"
//   MEXSETS_PYTHON_MODULE(_score_subsets_native, mexsets::ScoreSubsetsContract)
//
// which exports `call(*inputs, threads=None)` (every input, positionally,
// None for an optional input left out; the wrapper takes named inputs as
// keyword-only arguments and passes them on here by position; `threads` is
// the call's number of threads, None for the default: mexsets/contract.hpp)
// and `inputs`, the
// contract's argument list (keyword, kind, optional, default, named), for
// the package's Python wrapper. A choice is a str, matched exactly.
//
// The native layer (mexsets.<function>, 0-based ids) calls
// `call_native(plan, threads, *inputs)` with a plan its wrapper made once by
// `native_plan(inputs, outputs)` (NativePlan below): the host refuses None
// where an input is required and a wrong number of dimensions, in argument
// order, and reads ids into its own buffer shifted to the 1-based numbering
// the computation reads (a float id must be whole); id outputs are made as
// np.intp and converted in place once the computation is done.
//
// Conversion rules (the same for every function):
// - Inputs are any array-like. float64 in native byte order is read in place
//   when its layout is column-major (Fortran order; any 1-D or single row or
//   column counts); any other float64 layout is copied once into a
//   column-major buffer. bool, integers, float16 and float32 are converted
//   exactly to float64; an integer of magnitude above 2^53 is refused
//   (integerTooLarge). Complex input (complexInput) and everything else that
//   is not a real number (objects, strings, float128: typesNotCoherent) are
//   refused with mexsets.ArgumentTypeError, a TypeError.
// - Shapes read as MATLAB reads them: a 0-d array is 1-by-1 and a 1-D array
//   of length N is one row (1-by-N). Trailing extents of 1 beyond the second
//   are dropped (as the hosts drop trailing singleton dimensions); anything
//   still beyond two dimensions is refused (dimensionsNotCoherent), except
//   where a function reads the first page.
// - Outputs are new NumPy arrays, zeroed and then filled in place: M-by-1
//   results are 1-D, matrices are Fortran-ordered, leaf lists are a list of
//   1-D uint32 arrays. One output is returned as is, several as a tuple.
// - The computation runs with the GIL released; the host takes it back only
//   to read an input or create an output, and, on the main thread, to run
//   Python's signal handlers: Ctrl-C raises KeyboardInterrupt (or whatever a
//   SIGINT handler raises) within milliseconds, with no result.
// - A failure raises mexsets.Error (a ValueError) with the identifier
//   mexsets:<function>:<reason>; entries are located as Python indexes them:
//   "subsets[1, 3] holds 7" (0-based), "keys[4]" for a 1-D input, "merges[31]"
//   for a whole row.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <memory_resource>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/huge_pages.hpp"
#include "common/parallel.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"
#include "mexsets/contract.hpp"
#include "mexsets/failure.hpp"
#include "mexsets/interrupt.hpp"
#include "mexsets/refusals.hpp"
#include "mexsets/result_size.hpp"

namespace mexsets {
namespace python {

namespace py = pybind11;

// The Python keyword of a contract name: lower case, with a trailing
// underscore where the name is a Python keyword (lambda_).
inline std::string keyword(const char* name) {
  std::string out(name);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (out == "lambda") out += '_';
  return out;
}

namespace detail {

// A float16 element, read by its bits.
struct Half {
  std::uint16_t bits;
};

// float16 to double, exactly (every half is a double).
inline double half_to_double(std::uint16_t h) {
  const int sign = h >> 15, exponent = (h >> 10) & 0x1f, fraction = h & 0x3ff;
  double magnitude;
  if (exponent == 0)
    magnitude = std::ldexp(static_cast<double>(fraction), -24);
  else if (exponent == 31)
    magnitude = fraction ? std::numeric_limits<double>::quiet_NaN()
                         : std::numeric_limits<double>::infinity();
  else
    magnitude = std::ldexp(static_cast<double>(fraction | 0x400), exponent - 25);
  return sign ? -magnitude : magnitude;
}

template <class T>
double to_double(T value) {
  return static_cast<double>(value);
}
inline double to_double(Half value) { return half_to_double(value.bits); }

// The host's copy of an input: malloc'd, or from 4 MiB on whole 2 MiB
// pages (take_huge_pages) advised into huge pages, as NumPy lays its
// arrays: in 4 KiB pages, filling it faults once per page, which costs more
// than the copy itself (1,000,000 by 20 ids: 1 s against 70 ms).
struct FreeBuffer {
  bool huge = false;  // from take_huge_pages
  void operator()(double* memory) const noexcept {
    if (huge)
      release_huge_pages(memory);
    else
      std::free(memory);
  }
};
using Buffer = std::unique_ptr<double[], FreeBuffer>;

inline Buffer new_buffer(std::size_t elements) {
  if (elements > std::numeric_limits<std::size_t>::max() / sizeof(double)) throw std::bad_alloc();
  const std::size_t bytes = std::max<std::size_t>(elements * sizeof(double), 1);
  if (bytes >= kLargeBuffer) {
    std::size_t size = 0;
    void* memory = take_huge_pages(bytes, size);
    advise_huge_pages(memory, size);
    return Buffer(static_cast<double*>(memory), FreeBuffer{true});
  }
  void* memory = std::malloc(bytes);
  if (!memory) throw std::bad_alloc();
  return Buffer(static_cast<double*>(memory));
}

// An input seen as a matrix: extents and byte strides.
struct Layout {
  const char* data = nullptr;
  std::size_t rows = 0, cols = 0;
  std::ptrdiff_t row_stride = 0, col_stride = 0;
  int ndim = 2;  // as the caller passed it, for locating entries
};

// A scipy.sparse matrix or array; scipy is asked only when the caller has
// imported it. Called with the GIL held.
inline bool is_scipy_sparse(const py::handle& value) {
  const py::dict modules = py::module_::import("sys").attr("modules");
  if (!modules.contains("scipy.sparse")) return false;
  return modules["scipy.sparse"].attr("issparse")(value).cast<bool>();
}

}  // namespace detail

// The native layer's conventions of a call (mexsets.<function>), made once
// per wrapper by the extension's native_plan(inputs, outputs) and given to
// call_native with every call: how each input is checked and which hold ids
// (shifted while the host reads them into its own buffer), and which outputs
// are ids (np.intp, the computation's 1-based numbers less one).
struct NativeInput {
  enum class Kind { as_is, array, ids, sets, scalar };
  std::string name;  // the native argument, for messages
  Kind kind = Kind::as_is;
  int ndim = 0;           // array, ids: the dimensions required
  bool required = false;  // None refused (missingArgument)
  bool column = false;    // array: a 1-D array read as one column
  double shift = 0;       // ids, sets: added to every id, ...
  bool clamp = false;     // ... and negative results raised to 0
};

struct NativePlan {
  enum class Output { as_is, one_based, zero_based, leaf_lists };
  std::vector<NativeInput> inputs;
  std::vector<Output> outputs;
};

template <class Contract>
class PythonCall {
 public:
  static constexpr std::size_t count = input_count<Contract>();
  static constexpr int output_slots = 8;

  // `native`, when given, holds the native layer's conventions of the call.
  explicit PythonCall(const py::args& args, const NativePlan* native = nullptr) : native_(native) {
    for (std::size_t k = 0; k < count; ++k) {
      args_[k] = args[k];
      given_[k] = !args_[k].is_none();
    }
  }

  bool given(int k) const { return given_[k]; }

  // The native layer's checks, input by input in argument order: None for a
  // required input, the number of dimensions, and ids read once into the
  // host's own buffer, shifted (floats must hold whole numbers; NaN passes).
  // Called with the GIL held, before the computation.
  void prepare() {
    for (std::size_t k = 0; k < count; ++k) {
      const NativeInput& in = native_->inputs[k];
      const int i = static_cast<int>(k);
      if (!given_[k]) {
        if (in.required) raise_native(true, in.name + " is required (got None)", "missingArgument");
        continue;
      }
      switch (in.kind) {
        case NativeInput::Kind::as_is:
          break;
        case NativeInput::Kind::scalar: {
          PyObject* object = args_[k].ptr();
          if (PyFloat_CheckExact(object) || PyLong_CheckExact(object) || PyBool_Check(object))
            break;
          const py::array array = py::array::ensure(args_[k]);
          if (!array || array.size() != 1)
            bad_shape(in, "a number (an array of one element)", array, args_[k], "");
          args_[k] = array;
          break;
        }
        case NativeInput::Kind::array: {
          const py::array array = dimensions(i, in);
          if (in.column && array.ndim() == 1) column_[k] = true;
          break;
        }
        default:
          read_ids(i, in, dimensions(i, in));
      }
    }
  }

  // The outputs that hold ids, made 0-based: in place, after the
  // computation (without the GIL: no one else sees them yet).
  void finish() {
    if (!native_) return;
    for (std::size_t k = 0; k < native_->outputs.size() && k < output_slots; ++k) {
      const NativePlan::Output mode = native_->outputs[k];
      if (mode == NativePlan::Output::leaf_lists) {
        for (std::size_t j = 0; j < lists_[k].size(); ++j)
          for (std::uint32_t *leaf = lists_[k][j], *end = leaf + list_sizes_[k][j]; leaf != end;
               ++leaf)
            --*leaf;
      } else if (mode != NativePlan::Output::as_is && id_outputs_[k].data) {
        const std::int64_t less = mode == NativePlan::Output::one_based ? 1 : 0;
        char* slot = id_outputs_[k].data;
        for (std::size_t n = 0; n < id_outputs_[k].size; ++n, slot += 8) {
          double value;
          std::memcpy(&value, slot, 8);
          const std::int64_t id = static_cast<std::int64_t>(value) - less;
          std::memcpy(slot, &id, 8);
        }
      }
    }
  }

  ConstMatrix matrix(int k) { return read(k, false); }
  ConstMatrix page(int k) { return read(k, true); }

  // An (M, N, C) array; an (M, N) one is read as C = 1.
  ConstArray3 array3(int k) {
    py::gil_scoped_acquire gil;
    const py::array array = checked_array(k);
    std::vector<py::ssize_t> shape(array.shape(), array.shape() + array.ndim());
    while (shape.size() > 3 && shape.back() == 1) shape.pop_back();
    if (shape.size() > 3) refuse::dimensions_not_coherent(name(k), shape.size());
    while (shape.size() < 3) shape.insert(shape.size() == 2 ? shape.end() : shape.begin(), 1);
    refuse_inexact_integers(k, array, shape);
    if (array.ndim() >= 3) {  // entries are located as [i, j, c]
      layouts_[k].ndim = 3;
      layouts_[k].rows = static_cast<std::size_t>(shape[0]);
      layouts_[k].cols = static_cast<std::size_t>(shape[1]);
    }
    // Column-major copy in one go: as a matrix of M rows and N*C columns.
    const py::array fortran = guarded([&] {
      return py::array(py::module_::import("numpy").attr("asfortranarray")(array, "float64"));
    });
    held_[k] = fortran;
    return {static_cast<const double*>(fortran.data()), static_cast<std::size_t>(shape[0]),
            static_cast<std::size_t>(shape[1]), static_cast<std::size_t>(shape[2])};
  }

  // A scipy.sparse matrix or array; scipy is asked only when the caller has
  // imported it.
  bool sparse(int k) {
    if (!given_[k]) return false;
    py::gil_scoped_acquire gil;
    return detail::is_scipy_sparse(args_[k]);
  }

  // The matrix in compressed columns (tocsc()), copied with the GIL held:
  // another thread may change the caller's arrays while the call runs
  // without it. Values convert as matrix() converts elements.
  ConstCompressed compressed(int k) {
    py::gil_scoped_acquire gil;
    const py::module_ numpy = py::module_::import("numpy");
    const py::object csc = guarded([&] { return args_[k].attr("tocsc")(); });
    const auto shape = csc.attr("shape").cast<std::pair<std::size_t, std::size_t>>();
    const py::array data = numpy.attr("asarray")(csc.attr("data"));
    const char kind = data.dtype().kind();
    const auto size = data.dtype().itemsize();
    if (kind == 'c') refuse::complex_input(name(k), refuse::Language::python);
    const bool numeric = kind == 'b' || kind == 'i' || kind == 'u' ||
                         (kind == 'f' && (size == 2 || size == 4 || size == 8));
    if (!numeric)
      refuse::types_not_coherent(name(k), " holds dtype " + std::string(py::str(data.dtype())) +
                                              "; expected a real number dtype");
    if ((kind == 'i' || kind == 'u') && size == 8) {
      // Beyond 2^53 the conversion would round (compared as integers).
      const py::object limit = py::int_(std::int64_t{1} << 53);
      py::object beyond = data.attr("__gt__")(limit);
      if (kind == 'i') beyond = beyond | data.attr("__lt__")(-limit);
      if (numpy.attr("any")(beyond).cast<bool>())
        refuse::integer_too_large(
            arg(name(k)),
            std::string(py::str(data.attr("__getitem__")(numpy.attr("argmax")(beyond)))));
    }
    // Every value left is a double exactly.
    const auto copy_of = [&](const py::object& array, const char* dtype) {
      return guarded(
          [&] { return py::array(numpy.attr("array")(array, dtype, py::arg("copy") = true)); });
    };
    const py::array values = copy_of(data, "float64");
    const py::array starts = copy_of(csc.attr("indptr"), "int64");
    const py::array rows = copy_of(csc.attr("indices"), "int64");
    ConstCompressed w;
    w.rows = shape.first;
    w.cols = shape.second;
    if (static_cast<std::size_t>(starts.size()) != w.cols + 1)
      fail("badSparseStructure", "Bad sparse structure: ", arg(name(k)),
           " has " + std::to_string(starts.size()) + " column starts for " +
               std::to_string(w.cols) + " columns");
    std::vector<std::size_t>& held_starts = sparse_starts_[k];
    std::vector<std::size_t>& held_rows = sparse_rows_[k];
    held_sparse_values_[k] = values;
    // Read as unsigned: a negative index is a huge one, which the checks
    // refuse.
    held_starts.assign(static_cast<const std::int64_t*>(starts.data()),
                       static_cast<const std::int64_t*>(starts.data()) + w.cols + 1);
    w.starts = held_starts.data();
    const auto stored = static_cast<std::size_t>(std::min(rows.size(), values.size()));
    check_column_starts(w, stored, name(k));
    held_rows.assign(static_cast<const std::int64_t*>(rows.data()),
                     static_cast<const std::int64_t*>(rows.data()) + w.nonzeros());
    w.row_index = held_rows.data();
    w.values = static_cast<const double*>(values.data());
    check_row_indices(w, name(k));
    return w;
  }

  void most_outputs(int) {}
  int result_copies() const { return 1; }
  void unread(int k) { read(k, false); }

  // The first element of an array of any shape, as the MEX host's
  // mxGetScalar reads it; only an empty array has none.
  double scalar(int k) {
    if (!given(k)) return Contract::inputs[k].default_value;
    py::gil_scoped_acquire gil;
    PyObject* object = args_[k].ptr();
    if (PyFloat_CheckExact(object)) return PyFloat_AS_DOUBLE(object);
    const py::array array = checked_array(k);
    if (array.size() == 0) refuse::bad_scalar(name(k), true);
    detail::Layout& layout = layouts_[k];
    layout = detail::Layout{static_cast<const char*>(array.data()), 1, 1, 0, 0, 0};
    return copy_converted(k, array)[0];
  }

  // A str among the choices, matched exactly.
  std::size_t choice(int k) {
    const Argument& argument = Contract::inputs[k];
    if (!given(k)) return static_cast<std::size_t>(argument.default_value);
    py::gil_scoped_acquire gil;
    const py::handle value = args_[k];
    if (!py::isinstance<py::str>(value))
      choice_index(argument, arg(name(k)), nullptr,
                   py::str(value.get_type().attr("__name__")).cast<std::string>(), false);
    const std::string text = value.cast<std::string>();
    return choice_index(argument, arg(name(k)), &text, "", false);
  }

  double* column(int k, std::size_t m) { return numbers<double>(k, {m}); }
  double* matrix_output(int k, std::size_t rows, std::size_t cols) {
    return numbers<double>(k, {rows, cols});
  }
  unsigned char* logical_column(int k, std::size_t m) {
    return reinterpret_cast<unsigned char*>(numbers<bool>(k, {m}));
  }
  bool* logical_array(int k, std::size_t d0, std::size_t d1, std::size_t d2) {
    return numbers<bool>(k, {d0, d1, d2});
  }

  // Every list under one hold of the GIL: a lock taken per list would let
  // other threads stall the call once per list.
  template <class Count>
  void lists(int k, std::size_t n, Count count) {
    std::vector<std::uint32_t*>& entries = lists_[k];
    entries.assign(n, nullptr);
    if (native_) list_sizes_[k].assign(n, 0);
    py::gil_scoped_acquire gil;
    outputs_[k] = guarded([&] { return py::list(static_cast<py::ssize_t>(n)); });
    for (std::size_t j = 0; j < n; ++j) {
      auto array = guarded([&] { return py::array_t<std::uint32_t>(count(j)); });
      entries[j] = array.mutable_data();
      if (native_) list_sizes_[k][j] = static_cast<std::size_t>(array.size());
      PyList_SET_ITEM(outputs_[k].ptr(), static_cast<py::ssize_t>(j), array.release().ptr());
    }
  }
  std::uint32_t* list(int k, std::size_t j) { return lists_[k][j]; }

  std::pmr::memory_resource* scratch() { return std::pmr::new_delete_resource(); }

  // One output as it is, several as a tuple in output order.
  py::object result() {
    std::vector<py::object> made;
    for (auto& output : outputs_)
      if (output) made.push_back(std::move(output));
    if (made.size() == 1) return made[0];
    py::tuple out(made.size());
    for (std::size_t k = 0; k < made.size(); ++k) out[k] = std::move(made[k]);
    return std::move(out);
  }

  // "subsets", "subsets[1, 3]", "keys[4]".
  std::string place_text(const Place& place) const {
    const int k = input_position<Contract>(place.argument.c_str());
    if (k < 0) return place.argument;
    const std::string word = keyword(place.argument.c_str());
    if (place.form == Place::Form::row) return word + "[" + std::to_string(place.row) + "]";
    if (place.form != Place::Form::entry) return word;
    switch (layouts_[k].ndim) {
      case 0:
        return word;
      case 1:
        return word + "[" + std::to_string(place.column) + "]";
      case 3:  // the column counts N columns per channel
        return word + "[" + std::to_string(place.row) + ", " +
               std::to_string(place.column % layouts_[k].cols) + ", " +
               std::to_string(place.column / layouts_[k].cols) + "]";
      default:
        return word + "[" + std::to_string(place.row) + ", " + std::to_string(place.column) + "]";
    }
  }

 private:
  static const char* name(int k) { return Contract::inputs[k].name; }

  // A refusal of the native layer, raised as its Python wrapper would.
  [[noreturn]] static void raise_native(bool type_error, const std::string& text,
                                        const char* reason) {
    const std::string message = std::string(Contract::name) + ": " + text;
    const std::string identifier = std::string("mexsets:") + Contract::name + ":" + reason;
    const py::object errors = py::module_::import("mexsets._errors");
    const py::object type = errors.attr(type_error ? "ArgumentTypeError" : "Error");
    PyErr_SetObject(type.ptr(), py::make_tuple(message, identifier).ptr());
    throw py::error_already_set();
  }

  // "arg must be <expected>; got shape (3,)." with the shape as Python
  // prints a tuple (a value NumPy cannot read as an array: its length).
  [[noreturn]] static void bad_shape(const NativeInput& in, const std::string& expected,
                                     const py::array& array, const py::handle& value,
                                     const std::string& hint) {
    std::vector<py::ssize_t> shape;
    if (array) {
      shape.assign(array.shape(), array.shape() + array.ndim());
    } else {
      const Py_ssize_t length = PyObject_Length(value.ptr());
      if (length < 0)
        PyErr_Clear();
      else
        shape.push_back(length);
    }
    std::string text = "(";
    for (std::size_t d = 0; d < shape.size(); ++d)
      text += (d ? ", " : "") + std::to_string(shape[d]);
    text += shape.size() == 1 ? ",)" : ")";
    raise_native(false, in.name + " must be " + expected + "; got shape " + text + "." + hint,
                 "badShape");
  }

  // Input k as an array of the dimensions its native argument has (an
  // empty 1-D array of ids where a matrix is wanted: 0-by-0).
  py::array dimensions(int k, const NativeInput& in) {
    py::array array = py::array::ensure(args_[k]);
    const bool sets = in.kind == NativeInput::Kind::sets;
    const int ndim = sets ? 2 : in.ndim;
    if (array && in.kind == NativeInput::Kind::ids && ndim == 2 && array.ndim() == 1 &&
        array.size() == 0)
      array = py::array_t<double>(std::vector<py::ssize_t>{0, 0});
    if (!array || array.ndim() != ndim) {
      const bool ids = in.kind == NativeInput::Kind::ids;
      if (sets)
        bad_shape(in, "2-D (M, N) or a sequence of 1-D sets", array, args_[k],
                  array && array.ndim() == 1 ? " For one set, pass [" + in.name + "]." : "");
      bad_shape(in,
                ndim == 2 ? "2-D"
                : ids     ? "1-D (a vector of ids)"
                          : "1-D (a vector)",
                array, args_[k], "");
    }
    args_[k] = array;
    return array;
  }

  // Ids of a real number dtype into buffers_[k], shifted; other dtypes are
  // left to the computation, which refuses them as it reads them.
  void read_ids(int k, const NativeInput& in, py::array array) {
    const char kind = array.dtype().kind();
    const auto size = array.dtype().itemsize();
    if (!(kind == 'b' || kind == 'i' || kind == 'u' ||
          (kind == 'f' && (size == 2 || size == 4 || size == 8))))
      return;
    const char foreign = is_little_endian() ? '>' : '<';
    if (array.dtype().byteorder() == foreign)
      array = guarded(
          [&] { return py::array(array.attr("astype")(array.dtype().attr("newbyteorder")("="))); });
    held_[k] = array;
    layouts_[k] = shape_of(k, array, false);
    by_dtype(array, [&](auto element_type) { copy_ids<decltype(element_type)>(k, in); });
    prepared_[k] = true;
  }

  // Whether a shifted id is a whole number (NaN and inf pass: the
  // computation reports them; from 2^52 on every double is whole).
  static bool whole(double id) {
    return !(std::fabs(id) < 4503599627370496.0) ||
           static_cast<double>(static_cast<std::int64_t>(id)) == id;
  }

  // Ids read as read_elements shifts them. A float with a fraction is
  // refused at once (idNotWhole, the first in the caller's row-major order,
  // as NumPy's argwhere finds it); a 64-bit integer beyond 2^53 once shifted
  // is kept for the computation's read.
  template <class T>
  void copy_ids(int k, const NativeInput& in) {
    const Found found = read_elements<T, true>(k, in.shift, in.clamp);
    const detail::Layout& layout = layouts_[k];
    if (found.fraction) {
      // Located in the caller's array, which may have changed since.
      for (std::size_t i = 0; i < layout.rows; ++i)
        for (std::size_t j = 0; j < layout.cols; ++j) {
          const double id = detail::to_double(element<T>(k, i, j)) + in.shift;
          if (whole(id)) continue;
          const std::string where =
              layout.ndim == 1 ? std::to_string(j) : std::to_string(i) + ", " + std::to_string(j);
          raise_native(false,
                       in.name + "[" + where + "] holds " +
                           py::repr(py::float_(id - in.shift)).cast<std::string>() +
                           ", not a whole number",
                       "idNotWhole");
        }
    }
    if (!found.too_large) return;
    const auto step = static_cast<std::int64_t>(in.shift);
    std::size_t i = 0, j = 0;
    if (!first_too_large<T>(k, step, i, j)) return;
    std::string text;
    if constexpr (std::is_same<T, std::int64_t>::value)  // wrapped, as NumPy adds
      text = std::to_string(static_cast<std::int64_t>(
          static_cast<std::uint64_t>(element<T>(k, i, j)) + static_cast<std::uint64_t>(step)));
    else
      text = integer_text(element<T>(k, i, j));
    too_large_[k] = {true, i, j, text};
  }

  ConstMatrix read(int k, bool first_page) {
    py::gil_scoped_acquire gil;
    return convert(k, first_page);
  }

  // A Python failure while the host holds the GIL (no memory for an array,
  // mostly) becomes an outOfMemory failure; the Python error is cleared.
  template <class Make>
  static auto guarded(Make&& make) -> decltype(make()) {
    try {
      return make();
    } catch (py::error_already_set&) {
      throw std::bad_alloc();
    }
  }

  // Whether the native layer wants output k as ids (np.intp).
  bool id_output(int k) const {
    const auto slot = static_cast<std::size_t>(k);
    return native_ && slot < native_->outputs.size() &&
           (native_->outputs[slot] == NativePlan::Output::one_based ||
            native_->outputs[slot] == NativePlan::Output::zero_based);
  }

  // A new zeroed array of E: Fortran order, one dimension for columns. A
  // large one is NumPy's zeros, whose pages come zeroed from calloc, not
  // yet faulted in; advised here into huge pages (NumPy 1.24 does not
  // advise calloc's blocks), they are first touched by the computation's
  // threads as they write them. Cleared here instead, every page would be
  // faulted in on this thread before the computation starts (400 MB in
  // 4 KiB pages: over a second). A small one is cleared by numbers(),
  // without the GIL. Called with the GIL held; *zeroed tells which.
  template <class E>
  static py::array new_array(const std::vector<py::ssize_t>& extents,
                             const std::vector<py::ssize_t>& strides, bool* zeroed) {
    std::size_t count = 1;
    for (const py::ssize_t extent : extents)
      count = saturating_product(count, static_cast<std::size_t>(extent));
    *zeroed = count >= kLargeBuffer / sizeof(E);
    if (*zeroed) {
      py::array array = guarded([&] {
        py::tuple shape(extents.size());
        for (std::size_t d = 0; d < extents.size(); ++d) shape[d] = py::int_(extents[d]);
        return py::array(
            py::module_::import("numpy").attr("zeros")(shape, py::dtype::of<E>(), "F"));
      });
      // NumPy lays a nonempty Fortran array out as the strides say.
      if (std::equal(strides.begin(), strides.end(), array.strides())) {
        advise_huge_pages(array.mutable_data(), static_cast<std::size_t>(array.nbytes()));
        return array;
      }
      *zeroed = false;
    }
    return guarded([&] { return py::array_t<E>(extents, strides); });
  }

  template <class T>
  T* numbers(int k, std::vector<std::size_t> shape) {
    T* data = nullptr;
    std::size_t bytes = 0;
    bool zeroed = false;
    {
      py::gil_scoped_acquire gil;
      std::vector<py::ssize_t> extents(shape.begin(), shape.end());
      std::vector<py::ssize_t> strides(shape.size());
      py::ssize_t stride = sizeof(T);
      for (std::size_t d = 0; d < shape.size(); ++d) {
        strides[d] = stride;
        stride *= extents[d];
      }
      if (std::is_same<T, double>::value && id_output(k)) {
        // Made as np.intp and filled with doubles of the same size, each
        // converted in place by finish().
        static_assert(sizeof(std::int64_t) == sizeof(double), "an id takes a double's place");
        py::array array = new_array<std::int64_t>(extents, strides, &zeroed);
        data = static_cast<T*>(array.mutable_data());
        bytes = static_cast<std::size_t>(array.nbytes());
        id_outputs_[k] = {reinterpret_cast<char*>(data), static_cast<std::size_t>(array.size())};
        outputs_[k] = std::move(array);
      } else {
        py::array array = new_array<T>(extents, strides, &zeroed);
        data = static_cast<T*>(array.mutable_data());
        bytes = static_cast<std::size_t>(array.nbytes());
        outputs_[k] = std::move(array);
      }
    }
    if (!zeroed) std::memset(static_cast<void*>(data), 0, bytes);
    return data;
  }

  // 64-bit integers of an (M, N, C) input are checked before NumPy converts
  // them (the conversion would round): the first one beyond 2^53 in
  // column-major order is reported as values[i, j, c].
  void refuse_inexact_integers(int k, const py::array& array,
                               const std::vector<py::ssize_t>& shape) {
    const char kind = array.dtype().kind();
    if ((kind != 'i' && kind != 'u') || array.dtype().itemsize() != 8) return;
    const py::module_ numpy = py::module_::import("numpy");
    const py::object limit = py::int_(std::int64_t{1} << 53);
    // The usual case in two reductions over the caller's memory; the entry
    // is located (a Fortran-order copy and masks) only when one is beyond.
    if (array.size() == 0) return;
    if (numpy.attr("max")(array).attr("__le__")(limit).cast<bool>() &&
        (kind == 'u' || numpy.attr("min")(array).attr("__ge__")(-limit).cast<bool>()))
      return;
    const py::object flat = numpy.attr("reshape")(array, -1, "F");
    py::object beyond = flat.attr("__gt__")(limit);
    if (kind == 'i') beyond = beyond | flat.attr("__lt__")(-limit);
    if (!numpy.attr("any")(beyond).cast<bool>()) return;
    const auto first = numpy.attr("argmax")(beyond).cast<std::size_t>();
    const auto rows = static_cast<std::size_t>(shape[0]);
    layouts_[k].ndim = 3;
    layouts_[k].rows = rows;
    layouts_[k].cols = static_cast<std::size_t>(shape[1]);
    refuse::integer_too_large(entry(name(k), first % rows, first / rows),
                              std::string(py::str(flat.attr("__getitem__")(first))));
  }

  // Input k as an array of real numbers; called with the GIL held.
  py::array checked_array(int k) {
    py::array array = py::array::ensure(args_[k]);
    // NumPy reads a scipy.sparse matrix as an object; only then is scipy
    // asked, off the path of every other call. A sparse matrix here is one
    // where the function reads only dense ones.
    if ((!array || array.dtype().kind() == 'O') && detail::is_scipy_sparse(args_[k]))
      refuse::sparse_input(Contract::name, name(k));
    if (!array) refuse::not_an_array(name(k));
    held_[k] = array;
    const char kind = array.dtype().kind();
    const auto size = array.dtype().itemsize();
    if (kind == 'c') refuse::complex_input(name(k), refuse::Language::python);
    const bool numeric = kind == 'b' || kind == 'i' || kind == 'u' ||
                         (kind == 'f' && (size == 2 || size == 4 || size == 8));
    if (!numeric)
      refuse::types_not_coherent(name(k), " has dtype " + std::string(py::str(array.dtype())) +
                                              "; expected a real number dtype");
    // Elements in the other byte order are brought to this machine's first.
    const char foreign = is_little_endian() ? '>' : '<';
    if (array.dtype().byteorder() == foreign) {
      array = guarded(
          [&] { return py::array(array.attr("astype")(array.dtype().attr("newbyteorder")("="))); });
      held_[k] = array;
    }
    return array;
  }

  // Input k as a column-major double matrix; called with the GIL held.
  ConstMatrix convert(int k, bool first_page) {
    if (prepared_[k]) {  // ids the native layer shifted into the host's buffer
      const detail::Layout& layout = layouts_[k];
      if (too_large_[k].found)
        refuse::integer_too_large(entry(name(k), too_large_[k].row, too_large_[k].column),
                                  too_large_[k].text);
      return {buffers_[k].get(), layout.rows, layout.cols};
    }
    const py::array array = checked_array(k);
    detail::Layout& layout = layouts_[k];
    layout = shape_of(k, array, first_page);
    const bool native_double = array.dtype().kind() == 'f' && array.dtype().itemsize() == 8;
    const bool column_major =
        (layout.rows <= 1 || layout.row_stride == 8) &&
        (layout.cols <= 1 || layout.col_stride == static_cast<std::ptrdiff_t>(8 * layout.rows)) &&
        reinterpret_cast<std::uintptr_t>(layout.data) % alignof(double) == 0;
    if (native_double && column_major)
      return {reinterpret_cast<const double*>(layout.data), layout.rows, layout.cols};
    return {copy_converted(k, array), layout.rows, layout.cols};
  }

  // The elements that layouts_[k] addresses, converted into buffers_[k]
  // (read_elements as they are). An integer beyond 2^53 is reported at the
  // first such entry in column-major order.
  const double* copy_converted(int k, const py::array& array) {
    by_dtype(array, [&](auto element_type) {
      using T = decltype(element_type);
      std::size_t i = 0, j = 0;
      if (read_elements<T, false>(k, 0.0, false).too_large && first_too_large<T>(k, 0, i, j))
        refuse::integer_too_large(entry(name(k), i, j), integer_text(element<T>(k, i, j)));
    });
    return buffers_[k].get();
  }

  // f(T{}) for the element type T of a real number dtype (checked_array's).
  template <class F>
  static void by_dtype(const py::array& array, F&& f) {
    const auto size = array.dtype().itemsize();
    switch (array.dtype().kind()) {
      case 'b':
        f(bool{});
        break;
      case 'f':
        if (size == 2) f(detail::Half{});
        if (size == 4) f(float{});
        if (size == 8) f(double{});
        break;
      case 'i':
        if (size == 1) f(std::int8_t{});
        if (size == 2) f(std::int16_t{});
        if (size == 4) f(std::int32_t{});
        if (size == 8) f(std::int64_t{});
        break;
      default:  // 'u'
        if (size == 1) f(std::uint8_t{});
        if (size == 2) f(std::uint16_t{});
        if (size == 4) f(std::uint32_t{});
        if (size == 8) f(std::uint64_t{});
        break;
    }
  }

  detail::Layout shape_of(int k, const py::array& array, bool first_page) {
    detail::Layout layout;
    layout.data = static_cast<const char*>(array.data());
    layout.ndim = static_cast<int>(array.ndim());
    std::vector<py::ssize_t> shape(array.shape(), array.shape() + array.ndim());
    std::vector<py::ssize_t> strides(array.strides(), array.strides() + array.ndim());
    while (shape.size() > 2 && shape.back() == 1) {
      shape.pop_back();
      strides.pop_back();
    }
    if (shape.size() > 2) {
      if (!first_page) refuse::dimensions_not_coherent(name(k), shape.size());
      std::size_t elements = 1;
      for (auto extent : shape) elements *= static_cast<std::size_t>(extent);
      if (shape[0] != 0 && shape[1] != 0 && elements == 0)
        refuse::no_first_page(name(k), shape_text(shape), refuse::Language::python);
    }
    if (shape.size() == 0) {
      layout.rows = layout.cols = 1;
    } else if (shape.size() == 1 && column_[k]) {  // read as (N, 1), located so
      layout.ndim = 2;
      layout.rows = static_cast<std::size_t>(shape[0]);
      layout.cols = 1;
      layout.row_stride = strides[0];
    } else if (shape.size() == 1) {
      layout.rows = 1;
      layout.cols = static_cast<std::size_t>(shape[0]);
      layout.col_stride = strides[0];
    } else {
      layout.rows = static_cast<std::size_t>(shape[0]);
      layout.cols = static_cast<std::size_t>(shape[1]);
      layout.row_stride = strides[0];
      layout.col_stride = strides[1];
    }
    return layout;
  }

  // "(2, 3, 0)"
  static std::string shape_text(const std::vector<py::ssize_t>& shape) {
    std::string text = "(";
    for (std::size_t d = 0; d < shape.size(); ++d)
      text += (d ? ", " : "") + std::to_string(shape[d]);
    return text + ")";
  }

  static bool is_little_endian() {
    const std::uint16_t probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
  }

  // What read_elements met: a float id with a fraction, an integer beyond
  // 2^53 (once shifted). The callers locate them, each in its own order.
  struct Found {
    bool fraction = false, too_large = false;
  };

  // The elements that layouts_[k] addresses into a new buffers_[k], in
  // column-major order, tile by tile so that a row-major source is read a
  // cache line at a time; large inputs are read without the GIL (the array
  // is held in held_[k]). As they are (the faithful layer), or Shifted as
  // the native layer's ids: plus `shift`, negatives raised to 0 when
  // `clamp`, the numbers NumPy's x + shift (in int64 for integers, float64
  // for floats) gives, floats checked for a fraction.
  template <class T, bool Shifted>
  Found read_elements(int k, double shift, bool clamp) {
    const detail::Layout& layout = layouts_[k];
    buffers_[k] = detail::new_buffer(layout.rows * layout.cols);  // every element is written
    constexpr bool floating =
        std::is_floating_point<T>::value || std::is_same<T, detail::Half>::value;
    const auto step = static_cast<std::int64_t>(shift);
    Found found;
    const auto fill = [&] {
      // Read into locals: the loop keeps them in registers.
      const char* const data = layout.data;
      const std::ptrdiff_t row_stride = layout.row_stride, col_stride = layout.col_stride;
      const std::size_t rows = layout.rows, cols = layout.cols;
      double* const out = buffers_[k].get();
      bool any_fraction = false, any_too_large = false;
      constexpr std::size_t tile = 64;
      for (std::size_t jb = 0; jb < cols; jb += tile)
        for (std::size_t ib = 0; ib < rows; ib += tile)
          for (std::size_t j = jb; j < std::min(jb + tile, cols); ++j)
            for (std::size_t i = ib; i < std::min(ib + tile, rows); ++i) {
              T value;
              std::memcpy(&value,
                          data + static_cast<std::ptrdiff_t>(i) * row_stride +
                              static_cast<std::ptrdiff_t>(j) * col_stride,
                          sizeof value);
              if constexpr (!floating) any_too_large |= beyond_exact_doubles(value, step);
              if constexpr (Shifted) {
                const double id = detail::to_double(value) + shift;
                if constexpr (floating) any_fraction |= !whole(id);
                out[i + j * rows] = clamp && id < 0 ? 0.0 : id;
              } else {
                out[i + j * rows] = detail::to_double(value);  // -0.0 stays -0.0
              }
            }
      found = {any_fraction, any_too_large};
    };
    if (layout.rows * layout.cols >= 4096) {
      py::gil_scoped_release release;
      fill();
    } else {
      fill();
    }
    return found;
  }

  // Entry (i, j) of the caller's array, as layouts_[k] addresses it.
  template <class T>
  T element(int k, std::size_t i, std::size_t j) const {
    const detail::Layout& layout = layouts_[k];
    T value;
    std::memcpy(&value,
                layout.data + static_cast<std::ptrdiff_t>(i) * layout.row_stride +
                    static_cast<std::ptrdiff_t>(j) * layout.col_stride,
                sizeof value);
    return value;
  }

  // The first entry beyond 2^53 once `step` is added, in column-major
  // order, whatever order read_elements found one in (false when the
  // caller's array no longer holds one).
  template <class T>
  bool first_too_large(int k, std::int64_t step, std::size_t& row, std::size_t& column) const {
    for (std::size_t j = 0; j < layouts_[k].cols; ++j)
      for (std::size_t i = 0; i < layouts_[k].rows; ++i)
        if (beyond_exact_doubles(element<T>(k, i, j), step)) {
          row = i;
          column = j;
          return true;
        }
    return false;
  }

  // 64-bit integers beyond 2^53 in magnitude once `step` is added
  // (compared as integers: the conversion itself would round).
  template <class T>
  static bool beyond_exact_doubles(T value, std::int64_t step) {
    constexpr std::int64_t limit = std::int64_t{1} << 53;
    if constexpr (std::is_same<T, std::int64_t>::value)
      return value > limit - step || value < -limit - step;
    else if constexpr (std::is_same<T, std::uint64_t>::value)
      return value > static_cast<std::uint64_t>(limit);
    else
      return false;
  }

  template <class T>
  static std::string integer_text(T value) {
    if constexpr (std::is_integral<T>::value && !std::is_same<T, bool>::value)
      return std::to_string(value);
    else
      return format_value(detail::to_double(value));
  }

  // An integer id beyond 2^53 found while the native layer shifted ids: the
  // first in column-major order, reported when the computation reads them.
  struct TooLarge {
    bool found = false;
    std::size_t row = 0, column = 0;
    std::string text;
  };
  // An output of ids: its elements, converted in place by finish().
  struct IdOutput {
    char* data = nullptr;
    std::size_t size = 0;
  };

  const NativePlan* native_ = nullptr;
  std::array<py::object, count> args_{};
  std::array<bool, count> prepared_{}, column_{};
  std::array<TooLarge, count> too_large_{};
  std::array<IdOutput, output_slots> id_outputs_{};
  std::array<std::vector<std::size_t>, output_slots> list_sizes_{};
  std::array<bool, count> given_{};
  std::array<py::object, count> held_{};
  std::array<detail::Layout, count> layouts_{};
  std::array<detail::Buffer, count> buffers_{};
  // Sparse inputs' copies: column starts, row indices (as std::size_t) and
  // the values (a NumPy array of this call's own).
  std::array<std::vector<std::size_t>, count> sparse_starts_{}, sparse_rows_{};
  std::array<py::object, count> held_sparse_values_{};
  std::array<py::object, output_slots> outputs_{};
  std::array<std::vector<std::uint32_t*>, output_slots> lists_{};
};

// Ctrl-C during a call. Python runs signal handlers on the main thread only,
// so only a call there asks: it takes the GIL and runs them
// (PyErr_CheckSignals); a handler that raises (KeyboardInterrupt, mostly)
// stops the computation, and its exception stays set for the call to raise
// once unwound. The GIL is asked for at most every 10 ms, and once taking it
// had to wait for other threads, no sooner than 20 times that wait: the
// call then loses at most a twentieth of its time, and other threads are
// held up only as long as a handler takes.
class PythonInterrupt {
 public:
  // Made with the GIL held.
  PythonInterrupt() {
    if (PyThread_get_thread_ident() == main_thread()) scope_.emplace(&hook_);
  }
  PythonInterrupt(const PythonInterrupt&) = delete;
  PythonInterrupt& operator=(const PythonInterrupt&) = delete;

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration interval = std::chrono::milliseconds(10);

  static unsigned long main_thread() {
    static const auto id =
        py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();
    return id;
  }

  static bool stop(void* context) {
    PythonInterrupt& self = *static_cast<PythonInterrupt*>(context);
    const Clock::time_point asked = Clock::now();
    if (asked < self.next_) return false;
    Clock::time_point taken;
    int raised;
    {
      py::gil_scoped_acquire gil;
      taken = Clock::now();
      raised = PyErr_CheckSignals();
    }
    self.next_ = taken + std::max(interval, 20 * (taken - asked));
    return raised != 0;
  }

  Clock::time_point next_ = Clock::now() + interval;
  InterruptHook hook_{&stop, this};
  std::optional<InterruptScope> scope_;
};

// The reasons a Python caller sees as a TypeError.
inline bool is_type_reason(const std::string& reason) {
  return reason == "typesNotCoherent" || reason == "complexInput" || reason == "sparseInput";
}

// The count of threads=: None (0, the default) or a positive int (a bool
// is no count). Called with the GIL held.
template <class Contract>
std::size_t threads_argument(const py::object& threads) {
  if (threads.is_none()) return 0;
  if (py::isinstance<py::bool_>(threads) || !py::isinstance<py::int_>(threads))
    throw py::type_error(std::string(Contract::name) + "() threads must be an int or None, not " +
                         py::str(threads.get_type().attr("__name__")).cast<std::string>());
  const long long value = threads.cast<long long>();
  return value >= 1 && value <= 1000000 ? static_cast<std::size_t>(value) : ~std::size_t{0};
}

template <class Contract>
void check_count(const py::args& args) {
  constexpr std::size_t count = input_count<Contract>();
  if (args.size() != count)
    throw py::type_error(std::string(Contract::name) + "() takes " + std::to_string(count) +
                         " arguments (" + std::to_string(args.size()) + " given)");
}

template <class Contract>
py::object run(PythonCall<Contract>& call, const py::object& threads, std::size_t thread_request) {
  std::string identifier, message, reason;
  try {
    {
      if (thread_request == ~std::size_t{0})
        thread_count(0.0, py::str(threads).cast<std::string>());  // badThreads
      ThreadScope scope(thread_request);
      PythonInterrupt polling;
      py::gil_scoped_release release;
      Contract::run(call);
      call.finish();
    }
    return call.result();
  } catch (const Interrupted&) {
    throw py::error_already_set();  // what the signal handler raised
  } catch (const Failure& failure) {
    reason = failure.reason();
    message = failure.render([&](const Place& place) { return call.place_text(place); });
  } catch (const std::bad_alloc&) {
    reason = "outOfMemory";
    message = "Out of memory";
  }
  identifier = std::string("mexsets:") + Contract::name + ":" + reason;
  py::object errors = py::module_::import("mexsets._errors");
  py::object type = errors.attr(is_type_reason(reason) ? "ArgumentTypeError" : "Error");
  PyErr_SetObject(type.ptr(), py::make_tuple(message, identifier).ptr());
  throw py::error_already_set();
}

template <class Contract>
py::object call(const py::args& args, const py::object& threads) {
  check_count<Contract>(args);
  const std::size_t thread_request = threads_argument<Contract>(threads);
  PythonCall<Contract> call(args);
  return run<Contract>(call, threads, thread_request);
}

// The name of the capsules that hold a NativePlan of Contract.
template <class Contract>
const char* native_plan_name() {
  static const std::string name = std::string("mexsets.") + Contract::name + ".native_plan";
  return name.c_str();
}

// native_plan(inputs, outputs): inputs, one per input of call(), are
// (name, kind, ndim, shift, clamp, required) with kind "as_is", "array",
// "column" (a 1-D array read as one column), "ids", "sets" or "scalar";
// outputs, by output, "as_is", "one_based" (1-based ids out as 0-based
// np.intp), "zero_based" (0-based ids as np.intp) or "leaf_lists" (lists of
// 1-based leaves made 0-based).
template <class Contract>
py::object native_plan(const py::sequence& inputs, const py::sequence& outputs) {
  if (inputs.size() != input_count<Contract>())
    throw py::value_error(std::string(Contract::name) + ": native_plan wants " +
                          std::to_string(input_count<Contract>()) + " inputs");
  auto plan = std::make_unique<NativePlan>();
  for (const py::handle item : inputs) {
    const auto entry = item.cast<py::tuple>();
    NativeInput in;
    in.name = entry[0].cast<std::string>();
    const auto kind = entry[1].cast<std::string>();
    using Kind = NativeInput::Kind;
    if (kind == "as_is")
      in.kind = Kind::as_is;
    else if (kind == "array")
      in.kind = Kind::array;
    else if (kind == "column")
      in.kind = Kind::array, in.column = true;
    else if (kind == "ids")
      in.kind = Kind::ids;
    else if (kind == "sets")
      in.kind = Kind::sets;
    else if (kind == "scalar")
      in.kind = Kind::scalar;
    else
      throw py::value_error("native_plan: no input kind " + kind);
    in.ndim = entry[2].cast<int>();
    in.shift = entry[3].cast<double>();
    in.clamp = entry[4].cast<bool>();
    in.required = entry[5].cast<bool>();
    plan->inputs.push_back(in);
  }
  for (const py::handle item : outputs) {
    const auto mode = item.cast<std::string>();
    using Output = NativePlan::Output;
    if (mode == "as_is")
      plan->outputs.push_back(Output::as_is);
    else if (mode == "one_based")
      plan->outputs.push_back(Output::one_based);
    else if (mode == "zero_based")
      plan->outputs.push_back(Output::zero_based);
    else if (mode == "leaf_lists")
      plan->outputs.push_back(Output::leaf_lists);
    else
      throw py::value_error("native_plan: no output kind " + mode);
  }
  PyObject* capsule = PyCapsule_New(plan.get(), native_plan_name<Contract>(), [](PyObject* self) {
    delete static_cast<NativePlan*>(PyCapsule_GetPointer(self, PyCapsule_GetName(self)));
  });
  if (!capsule) throw py::error_already_set();
  plan.release();
  return py::reinterpret_steal<py::object>(capsule);
}

// call_native(plan, threads, *inputs): call() in the native layer's
// conventions, as `plan` (from native_plan) gives them.
template <class Contract>
py::object call_native(const py::handle& plan, const py::object& threads, const py::args& args) {
  check_count<Contract>(args);
  const auto* native = static_cast<const NativePlan*>(
      PyCapsule_GetPointer(plan.ptr(), native_plan_name<Contract>()));
  if (!native) throw py::error_already_set();
  PythonCall<Contract> call(args, native);
  call.prepare();  // the inputs first, as the wrappers of Python code checked them
  const std::size_t thread_request = threads_argument<Contract>(threads);
  return run<Contract>(call, threads, thread_request);
}

template <class Contract>
void bind(py::module_& module) {
  module.def("native_plan", &native_plan<Contract>,
             "The conventions of call_native for one native wrapper (made once, at import).");
  module.def("call_native", &call_native<Contract>,
             "call() with the native layer's id shifts and checks, as `plan` gives them.");
  module.def("call", &call<Contract>,
             "Runs the function on every input, positionally, on `threads` threads "
             "(None: the default).",
             py::arg("threads") = py::none());
  py::list inputs;
  for (const Argument& argument : Contract::inputs) {
    const bool choice = argument.kind == Argument::Kind::choice;
    const char* kind = choice                                    ? "choice"
                       : argument.kind == Argument::Kind::scalar ? "scalar"
                                                                 : "matrix";
    const py::object default_value =
        choice ? py::object(
                     py::str(argument.choices[static_cast<std::size_t>(argument.default_value)]))
               : py::object(py::float_(argument.default_value));
    inputs.append(py::make_tuple(keyword(argument.name), kind, argument.optional, default_value,
                                 argument.named));
  }
  module.attr("inputs") = py::tuple(inputs);
  module.attr("name") = Contract::name;
}

}  // namespace python
}  // namespace mexsets

#define MEXSETS_PYTHON_MODULE(module_name, Contract) \
  PYBIND11_MODULE(module_name, module) { mexsets::python::bind<Contract>(module); }
