#include "set_features.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace mexsets {

namespace {

enum { IN_IDS = 1, IN_VALUES, IN_MODE, IN_WEIGHTS };

// Rows per block: the block's accumulators and (mode 3) its id lists stay in
// the first cache levels while the id matrix is read column by column.
constexpr std::size_t kBlockRows = 256;
constexpr std::size_t kIdListBudget = 1u << 16;  // ids buffered per block, mode 3

// The first id, in row order, of rows [first, first + count) that breaks the
// limit: id x must satisfy trunc(x) < limit, i.e. x < limit (ids are the
// entries >= 0, -0 and NaN; end markers are the negative entries).
std::optional<BadEntry> first_bad_id(ConstMatrix ids, std::size_t first, std::size_t count,
                                     std::size_t limit, const std::string& problem) {
  for (std::size_t i = first; i < first + count; ++i)
    for (std::size_t j = 0; j < ids.cols; ++j) {
      const double x = ids(i, j);
      if (x < 0) break;
      if (!(x < static_cast<double>(limit)))
        return BadEntry{std::isnan(x) ? "idNotANumber" : "idOutOfRange", problem, i, j, x};
    }
  return std::nullopt;
}

// Visits the ids of rows [first, first + count) column by column, so that the
// id matrix is read in memory order while each row still sees its own ids in
// its own order: visit(r, j, a) for row first + r, column j, id a. Rows that
// have ended leave the active list. Returns false at the first id outside the
// limit (the caller then finds the first one in row order).
template <class Visit>
bool walk_block(ConstMatrix ids, std::size_t first, std::size_t count, std::size_t limit,
                std::uint32_t* active, Visit&& visit) {
  const double bound = static_cast<double>(limit);
  std::size_t live = count;
  for (std::size_t r = 0; r < count; ++r) active[r] = static_cast<std::uint32_t>(r);
  for (std::size_t j = 0; j < ids.cols && live; ++j) {
    const double* column = ids.data + j * ids.rows + first;
    std::size_t kept = 0;
    for (std::size_t t = 0; t < live; ++t) {
      const std::uint32_t r = active[t];
      const double x = column[r];
      if (x < 0) continue;  // end of row r
      if (!(x < bound)) return false;
      visit(r, j, static_cast<std::size_t>(static_cast<std::int64_t>(x)));
      active[kept++] = r;
    }
    live = kept;
  }
  return true;
}

// Runs `block(first, count)` over all rows in blocks of at most `rows_per_block`.
template <class Block>
std::optional<BadEntry> by_blocks(ConstMatrix ids, std::size_t rows_per_block,
                                  std::size_t limit, const std::string& problem, Block&& block) {
  for (std::size_t first = 0; first < ids.rows; first += rows_per_block) {
    const std::size_t count = std::min(rows_per_block, ids.rows - first);
    if (!block(first, count)) return first_bad_id(ids, first, count, limit, problem);
  }
  return std::nullopt;
}

std::string limit_problem(int mode, std::size_t limit) {
  if (limit == 0)
    return mode == 3 ? "id with nothing to address (input 2 or input 4 is empty)"
                     : "id with nothing to address (input 2 has no rows)";
  const std::string range = "id outside 0.." + std::to_string(limit - 1);
  return mode == 3 ? range + " (rows of input 2, rows and columns of input 4)"
                   : range + " (rows of input 2)";
}

}  // namespace

int feature_mode(double value) {
  return value >= 1 && value < 5 ? static_cast<int>(value) : 0;
}

std::size_t mode_value_columns(int mode) { return mode == 4 ? 4 : mode >= 1 && mode <= 3; }

std::size_t second_output_columns(int mode) { return mode == 4 ? 4 : mode == 2 || mode == 3; }

bool holds_any_id(ConstMatrix ids) {
  if (ids.cols == 0) return false;
  for (std::size_t i = 0; i < ids.rows; ++i)
    if (!(ids(i, 0) < 0)) return true;
  return false;
}

void check_value_columns(int mode, ConstMatrix ids, ConstMatrix values) {
  const std::size_t needed = mode_value_columns(mode);
  if (values.cols < needed && holds_any_id(ids))
    fail("tooFewColumns", "Too few value columns for mode " + std::to_string(mode) + ", which reads " +
                              std::to_string(needed) + ": input 2 is " +
                              std::to_string(values.rows) + "-by-" + std::to_string(values.cols));
}

