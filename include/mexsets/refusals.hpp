// The gateways' own refusals of a call, each text stated once and read by
// every host (mexsets/mex_host.hpp and its views in mexsets/array_views.hpp,
// mexsets/oct_host.hpp, mexsets/python_host.hpp): a class or a shape that no
// view reads, sparse or complex storage, a page with no element, a scalar
// without a value, too many outputs, an integer no double holds. The class
// names and the size text that the MATLAB and Octave hosts print are here
// too. Where the hosts' users spell a remedy or a shape differently, the
// caller's language picks the words.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "mexsets/failure.hpp"

namespace mexsets {

// Class names as the MATLAB and Octave hosts print them, at the MEX class
// ids (mxClassID: the same numbers in MATLAB's and Octave's mex.h).
// clang-format off
inline constexpr const char* class_names[] = {
    "of an unknown class", "cell", "struct", "logical", "char", "of an unknown class",
    "double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32",
    "int64", "uint64", "function_handle"};
// clang-format on
inline constexpr std::size_t class_count = sizeof class_names / sizeof class_names[0];

inline const char* class_name(std::size_t id) {
  return id < class_count ? class_names[id] : class_names[0];
}

// The class id of a class named as Octave names it; 0 (unknown) for a name
// not in the table.
inline std::size_t class_id(const std::string& name) {
  for (std::size_t id = 1; id < class_count; ++id)
    if (name == class_names[id]) return id;
  return 0;
}

// Classes whose first element mxGetScalar reads as a number: logical, char
// and double to uint64.
inline bool has_numeric_value(std::size_t id) {
  return id == 3 || id == 4 || (id >= 6 && id <= 15);
}

// "2-by-3-by-0", as the MATLAB and Octave hosts print sizes: `extent(d)` for
// d below `count`.
template <class Extent>
std::string size_text(std::size_t count, Extent extent) {
  std::string text;
  for (std::size_t d = 0; d < count; ++d) text += (d ? "-by-" : "") + std::to_string(extent(d));
  return text;
}

namespace refuse {

// Whose words a refusal uses for a remedy or a shape.
enum class Language { matlab, python };

// A view's class test. The host that can say more names the argument and
// what it holds.
[[noreturn]] inline void types_not_coherent() {
  fail("typesNotCoherent", "Data types not coherent");
}
[[noreturn]] inline void types_not_coherent(const char* name, std::string holds) {
  fail("typesNotCoherent", "Data types not coherent: ", arg(name), std::move(holds));
}
[[noreturn]] inline void not_an_array(const char* name) {
  fail("typesNotCoherent", "Expected a real numeric array: ", arg(name),
       " cannot be read as an array");
}

// A view's dimension test, with or without the count of dimensions found.
[[noreturn]] inline void dimensions_not_coherent() {
  fail("dimensionsNotCoherent", "Data dimensions not coherent");
}
[[noreturn]] inline void dimensions_not_coherent(const char* name, std::size_t dimensions) {
  fail("dimensionsNotCoherent", "Data dimensions not coherent: ", arg(name),
       " has " + std::to_string(dimensions) + " dimensions");
}

// Sparse storage where `function` reads the input only as a dense array.
[[noreturn]] inline void sparse_input(const char* function, const char* name) {
  fail("sparseInput",
       "Sparse input is not supported (" + std::string(function) + " has no sparse route): ",
       arg(name), " is sparse; pass full(...) instead");
}

[[noreturn]] inline void complex_input(const char* name, Language language) {
  fail("complexInput", "Complex input is not supported: ", arg(name),
       language == Language::python ? " is complex; pass its real part instead"
                                    : " is complex; pass real(...) instead");
}

// A page read of an array of another class than double.
[[noreturn]] inline void not_double(const char* name, const std::string& class_text) {
  fail("notDouble", "Expected a double array: ", named_arg(name), " is ", class_text,
       "; pass double(" + std::string(name) + ") instead");
}

// An array whose later extent is 0 has no first page: `size` as the host
// prints sizes ("2-by-3-by-0", Python "(2, 3, 0)").
[[noreturn]] inline void no_first_page(const char* name, const std::string& size,
                                       Language language) {
  fail("noFirstPage", "Expected an M-by-D page of points: ", named_arg(name),
       (language == Language::python ? " has shape " : " is ") + size + " and holds no element");
}

// A scalar read of an array with no first element or no numeric value.
[[noreturn]] inline void bad_scalar(const char* name, bool has_value) {
  fail("badScalar", "Expected a numeric scalar: ", named_arg(name),
       has_value ? " is empty" : " is not numeric");
}

[[noreturn]] inline void too_many_outputs(const char* function, int most) {
  fail("nargout", "Too many output arguments: " + std::string(function) + " gives at most " +
                      std::to_string(most));
}

// An integer of magnitude above 2^53, `value` as the caller writes it.
[[noreturn]] inline void integer_too_large(Place place, const std::string& value) {
  fail("integerTooLarge", "Integer too large to read exactly as a double: ", std::move(place),
       " holds " + value);
}

}  // namespace refuse

}  // namespace mexsets
