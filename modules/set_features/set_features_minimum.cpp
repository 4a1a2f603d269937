// set_features, mode 1: the minimum of each row's values.
#include <cfloat>
#include <cstddef>
#include <cstdint>

#include "set_features_modes.hpp"

namespace mexsets {
namespace set_features_modes {

namespace {

struct Minimum {
  const double* v;
  double* out1;

  struct State {
    double low;
  };
  State start() const { return {DBL_MAX}; }
  void add(State& s, std::size_t a) const {
    const double x = v[a];
    if (x < s.low) s.low = x;
  }
  void finish(const State& s, std::size_t i) const { out1[i] = s.low; }

#ifdef MEXSETS_ROW_LENGTHS
  static constexpr std::size_t kSideBySide = 4;
  template <std::size_t K>
  void rows(const double* block, std::size_t m, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    const double* p[K];
    double low[K];
    for (std::size_t k = 0; k < K; ++k) p[k] = block + rows[k], low[k] = DBL_MAX;
    for (std::size_t j = 0, at = 0; j < length; ++j, at += m)
      for (std::size_t k = 0; k < K; ++k) {
        const double x = v[id_at(p[k] + at, last)];
        low[k] = x < low[k] ? x : low[k];
      }
    for (std::size_t k = 0; k < K; ++k) out1[first + rows[k]] = low[k];
  }
#endif
};

}  // namespace

void minimum_rows(ConstMatrix ids, const double* v, double* out1, const IdLimit& limit) {
  all_rows(Minimum{v, out1}, ids, limit);
}

}  // namespace set_features_modes
}  // namespace mexsets
