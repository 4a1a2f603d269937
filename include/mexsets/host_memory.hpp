// Scratch memory from the host (mxMalloc / mxFree) for containers a gateway
// holds while it asks the host for arrays. If the host ends the call inside
// one of those requests (running out of memory, say) without unwinding, it
// still releases every block it handed out, so nothing is leaked; on the
// normal path the containers return their blocks themselves.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <new>

#include "mex.h"

namespace mexsets {

class HostMemory : public std::pmr::memory_resource {
 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override {
    // Host blocks are aligned at least as malloc's are.
    if (alignment > alignof(std::max_align_t)) throw std::bad_alloc();
    // Octave's MEX layer raises its own error (without an identifier) when
    // it has no block to give; mxMalloc fails in no other way.
    void* block = nullptr;
#if defined(MEXSETS_OCTAVE_MEX)
    try {
      block = mxMalloc(bytes ? bytes : 1);
    } catch (...) {
      throw std::bad_alloc();
    }
#else
    block = mxMalloc(bytes ? bytes : 1);
#endif
    if (!block) throw std::bad_alloc();
    return block;
  }
  void do_deallocate(void* block, std::size_t, std::size_t) override { mxFree(block); }
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }
};

}  // namespace mexsets
