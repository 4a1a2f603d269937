// set_features, mode 2: each row's minimum/maximum ratio and sum.
#include <cfloat>
#include <cstddef>
#include <cstdint>

#ifdef MEXSETS_ROW_LENGTHS
#include <emmintrin.h>
#endif

#include "set_features_modes.hpp"

namespace mexsets {
namespace set_features_modes {

namespace {

struct RatioAndSum {
  const double* v;
  double *out1, *out2;

  struct State {
    double sum, low, high;
  };
  State start() const { return {0.0, DBL_MAX, DBL_MIN}; }
  void add(State& s, std::size_t a) const {
    const double x = v[a];
    s.sum += x;
    if (x < s.low) s.low = x;
    if (x > s.high) s.high = x;
  }
  void finish(const State& s, std::size_t i) const {
    out2[i] = s.sum;
    out1[i] = s.low / s.high;
  }

#ifdef MEXSETS_ROW_LENGTHS
  // Four rows as two vectors of two lanes, each lane one row's sum, minimum
  // and maximum: addpd adds lane by lane, minpd(x, low) is x < low ? x : low
  // and maxpd(x, high) is x > high ? x : high, the running extremes' own
  // rules. (Named variables, not arrays, keep the states in registers.)
  static constexpr std::size_t kSideBySide = 4;
  template <std::size_t K>
  void rows(const double* block, std::size_t m, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    if constexpr (K == 4) {
      const double *p0 = block + rows[0], *p1 = block + rows[1];
      const double *p2 = block + rows[2], *p3 = block + rows[3];
      __m128d sum01 = _mm_setzero_pd(), sum23 = sum01;
      __m128d low01 = _mm_set1_pd(DBL_MAX), low23 = low01;
      __m128d high01 = _mm_set1_pd(DBL_MIN), high23 = high01;
      for (std::size_t j = 0, at = 0; j < length; ++j, at += m) {
        const __m128d x01 =
            _mm_loadh_pd(_mm_load_sd(v + id_at(p0 + at, last)), v + id_at(p1 + at, last));
        const __m128d x23 =
            _mm_loadh_pd(_mm_load_sd(v + id_at(p2 + at, last)), v + id_at(p3 + at, last));
        sum01 = _mm_add_pd(sum01, x01);
        sum23 = _mm_add_pd(sum23, x23);
        low01 = _mm_min_pd(x01, low01);
        low23 = _mm_min_pd(x23, low23);
        high01 = _mm_max_pd(x01, high01);
        high23 = _mm_max_pd(x23, high23);
      }
      const __m128d ratio01 = _mm_div_pd(low01, high01), ratio23 = _mm_div_pd(low23, high23);
      double* const sums = out2 + first;
      double* const ratios = out1 + first;
      _mm_storel_pd(sums + rows[0], sum01);
      _mm_storeh_pd(sums + rows[1], sum01);
      _mm_storel_pd(sums + rows[2], sum23);
      _mm_storeh_pd(sums + rows[3], sum23);
      _mm_storel_pd(ratios + rows[0], ratio01);
      _mm_storeh_pd(ratios + rows[1], ratio01);
      _mm_storel_pd(ratios + rows[2], ratio23);
      _mm_storeh_pd(ratios + rows[3], ratio23);
    } else {
      for (std::size_t k = 0; k < K; ++k) {
        State s = start();
        for (std::size_t j = 0, at = 0; j < length; ++j, at += m)
          add(s, id_at(block + rows[k] + at, last));
        finish(s, first + rows[k]);
      }
    }
  }
#endif
};

}  // namespace

void ratio_and_sum_rows(ConstMatrix ids, const double* v, double* out1, double* out2,
                        const IdLimit& limit) {
  all_rows(RatioAndSum{v, out1, out2}, ids, limit);
}

}  // namespace set_features_modes
}  // namespace mexsets
