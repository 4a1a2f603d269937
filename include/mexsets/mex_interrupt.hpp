// Ctrl-C during a MEX call (mexsets/mex_host.hpp). Octave's mex.h defines
// HAVE_OCTAVE: there the hook asks Octave's own flag, and the gateway
// rethrows Octave's interrupt (mexsets/octave_interrupt.hpp). MATLAB offers
// utIsInterruptPending() in its libut (undocumented but long stable; MEX
// files link it with -lut), and so does the stand-in host; there an
// interrupted call ends with the error mexsets:<function>:interrupted.
#pragma once

#include <exception>

#include "mex.h"
#include "mexsets/interrupt.hpp"

#if defined(HAVE_OCTAVE)
#include "mexsets/octave_interrupt.hpp"

namespace mexsets {
using MexInterrupt = OctaveInterrupt;
}  // namespace mexsets

#else

extern "C" bool utIsInterruptPending(void);

namespace mexsets {

class MexInterrupt {
 public:
  MexInterrupt() : scope_(&hook_) {}
  MexInterrupt(const MexInterrupt&) = delete;
  MexInterrupt& operator=(const MexInterrupt&) = delete;

  // Nothing for the gateway to rethrow.
  std::exception_ptr pending() const { return nullptr; }

 private:
  static bool stop(void*) { return utIsInterruptPending(); }

  InterruptHook hook_{&stop, nullptr};
  InterruptScope scope_;
};

}  // namespace mexsets

#endif
