#include "boundary_grid.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/parallel.hpp"
#include "mexsets/bits.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

std::string shape(std::size_t rows, std::size_t cols) {
  return std::to_string(rows) + "-by-" + std::to_string(cols);
}

// The distinct nonzero keys seen: open addressing over a power-of-two table,
// at most half full, 0 marking an empty slot. Neighbouring edges mostly
// repeat the key just added, which is caught before probing.
class KeySet {
 public:
  explicit KeySet(std::pmr::memory_resource* memory) : slots_(64, 0, memory) {}

  void add(std::uint64_t key) {
    if (key == last_) return;
    last_ = key;
    std::size_t at = home(key);
    while (slots_[at] != 0) {
      if (slots_[at] == key) return;
      at = (at + 1) & (slots_.size() - 1);
    }
    slots_[at] = key;
    if (2 * ++count_ > slots_.size()) grow();
  }

  // The keys of `other` in [from, to) added, about `share` of its keys. The
  // table first grows to hold them: `other`'s slots come in the order of
  // their keys' homes, which would crowd a smaller table into long runs of
  // probes.
  void add_all(const KeySet& other, std::uint64_t from, std::uint64_t to, double share) {
    InterruptCheck interrupt;
    interrupt.tick(other.slots_.size());
    std::size_t size = slots_.size();
    int shift = shift_;
    const auto more = static_cast<std::size_t>(share * static_cast<double>(other.count_)) + 1;
    while (2 * (count_ + more) > size) {
      size *= 2;
      --shift;
    }
    if (size > slots_.size()) rehash(size, shift);
    for (std::uint64_t key : other.slots_)
      if (key != 0 && key >= from && key < to) add(key);  // 0: an empty slot
  }

  // The keys, ascending.
  std::pmr::vector<std::uint64_t> sorted(std::pmr::memory_resource* memory) const {
    std::pmr::vector<std::uint64_t> keys(count_, memory);  // count_ keys are held
    InterruptCheck interrupt;
    interrupt.tick(slots_.size());
    std::size_t n = 0;
    for (std::uint64_t key : slots_)
      if (key) keys[n++] = key;
    keys.resize(n);
    std::sort(keys.begin(), keys.end(), [&](std::uint64_t a, std::uint64_t b) {
      interrupt.tick();
      return a < b;
    });
    return keys;
  }

 private:
  std::size_t home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
  }
  void grow() { rehash(2 * slots_.size(), shift_ - 1); }
  void rehash(std::size_t size, int shift) {
    std::pmr::vector<std::uint64_t> old(size, 0, slots_.get_allocator());
    old.swap(slots_);
    shift_ = shift;
    InterruptCheck interrupt;
    for (std::uint64_t key : old)
      if (key) {
        interrupt.tick(8);
        std::size_t at = home(key);
        while (slots_[at] != 0) at = (at + 1) & (slots_.size() - 1);
        slots_[at] = key;
      }
  }

  std::pmr::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
  int shift_ = 64 - 6;
  std::uint64_t last_ = 0;
};

}  // namespace

std::uint32_t largest_label(ConstMatrix labels) {
  const double limit = static_cast<double>(largest_region_id) + 1;
  // Columns in chunks, each with its own largest label (a maximum is the
  // same in any order); the first bad label in column-major order fails.
  const auto scan = [&](std::size_t begin, std::size_t end) {
    double most = 0.0;
    InterruptCheck interrupt;
    for (std::size_t j = begin; j < end; ++j) {
      interrupt.tick(labels.rows);
      const double* column = labels.column(j);
      for (std::size_t i = 0; i < labels.rows; ++i) {
        const double x = column[i];
        if (!(x >= 1 && x < limit))
          fail_id("labels", "region id outside 1.." + std::to_string(largest_region_id), i, j, x);
        most = std::max(most, x);
      }
    }
    return most;
  };
  const std::size_t grain = chunk_grain(grain_for(2 * labels.rows + 1));
  if (labels.cols <= grain || call_threads() <= 1) {  // one chunk: no list of maxima
    return static_cast<std::uint32_t>(scan(0, labels.cols));
  }
  std::vector<double> largest(labels.cols / grain + 1, 0.0);
  parallel_for_ordered(labels.cols, grain, [&](std::size_t begin, std::size_t end) {
    largest[begin / grain] = scan(begin, end);
  });
  return static_cast<std::uint32_t>(*std::max_element(largest.begin(), largest.end()));
}

void check_value_image(ConstMatrix labels, ConstArray3 values) {
  if (values.rows != labels.rows || values.cols != labels.cols)
    fail("valueSizeMismatch", "Value image not the size of the label image: ", arg("values"),
         " is " + shape(values.rows, values.cols) +
             (values.planes == 1 ? "" : "-by-" + std::to_string(values.planes)) + ", ",
         arg("labels"), " is " + shape(labels.rows, labels.cols));
}

