// A sparse matrix as the hosts hold one, in compressed columns, and the item
// weight matrix W of rank_diverse, suppress_overlaps and set_features in any
// of the forms they take.
//
// Compressed columns (MATLAB's and Octave's sparse, scipy's CSC): column j
// holds the entries p = starts[j] .. starts[j + 1] - 1, entry p at row
// row_index[p] with value values[p]; every entry not stored is +0. A host
// builds the view (Call::compressed, mexsets/contract.hpp) and checks it with
// check_compressed before anything reads it: column starts from 0,
// non-decreasing and within the stored entries, row indices below the row
// count and strictly ascending in each column (so no entry is stored twice).
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>
#include <vector>

#include "mexsets/column_major.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

struct ConstCompressed {
  std::size_t rows = 0;
  std::size_t cols = 0;
  const std::size_t* starts = nullptr;     // cols + 1
  const std::size_t* row_index = nullptr;  // starts[cols]
  const double* values = nullptr;          // starts[cols]

  std::size_t nonzeros() const { return starts ? starts[cols] : 0; }
};

// A host's index array as std::size_t: in place when the host's index type
// is an integer of the same size (a signed one read as unsigned, so that a
// negative index is a huge one, which the checks refuse), else copied into
// `held`.
template <class Index>
const std::size_t* as_size_indices(const Index* indices, std::size_t count,
                                   std::vector<std::size_t>& held) {
  static_assert(std::is_integral<Index>::value, "integer indices");
  if constexpr (sizeof(Index) == sizeof(std::size_t)) {
    (void)count;
    (void)held;
    return reinterpret_cast<const std::size_t*>(indices);
  } else {
    held.resize(count);
    for (std::size_t p = 0; p < count; ++p)
      held[p] = static_cast<std::size_t>(static_cast<std::make_signed_t<Index>>(indices[p]));
    return held.data();
  }
}

// Throws badSparseStructure unless the column starts of `w` are a valid
// partition of the `stored` entries the host holds (starts[0] = 0,
// non-decreasing, starts[cols] <= stored). Reads only starts[0..cols].
inline void check_column_starts(const ConstCompressed& w, std::size_t stored, const char* name) {
  const auto bad = [&](const std::string& what) {
    fail("badSparseStructure", "Bad sparse structure: ", arg(name), " " + what);
  };
  if (w.starts[0] != 0)
    bad("has column starts beginning at " + std::to_string(w.starts[0]) + ", not 0");
  for (std::size_t j = 0; j < w.cols; ++j)
    if (w.starts[j + 1] < w.starts[j] || w.starts[j + 1] > stored)
      bad("has column " + std::to_string(j) + " (0-based) ending at " +
          std::to_string(w.starts[j + 1]) + ", outside " + std::to_string(w.starts[j]) + ".." +
          std::to_string(stored) + " (the stored entries)");
}

// Throws badSparseStructure unless every row index of `w` (whose column
// starts passed check_column_starts) is below w.rows and the row indices of
// each column strictly ascend.
inline void check_row_indices(const ConstCompressed& w, const char* name) {
  for (std::size_t j = 0; j < w.cols; ++j)
    for (std::size_t p = w.starts[j]; p < w.starts[j + 1]; ++p) {
      const std::size_t r = w.row_index[p];
      const std::string where = " in column " + std::to_string(j) + " (0-based)";
      if (r >= w.rows)
        fail("badSparseStructure", "Bad sparse structure: ", arg(name),
             " has row index " + std::to_string(r) + where + ", outside 0.." +
                 std::to_string(w.rows) + " (exclusive)");
      if (p > w.starts[j] && r <= w.row_index[p - 1])
        fail("badSparseStructure", "Bad sparse structure: ", arg(name),
             " has row index " + std::to_string(r) + " after " +
                 std::to_string(w.row_index[p - 1]) + where +
                 " (row indices must strictly ascend: no entry unsorted or repeated)");
    }
}

inline void check_compressed(const ConstCompressed& w, std::size_t stored, const char* name) {
  check_column_starts(w, stored, name);
  check_row_indices(w, name);
}

// W as a function takes it: a dense matrix, compressed columns, or (where the
// function accepts it) a vector w of L item weights meaning diag(w), given
// dense or compressed (1-by-L or L-by-1).
struct WeightMatrix {
  enum class Form { dense, compressed, diagonal };
  Form form = Form::dense;
  ConstMatrix dense;           // Form::dense, and a dense diagonal's vector
  ConstCompressed sparse;      // Form::compressed, and a compressed diagonal's vector
  bool sparse_vector = false;  // Form::diagonal: the vector is `sparse`

