#include "region_graph.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/huge_pages.hpp"
#include "common/parallel_work.hpp"
#include "common/scratch_buffer.hpp"
#include "mexsets/interrupt.hpp"

namespace mexsets {

namespace {

constexpr std::uint32_t empty_slot = 0xFFFFFFFFu;

// The scans' table lookups stay inside their loops.
#if defined(__GNUC__) || defined(__clang__)
#define REGION_GRAPH_INLINE __attribute__((always_inline)) inline
#else
#define REGION_GRAPH_INLINE inline
#endif

std::string extents(std::size_t rows, std::size_t cols, std::size_t planes) {
  return std::to_string(rows) + "-by-" + std::to_string(cols) +
         (planes == 1 ? "" : "-by-" + std::to_string(planes));
}

// Open addressing over a power-of-two table, at most half full, of 64-bit
// keys and the order in which each was first added. Every key value is
// allowed (labels may be 0): an empty slot is marked by its position.
class FirstSeen {
 public:
  explicit FirstSeen(std::pmr::memory_resource* memory)
      : keys_(16, 0, memory), positions_(16, empty_slot, memory), order_(memory) {
    order_.reserve(8);  // as many as the first table holds
  }

  // The order in which `key` was first added. Neighbouring cracks often
  // repeat the key just added, which is caught before probing.
  REGION_GRAPH_INLINE std::uint32_t add(std::uint64_t key) {
    if (key == last_ && last_position_ != empty_slot) return last_position_;
    last_ = key;
    last_position_ = find_or_add(key);
    return last_position_;
  }

  // The keys in the order they were first added.
  const std::pmr::vector<std::uint64_t>& keys() const { return order_; }
  std::pmr::vector<std::uint64_t> take_keys() { return std::move(order_); }

 private:
  std::uint32_t find_or_add(std::uint64_t key) {
    std::size_t at = home(key);
    const std::size_t mask = keys_.size() - 1;
    while (positions_[at] != empty_slot) {
      if (keys_[at] == key) return positions_[at];
      at = (at + 1) & mask;
    }
    const auto position = static_cast<std::uint32_t>(order_.size());
    keys_[at] = key;
    positions_[at] = position;
    order_.push_back(key);
    if (2 * order_.size() > keys_.size()) grow();
    return position;
  }
  std::size_t home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
  }
  void grow() {
    const std::size_t size = 2 * keys_.size();
    keys_.assign(size, 0);
    positions_.assign(size, empty_slot);
    --shift_;
    for (std::size_t k = 0; k < order_.size(); ++k) {
      std::size_t at = home(order_[k]);
      while (positions_[at] != empty_slot) at = (at + 1) & (size - 1);
      keys_[at] = order_[k];
      positions_[at] = static_cast<std::uint32_t>(k);
    }
  }

