// set_features, mode 4: the box of each row's values (minima of columns 0
// and 1, maxima of columns 2 and 3).
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <vector>

#ifdef MEXSETS_ROW_LENGTHS
#include <emmintrin.h>
#endif

#include "set_features_modes.hpp"

namespace mexsets {
namespace set_features_modes {

namespace {

// Columns are addressed by offsets, not pointers: with no id to read, the
// value matrix may have fewer than four columns (or none). When the ids are
// many next to the value rows, the four value columns are first laid side by
// side (packed[4a .. 4a+3] = V(a, 0 .. 3)), so that an id's four values share
// one cache line.
struct Box {
  const double* v;
  std::size_t v_rows;
  double* out2;
  std::size_t m;
  const double* packed = nullptr;

  struct State {
    double low0, low1, high2, high3;
  };
  State start() const { return {DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX}; }
  void add(State& s, std::size_t a) const {
    const double x0 = v[a], x1 = v[a + v_rows], x2 = v[a + 2 * v_rows], x3 = v[a + 3 * v_rows];
    if (x0 < s.low0) s.low0 = x0;
    if (x1 < s.low1) s.low1 = x1;
    if (x2 > s.high2) s.high2 = x2;
    if (x3 > s.high3) s.high3 = x3;
  }
  void finish(const State& s, std::size_t i) const {
    out2[i] = s.low0;
    out2[i + m] = s.low1;
    out2[i + 2 * m] = s.high2;
    out2[i + 3 * m] = s.high3;
  }

#ifdef MEXSETS_ROW_LENGTHS
  // minpd(x, low) is x < low ? x : low lane by lane, the running minimum's
  // own rule (NaN and ties keep low); maxpd likewise.
  static constexpr std::size_t kSideBySide = 2;
  template <std::size_t K>
  void rows(const double* block, std::size_t m_ids, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    if constexpr (K == 2) {
      const double *p0 = block + rows[0], *p1 = block + rows[1];
      __m128d low0 = _mm_set1_pd(DBL_MAX), low1 = low0;
      __m128d high0 = _mm_set1_pd(-DBL_MAX), high1 = high0;
      for (std::size_t j = 0, at = 0; j < length; ++j, at += m_ids) {
        const double* x0 = packed + 4 * id_at(p0 + at, last);
        const double* x1 = packed + 4 * id_at(p1 + at, last);
        low0 = _mm_min_pd(_mm_loadu_pd(x0), low0);
        high0 = _mm_max_pd(_mm_loadu_pd(x0 + 2), high0);
        low1 = _mm_min_pd(_mm_loadu_pd(x1), low1);
        high1 = _mm_max_pd(_mm_loadu_pd(x1 + 2), high1);
      }
      store(first + rows[0], low0, high0);
      store(first + rows[1], low1, high1);
    } else {
      for (std::size_t k = 0; k < K; ++k) {
        const double* p = block + rows[k];
        __m128d low = _mm_set1_pd(DBL_MAX), high = _mm_set1_pd(-DBL_MAX);
        for (std::size_t j = 0, at = 0; j < length; ++j, at += m_ids) {
          const double* x = packed + 4 * id_at(p + at, last);
          low = _mm_min_pd(_mm_loadu_pd(x), low);
          high = _mm_max_pd(_mm_loadu_pd(x + 2), high);
        }
        store(first + rows[k], low, high);
      }
    }
  }
  void store(std::size_t i, __m128d low, __m128d high) const {
    _mm_storel_pd(out2 + i, low);
    _mm_storeh_pd(out2 + i + m, low);
    _mm_storel_pd(out2 + i + 2 * m, high);
    _mm_storeh_pd(out2 + i + 3 * m, high);
  }
#endif
};

}  // namespace

void box_rows(ConstMatrix ids, ConstMatrix values, double* out2, const IdLimit& limit) {
  const double* v = values.data;
  Box box{v, values.rows, out2, ids.rows};
#ifdef MEXSETS_ROW_LENGTHS
  // Values laid side by side only when the ids are many next to them
  // (and there are four columns to lay).
  if (sweepable(ids) && values.cols >= 4 && values.rows <= ids.size() / 4) {
    // Aligned to a cache line, so that an id's four values share one.
    std::vector<double> storage(4 * values.rows + 7);
    double* packed = storage.data();
    if (const auto offset = reinterpret_cast<std::uintptr_t>(packed) % 64)
      packed += (64 - offset) / sizeof(double);
    InterruptCheck interrupt;
    for (std::size_t a = 0; a < values.rows; ++a) {
      interrupt.tick(4);
      for (std::size_t c = 0; c < 4; ++c) packed[4 * a + c] = v[a + c * values.rows];
    }
    box.packed = packed;
    return rows_in_chunks(ids, 4 * (ids.cols + 1), [&](std::size_t begin, std::size_t end) {
      grouped_rows(box, ids, limit, begin, end);
    });
  }
#endif
  rows_in_chunks(ids, 4 * (ids.cols + 1), [&](std::size_t begin, std::size_t end) {
    each_row(box, ids, limit, begin, end);
  });
}

}  // namespace set_features_modes
}  // namespace mexsets
