// Uninitialised scratch of n elements taken from a memory resource (the
// host's scratch memory, or the heap's for bodies on other threads), advised
// into huge pages when large: its pages are first touched by whoever writes
// them, so a buffer that a parallel loop fills is faulted in on the loop's
// threads rather than in one serial pass before it.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <utility>

#include "common/huge_pages.hpp"

namespace mexsets {

template <class T>
class Buffer {
 public:
  Buffer(std::size_t n, std::pmr::memory_resource* memory)
      : data_(n ? static_cast<T*>(memory->allocate(n * sizeof(T), alignof(T))) : nullptr),
        size_(n),
        memory_(memory) {
    advise_huge_pages(data_, n * sizeof(T));
  }
  ~Buffer() {
    if (data_) memory_->deallocate(data_, size_ * sizeof(T), alignof(T));
  }
  Buffer(Buffer&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(other.size_), memory_(other.memory_) {}
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  Buffer& operator=(Buffer&&) = delete;
  T* data() const { return data_; }
  std::size_t size() const { return size_; }

  // Room for at least n elements (the contents are lost when it grows).
  void reserve(std::size_t n) {
    if (n <= size_) return;
    Buffer bigger(n, memory_);
    std::swap(data_, bigger.data_);
    std::swap(size_, bigger.size_);
  }

 private:
  T* data_;
  std::size_t size_;
  std::pmr::memory_resource* memory_;
};

}  // namespace mexsets