std::optional<BadEntry> set_features(int mode, ConstMatrix ids, ConstMatrix values,
                                     ConstMatrix weights, double* out1, double* out2) {
  if (mode < 1 || mode > 4) return std::nullopt;
  std::size_t limit = values.rows;
  if (mode == 3) limit = std::min({limit, weights.rows, weights.cols});
  const std::string problem = limit_problem(mode, limit);
  const std::size_t m = ids.rows;
  std::uint32_t active[kBlockRows];
  const double* v0 = values.data;

  if (mode == 1) {
    return by_blocks(ids, kBlockRows, limit, problem, [&](std::size_t first, std::size_t count) {
      double* low = out1 + first;
      std::fill(low, low + count, DBL_MAX);
      return walk_block(ids, first, count, limit, active, [&](std::size_t r, std::size_t, std::size_t a) {
        const double v = v0[a];
        low[r] = v < low[r] ? v : low[r];
      });
    });
  }
  if (mode == 2) {
    double low[kBlockRows], high[kBlockRows];
    return by_blocks(ids, kBlockRows, limit, problem, [&](std::size_t first, std::size_t count) {
      double* sum = out2 + first;
      std::fill(sum, sum + count, 0.0);
      std::fill(low, low + count, DBL_MAX);
      std::fill(high, high + count, DBL_MIN);
      const bool ok = walk_block(ids, first, count, limit, active,
                                 [&](std::size_t r, std::size_t, std::size_t a) {
                                   const double v = v0[a];
                                   sum[r] += v;
                                   low[r] = v < low[r] ? v : low[r];
                                   high[r] = v > high[r] ? v : high[r];
                                 });
      for (std::size_t r = 0; r < count; ++r) out1[first + r] = low[r] / high[r];
      return ok;
    });
  }
  if (mode == 4) {
    const double* v1 = values.data + values.rows;
    const double* v2 = v1 + values.rows;
    const double* v3 = v2 + values.rows;
    double* box0 = out2;
    double* box1 = out2 + m;
    double* box2 = box1 + m;
    double* box3 = box2 + m;
    return by_blocks(ids, kBlockRows, limit, problem, [&](std::size_t first, std::size_t count) {
      double* b0 = box0 + first;
      double* b1 = box1 + first;
      double* b2 = box2 + first;
      double* b3 = box3 + first;
      std::fill(b0, b0 + count, DBL_MAX);
      std::fill(b1, b1 + count, DBL_MAX);
      std::fill(b2, b2 + count, -DBL_MAX);
      std::fill(b3, b3 + count, -DBL_MAX);
      return walk_block(ids, first, count, limit, active,
                        [&](std::size_t r, std::size_t, std::size_t a) {
                          const double x0 = v0[a], x1 = v1[a], x2 = v2[a], x3 = v3[a];
                          b0[r] = x0 < b0[r] ? x0 : b0[r];
                          b1[r] = x1 < b1[r] ? x1 : b1[r];
                          b2[r] = x2 > b2[r] ? x2 : b2[r];
                          b3[r] = x3 > b3[r] ? x3 : b3[r];
                        });
    });
  }

  // Mode 3: the value sums as the block is walked; the pair sums afterwards
  // from each row's buffered ids, in the row's own (j, k) order.
  const std::size_t n = ids.cols;
  const std::size_t rows_per_block =
      std::max<std::size_t>(1, std::min(kBlockRows, kIdListBudget / std::max<std::size_t>(n, 1)));
  std::vector<std::size_t> row_of(rows_per_block * n), column_of(rows_per_block * n);
  std::size_t length[kBlockRows];
  const std::size_t stride = weights.rows;
  return by_blocks(ids, rows_per_block, limit, problem, [&](std::size_t first, std::size_t count) {
    double* pair = out2 + first;
    double* value = out1 + first;
    std::fill(value, value + count, 0.0);
    std::fill(length, length + count, 0);
    const bool ok = walk_block(ids, first, count, limit, active,
                               [&](std::size_t r, std::size_t j, std::size_t a) {
                                 value[r] += v0[a];
                                 row_of[r * n + j] = a;
                                 column_of[r * n + j] = a * stride;
                                 length[r] = j + 1;
                               });
    if (!ok) return false;
    for (std::size_t r = 0; r < count; ++r) {
      const std::size_t* rows = row_of.data() + r * n;
      const std::size_t* columns = column_of.data() + r * n;
      double p = 0.0;
      for (std::size_t j = 0; j < length[r]; ++j) {
        const double* w = weights.data + rows[j];
        for (std::size_t k = j + 1; k < length[r]; ++k) p += w[columns[k]];
      }
      pair[r] = p;
      value[r] = p * -2 + value[r];
    }
    return true;
  });
}

}  // namespace mexsets
