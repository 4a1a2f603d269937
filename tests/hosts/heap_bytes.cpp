// heap_bytes(): the bytes that malloc has handed out and not taken back, for
// the leak checks (resident memory moves with the allocator's own caching).
#include <malloc.h>
#include <octave/oct.h>

DEFUN_DLD(heap_bytes, , ,
          "-*- texinfo -*-\n@deftypefn {} {@var{n} =} heap_bytes ()\n"
          "Bytes in use from malloc.\n@end deftypefn") {
  const struct mallinfo2 info = mallinfo2();
  return octave_value(static_cast<double>(info.uordblks + info.hblkhd));
}