  std::pmr::vector<std::uint64_t> keys_;
  std::pmr::vector<std::uint32_t> positions_;
  std::pmr::vector<std::uint64_t> order_;
  int shift_ = 64 - 4;
  std::uint64_t last_ = 0;
  std::uint32_t last_position_ = empty_slot;
};

// The most ranges of region ids whose pairs are numbered on threads of
// their own.
constexpr std::size_t pair_ranges = 16;

// 2^53: every whole double up to this magnitude is an exact int64.
constexpr double largest_label = 9007199254740992.0;

// A label's key in the table: its int64 bits, with the sign flipped so that
// the keys' unsigned order is the labels' order.
std::uint64_t label_key(std::int64_t label) {
  return static_cast<std::uint64_t>(label) ^ (std::uint64_t{1} << 63);
}

[[noreturn]] void fail_label(const ConstArray3& labels, std::size_t at) {
  const std::size_t h = labels.rows, w = labels.cols;
  const double x = labels.data[at];
  const std::size_t i = at % h, j = (at / h) % w, p = at / h / w;
  std::string reason = "labelNotWhole", problem = "label not a whole number";
  if (std::isnan(x)) {
    reason = "idNotANumber";
    problem = "label is NaN";
  } else if (!(std::fabs(x) <= largest_label)) {
    reason = "idOutOfRange";
    problem = "label beyond 2^53 in magnitude";
  }
  // The column counts w columns per page, as a 3-D entry is located.
  fail_entry(BadEntry{"labels", reason, problem, i, j + p * w, x});
}

// The pixels in bands of consecutive column-major positions, fixed by the
// number of pixels alone (and by the grain cap of a test): one band, the
// whole picture, when the call is small. A band's partial lists, combined
// in band order, give what one pass in column-major order gives. One thread
// runs the bands one after another too: a band's small tables of labels and
// pairs stay in cache where one table of the whole picture's would not.
struct Bands {
  std::size_t n, grain, count;
  Bands(std::size_t pixels, double units) : n(pixels), grain(pixels ? pixels : 1), count(1) {
    const std::size_t g = chunk_grain(work_grain(n, units));
    if (n <= g) return;
    grain = g;
    count = n / grain + (n % grain != 0);
  }
  std::size_t of(std::size_t begin) const { return begin / grain; }
  // body(begin, end) for every band; when bodies fail, the failure of the
  // first band that failed, as one pass fails first.
  template <class Body>
  void run(Body&& body) const {
    if (count == 1) {
      body(std::size_t{0}, n);
    } else if (call_threads() <= 1) {
      for (std::size_t begin = 0; begin < n; begin += grain)
        body(begin, std::min(n, begin + grain));
    } else {
      parallel_for_ordered(n, grain, body);
    }
  }
};

// Memory of the bands' own lists: bodies on other threads must not take the
// host's scratch memory.
std::pmr::memory_resource* band_memory() { return std::pmr::new_delete_resource(); }

// Region ids 1..L (0: background) of every pixel, from the labels read once,
// and the regions' areas (index 0: the background's pixels).
struct Regions {
  Buffer<std::uint32_t> ids;
  std::uint32_t count = 0;  // L
  std::pmr::vector<std::uint64_t> area;
};

// A band's distinct labels in the order first met, its pixels of each, and
// each one's region id once the labels are ranked.
struct LabelBand {
  std::pmr::vector<std::uint64_t> keys{band_memory()};
  std::pmr::vector<std::uint32_t> pixels{band_memory()}, region{band_memory()};
};

Regions number_regions(const RegionGraphInputs& in, std::pmr::memory_resource* memory) {
  const ConstArray3& labels = in.labels;
  const std::size_t n = labels.rows * labels.cols * labels.planes;
  Regions out{Buffer<std::uint32_t>(n, memory), 0, std::pmr::vector<std::uint64_t>(memory)};
  std::uint32_t* ids = out.ids.data();
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);
  const Bands bands(n, 4);
  // Every band counts its pixels of each label as it goes (run by run).
  const bool banded = bands.count > 1;
  std::vector<LabelBand> band(bands.count);
  // Each pixel holds its label's position in its band's list at first.
  bands.run([&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    LabelBand& own = band[bands.of(begin)];
    FirstSeen seen(banded ? band_memory() : memory);
    double last = 0;
    std::uint32_t last_position = empty_slot;
    std::uint32_t run = 0;  // pixels of the current run of last_position
    for (std::size_t at = begin; at < end; ++at) {
      here.tick(4);
      const double x = labels.data[at];
      // Same value as the pixel before (the usual case): nothing to check.
      // (-0 == +0, and both are label 0; the table catches repeats too, this
      // skips the checks.)
      if (x == last && last_position != empty_slot) {
        ids[at] = last_position;
        ++run;
        continue;
      }
      if (!(std::fabs(x) <= largest_label) || x != std::trunc(x)) fail_label(labels, at);
      if (last_position != empty_slot) own.pixels[last_position] += run;
      last = x;
      last_position = seen.add(label_key(static_cast<std::int64_t>(x)));
      if (last_position == own.pixels.size()) own.pixels.push_back(0);
      run = 1;
      ids[at] = last_position;
    }
    if (last_position != empty_slot) own.pixels[last_position] += run;
    own.keys = seen.take_keys();
  });
  // The distinct labels of all bands, first met first, and where each
  // band's labels are among them.
  std::pmr::vector<std::uint64_t> joined(memory);
  const std::pmr::vector<std::uint64_t>* keys = &band[0].keys;
  if (banded) {
    FirstSeen seen(memory);
    for (LabelBand& own : band) {
      interrupt.tick(8 * own.keys.size());
      own.region.resize(own.keys.size());
      for (std::size_t k = 0; k < own.keys.size(); ++k) own.region[k] = seen.add(own.keys[k]);
    }
    joined = seen.take_keys();
    keys = &joined;
  }
  // Rank of each distinct label; the background's rank is 0 and the others
  // close up behind it.
  std::pmr::vector<std::pair<std::uint64_t, std::uint32_t>> sorted(memory);
  sorted.reserve(keys->size());
  for (std::size_t k = 0; k < keys->size(); ++k)
    sorted.emplace_back((*keys)[k], static_cast<std::uint32_t>(k));
  std::sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
    interrupt.tick();
    return a < b;
  });
  const bool background_whole = in.has_background && std::fabs(in.background) <= largest_label &&
                                in.background == std::trunc(in.background);
  const std::uint64_t background =
      background_whole ? label_key(static_cast<std::int64_t>(in.background)) : 0;
  std::pmr::vector<std::uint32_t> rank(keys->size(), 0, memory);
  std::uint32_t next = 0;
  for (const auto& [key, position] : sorted)
    rank[position] = background_whole && key == background ? 0 : ++next;
  out.count = next;
  out.area.assign(std::size_t{next} + 1, 0);
  if (banded)
    for (LabelBand& own : band)
      for (std::size_t k = 0; k < own.region.size(); ++k) {
        own.region[k] = rank[own.region[k]];
        out.area[own.region[k]] += own.pixels[k];
      }
  else
    for (std::size_t k = 0; k < rank.size(); ++k) out.area[rank[k]] += band[0].pixels[k];
  bands.run([&](std::size_t begin, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    const std::uint32_t* region = banded ? band[bands.of(begin)].region.data() : rank.data();
    here.for_each_index(end - begin, 1,
                        [&](std::size_t at) { ids[begin + at] = region[ids[begin + at]]; });
  });
  return out;
}