std::size_t grid_extent(ConstMatrix labels, bool rows) {
  // 2h+1 and 2w+1 below 2^62 each; their product times 8 below PTRDIFF_MAX.
  const std::size_t bound = std::size_t{1} << 61;
  const std::size_t h = labels.rows, w = labels.cols;
  const bool fits =
      h < bound && w < bound &&
      (2 * h + 1) <= static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(double) / (2 * w + 1);
  if (!fits)
    fail("outOfMemory", "Label image too large for its grid of doubles: ", arg("labels"),
         " is " + shape(h, w));
  return rows ? 2 * h + 1 : 2 * w + 1;
}

namespace {

// Grid columns 2j+1 and 2j+2 for the pixel columns j = begin .. end-1 (and
// the left rim with the first), their keys into `seen`.
// Their scratch comes from `memory`. Inlined, so that an unsplit call's
// key set stays in registers as the serial loop's did.
[[gnu::always_inline]] inline void fill_columns(ConstMatrix labels, std::uint32_t L, double* grid,
                                                std::size_t begin, std::size_t end, KeySet& seen,
                                                std::pmr::memory_resource* memory) {
  const std::size_t h = labels.rows, w = labels.cols, rows = 2 * h + 1;
  {
    const std::uint64_t step = std::uint64_t{L} + 1;
    auto key = [step](std::uint64_t a, std::uint64_t b) {
      return a < b ? a * step + b : b * step + a;
    };
    // Each label column converted once: `here` is column j, `next` j + 1.
    // Labels index nothing; the conversion is defined for any double, so
    // that one another thread changed since largest_label checked it gives
    // some key instead of undefined behaviour.
    std::pmr::vector<std::uint32_t> here(h, memory), next(h, memory);
    auto convert = [&](std::size_t j, std::pmr::vector<std::uint32_t>& out) {
      const double* column = labels.column(j);
      for (std::size_t i = 0; i < h; ++i)
        out[i] = static_cast<std::uint32_t>(truncate_toward_zero(column[i]));
    };
    InterruptCheck interrupt;
    convert(begin, here);
    if (begin == 0)
      for (std::size_t i = 0; i < h; ++i) {  // the left rim
        grid[2 * i + 1] = here[i];
        seen.add(here[i]);
      }
    for (std::size_t j = begin; j < end; ++j) {
      interrupt.tick(8 * h);
      // Grid column 2j+1: the top rim, the edges below pixels, the bottom rim.
      double* cells = grid + (2 * j + 1) * rows;
      cells[0] = here[0];
      seen.add(here[0]);
      for (std::size_t i = 0; i + 1 < h; ++i)
        if (here[i] != here[i + 1]) {
          const std::uint64_t k = key(here[i], here[i + 1]);
          cells[2 * i + 2] = static_cast<double>(k);
          seen.add(k);
        }
      cells[2 * h] = here[h - 1];
      seen.add(here[h - 1]);
      // Grid column 2j+2: the edges right of pixels, or the right rim.
      cells += rows;
      if (j + 1 == w) {
        for (std::size_t i = 0; i < h; ++i) {
          cells[2 * i + 1] = here[i];
          seen.add(here[i]);
        }
        break;
      }
      convert(j + 1, next);
      for (std::size_t i = 0; i < h; ++i)
        if (here[i] != next[i]) {
          const std::uint64_t k = key(here[i], next[i]);
          cells[2 * i + 1] = static_cast<double>(k);
          seen.add(k);
        }
      here.swap(next);
    }
  }
}

}  // namespace

