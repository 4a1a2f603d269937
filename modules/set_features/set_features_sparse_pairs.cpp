// set_features, mode 3 from the nonzero weights kept beforehand
// (sparse_weights.hpp), where they pay.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "mexsets/bits.hpp"
#include "set_features_modes.hpp"
#include "sparse_weights.hpp"

namespace mexsets {
namespace set_features_modes {

namespace {

// Mode 3 from the nonzero weights alone (sparse_weights.hpp). Rows are taken
// one at a time, in any order, each id in column order. Each id a at column
// k looks up the rows of column a of the weights among the ids before it in
// its row (marked with the row's number, with the last column holding each;
// earlier columns holding the same id are chained from there), so the pairs
// found are those of nonzero weight; they are then added in (j, k) order.
// Columns hold few entries: the first kSlots of each are looked up without
// a loop. Where a row's pairs often have nonzero weights, finding them one
// by one costs more than looking at every pair of a short row in turn
// (pairwise_row).
class SparsePairs {
 public:
  static constexpr std::size_t kSideBySide = 1;
  // Nonzero weights of a column looked up without a loop.
  static constexpr std::size_t kSlots = 4;

  SparsePairs(const SparseWeights& sparse, std::size_t size, std::size_t cols, const double* v,
              ConstMatrix w, double* out1, double* out2)
      : sparse_(sparse), w_(w), out1_(out1), out2_(out2), table_(new std::vector<Id>) {
    std::vector<Id>& table = *table_;
    table.resize(size);
    InterruptCheck interrupt;
    for (std::size_t a = 0; a < size; ++a) {
      interrupt.tick(8);
      Id& id = table[a];
      id.value = v[a];
      id.first = sparse.start[a];
      const std::size_t count = sparse.start[a + 1] - sparse.start[a];
      id.more = static_cast<std::uint32_t>(count - std::min(count, kSlots));
      // The first kSlots rows, padded with `size` (never marked).
      for (std::size_t t = 0; t < kSlots; ++t)
        id.slot[t] = t < count ? sparse.row[id.first + t] : static_cast<std::uint32_t>(size);
    }
    cols_ = cols;
  }

  // Whether rows of few ids are taken pair by pair (pairwise_row).
  void pairwise(bool on) { pairwise_ = on; }

  // The walker of one chunk of rows: the ids' table shared, the scratch its
  // own.
  SparsePairs(const SparsePairs& shared, std::size_t)
      : sparse_(shared.sparse_),
        w_(shared.w_),
        out1_(shared.out1_),
        out2_(shared.out2_),
        ids_(shared.table_.get()),
        pairwise_(shared.pairwise_ && !shared.sparse_.value.empty()),
        s_(new Scratch) {
    const std::size_t size = ids_->size();
    s_->marked.assign(size + 1, 0);
    s_->column.assign(size + 1, 0);
    s_->earlier.resize(shared.cols_);
    s_->count.resize(shared.cols_);
    s_->found.resize(64);
  }