// The weight of the crack between pixels `a` and `b` (b after a along the
// axis), by the rules of the header.
struct Weigher {
  const double* values;
  std::size_t channels, channel_stride;
  CrackWeight kind;

  double operator()(std::size_t a, std::size_t b) const {
    if (kind == CrackWeight::mean) return (values[a] + values[b]) / 2;
    if (kind == CrackWeight::max) {
      const double x = values[a], y = values[b];
      if (std::isnan(x) || std::isnan(y)) return std::numeric_limits<double>::quiet_NaN();
      return x < y ? y : x;
    }
    double s = 0.0;
    for (std::size_t c = 0; c < channels; ++c) {
      const double d = values[b + c * channel_stride] - values[a + c * channel_stride];
      s += d * d;
    }
    return std::sqrt(s);
  }
};

struct Crack {
  std::uint32_t row;  // below 2^32: there are fewer pixels
  std::uint32_t pair;
  double weight;
};

// Blocks of cracks for the bands' lists, cut from slabs of 32 blocks that
// huge pages back when they are large enough (common/huge_pages.hpp); the
// bands share them, and they stay until the call ends.
class CrackBlocks {
 public:
  explicit CrackBlocks(std::size_t block) : block_(block) {}
  CrackBlocks(const CrackBlocks&) = delete;
  CrackBlocks& operator=(const CrackBlocks&) = delete;
  ~CrackBlocks() {
    for (Crack* slab : slabs_) band_memory()->deallocate(slab, slab_bytes(), alignment());
  }