std::pmr::vector<std::uint64_t> fill_boundary_grid(ConstMatrix labels, std::uint32_t L,
                                                   double* grid,
                                                   std::pmr::memory_resource* memory) {
  const std::size_t h = labels.rows, w = labels.cols;
  if (!h || !w) return std::pmr::vector<std::uint64_t>(memory);
  // Columns in chunks: a chunk fills the grid columns of its pixel columns
  // and gathers their keys in a set of its own (the call's memory is the
  // calling thread's), merged here; the keys come out sorted, the same
  // whatever the chunks.
  const std::size_t grain = chunk_grain(grain_for(16 * h));
  if (w <= grain || call_threads() <= 1) {  // one chunk, in the call's memory
    KeySet seen(memory);
    fill_columns(labels, L, grid, 0, w, seen, memory);
    return seen.sorted(memory);
  }
  std::vector<std::unique_ptr<KeySet>> chunk_keys(w / grain + 1);
  parallel_for(w, grain, [&](std::size_t begin, std::size_t end) {
    auto& keys = chunk_keys[begin / grain];
    keys = std::make_unique<KeySet>(std::pmr::new_delete_resource());
    fill_columns(labels, L, grid, begin, end, *keys, std::pmr::new_delete_resource());
  });
  std::vector<const KeySet*> sets;
  for (const auto& keys : chunk_keys)
    if (keys) sets.push_back(keys.get());
  // The chunks' keys merged and sorted in ranges of key values (every key
  // is below (L+1)^2), a range on a thread of its own; the ranges follow
  // one another in ascending order.
  const std::size_t parts = std::min<std::size_t>(sets.size(), 8);
  const double top = static_cast<double>(std::uint64_t{L} + 1) * static_cast<double>(L + 1);
  auto bound = [&](std::size_t part) {  // the first key of a part (exact below 2^53)
    return static_cast<std::uint64_t>(
        std::ceil(top * static_cast<double>(part) / static_cast<double>(parts)));
  };
  std::vector<std::pmr::vector<std::uint64_t>> sorted(parts);
  parallel_for(parts, 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t part = begin; part < end; ++part) {
      KeySet merged(std::pmr::new_delete_resource());
      const std::uint64_t from = bound(part),
                          to = part + 1 == parts ? ~std::uint64_t{0} : bound(part + 1);
      for (const KeySet* keys : sets)
        merged.add_all(*keys, from, to, 1.0 / static_cast<double>(parts));
      sorted[part] = merged.sorted(std::pmr::new_delete_resource());
    }
  });
  std::pmr::vector<std::uint64_t> keys(memory);
  std::size_t count = 0;
  for (const auto& part : sorted) count += part.size();
  keys.reserve(count);
  for (const auto& part : sorted) keys.insert(keys.end(), part.begin(), part.end());
  return keys;
}

void split_keys(const std::pmr::vector<std::uint64_t>& keys, std::uint32_t L, double* key_out,
                double* first, double* second) {
  const std::uint64_t step = std::uint64_t{L} + 1;
  for (std::size_t k = 0; k < keys.size(); ++k) {
    key_out[k] = static_cast<double>(keys[k]);
    first[k] = static_cast<double>(keys[k] / step);
    second[k] = static_cast<double>(keys[k] % step);
  }
}

void fill_boundary_strength(ConstArray3 values, double* strength) {
  const std::size_t h = values.rows, w = values.cols, rows = 2 * h + 1;
  // Channel by channel, each adding d^2 into the cell (which starts at +0),
  // then the square roots: per cell the channels add in order.
  // Columns are independent: threads take chunks of them.
  const std::size_t planes = values.planes;
  const double* data = values.data;
  // (The sizes by value: the loops keep them in registers.)
  parallel_for(w, grain_for(4 * h * (planes + 1)), [=](std::size_t begin, std::size_t end) {
    InterruptCheck interrupt;
    for (std::size_t j = begin; j < end; ++j) {
      interrupt.tick(4 * h * (planes + 1));
      double* below = strength + (2 * j + 1) * rows;  // cells 2i+2: (i, j) to (i+1, j)
      double* right = below + rows;                   // cells 2i+1: (i, j) to (i, j+1)
      const bool has_right = j + 1 < w;
      for (std::size_t c = 0; c < planes; ++c) {
        const double* here = data + (c * w + j) * h;
        for (std::size_t i = 0; i + 1 < h; ++i) {
          const double d = here[i + 1] - here[i];
          below[2 * i + 2] += d * d;
        }
        if (has_right)
          for (std::size_t i = 0; i < h; ++i) {
            const double d = here[i + h] - here[i];
            right[2 * i + 1] += d * d;
          }
      }
      for (std::size_t i = 0; i + 1 < h; ++i) below[2 * i + 2] = std::sqrt(below[2 * i + 2]);
      if (has_right)
        for (std::size_t i = 0; i < h; ++i) right[2 * i + 1] = std::sqrt(right[2 * i + 1]);
    }
  });
}

BoundaryGrid boundary_grid(ConstMatrix labels, const ConstArray3* values) {
  if (values) check_value_image(labels, *values);
  const std::uint32_t L = largest_label(labels);
  const std::size_t rows = grid_extent(labels, true), cols = grid_extent(labels, false);
  BoundaryGrid out{OwnedMatrix<double>(rows, cols), OwnedMatrix<double>(rows, cols), {}, {}, {}};
  const auto keys =
      fill_boundary_grid(labels, L, out.grid.data.data(), std::pmr::new_delete_resource());
  out.keys.resize(keys.size());
  out.first.resize(keys.size());
  out.second.resize(keys.size());
  split_keys(keys, L, out.keys.data(), out.first.data(), out.second.data());
  if (values) fill_boundary_strength(*values, out.strength.data.data());
  return out;
}

}  // namespace mexsets