  // Row i, of the given length, whose id at column k is id_at(k).
  template <class IdAt>
  void row(std::size_t i, std::size_t length, IdAt id_at) const {
    if (pairwise_ && length <= kPairwiseIds && pairwise_row(i, length, id_at)) return;
    Scratch& s = *s_;
    if (++s.number == 0) {  // after 2^32 - 1 rows the numbers start afresh
      std::fill(s.marked.begin(), s.marked.end(), 0);
      s.number = 1;
    }
    const std::uint32_t number = s.number;
    std::uint32_t* marked = s.marked.data();
    std::uint32_t* column = s.column.data();
    std::uint32_t* earlier = s.earlier.data();
    const Id* ids = ids_->data();
    const std::uint32_t* rows = sparse_.row.data();
    std::size_t found = 0;
    bool crowded = false;
    // Pairs found per column j, to put them in (j, k) order afterwards.
    std::uint32_t* count = s.count.data();
    std::fill(count, count + length, 0u);
    // The columns j < k holding id b, each paired with k through entry p.
    auto take = [&](std::uint32_t b, std::size_t, std::uint32_t p) {
      for (std::uint32_t j = column[b]; j != kNone; j = earlier[j]) {
        if (found == s.found.size()) {
          if (found >= kMostFound) {
            crowded = true;
            return;
          }
          s.found.resize(2 * found);
        }
        s.found[found++] = {j, p};
        ++count[j];
      }
    };
    double sum = 0.0;
    for (std::size_t k = 0; k < length; ++k) {
      const std::size_t a = id_at(k);
      // The ids ahead are known: their entries are asked for now, so that
      // looking up their slots' marks waits on one load, not two.
      if (k + kAhead < length) prefetch(ids + id_at(k + kAhead));
      const Id& id = ids[a];
      sum += id.value;
      // Mostly none of the slots' rows is in the row: one test for all.
      bool any = false;
      for (std::size_t t = 0; t < kSlots; ++t) any |= marked[id.slot[t]] == number;
      if (any)
        for (std::size_t t = 0; t < kSlots; ++t)
          if (marked[id.slot[t]] == number)
            take(id.slot[t], k, id.first + static_cast<std::uint32_t>(t));
      if (id.more)
        for (std::uint32_t p = id.first + kSlots, end = p + id.more; p < end; ++p)
          if (marked[rows[p]] == number) take(rows[p], k, p);
      earlier[k] = marked[a] == number ? column[a] : kNone;
      marked[a] = number;
      column[a] = static_cast<std::uint32_t>(k);
    }
    double pair = 0.0;
    if (crowded) {
      // So many pairs of nonzero weight (a row repeating ids a great many
      // times) that listing them would take more memory than reading them:
      // read from w, or (w sparse) looked up among the nonzero weights.
      for (std::size_t j = 0; j < length; ++j)
        for (std::size_t k = j + 1; k < length; ++k)
          pair += w_.data ? w_(id_at(j), id_at(k)) : kept(id_at(j), id_at(k));
      found = 0;
    }
    // Found in k order, and for each j with k ascending (a pair (j, k) is
    // found once, at k): placing each pair's weight after those of the
    // columns before j, in the order found, puts the weights in (j, k)
    // order without comparing pairs.
    if (found == 1) {
      pair += sparse_.value[s.found[0].entry];
    } else if (found > 1) {
      std::uint32_t at = 0;
      for (std::size_t j = 0; j < length; ++j) {
        const std::uint32_t c = count[j];
        count[j] = at;
        at += c;
      }
      if (s.ordered.size() < found) s.ordered.resize(s.found.size());
      double* ordered = s.ordered.data();
      const Found* pairs = s.found.data();
      const double* value = sparse_.value.data();
      for (std::size_t f = 0; f < found; ++f) ordered[count[pairs[f].j]++] = value[pairs[f].entry];
      for (std::size_t f = 0; f < found; ++f) pair += ordered[f];
    }
    out2_[i] = pair;
    out1_[i] = pair * -2 + sum;
  }

  // Row i as row() takes it, when every id's column holds at most kSlots
  // nonzero weights (else false, and nothing written): each pair (j, k) in
  // turn looks for a_j among a_k's slots, without a branch, and its weight
  // is listed when there. Work in proportion to the pairs, at no cost per
  // pair found: for rows whose pairs often have nonzero weights.
  template <class IdAt>
  bool pairwise_row(std::size_t i, std::size_t length, IdAt id_at) const {
    // Per column k: its id, where its column's weights start, and the rows
    // of its slots, slot by slot (so that a_j is compared with the slots of
    // many columns at once).
    std::uint32_t a[kPairwiseIds], first[kPairwiseIds], slot[kSlots][kPairwiseIds];
    const Id* table = ids_->data();
    std::uint32_t more = 0;
    double sum = 0.0;
    for (std::size_t k = 0; k < length; ++k) {
      const std::size_t at = id_at(k);
      const Id& id = table[at];
      a[k] = static_cast<std::uint32_t>(at);
      sum += id.value;
      more |= id.more;
      first[k] = id.first;
      for (std::size_t t = 0; t < kSlots; ++t) slot[t][k] = id.slot[t];
    }
    if (more) return false;
    // Which slot of column k holds a_j, as a bit (a column's rows differ, so
    // at most one does), then the weight listed when one does.
    static constexpr std::uint8_t kSlotOfBit[1u << kSlots] = {0, 0, 1, 0, 2, 0, 0, 0,
                                                              3, 0, 0, 0, 0, 0, 0, 0};
    std::uint32_t holds[kPairwiseIds];
    double listed[kPairwiseIds * (kPairwiseIds - 1) / 2];
    std::size_t found = 0;
    const double* value = sparse_.value.data();
    for (std::size_t j = 0; j + 1 < length; ++j) {
      const std::uint32_t b = a[j];
      for (std::size_t k = j + 1; k < length; ++k) {
        std::uint32_t bits = 0;
        for (std::size_t t = 0; t < kSlots; ++t)
          bits |= static_cast<std::uint32_t>(slot[t][k] == b) << t;
        holds[k] = bits;
      }
      for (std::size_t k = j + 1; k < length; ++k) {
        // Without a branch: a hit is rare and unforeseeable.
        const std::uint32_t bits = holds[k], hit = bits != 0;
        listed[found] = value[(first[k] + kSlotOfBit[bits]) & (0u - hit)];
        found += hit;
      }
    }
    double pair = 0.0;
    for (std::size_t f = 0; f < found; ++f) pair += listed[f];
    out2_[i] = pair;
    out1_[i] = pair * -2 + sum;
    return true;
  }

