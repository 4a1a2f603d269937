#include "row_lengths.hpp"

#include <algorithm>

#ifdef MEXSETS_ROW_LENGTHS

#include <emmintrin.h>
#if defined(__GNUC__) || defined(__clang__)
#include <immintrin.h>
#define MEXSETS_AVX2_SWEEP 1
#endif

namespace mexsets {

namespace {

// Each sweep keeps, per row of a group of eight, whether the row has ended,
// its count so far and whether it met a bad entry, as all-ones or zero lanes
// in vector registers. A column adds 1 to the count of every row not ended
// after it; the group stops once all eight have ended.

// SSE2: a byte per row (each row's byte twice), packed from four pairs of
// doubles.
template <class Test>
inline __m128i rows8(const __m128d x[4], Test test) {
  return _mm_packs_epi16(
      _mm_packs_epi32(_mm_castpd_si128(test(x[0])), _mm_castpd_si128(test(x[1]))),
      _mm_packs_epi32(_mm_castpd_si128(test(x[2])), _mm_castpd_si128(test(x[3]))));
}

bool measure8_sse2(const double* p, std::size_t m, std::size_t n, double limit,
                   std::uint8_t* lengths) {
  const __m128d zero = _mm_setzero_pd(), bound = _mm_set1_pd(limit);
  const __m128i ones = _mm_set1_epi32(-1);
  __m128i ended = _mm_setzero_si128(), counts = ended, bad = ended;
  for (std::size_t j = 0; j < n; ++j, p += m) {
    const __m128d x[4] = {_mm_loadu_pd(p), _mm_loadu_pd(p + 2), _mm_loadu_pd(p + 4),
                          _mm_loadu_pd(p + 6)};
    ended = _mm_or_si128(ended, rows8(x, [zero](__m128d v) { return _mm_cmplt_pd(v, zero); }));
    if (_mm_movemask_epi8(ended) == 0xFFFF) break;
    const __m128i high = rows8(x, [bound](__m128d v) { return _mm_cmpnlt_pd(v, bound); });
    bad = _mm_or_si128(bad, _mm_andnot_si128(ended, high));
    counts = _mm_sub_epi8(counts, _mm_andnot_si128(ended, ones));
  }
  alignas(16) std::uint8_t bytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(bytes), counts);
  for (int k = 0; k < 8; ++k) lengths[k] = bytes[2 * k];
  return _mm_movemask_epi8(bad) != 0;
}

#ifdef MEXSETS_AVX2_SWEEP
// AVX2: 16-bit lanes, packed within each 128-bit half from two quadruples of
// doubles; lane 2k holds row kRowOfLane[k].
constexpr int kRowOfLane[8] = {0, 1, 4, 5, 2, 3, 6, 7};

__attribute__((target("avx2"))) bool measure8_avx2(const double* p, std::size_t m, std::size_t n,
                                                   double limit, std::uint8_t* lengths) {
  const __m256d zero = _mm256_setzero_pd(), bound = _mm256_set1_pd(limit);
  const __m256i ones = _mm256_set1_epi32(-1);
  __m256i ended = _mm256_setzero_si256(), counts = ended, bad = ended;
  for (std::size_t j = 0; j < n; ++j, p += m) {
    const __m256d x0 = _mm256_loadu_pd(p), x1 = _mm256_loadu_pd(p + 4);
    ended = _mm256_or_si256(
        ended, _mm256_packs_epi32(_mm256_castpd_si256(_mm256_cmp_pd(x0, zero, _CMP_LT_OQ)),
                                  _mm256_castpd_si256(_mm256_cmp_pd(x1, zero, _CMP_LT_OQ))));
    if (_mm256_movemask_epi8(ended) == -1) break;
    const __m256i high =
        _mm256_packs_epi32(_mm256_castpd_si256(_mm256_cmp_pd(x0, bound, _CMP_NLT_UQ)),
                           _mm256_castpd_si256(_mm256_cmp_pd(x1, bound, _CMP_NLT_UQ)));
    bad = _mm256_or_si256(bad, _mm256_andnot_si256(ended, high));
    counts = _mm256_sub_epi16(counts, _mm256_andnot_si256(ended, ones));
  }
  alignas(32) std::int16_t lanes[16];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), counts);
  for (int k = 0; k < 8; ++k) lengths[kRowOfLane[k]] = static_cast<std::uint8_t>(lanes[2 * k]);
  return _mm256_movemask_epi8(bad) != 0;
}
#endif

template <bool (*Measure8)(const double*, std::size_t, std::size_t, double, std::uint8_t*)>
bool sweep(ConstMatrix ids, std::size_t first, std::size_t count, double limit,
           std::uint8_t* lengths) {
  const std::size_t m = ids.rows, n = ids.cols;
  const double* block = ids.data + first;
  bool bad = false;
  std::size_t r = 0;
  for (; r + 8 <= count; r += 8) {
#if defined(__GNUC__) || defined(__clang__)
    if (first + count + r < m)
      for (std::size_t j = 0; j < n; ++j) __builtin_prefetch(block + count + r + j * m);
#endif
    bad |= Measure8(block + r, m, n, limit, lengths + r);
  }
  for (; r < count; ++r) {
    std::size_t j = 0;
    for (; j < n && !(block[r + j * m] < 0); ++j) bad |= !(block[r + j * m] < limit);
    lengths[r] = static_cast<std::uint8_t>(j);
  }
  return bad;
}

}  // namespace

LengthSweep best_length_sweep() {
#ifdef MEXSETS_AVX2_SWEEP
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return LengthSweep::avx2;
#endif
  return LengthSweep::sse2;
}

bool measure_rows(LengthSweep kind, ConstMatrix ids, std::size_t first, std::size_t count,
                  double limit, std::uint8_t* lengths) {
  // Without columns every row is empty, and the data pointer may be null.
  if (ids.cols == 0) {
    std::fill(lengths, lengths + count, std::uint8_t{0});
    return false;
  }
#ifdef MEXSETS_AVX2_SWEEP
  if (kind == LengthSweep::avx2) return sweep<measure8_avx2>(ids, first, count, limit, lengths);
#endif
  return sweep<measure8_sse2>(ids, first, count, limit, lengths);
}

}  // namespace mexsets

#endif
