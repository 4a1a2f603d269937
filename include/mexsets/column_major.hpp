// Plain column-major matrices for the computations, which know nothing of the
// host: a pointer and two extents, element (i, j) at data[i + j*rows].
#pragma once

#include <cstddef>
#include <vector>

namespace mexsets {

template <class T>
struct MatrixRef {
  T* data = nullptr;
  std::size_t rows = 0;
  std::size_t cols = 0;

  T& operator()(std::size_t i, std::size_t j) const { return data[i + j * rows]; }
  std::size_t size() const { return rows * cols; }
  T* column(std::size_t j) const { return data + j * rows; }
};

using ConstMatrix = MatrixRef<const double>;

// A column-major array of three dimensions (an image with one plane per
// channel): element (i, j, c) at data[i + j*rows + c*rows*cols].
struct ConstArray3 {
  const double* data = nullptr;
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::size_t planes = 0;

  double operator()(std::size_t i, std::size_t j, std::size_t c) const {
    return data[i + j * rows + c * rows * cols];
  }
};

// A column-major matrix that owns its elements (results of computations that
// do not write into host buffers, and test inputs).
template <class T>
struct OwnedMatrix {
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::vector<T> data;

  OwnedMatrix() = default;
  OwnedMatrix(std::size_t r, std::size_t c, T fill = T()) : rows(r), cols(c), data(r * c, fill) {}
  T& operator()(std::size_t i, std::size_t j) { return data[i + j * rows]; }
  const T& operator()(std::size_t i, std::size_t j) const { return data[i + j * rows]; }
  MatrixRef<const T> cref() const { return {data.data(), rows, cols}; }
};

// A view's buffer as a plain matrix (works for the Boost-based views).
template <class View>
auto as_matrix(const View& view) -> MatrixRef<const typename View::element> {
  return {view.data(), view.shape()[0], view.shape()[1]};
}

}  // namespace mexsets