  std::size_t block() const { return block_; }
  // A block of its own for the caller (any thread).
  Crack* take() {
    const std::lock_guard<std::mutex> hold(lock_);
    if (left_ == 0) {
      slabs_.reserve(slabs_.size() + 1);
      next_ = static_cast<Crack*>(band_memory()->allocate(slab_bytes(), alignment()));
      advise_huge_pages(next_, slab_bytes());
      slabs_.push_back(next_);
      left_ = slab_blocks;
    }
    --left_;
    return std::exchange(next_, next_ + block_);
  }

 private:
  static constexpr std::size_t slab_blocks = 32;
  std::size_t slab_bytes() const { return slab_blocks * block_ * sizeof(Crack); }
  std::size_t alignment() const {
    return slab_bytes() >= 2 * kHugePage ? kHugePage : alignof(Crack);
  }

  std::size_t block_;
  std::mutex lock_;
  std::vector<Crack*> slabs_;
  Crack* next_ = nullptr;
  std::size_t left_ = 0;
};

// A band's cracks in scan order, in blocks: no pass to count them first, no
// copy as the list grows, and the blocks stay for the next axis.
class CrackList {
 public:
  void clear() {
    used_ = 0;
    at_ = end_ = nullptr;
  }
  REGION_GRAPH_INLINE void add(const Crack& crack, CrackBlocks& from) {
    if (at_ == end_) next(from);
    *at_++ = crack;
  }
  std::size_t size(std::size_t block) const {
    return used_ ? (used_ - 1) * block + static_cast<std::size_t>(at_ - blocks_[used_ - 1]) : 0;
  }
  // visit(crack) for the cracks in the order added.
  template <class Visit>
  void each(std::size_t block, Visit&& visit) const {
    for (std::size_t b = 0; b < used_; ++b) {
      const Crack* from = blocks_[b];
      const Crack* until = b + 1 < used_ ? from + block : at_;
      for (; from != until; ++from) visit(*from);
    }
  }

 private:
  void next(CrackBlocks& from) {
    if (used_ == blocks_.size()) blocks_.push_back(from.take());
    at_ = blocks_[used_++];
    end_ = at_ + from.block();
  }

  std::vector<Crack*> blocks_;
  std::size_t used_ = 0;
  Crack* at_ = nullptr;
  Crack* end_ = nullptr;
};

}  // namespace

void check_region_values(const RegionGraphInputs& in) {
  const ConstArray3 &labels = in.labels, &values = in.values;
  const bool volume = labels.planes > 1;
  const bool one_channel = volume || in.weight != CrackWeight::step;
  const bool fits = values.rows == labels.rows && values.cols == labels.cols &&
                    (one_channel ? values.planes == labels.planes : true);
  if (!fits)
    fail("valueSizeMismatch",
         std::string(volume        ? "Values not the size of the label volume: "
                     : one_channel ? "Edge map not the size of the label image: "
                                   : "Value image not the size of the label image: "),
         arg("values"), " is " + extents(values.rows, values.cols, values.planes) + ", ",
         arg("labels"), " is " + extents(labels.rows, labels.cols, labels.planes));
}

