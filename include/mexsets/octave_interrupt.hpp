// Ctrl-C in Octave, for oct-files (mexsets/oct_host.hpp) and for MEX files
// that Octave runs (mexsets/mex_interrupt.hpp). Octave's signal handler sets
// octave_signal_caught (quit.h), and octave_quit() turns a pending interrupt
// into octave::interrupt_exception, as Octave's own loops call it. The hook
// does the same, but keeps what octave_quit() throws and stops the
// computation; once the call's locals are gone the gateway rethrows it, so
// the interpreter handles an ordinary Ctrl-C and assigns no output.
#pragma once

#include <exception>

#include "mexsets/interrupt.hpp"
#include "quit.h"

namespace mexsets {

class OctaveInterrupt {
 public:
  OctaveInterrupt() : scope_(&hook_) {}
  OctaveInterrupt(const OctaveInterrupt&) = delete;
  OctaveInterrupt& operator=(const OctaveInterrupt&) = delete;

  // What Octave threw when asked (its interrupt, mostly), or null.
  std::exception_ptr pending() const { return pending_; }

 private:
  // A signal other than an interrupt (a child ending, say) is handled by
  // octave_quit() and the computation goes on.
  static bool stop(void* context) {
    if (!octave_signal_caught) return false;
    try {
      octave_quit();
    } catch (...) {
      static_cast<OctaveInterrupt*>(context)->pending_ = std::current_exception();
      return true;
    }
    return false;
  }

  std::exception_ptr pending_;
  InterruptHook hook_{&stop, this};
  InterruptScope scope_;
};

}  // namespace mexsets
