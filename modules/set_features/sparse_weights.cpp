#include "sparse_weights.hpp"

#include "mexsets/bits.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

bool keep_nonzero_weights(ConstMatrix w, std::size_t size, std::size_t most,
                          SparseWeights& sparse) {
  constexpr std::size_t kGroup = 16;
  sparse.start.assign(size + 1, 0);
  sparse.row.clear();
  sparse.value.clear();
  InterruptCheck interrupt;
  for (std::size_t b = 0; b < size; ++b) {
    interrupt.tick(size);
    const double* column = w.data + b * w.rows;
    std::size_t a = 0;
    auto keep = [&](std::size_t at) {
      if (magnitude_bits(column[at]) != 0) {  // NaN too
        sparse.row.push_back(static_cast<std::uint32_t>(at));
        sparse.value.push_back(column[at]);
      }
    };
    // Mostly zeros: a group of entries is tested at once, without a branch
    // per entry, and looked into only when one of them is not zero.
    for (; a + kGroup <= size; a += kGroup) {
      std::uint64_t any = 0;
      for (std::size_t t = 0; t < kGroup; ++t) any |= magnitude_bits(column[a + t]);
      if (!any) continue;
      for (std::size_t t = 0; t < kGroup; ++t) keep(a + t);
      if (sparse.row.size() > most) return false;
    }
    for (; a < size; ++a) keep(a);
    if (sparse.row.size() > most) return false;
    sparse.start[b + 1] = static_cast<std::uint32_t>(sparse.row.size());
  }
  return true;
}

bool keep_stored_weights(const WeightMatrix& w, std::size_t size, SparseWeights& sparse) {
  constexpr std::size_t most = 0xFFFFFFFEu;
  sparse.start.assign(size + 1, 0);
  sparse.row.clear();
  sparse.value.clear();
  bool fits = true;
  w.each_stored(size, [&](std::size_t b, std::size_t a, double x) {
    if (magnitude_bits(x) == 0 || !fits) return;  // NaN is kept
    if (sparse.row.size() == most) {
      fits = false;
      return;
    }
    sparse.row.push_back(static_cast<std::uint32_t>(a));
    sparse.value.push_back(x);
    ++sparse.start[b + 1];
  });
  for (std::size_t b = 0; b < size; ++b) sparse.start[b + 1] += sparse.start[b];
  return fits;
}

double nonzero_share(ConstMatrix w, std::size_t size, std::size_t samples) {
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  std::size_t nonzero = 0;
  for (std::size_t s = 0; s < samples; ++s) {
    // splitmix64
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    const std::size_t a = static_cast<std::size_t>(z % size);
    const std::size_t b = static_cast<std::size_t>((z >> 32) % size);
    nonzero += magnitude_bits(w.data[a + b * w.rows]) != 0;
  }
  return samples ? static_cast<double>(nonzero) / static_cast<double>(samples) : 1.0;
}

}  // namespace mexsets