RegionGraph region_graph_lists(const RegionGraphInputs& in, std::pmr::memory_resource* memory) {
  const ConstArray3& labels = in.labels;
  const std::size_t h = labels.rows, w = labels.cols, d = labels.planes;
  RegionGraph out(memory);
  if (!h || !w || !d) return out;
  const std::size_t n = h * w * d;
  if (n >= empty_slot)
    fail("tooManyPixels", "Label image of 2^32 - 1 pixels or more: ", arg("labels"),
         " is " + extents(h, w, d));
  Regions regions = number_regions(in, memory);
  const std::uint32_t* id = regions.ids.data();
  const std::size_t L = regions.count;
  InterruptCheck interrupt;
  const CallerTicks ticks(interrupt);

  // Areas and rim cracks, indexed by region id (0, the background, dropped).
  const std::pmr::vector<std::uint64_t>& area = regions.area;
  std::pmr::vector<std::uint64_t> rim(L + 1, 0, memory);
  const std::size_t page = h * w;
  for (std::size_t p = 0; p < d; ++p) {
    interrupt.tick(2 * (h + w));
    const std::uint32_t* plane = id + p * page;
    for (std::size_t j = 0; j < w; ++j) {
      ++rim[plane[j * h]];
      ++rim[plane[j * h + h - 1]];
    }
    for (std::size_t i = 0; i < h; ++i) {
      ++rim[plane[i]];
      ++rim[plane[(w - 1) * h + i]];
    }
  }
  if (d > 1)
    interrupt.for_each_index(page, 2, [&](std::size_t at) {
      ++rim[id[at]];
      ++rim[id[(d - 1) * page + at]];
    });

  // The pairs, split by their first region into ranges of region ids: each
  // range numbers its pairs as first met and keeps their crack counts and
  // sums. Each band of pixels lists the pairs it meets, their cracks and the
  // cracks' weights in scan order. One band (a small call)
  // has one range and fills it itself; with more, every range takes its
  // pairs from the bands' lists in band order, the ranges on threads of
  // their own. A pair's number is never seen outside: the sums add in the
  // order of the cracks (see the counting sort below), and the pairs come
  // out sorted.
  const bool weighed = in.values.data != nullptr;
  const bool volume = d > 1;
  const Weigher weigh{in.values.data, volume ? 1 : in.values.planes, page, in.weight};
  std::pmr::vector<std::size_t> starts(h + 1, 0, memory);
  const std::size_t strides[3] = {1, h, page};
  const Bands bands(n, weighed ? 8 : 4);
  const bool banded = bands.count > 1;
  const std::size_t ranges = banded ? std::max<std::size_t>(1, std::min(pair_ranges, L)) : 1;
  // The range of the pair (a, b), a < b: a in 1..L.
  auto range_of = [ranges, L](std::uint64_t key) {
    return static_cast<std::uint32_t>(((key >> 32) - 1) * ranges / L);
  };
  struct PairRange {
    FirstSeen met;
    std::pmr::vector<std::uint64_t> count;
    std::pmr::vector<double> sum;
    explicit PairRange(std::pmr::memory_resource* memory)
        : met(memory), count(memory), sum(memory) {}
  };
  std::vector<PairRange> range;
  range.reserve(ranges);
  for (std::size_t r = 0; r < ranges; ++r) range.emplace_back(banded ? band_memory() : memory);
  struct PairId {
    std::uint32_t range, number;
  };
  struct PairBand {
    std::pmr::vector<std::uint64_t> keys{band_memory()};    // the band's pairs, first met first
    std::pmr::vector<std::uint64_t> cracks{band_memory()};  // per pair
    std::pmr::vector<PairId> pair{band_memory()};           // per pair: where it is among all
    // Its pairs range by range (first met first within each), and where
    // each range's start.
    std::pmr::vector<std::uint32_t> by_range{band_memory()}, range_starts{band_memory()};
    std::pmr::vector<std::uint32_t> rows{band_memory()};  // its cracks per row, then where they go
    CrackList listed;                                     // its weighed cracks in scan order
  };
  std::vector<PairBand> band(bands.count);
  // The bands' blocks of cracks: at most 16,384 cracks (256 KiB) each, at
  // most half a band's pixels.
  CrackBlocks blocks(std::clamp<std::size_t>(bands.grain / 2, 256, 16384));
  // The weighed cracks of all bands sorted by row.
  struct Weighed {
    PairId pair;
    double weight;
  };
  Buffer<Weighed> ordered(0, memory);
  for (int axis = 0; axis < (volume ? 3 : 2); ++axis) {
    const std::size_t stride = strides[axis];
    // visit(at, i, a, b) for the cracks between regions a != b in the band,
    // in scan order: column by column (h pixels of page p, column j).
    auto each_crack = [&](std::size_t begin, std::size_t end, InterruptCheck& here,
                          std::size_t units, auto&& visit) {
      for (std::size_t column = begin / h; column * h < end; ++column) {
        const std::size_t j = column % w, p = column / w;
        if ((axis == 1 && j + 1 == w) || (axis == 2 && p + 1 == d)) continue;
        const std::size_t top = column * h;
        const std::size_t first = begin > top ? begin - top : 0;
        const std::size_t last = std::min(end - top, h - (axis == 0));
        if (first >= last) continue;
        here.tick(units * (last - first));
        for (std::size_t i = first; i < last; ++i) {
          const std::size_t at = top + i;
          const std::uint32_t a = id[at], b = id[at + stride];
          if (a == b || !a || !b) continue;
          visit(at, i, a, b);
        }
      }
    };
    bands.run([&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      PairBand& own = band[bands.of(begin)];
      std::optional<FirstSeen> local;
      FirstSeen& met = banded ? local.emplace(band_memory()) : range[0].met;
      std::pmr::vector<std::uint64_t>& tally = banded ? own.cracks : range[0].count;
      std::pmr::vector<double>& sum = range[0].sum;
      if (banded) own.cracks.clear();
      CrackList& list = own.listed;
      std::uint32_t* rows = nullptr;
      if (weighed) {
        list.clear();
        own.rows.assign(h, 0);
        rows = own.rows.data();
      }
      const Weigher weight_of = weigh;  // a copy the loop keeps in registers
      each_crack(begin, end, ticks.here(silent), 2,
                 [&](std::size_t at, std::size_t i, std::uint32_t a, std::uint32_t b) {
                   if (a > b) std::swap(a, b);
                   const std::uint32_t pair = met.add(std::uint64_t{a} << 32 | b);
                   if (pair == tally.size()) {
                     tally.push_back(0);
                     if (!banded) sum.push_back(0.0);
                   }
                   ++tally[pair];
                   if (weighed) {
                     ++rows[i];
                     list.add(
                         Crack{static_cast<std::uint32_t>(i), pair, weight_of(at, at + stride)},
                         blocks);
                   }
                 });
      if (!banded) return;
      // The band's pairs grouped by range, for the ranges to take.
      own.keys = met.take_keys();
      const std::size_t m = own.keys.size();
      own.range_starts.assign(ranges + 1, 0);
      for (std::size_t k = 0; k < m; ++k) ++own.range_starts[range_of(own.keys[k]) + 1];
      for (std::size_t r = 0; r < ranges; ++r) own.range_starts[r + 1] += own.range_starts[r];
      std::pmr::vector<std::uint32_t> next(own.range_starts.begin(), own.range_starts.end() - 1,
                                           band_memory());
      own.by_range.resize(m);
      for (std::size_t k = 0; k < m; ++k)
        own.by_range[next[range_of(own.keys[k])]++] = static_cast<std::uint32_t>(k);
      own.pair.resize(m);
    });
    // Each range numbers its pairs of every band, band after band.
    if (banded)
      parallel_for(ranges, 1, [&](std::size_t first, std::size_t end) {
        InterruptCheck silent;
        InterruptCheck& here = ticks.here(silent);
        for (std::size_t r = first; r < end; ++r) {
          PairRange& to = range[r];
          for (PairBand& own : band) {
            const std::uint32_t from = own.range_starts[r], until = own.range_starts[r + 1];
            here.tick(8 * (until - from));
            for (std::uint32_t k = from; k < until; ++k) {
              const std::uint32_t pair = own.by_range[k];
              const std::uint32_t number = to.met.add(own.keys[pair]);
              if (number == to.count.size()) {
                to.count.push_back(0);
                to.sum.push_back(0.0);
              }
              to.count[number] += own.cracks[pair];
              own.pair[pair] = PairId{static_cast<std::uint32_t>(r), number};
            }
          }
        }
      });
    if (!weighed) continue;
    // Counting sort by row, stable: each row's cracks keep the scan order
    // (page by page, left to right), and the sums add row by row. A band's
    // row i starts after row i of the bands before it.
    interrupt.tick(bands.count * h);
    std::fill(starts.begin(), starts.end(), 0);
    for (PairBand& own : band)
      for (std::size_t i = 0; i < h; ++i) starts[i + 1] += own.rows[i];
    for (std::size_t i = 0; i < h; ++i) starts[i + 1] += starts[i];
    ordered.reserve(starts[h]);
    Weighed* into = ordered.data();
    for (std::size_t i = 0; i < h; ++i) {
      auto at = static_cast<std::uint32_t>(starts[i]);
      for (PairBand& own : band) {
        const std::uint32_t cracks = own.rows[i];
        own.rows[i] = at;
        at += cracks;
      }
    }
    bands.run([&](std::size_t begin, std::size_t end) {
      InterruptCheck silent;
      InterruptCheck& here = ticks.here(silent);
      (void)end;
      PairBand& own = band[bands.of(begin)];
      here.tick(4 * own.listed.size(blocks.block()));
      own.listed.each(blocks.block(), [&](const Crack& crack) {
        into[own.rows[crack.row]++] = {banded ? own.pair[crack.pair] : PairId{0, crack.pair},
                                       crack.weight};
      });
    });
    interrupt.tick(4 * starts[h]);
    std::vector<double*> sums(ranges);
    for (std::size_t r = 0; r < ranges; ++r) sums[r] = range[r].sum.data();
    for (std::size_t k = 0; k < starts[h]; ++k)
      sums[into[k].pair.range][into[k].pair.number] += into[k].weight;
  }

  // The pairs in ascending order of (first, second): each range's sorted,
  // a range after those of lower regions.
  std::vector<std::size_t> offset(ranges + 1, 0);
  for (std::size_t r = 0; r < ranges; ++r) offset[r + 1] = offset[r] + range[r].met.keys().size();
  const std::size_t P = offset[ranges];
  out.first.resize(P);
  out.second.resize(P);
  out.lengths.resize(P);
  out.strengths.resize(P);
  parallel_for(ranges, 1, [&](std::size_t first, std::size_t end) {
    InterruptCheck silent;
    InterruptCheck& here = ticks.here(silent);
    for (std::size_t r = first; r < end; ++r) {
      const auto& keys = range[r].met.keys();
      std::pmr::vector<std::pair<std::uint64_t, std::uint32_t>> sorted(ranges > 1 ? band_memory()
                                                                                  : memory);
      sorted.reserve(keys.size());
      for (std::size_t k = 0; k < keys.size(); ++k)
        sorted.emplace_back(keys[k], static_cast<std::uint32_t>(k));
      std::sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
        here.tick();
        return a < b;
      });
      const PairRange& from = range[r];
      for (std::size_t k = 0, at = offset[r]; k < sorted.size(); ++k, ++at) {
        const auto [key, pair] = sorted[k];
        out.first[at] = static_cast<double>(key >> 32);
        out.second[at] = static_cast<double>(key & 0xFFFFFFFFu);
        out.lengths[at] = static_cast<double>(from.count[pair]);
        out.strengths[at] = from.sum[pair];
      }
    }
  });
  out.areas.resize(L);
  out.border.resize(L);
  for (std::size_t r = 0; r < L; ++r) {
    out.areas[r] = static_cast<double>(area[r + 1]);
    out.border[r] = static_cast<double>(rim[r + 1]);
  }
  return out;
}

RegionGraph region_graph(const RegionGraphInputs& in, std::pmr::memory_resource* memory) {
  if (in.values.data) check_region_values(in);
  return region_graph_lists(in, memory);
}

}  // namespace mexsets