  WeightMatrix() = default;
  // A dense W, as before any other form existed.
  WeightMatrix(ConstMatrix w) : dense(w) {}  // NOLINT: implicit on purpose

  static WeightMatrix compressed(ConstCompressed w) {
    WeightMatrix m;
    m.form = Form::compressed;
    m.sparse = w;
    return m;
  }
  static WeightMatrix diagonal(ConstMatrix w) {
    WeightMatrix m(w);
    m.form = Form::diagonal;
    return m;
  }
  static WeightMatrix diagonal(ConstCompressed w) {
    WeightMatrix m = compressed(w);
    m.form = Form::diagonal;
    m.sparse_vector = true;
    return m;
  }

  bool uses_sparse() const { return form == Form::compressed || sparse_vector; }
  // The extents of W as given (a vector's shape for a diagonal).
  std::size_t given_rows() const { return uses_sparse() ? sparse.rows : dense.rows; }
  std::size_t given_cols() const { return uses_sparse() ? sparse.cols : dense.cols; }
  // The extents of W as meant: L-by-L for a vector of L weights.
  std::size_t rows() const { return form == Form::diagonal ? length() : given_rows(); }
  std::size_t cols() const { return form == Form::diagonal ? length() : given_cols(); }
  std::size_t length() const { return given_rows() * given_cols(); }
  bool is_dense() const { return form == Form::dense; }

  // How failures describe W: "is 3-by-4", or "holds 5 item weights".
  std::string shape_text() const {
    if (form == Form::diagonal) return " holds " + std::to_string(length()) + " item weights";
    return " is " + std::to_string(rows()) + "-by-" + std::to_string(cols());
  }

  // Calls visit(b, a, x) for the stored entries x = W(a, b) of W's leading
  // k-by-k block (k at most rows() and cols()), column by column with rows
  // ascending; a dense W gives every entry. Work: k + the stored entries of
  // the block's columns (k^2 for a dense W).
  template <class Visit>
  void each_stored(std::size_t k, Visit&& visit) const {
    switch (form) {
      case Form::dense:
        for (std::size_t b = 0; b < k; ++b) {
          const double* column = dense.column(b);
          for (std::size_t a = 0; a < k; ++a) visit(b, a, column[a]);
        }
        return;
      case Form::compressed:
        for (std::size_t b = 0; b < k; ++b)
          for (std::size_t p = sparse.starts[b]; p < sparse.starts[b + 1]; ++p) {
            if (sparse.row_index[p] >= k) break;
            visit(b, sparse.row_index[p], sparse.values[p]);
          }
        return;
      case Form::diagonal:
        if (!sparse_vector) {
          for (std::size_t b = 0; b < k; ++b) visit(b, b, dense.data[b]);
        } else if (sparse.cols == 1) {  // L-by-1: rows are the items
          for (std::size_t p = sparse.starts[0]; p < sparse.starts[1]; ++p) {
            if (sparse.row_index[p] >= k) break;
            visit(sparse.row_index[p], sparse.row_index[p], sparse.values[p]);
          }
        } else {  // 1-by-L: columns are the items
          for (std::size_t b = 0; b < k; ++b)
            if (sparse.starts[b + 1] > sparse.starts[b])
              visit(b, b, sparse.values[sparse.starts[b]]);
        }
        return;
    }
  }

  // The first k entries of W's diagonal (k at most rows() and cols()); +0
  // where none is stored. Work: k + the stored entries of the block.
  std::vector<double> diagonal_entries(std::size_t k) const {
    std::vector<double> d(k, 0.0);
    each_stored(k, [&](std::size_t b, std::size_t a, double x) {
      if (a == b) d[a] = x;
    });
    return d;
  }
};

// W read through a contract's Call (mexsets/contract.hpp): compressed columns
// when the caller passed a sparse matrix, else dense; with
// `vector_is_diagonal`, a 1-by-L or L-by-1 W (either storage) is diag(w).
// (A 1-by-1 W is the same matrix either way.)
template <class Call>
WeightMatrix read_weight_matrix(Call& call, int k, bool vector_is_diagonal) {
  if (call.sparse(k)) {
    const ConstCompressed w = call.compressed(k);
    if (vector_is_diagonal && (w.rows == 1 || w.cols == 1)) return WeightMatrix::diagonal(w);
    return WeightMatrix::compressed(w);
  }
  const ConstMatrix w = call.matrix(k);
  if (vector_is_diagonal && (w.rows == 1 || w.cols == 1)) return WeightMatrix::diagonal(w);
  return WeightMatrix(w);
}

}  // namespace mexsets