  // w(a, b) among the nonzero weights, +0 when not kept.
  double kept(std::size_t a, std::size_t b) const {
    const std::uint32_t* first = sparse_.row.data() + sparse_.start[b];
    const std::uint32_t* last = sparse_.row.data() + sparse_.start[b + 1];
    const std::uint32_t* at = std::lower_bound(first, last, static_cast<std::uint32_t>(a));
    return at != last && *at == a ? sparse_.value[static_cast<std::size_t>(at - sparse_.row.data())]
                                  : 0.0;
  }

#ifdef MEXSETS_ROW_LENGTHS
  // As a mode of grouped_rows.
  template <std::size_t K>
  void rows(const double* block, std::size_t m, std::size_t first, const std::uint32_t* rows,
            std::size_t length, std::size_t last) const {
    const double* p = block + rows[0];
    row(first + rows[0], length, [p, m, last](std::size_t k) { return id_at(p + k * m, last); });
  }
#endif

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr std::size_t kAhead = 4;
  static constexpr std::size_t kMostFound = std::size_t{1} << 16;
  static constexpr std::size_t kPairwiseIds = 32;
  // A pair (j, k) found in a row: j, and its weight's entry.
  struct Found {
    std::uint32_t j, entry;
  };
  // What a row's walk reads of an id, in one place: its value, the rows of
  // its column's first kSlots nonzero weights (padded with `size`), where
  // they start among the weights, and how many follow them.
  struct alignas(32) Id {
    double value;
    std::uint32_t first, more;
    std::uint32_t slot[kSlots];
  };
  struct Scratch {
    // Per id (and the padding row `size`, never marked): the number of the
    // row that last marked it, from 1, and its last column there.
    std::vector<std::uint32_t> marked, column;
    // Per column of the row: the previous column holding the same id, or
    // kNone.
    std::vector<std::uint32_t> earlier;
    std::vector<Found> found;          // the row's pairs of nonzero weight
    std::vector<std::uint32_t> count;  // per column of the row: pairs found with it as j
    std::vector<double> ordered;       // their weights in (j, k) order
    std::uint32_t number = 0;
  };

