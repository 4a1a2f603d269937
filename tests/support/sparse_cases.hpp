// Sparse and diagonal forms of a weight matrix W for the differential tests
// of rank_diverse, suppress_overlaps and set_features: each holds the same
// entries as a dense W, so the results must match the dense ones bit for bit.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "host.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"

namespace testing_support {

// W in compressed columns: every entry of the dense W other than +0 (-0 and
// NaN included), and about a third of its +0 entries as explicit stored
// zeros.
struct Compressed {
  std::size_t rows = 0, cols = 0;
  std::vector<std::size_t> starts{0}, row_index;
  std::vector<double> values;

  mexsets::ConstCompressed view() const {
    return {rows, cols, starts.data(), row_index.data(), values.data()};
  }
};

inline bool is_plus_zero(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b == 0;
}

inline Compressed compress(const mexsets::OwnedMatrix<double>& w, std::mt19937_64& random) {
  Compressed c;
  c.rows = w.rows;
  c.cols = w.cols;
  for (std::size_t b = 0; b < w.cols; ++b) {
    for (std::size_t a = 0; a < w.rows; ++a)
      if (!is_plus_zero(w(a, b)) || random() % 3 == 0) {
        c.row_index.push_back(a);
        c.values.push_back(w(a, b));
      }
    c.starts.push_back(c.row_index.size());
  }
  return c;
}

// diag(w) as a dense L-by-L matrix.
inline mexsets::OwnedMatrix<double> diagonal_matrix(const std::vector<double>& w) {
  mexsets::OwnedMatrix<double> d(w.size(), w.size(), 0.0);
  for (std::size_t a = 0; a < w.size(); ++a) d(a, a) = w[a];
  return d;
}

// A stand-in sparse double array with the entries of `c` (nzmax at least
// their count, plus `spare` unused slots).
inline standin::Array to_host(const Compressed& c, std::size_t spare = 0) {
  standin::Array array(mxCreateSparse(c.rows, c.cols, c.values.size() + spare, mxREAL));
  std::copy(c.starts.begin(), c.starts.end(), mxGetJc(array.get()));
  std::copy(c.row_index.begin(), c.row_index.end(), mxGetIr(array.get()));
  std::copy(c.values.begin(), c.values.end(), mxGetPr(array.get()));
  return array;
}

// The forms of a vector of item weights that mean diag(w): a dense row and
// column, and the same two stored sparse.
struct VectorForms {
  mexsets::OwnedMatrix<double> row, column;
  Compressed sparse_row, sparse_column;

  // The four, each read as the diagonal of W.
  std::array<mexsets::WeightMatrix, 4> diagonals() const {
    return {mexsets::WeightMatrix::diagonal(row.cref()),
            mexsets::WeightMatrix::diagonal(column.cref()),
            mexsets::WeightMatrix::diagonal(sparse_row.view()),
            mexsets::WeightMatrix::diagonal(sparse_column.view())};
  }
};

inline VectorForms vector_forms(const std::vector<double>& w, std::mt19937_64& random) {
  VectorForms f;
  f.row = mexsets::OwnedMatrix<double>(1, w.size());
  f.row.data = w;
  f.column = mexsets::OwnedMatrix<double>(w.size(), 1);
  f.column.data = w;
  f.sparse_row = compress(f.row, random);
  f.sparse_column = compress(f.column, random);
  return f;
}

}  // namespace testing_support
