// Errors as MATLAB and Octave users read them, whichever gateway runs the
// call (MEX, mexsets/mex_host.hpp, or an Octave oct-file,
// mexsets/oct_host.hpp): inputs numbered from 1, rows and columns from 1.
#pragma once

#include <cstdio>
#include <new>
#include <string>

#include "mexsets/contract.hpp"
#include "mexsets/failure.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

// "input 3", "input 4 (lambda)", "input 3 at row 2, column 4"; a named
// input is "option 'background'" (its position depends on the call).
template <class Contract>
std::string mex_place_text(const Place& place) {
  const int k = input_position<Contract>(place.argument.c_str());
  const bool named = k >= 0 && Contract::inputs[k].named;
  const std::string input = named    ? "option '" + place.argument + "'"
                            : k >= 0 ? "input " + std::to_string(k + 1)
                                     : place.argument;
  switch (place.form) {
    case Place::Form::named:
      if (named) return input;
      return input + " (" + place.argument + ")";
    case Place::Form::entry:
      return input + " at row " + std::to_string(place.row + 1) + ", column " +
             std::to_string(place.column + 1);
    case Place::Form::row:
      return "row " + std::to_string(place.row + 1) + " of " + input;
    default:
      return input;
  }
}

// The identifier and message of a failed call, on the gateway's own stack.
struct CallError {
  char identifier[160];
  char message[1024];
};

// Runs `body`. A Failure (or exhausted memory, or an interrupt) that ends it
// is written into `error` once the body's locals are gone, for the gateway
// to raise: a host may leave the call with longjmp, which would skip
// destructors. True when the body completed.
template <class Contract, class Body>
bool completes(Body&& body, CallError& error) {
  try {
    body();
    return true;
  } catch (const Failure& failure) {
    std::snprintf(error.identifier, sizeof error.identifier, "mexsets:%s:%s", Contract::name,
                  failure.reason().c_str());
    std::snprintf(error.message, sizeof error.message, "%s",
                  failure.render(mex_place_text<Contract>).c_str());
  } catch (const std::bad_alloc&) {
    std::snprintf(error.identifier, sizeof error.identifier, "mexsets:%s:outOfMemory",
                  Contract::name);
    std::snprintf(error.message, sizeof error.message, "Out of memory");
  } catch (const Interrupted&) {
    std::snprintf(error.identifier, sizeof error.identifier, "mexsets:%s:interrupted",
                  Contract::name);
    std::snprintf(error.message, sizeof error.message, "Interrupted");
  }
  return false;
}

}  // namespace mexsets