  const SparseWeights& sparse_;
  ConstMatrix w_;
  double *out1_, *out2_;
  std::unique_ptr<std::vector<Id>> table_;  // made by the first constructor
  const std::vector<Id>* ids_ = nullptr;    // a chunk's walker: the shared table
  std::size_t cols_ = 0;
  bool pairwise_ = false;  // rows of few ids taken pair by pair (pairwise_row)
  std::unique_ptr<Scratch> s_;
};

// Rows begin .. end-1, with a walker of their own.
void sparse_rows(const SparsePairs& shared, ConstMatrix ids, const IdLimit& limit,
                 std::size_t begin, std::size_t end) {
  const SparsePairs pairs(shared, 0);
#ifdef MEXSETS_ROW_LENGTHS
  if (sweepable(ids)) return grouped_rows(pairs, ids, limit, begin, end);
#endif
  RowReader reader(ids, limit.limit);
  std::vector<std::size_t> row(ids.cols);
  InterruptCheck interrupt;
  for (std::size_t i = begin; i < end; ++i) {
    std::size_t bad_column = 0;
    const std::size_t length =
        reader.read(i, bad_column, [&](std::size_t j, std::size_t a) { row[j] = a; });
    if (length == RowReader::npos) fail_id_at(ids, i, bad_column, limit);
    interrupt.tick(16 * (length + 1));
    pairs.row(i, length, [&row](std::size_t k) { return row[k]; });
  }
}

// The pairs of nonzero weight among `pairs` pairs of row i of ids (of the
// given length), nonzero(a, b) telling whether w(a, b) is not zero; at most
// kRowPairs of them are looked at: every pair of a short row, else kRowPairs
// pairs (j, k), j != k, spread over the row in a fixed pseudo-random pattern
// (nonzero weights fall symmetrically, so the order of j and k does not
// matter). Ids that break the limit (which the rows' walk then reports) are
// left out. Returns the estimate scaled to the row's pairs.
template <class Nonzero>
double nonzero_pairs_of_row(ConstMatrix ids, std::size_t size, std::size_t i, std::size_t length,
                            double pairs, Nonzero nonzero) {
  constexpr std::size_t kRowPairs = 64;
  const double bound = static_cast<double>(size);
  auto at = [&](std::size_t j, std::size_t k) -> std::size_t {
    const double x = ids(i, j), y = ids(i, k);
    if (!(x >= 0 && x < bound && y >= 0 && y < bound)) return 0;
    return nonzero(static_cast<std::size_t>(x), static_cast<std::size_t>(y)) ? 1 : 0;
  };
  std::size_t found = 0;
  if (pairs <= static_cast<double>(kRowPairs)) {
    for (std::size_t j = 0; j < length; ++j)
      for (std::size_t k = j + 1; k < length; ++k) found += at(j, k);
    return static_cast<double>(found);
  }
  std::uint64_t state = 0x9E3779B97F4A7C15u ^ i;
  for (std::size_t s = 0; s < kRowPairs; ++s) {
    // splitmix64
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    const auto j = static_cast<std::size_t>(z % length);
    const auto k = (j + 1 + static_cast<std::size_t>((z >> 32) % (length - 1))) % length;
    found += at(j, k);
  }
  return static_cast<double>(found) * pairs / static_cast<double>(kRowPairs);
}

// Ids, pairs and pairs of nonzero weight in all rows, estimated from 8 runs
// of 128 neighbouring rows (which share the lines of the id matrix) spread
// over the matrix: fixed by the input alone. Rows often draw their ids from
// near one another, so their pairs may have nonzero weights far more often
// than the entries of w do.
struct RowSample {
  double ids = 0, pairs = 0, found = 0;
};

template <class Nonzero>
RowSample sample_rows(ConstMatrix ids, std::size_t size, Nonzero nonzero) {
  constexpr std::size_t kRuns = 8, kRunRows = 128;
  RowSample sample;
  double sampled_rows = 0;
  for (std::size_t run = 0; run < kRuns; ++run) {
    const std::size_t first = ids.rows / kRuns * run;
    for (std::size_t i = first; i < std::min(first + kRunRows, ids.rows); ++i, ++sampled_rows) {
      std::size_t length = 0;
      while (length < ids.cols && !(ids(i, length) < 0)) ++length;
      const double l = static_cast<double>(length);
      const double pairs = l * (l - (length > 0)) / 2;
      sample.ids += l;
      sample.pairs += pairs;
      if (length > 1) sample.found += nonzero_pairs_of_row(ids, size, i, length, pairs, nonzero);
    }
  }
  const double rows = sampled_rows > 0 ? static_cast<double>(ids.rows) / sampled_rows : 0.0;
  sample.ids *= rows;
  sample.pairs *= rows;
  sample.found *= rows;
  return sample;
}

// Costs in nanoseconds, as measured on a 2 MB second-level cache, of rows'
// pairs from the nonzero weights: per pair of nonzero weight found by the
// lookups (listing it in order, and mispredicted branches), and per pair
// taken pair by pair (pairwise_row).
constexpr double kPerFound = 20, kPerPair = 1.5;

// Whether mode 3 reads the nonzero weights kept beforehand: always when asked
// to (and the memory is there), else when the estimated cost says so. Every
// pair's weight read from w costs a random read, a few nanoseconds once w
// outgrows the caches; keeping the nonzero weights costs a streaming read of
// the addressed square of w, then per id a lookup of its column's nonzero
// entries, and per pair of nonzero weight found in a row its listing in
// (j, k) order. Row lengths and the pairs of nonzero weight are estimated
// from sampled rows: rows often draw their ids from near one another, so the
// pairs they hold may have nonzero weights far more often than w's entries
// do. The share of nonzero entries of w (which sets the lookups per id) is
// sampled from w. The input alone fixes the samples; the choice bears on
// cost only. Fills `sparse` when it returns true.
bool nonzero_weights(PairReads reads, ConstMatrix ids, ConstMatrix w, const IdLimit& limit,
                     SparseWeights& sparse) {
  const std::size_t size = limit.limit;
  if (size == 0 || size > 0xFFFFFFFFu || ids.rows == 0 || ids.cols < 2 || ids.cols > 0xFFFFFFFFu)
    return false;
  std::size_t most = std::min<std::size_t>(size * size, 0xFFFFFFFEu);
  if (reads == PairReads::chosen) {
    // A small square of w is read pair by pair at once.
    constexpr std::size_t kSmallSide = 256;
    if (size < kSmallSide) return false;
    constexpr std::size_t kSampledWeights = 4096;
    const RowSample sample = sample_rows(ids, size, [w](std::size_t a, std::size_t b) {
      return magnitude_bits(w.data[a + b * w.rows]) != 0;
    });
    const double id_count = sample.ids, pair_count = sample.pairs;
    // Costs in nanoseconds, as measured on a 2 MB second-level cache: a
    // pair's random read of w, cheaper while the square fits that cache; a
    // weight of the square streamed; per id a few fixed steps plus one per
    // nonzero entry of its column; and the rows' pairs of nonzero weight
    // found or, where cheaper, every pair taken in turn (which serves rows
    // whose ids' columns hold at most kSlots nonzero weights; the others
    // find theirs one by one).
    constexpr double kCachedPairRead = 2.5, kPairRead = 6, kStreamed = 1, kPerId = 8;
    const double side = static_cast<double>(size);
    const bool cached = side * side * sizeof(double) <= 2.0 * (1 << 20);
    const double every_pair = pair_count * (cached ? kCachedPairRead : kPairRead);
    const double fixed = side * side * kStreamed + id_count * kPerId +
                         std::min(sample.found * kPerFound, pair_count * kPerPair);
    if (fixed >= every_pair) return false;
    // Nonzero entries per column at which the kept weights stop paying.
    const double per_column = (every_pair - fixed) / std::max(id_count, 1.0);
    if (nonzero_share(w, size, kSampledWeights) * side > per_column / 2) return false;
    most = static_cast<std::size_t>(std::min(static_cast<double>(most), per_column * side));
  }
  try {
    return keep_nonzero_weights(w, size, most, sparse);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

bool sparse_pair_rows(PairReads reads, ConstMatrix ids, ConstMatrix values,
                      const WeightMatrix& weights, double* out1, double* out2,
                      const IdLimit& limit) {
  SparseWeights sparse;
  std::unique_ptr<SparsePairs> pairs;
  if (!weights.is_dense()) {
    // The only route: no memory for it (or more nonzero weights than 32-bit
    // positions count) ends the call.
    if (limit.limit > 0xFFFFFFFFu || !keep_stored_weights(weights, limit.limit, sparse))
      throw std::bad_alloc();
    pairs.reset(
        new SparsePairs(sparse, limit.limit, ids.cols, values.data, ConstMatrix(), out1, out2));
  } else if (reads != PairReads::every_pair &&
             nonzero_weights(reads, ids, weights.dense, limit, sparse)) {
    try {
      pairs.reset(
          new SparsePairs(sparse, limit.limit, ids.cols, values.data, weights.dense, out1, out2));
    } catch (const std::bad_alloc&) {  // then every pair is read from w
    }
  }
  if (!pairs) return false;
  // Rows whose pairs often have nonzero weights are taken pair by pair.
  const RowSample sample = sample_rows(ids, limit.limit, [&sparse](std::size_t a, std::size_t b) {
    return std::binary_search(sparse.row.data() + sparse.start[b],
                              sparse.row.data() + sparse.start[b + 1],
                              static_cast<std::uint32_t>(a));
  });
  pairs->pairwise(sample.found * kPerFound > sample.pairs * kPerPair);
  // Threads take chunks of rows, each chunk with scratch of its own (two
  // marks per id, about a unit each to clear): a chunk is made long enough,
  // 8 times that, for the scratch to cost little.
  const std::size_t per_row = 16 * (ids.cols + 1);
  const double longer = static_cast<double>(std::max(chunk_units, 8 * limit.limit)) /
                        static_cast<double>(chunk_units);
  rows_in_chunks(
      ids, static_cast<std::size_t>(static_cast<double>(per_row) / longer),
      [&](std::size_t begin, std::size_t end) { sparse_rows(*pairs, ids, limit, begin, end); });
  return true;
}

}  // namespace set_features_modes
}  // namespace mexsets
