// nondominated: worked examples and edge cases through the stand-in gateway,
// the synopsis, every message, and the routine checked against the plain
// sweep and against the definition of the front on random inputs.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <random>

#include "interrupt_cases.hpp"
#include "nondominated.hpp"
#include "nondominated_routes.hpp"
#include "racing_writer.hpp"
#include "reference_nondominated.hpp"
#include "support.hpp"
#include "threads.hpp"

using testing_support::expect_mex_error;

// Allocation failure on demand: while g_refused is non-zero, the g_refused-th
// allocation of at least 1 KiB (counting from 1) throws std::bad_alloc.
namespace {
std::atomic<std::size_t> g_refused{0};  // atomic: the routes may allocate on several threads
std::atomic<std::size_t> g_large_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (g_refused != 0 && size >= 1024 && ++g_large_allocations == g_refused) throw std::bad_alloc();
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
// Not inlined: GCC would see free() meet a pointer from operator new at the
// call sites and warn (-Wmismatched-new-delete), though the pair is matched.
#if defined(__GNUC__)
#define MEXSETS_NOT_INLINED __attribute__((noinline))
#else
#define MEXSETS_NOT_INLINED
#endif
MEXSETS_NOT_INLINED void operator delete(void* block) noexcept { std::free(block); }
MEXSETS_NOT_INLINED void operator delete(void* block, std::size_t) noexcept { std::free(block); }
// The same for the aligned blocks of large scratch.
void* operator new(std::size_t size, std::align_val_t align) {
  if (g_refused != 0 && size >= 1024 && ++g_large_allocations == g_refused) throw std::bad_alloc();
  const auto alignment = static_cast<std::size_t>(align);
  if (void* block = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment))
    return block;
  throw std::bad_alloc();
}
MEXSETS_NOT_INLINED void operator delete(void* block, std::align_val_t) noexcept {
  std::free(block);
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const char* const kSynopsis = "\nsynopsis:   front = nondominated(X)\n";

const testing_support::LoadedModule module("nondominated");

// The gateway's output as flags, after checking that it is an M-by-1 logical.
std::vector<int> front_of(const standin::Array& x) {
  auto result = module().call(1, {&x});
  EXPECT_TRUE(result.printed.empty());
  EXPECT_EQ(result.released_arrays, 0u);
  const mxArray* out = result.outputs.at(0).get();
  EXPECT_EQ(mxGetClassID(out), mxLOGICAL_CLASS);
  EXPECT_EQ(standin::dims(out), std::vector<mwSize>({mxGetDimensions(x.get())[0], 1}));
  const mxLogical* flags = mxGetLogicals(out);
  return std::vector<int>(flags, flags + mxGetNumberOfElements(out));
}

std::vector<unsigned char> run_routine(const std::vector<double>& x, std::size_t m, std::size_t d) {
  std::vector<unsigned char> front(m, 0);
  mexsets::nondominated(front.data(), x.data(), m, d);
  return front;
}

std::vector<unsigned char> run_reference(const std::vector<double>& x, std::size_t m,
                                         std::size_t d) {
  std::vector<unsigned char> front(m, 0);
  reference::nondominated(front.data(), x.data(), m, d);
  return front;
}

// front(r) = 1 iff no row dominates r and no earlier row is identical to r
// (inputs without NaN).
std::vector<unsigned char> by_definition(const std::vector<double>& x, std::size_t m,
                                         std::size_t d) {
  std::vector<unsigned char> front(m, 1);
  for (std::size_t r = 0; r < m; ++r)
    for (std::size_t s = 0; s < m && front[r]; ++s) {
      if (s == r) continue;
      bool no_greater = true, less = false;
      for (std::size_t k = 0; k < d; ++k) {
        no_greater = no_greater && x[s + k * m] <= x[r + k * m];
        less = less || x[s + k * m] < x[r + k * m];
      }
      if (no_greater && (less || s < r)) front[r] = 0;
    }
  return front;
}

TEST(Nondominated, WorkedExamplesAndEdgeCases) {
  struct Case {
    standin::Array x;
    std::vector<int> front;
  };
  Case cases[] = {
      {standin::matrix({{3, 1}, {1, 3}, {2, 2}, {3, 3}}), {1, 1, 1, 0}},
      {standin::matrix({{2, 2}, {3, 1}, {1, 3}, {1, 1}}), {0, 0, 0, 1}},  // second sweep
      {standin::matrix({{1, 2}, {1, 2}}), {1, 0}},
      {standin::matrix({{1, 2}, {2, 1}}), {1, 1}},
      {standin::matrix({{5}, {4}, {3}, {2}, {1}}), {0, 0, 0, 0, 1}},
      {standin::matrix({{3}, {1}, {1}}), {0, 1, 0}},
      {standin::matrix({{7, -3, 2}}), {1}},
      {standin::matrix({{NAN, NAN}, {1, 1}}), {1, 0}},
      {standin::matrix({{1, 1}, {NAN, NAN}}), {1, 0}},
      {standin::matrix({{1, NAN}, {2, 0}}), {1, 0}},
      {standin::matrix({{2, 0}, {1, NAN}}), {0, 1}},
      {standin::matrix({{0.0, 1}, {-0.0, 1}, {1, -0.0}, {1, 0.0}}), {1, 0, 1, 0}},  // -0 == +0
      {standin::matrix({{kInf, -kInf}, {-kInf, kInf}, {kInf, kInf}}), {1, 1, 0}},
      {standin::empty(0, 3), {}},
      {standin::empty(4, 0), {1, 0, 0, 0}},
      {standin::empty(0, 0), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(front_of(c.x), c.front);
}

TEST(Nondominated, ExtraInputsAreIgnoredAndOnlyTheFirstPageIsRead) {
  auto x = standin::matrix({{3, 1}, {1, 3}, {2, 2}, {3, 3}});
  auto extra = standin::numeric(mxINT32_CLASS, {1, 1});
  auto result = module().call(0, {&x, &extra});
  const mxLogical* flags = mxGetLogicals(result.outputs.at(0).get());
  EXPECT_EQ(std::vector<int>(flags, flags + 4), std::vector<int>({1, 1, 1, 0}));

  // A 2-by-2-by-2 array is read as its first 2-by-2 page.
  auto cube = standin::numeric(mxDOUBLE_CLASS, {2, 2, 2});
  const double pages[8] = {1, 2, 1, 2, /* page 2 */ 0, 0, 0, 0};
  std::memcpy(mxGetPr(cube.get()), pages, sizeof pages);
  EXPECT_EQ(front_of(cube), std::vector<int>({1, 0}));
}

TEST(Nondominated, WrongCallShapePrintsTheSynopsis) {
  auto x = standin::matrix({{1, 2}});
  for (int nlhs : {0, 1}) {
    auto result = module().call(nlhs, std::vector<const mxArray*>{});
    EXPECT_EQ(result.printed, kSynopsis);
    ASSERT_EQ(result.outputs.size(), 1u);
    EXPECT_EQ(mxGetClassID(result.outputs[0].get()), mxDOUBLE_CLASS);
    EXPECT_EQ(standin::dims(result.outputs[0].get()), std::vector<mwSize>({0, 0}));
  }
  for (int nlhs : {2, 3}) {
    auto result = module().call(nlhs, {&x});
    EXPECT_EQ(result.printed, kSynopsis);
    ASSERT_EQ(result.outputs.size(), static_cast<std::size_t>(nlhs));
    EXPECT_EQ(standin::dims(result.outputs[0].get()), std::vector<mwSize>({0, 0}));
    EXPECT_EQ(mxGetClassID(result.outputs[0].get()), mxDOUBLE_CLASS);
    for (int k = 1; k < nlhs; ++k) EXPECT_EQ(result.outputs[k], nullptr);
    EXPECT_EQ(result.released_arrays, 0u);
  }
}

TEST(Nondominated, InputsThatAreNotRealDenseDoublesAreRejected) {
  const std::string id = "mexsets:nondominated:notDouble";
  struct Case {
    mxClassID class_id;
    const char* name;
  };
  const Case classes[] = {
      {mxINT32_CLASS, "int32"},   {mxSINGLE_CLASS, "single"}, {mxLOGICAL_CLASS, "logical"},
      {mxUINT8_CLASS, "uint8"},   {mxCHAR_CLASS, "char"},     {mxCELL_CLASS, "cell"},
      {mxSTRUCT_CLASS, "struct"}, {mxINT64_CLASS, "int64"},   {mxINT8_CLASS, "int8"},
      {mxINT16_CLASS, "int16"},   {mxUINT16_CLASS, "uint16"}, {mxUINT32_CLASS, "uint32"},
      {mxUINT64_CLASS, "uint64"}};
  const std::size_t before = standin::live_arrays();
  for (const Case& c : classes) {
    // Large enough that reading it as doubles would run past its buffer.
    auto x = standin::numeric(c.class_id, {3, 4});
    expect_mex_error([&] { module().call(1, {&x}); }, id,
                     std::string("Expected a double array: input 1 (X) is ") + c.name +
                         "; pass double(X) instead");
  }
  standin::Array sparse(mxCreateSparse(3, 2, 2, mxREAL));
  expect_mex_error(
      [&] { module().call(1, {&sparse}); }, "mexsets:nondominated:sparseInput",
      "Sparse input is not supported (nondominated has no sparse route): input 1 is sparse; "
      "pass full(...) instead");
  standin::Array complex(mxCreateDoubleMatrix(3, 2, mxCOMPLEX));
  expect_mex_error([&] { module().call(1, {&complex}); }, "mexsets:nondominated:complexInput",
                   "Complex input is not supported: input 1 is complex; pass real(...) instead");
  EXPECT_EQ(standin::live_arrays(), before + 2);  // only the two inputs built here
}

// An array whose third or later extent is 0 holds no element (the host may
// give it no data at all), so it has no first M-by-D page to read; found by
// fuzzing (a 2-by-4-by-27-by-0 double was read through a null pointer). Such
// arrays without rows or columns need no element and keep their results.
TEST(Nondominated, ArraysWithoutAFirstPageAreRefused) {
  const std::string id = "mexsets:nondominated:noFirstPage";
  const std::size_t before = standin::live_arrays();
  for (const std::vector<mwSize>& dims :
       {std::vector<mwSize>{2, 4, 27, 0}, {2, 3, 0}, {1, 1, 0}, {5, 2, 3, 0}}) {
    auto x = standin::numeric(mxDOUBLE_CLASS, dims);
    std::string size = std::to_string(dims[0]);
    for (std::size_t k = 1; k < dims.size(); ++k) size += "-by-" + std::to_string(dims[k]);
    for (int nlhs : {0, 1})
      expect_mex_error(
          [&] { module().call(nlhs, {&x}); }, id,
          "Expected an M-by-D page of points: input 1 (X) is " + size + " and holds no element");
  }
  EXPECT_EQ(standin::live_arrays(), before);  // no output left behind

  auto no_rows = standin::numeric(mxDOUBLE_CLASS, {0, 3, 0});
  EXPECT_EQ(front_of(no_rows), std::vector<int>{});
  auto no_columns = standin::numeric(mxDOUBLE_CLASS, {3, 0, 0});
  EXPECT_EQ(front_of(no_columns), std::vector<int>({1, 0, 0}));
  // Later extents that are not 0: the first page is read.
  auto pages = standin::numeric(mxDOUBLE_CLASS, {2, 1, 3});
  mxGetPr(pages.get())[0] = 1;
  EXPECT_EQ(front_of(pages), std::vector<int>({0, 1}));
}

// Random matrices from several families: few distinct values (ties and
// duplicate rows), signed zeros and infinities, continuous values, points on
// a simplex (nearly all on the front), the same rounded to a grid (large
// fronts with ties), values a few ulps apart beside huge ones (sort keys that
// collide), signed zeros beside the least subnormals (sort keys that differ
// in the last bits only), points on a simplex with some coordinates set to
// zeros, ones and infinities; then copies of earlier rows (with the sign of zeros flipped)
// and NaN entries.
std::vector<double> random_points(std::mt19937_64& random, std::size_t m, std::size_t d, int family,
                                  double nan_share) {
  std::vector<double> x(m * d);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double specials[] = {0.0, -0.0, 1.0, -1.0, kInf, -kInf, 2.5};
  const double tiny[] = {0.0, -0.0, 0x1p-1074, -0x1p-1074};  // keys a few units apart
  for (std::size_t r = 0; r < m; ++r) {
    double total = 0;
    for (std::size_t k = 0; k < d; ++k) {
      double& v = x[r + k * m];
      switch (family) {
        case 0:
          v = static_cast<double>(random() % 3);
          break;
        case 1:
          v = specials[random() % 7];
          break;
        case 2:
          v = unit(random);
          break;
        case 5:
          v = random() % 16 == 0 ? (random() % 2 ? 1e300 : -1e300)
                                 : 1.0 + static_cast<double>(random() % 4) * 0x1p-52;
          break;
        case 6:
          v = tiny[random() % 4];
          break;
        default:
          v = -std::log(unit(random) + 1e-300);
          total += v;
          break;
      }
    }
    if (family == 3 || family == 4 || family == 7)
      for (std::size_t k = 0; k < d; ++k) {
        double& v = x[r + k * m];
        v = family == 4 ? std::round(16 * v / total) / 16 : v / total;
        if (family == 7 && random() % 16 == 0) v = specials[random() % 7];
      }
  }
  for (std::size_t r = 1; r < m; ++r)
    if (random() % 5 == 0) {
      const std::size_t s = random() % r;
      for (std::size_t k = 0; k < d; ++k)
        x[r + k * m] = (x[s + k * m] == 0 && random() % 2) ? -x[s + k * m] : x[s + k * m];
    }
  for (double& v : x)
    if (unit(random) < nan_share) v = kNaN;
  return x;
}

TEST(Nondominated, MatchesTheSweepAndTheDefinitionOnRandomInputs) {
  std::mt19937_64 random(5);
  for (int round = 0; round < 6000; ++round) {
    const std::size_t d = 1 + random() % 7;
    const std::size_t m = round % 25 == 0 ? random() % 3000 : random() % 70;
    const int family = static_cast<int>(random() % 8);
    const double nan_share = round % 3 == 0 ? 0.03 * static_cast<double>(random() % 4) : 0.0;
    const std::vector<double> x = random_points(random, m, d, family, nan_share);
    const auto expected = run_reference(x, m, d);
    ASSERT_EQ(run_routine(x, m, d), expected)
        << "m " << m << ", d " << d << ", family " << family << ", NaN share " << nan_share;
    if (nan_share == 0 && m <= 400) {
      ASSERT_EQ(by_definition(x, m, d), expected);
    }
    if (nan_share == 0) {  // the sorting routes, which few rows never reach through the routine
      std::vector<unsigned char> sorted(m, 0);
      mexsets::nd::front_of_matrix(sorted.data(), x.data(), m, d);
      ASSERT_EQ(sorted, expected) << "m " << m << ", d " << d << ", family " << family;
    }
    if (m <= 400) {
      std::vector<unsigned char> in_place(m, 0);
      mexsets::nondominated_sweep(in_place.data(), x.data(), m, d);
      ASSERT_EQ(in_place, expected);
    }
    if (round % 100 == 0) {
      const std::vector<int> flags(expected.begin(), expected.end());
      ASSERT_EQ(front_of(standin::doubles(m, d, x)), flags);
    }
  }
}

// Any number of threads gives the same front: random points in one to five
// columns (ties and copies on a small grid, uniform, on a simplex where all
// are on the front, the same rounded to a grid, the simplex with zeros, ones
// and infinities), with and
// without NaN entries, and a first row that dominates all others.
TEST(Nondominated, SameFrontOnAnyNumberOfThreads) {
  std::mt19937_64 random(71);
  for (const std::size_t d : {1, 2, 3, 4, 5})
    for (const int family : {0, 2, 3, 4, 7})
      for (const double nan_share : {0.0, 0.01}) {
        const std::size_t m = 50 + random() % 400;
        std::vector<double> x = random_points(random, m, d, family, nan_share);
        if (family == 2 && nan_share == 0)
          for (std::size_t k = 0; k < d; ++k) x[k * m] = -1;  // row 0 dominates all
        const auto expected = run_reference(x, m, d);
        ASSERT_EQ(run_routine(x, m, d), expected) << "d " << d << ", family " << family;
        testing_support::expect_same_for_threads([&] { return run_routine(x, m, d); });
      }
  for (const std::size_t d : {3, 4}) {
    // Large enough to split on its own grains; beyond 131,072 points the
    // sorts run whole side by side (no more threads than sorts) or one
    // after the other by chunks (more threads).
    for (const std::size_t m : {40000, 140000}) {
      const std::vector<double> x = random_points(random, m, d, 3, 0.0);
      std::vector<unsigned char> expected;
      {
        const mexsets::ThreadScope one(1);
        expected = run_routine(x, m, d);
      }
      for (const std::size_t threads : {2, 8}) {
        const mexsets::ThreadScope scope(threads);
        ASSERT_EQ(run_routine(x, m, d), expected) << "d " << d << ", m " << m << ", " << threads;
      }
    }
    // Scratch refused on any thread: the sweep starts over, to the same front.
    const std::size_t n = 600;
    const std::vector<double> y = random_points(random, n, d, 3, 0.0);
    const auto swept = run_reference(y, n, d);
    const mexsets::ThreadScope split(3, 64);
    for (std::size_t refused = 1; refused <= 30; ++refused) {
      g_large_allocations = 0;
      g_refused = refused;
      const auto front = run_routine(y, n, d);
      g_refused = 0;
      ASSERT_EQ(front, swept) << "d " << d << ", allocation " << refused << " refused";
    }
    testing_support::expect_interruptible_in_parallel([&] { return run_routine(y, n, d); });
  }
}

// Few rows take the sweep itself (up to nd::sweep_rows(d), its flags on the
// stack up to nd::kFewRows): on either side of each hand-over, fronts small
// and large, with and without NaN, give the sweep's result.
TEST(Nondominated, RowCountsWhereTheSweepHandsOver) {
  std::mt19937_64 random(61);
  for (const std::size_t d : {2, 3, 4, 5, 6, 9})
    for (const std::size_t m : {mexsets::nd::sweep_rows(d), mexsets::nd::kFewRows}) {
      for (const std::size_t rows : {m - 1, m, m + 1})
        for (const int family : {0, 2, 3, 4, 7})
          for (const double nan_share : {0.0, 0.02}) {
            const std::vector<double> x = random_points(random, rows, d, family, nan_share);
            const auto expected = run_reference(x, rows, d);
            ASSERT_EQ(run_routine(x, rows, d), expected)
                << "m " << rows << ", d " << d << ", family " << family << ", NaN " << nan_share;
            std::vector<unsigned char> swept(rows, 0);
            mexsets::nondominated_sweep(swept.data(), x.data(), rows, d);
            ASSERT_EQ(swept, expected);
          }
    }
}

// Inputs holding NaN: the sweep resumed through the search tree after any
// number of plain steps (0: the tree from the start), or where the routine
// chooses, gives the sweep's result, whether NaN is rare (champion chains free of NaN, the
// shortcut) or common (rows holding NaN taking over, the plain steps).
TEST(Nondominated, TheTreeRouteForNaNMatchesTheSweep) {
  std::mt19937_64 random(17);
  for (int round = 0; round < 8000; ++round) {
    const std::size_t d = 1 + random() % 5;
    const std::size_t m = round % 40 == 0 ? 500 + random() % 2500 : 1 + random() % 90;
    const int family = static_cast<int>(random() % 8);
    std::vector<double> x = random_points(random, m, d, family, 0.0);
    // A few NaN entries, a share of them, or whole rows of NaN.
    switch (round % 3) {
      case 0:
        for (int n = 0; n < 1 + static_cast<int>(random() % 4); ++n) x[random() % (m * d)] = kNaN;
        break;
      case 1:
        for (double& v : x)
          if (random() % 100 < 1 + random() % 15) v = kNaN;
        break;
      default: {
        const std::size_t r = random() % m;
        for (std::size_t k = 0; k < d; ++k) x[r + k * m] = kNaN;
        x[random() % (m * d)] = kNaN;
      }
    }
    const auto expected = run_reference(x, m, d);
    const std::size_t plain_steps[] = {0, 1 + random() % 6, m, mexsets::kChooseSteps};
    for (const std::size_t steps : plain_steps) {
      std::vector<unsigned char> front(m, 0);
      mexsets::nondominated_with_nan(front.data(), x.data(), m, d, steps);
      ASSERT_EQ(front, expected) << "round " << round << ", m " << m << ", d " << d << ", family "
                                 << family << ", plain steps " << steps;
    }
  }
}

// Four columns with a large front (halving): points on a simplex, rounded to
// a grid (ties and copies) or with zeros, ones and infinities put in.
TEST(Nondominated, LargeFrontsInFourColumns) {
  std::mt19937_64 random(33);
  for (const int family : {3, 4, 7})
    for (const std::size_t m : {300, 2500}) {
      const std::vector<double> x = random_points(random, m, 4, family, 0.0);
      const auto expected = by_definition(x, m, 4);
      ASSERT_EQ(run_routine(x, m, 4), expected) << "family " << family << ", m " << m;
      ASSERT_EQ(run_reference(x, m, 4), expected);
    }
}

// Large inputs at the sizes where the routes hand over: halving's blocks of
// 128 points, the sum filter giving way to halving (four columns) or to the
// k-d tree with its bound on sums (five and more); points of a simplex, the
// same rounded to a grid (ties and copies), with zeros, ones and infinities
// put in (+Inf and -Inf in one row sum to NaN), shaken off the simplex (a
// front thick with near misses), or with all columns but the first on a
// grid summing to 1 (sums that tie between halves); and two or three columns
// whose sort keys collide or differ in the last bits only.
TEST(Nondominated, LargeInputsMatchTheSweepWhereRoutesHandOver) {
  std::mt19937_64 random(41);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const std::size_t d : {4, 5, 6})
    for (const std::size_t m : {127, 128, 129, 256, 257, 1100, 4000})
      for (const int family : {3, 4, 7, 8, 9}) {
        std::vector<double> x = random_points(random, m, d, family < 8 ? family : 3, 0.0);
        if (family == 8)
          for (double& v : x) v *= 1 + 0.05 * unit(random);
        if (family == 9)  // all columns but the first sum to 1 exactly; some copied
          for (std::size_t r = 0; r < m; ++r) {
            x[r] = static_cast<double>(random() % 3);
            const std::size_t copied = r > 0 && random() % 5 == 0 ? random() % r : r;
            std::size_t left = 1024;
            for (std::size_t k = 1; k < d; ++k) {
              const std::size_t part = k + 1 == d ? left : random() % (left + 1);
              x[r + k * m] = copied < r ? x[copied + k * m] : static_cast<double>(part) / 1024;
              left -= part;
            }
          }
        ASSERT_EQ(run_routine(x, m, d), run_reference(x, m, d))
            << "m " << m << ", d " << d << ", family " << family;
      }
  for (const std::size_t d : {2, 3})
    for (const int family : {3, 5, 6}) {
      const std::size_t m = 5000;
      const std::vector<double> x = random_points(random, m, d, family, 0.0);
      ASSERT_EQ(run_routine(x, m, d), run_reference(x, m, d)) << "d " << d << ", family " << family;
    }
}

// Two columns: rows placed in buckets by a key growing with x0 (about 2048
// rows a bucket, each sorted in two byte passes or, up to 32 rows, at once)
// at sizes where the number of buckets changes. Points of a simplex (no list
// of kept rows), a uniform cloud (a list after the pivot pass), a simplex
// with x0 on a grid (runs of equal keys), with zeros, signed zeros, ones and
// infinities put in either column, with x0 dense in one half (uneven and
// nearly empty buckets), a front on three values of x0 (long runs); and
// inputs the radix sort takes over: x0 clustered far from one outlier,
// spread past the largest double, or over a few subnormals. Then copies.
TEST(Nondominated, TwoColumnsMatchTheSweepAcrossBucketSizes) {
  std::mt19937_64 random(57);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const std::size_t m : {2, 33, 2048, 2049, 4097, 6000, 9000})
    for (int shape = 0; shape < 9; ++shape) {
      if (m == 9000 && shape != 0 && shape != 6) continue;  // crowding shows from 8 buckets on
      const int family[] = {3, 2, 3, 7, 3, 3, 3, 3, 3};
      std::vector<double> x = random_points(random, m, 2, family[shape], 0.0);
      const double grid = static_cast<double>(m / 4 + 1);
      for (std::size_t r = 0; r < m; ++r) {
        double &x0 = x[r], &x1 = x[r + m];
        const double u = unit(random);
        if (shape == 2) x0 = std::round(x0 * grid) / grid;
        if (shape == 4) x0 = random() % 200 == 0 ? 0.5 + x0 / 2 : x0 / 2;
        if (shape == 5) x0 = static_cast<double>(random() % 3), x1 = u - x0;
        if (shape == 6) x0 = r == m / 2 ? 1e300 : 1 + u * 0x1p-40, x1 = -u;
        if (shape == 7) x0 = (random() % 2 ? 1e308 : -1e308) * u, x1 = -x0;
        if (shape == 8) x0 = static_cast<double>(random() % 4) * 0x1p-1074, x1 = u - x0;
        if (r > 0 && random() % 5 == 0) {
          const std::size_t s = random() % r;
          x0 = x[s], x1 = x[s + m];
        }
      }
      ASSERT_EQ(run_routine(x, m, 2), run_reference(x, m, 2)) << "m " << m << ", shape " << shape;
    }
}

// A sum that is NaN (+Inf and -Inf in one row) must not disturb the order
// used for four or more columns.
TEST(Nondominated, RowsMixingBothInfinitiesInManyColumns) {
  std::mt19937_64 random(9);
  const double values[] = {kInf, -kInf, 0.0, 1.0};
  for (int round = 0; round < 500; ++round) {
    const std::size_t m = 1 + random() % 40, d = 4 + random() % 3;
    std::vector<double> x(m * d);
    for (double& v : x) v = values[random() % 4];
    ASSERT_EQ(run_routine(x, m, d), run_reference(x, m, d));
    ASSERT_EQ(by_definition(x, m, d), run_reference(x, m, d));
  }
}

// When scratch cannot be had at any point (even after some rows were marked),
// the routine starts over with the sweep, which needs m bytes, and gives the
// same result; so does the route for NaN, after its plain steps.
TEST(Nondominated, FallsBackToTheSweepWhenScratchRunsShort) {
  std::mt19937_64 random(21);
  const struct { std::size_t d, nans; } cases[] = {{2, 0}, {3, 0}, {4, 0}, {5, 0}, {1, 3}, {3, 3}};
  for (const auto& c : cases) {
    const std::size_t m = 3000, d = c.d;
    std::vector<double> x = random_points(random, m, d, 3, 0.0);
    for (std::size_t n = 0; n < c.nans; ++n) x[random() % (m * d)] = kNaN;
    const auto expected = run_reference(x, m, d);
    for (std::size_t refused = 1; refused <= 20; ++refused) {
      std::vector<unsigned char> front(m, 0);
      g_large_allocations = 0;
      g_refused = refused;
      mexsets::nondominated(front.data(), x.data(), m, d);
      g_refused = 0;
      ASSERT_EQ(front, expected) << "d " << d << ", NaN " << c.nans << ", allocation " << refused
                                 << " refused";
    }
  }
}

// Ctrl-C: stopped at any poll, on every route (one column, two by buckets
// and by the radix sort, three, four by halving and by the sum filter, more
// by the k-d tree, NaN by the resumed sweep, the plain sweep), the
// computation throws Interrupted, and the next call gives the plain result.
TEST(Nondominated, InterruptedOnEveryRouteThenCalledAgain) {
  std::mt19937_64 random(61);
  struct Route {
    std::size_t m, d;
    int family;
    double nan_share;
  };
  for (const Route& r :
       {Route{3000, 1, 2, 0.0}, Route{3000, 2, 3, 0.0}, Route{3000, 2, 5, 0.0},
        Route{3000, 3, 3, 0.0}, Route{2500, 4, 3, 0.0}, Route{3000, 4, 2, 0.0},
        Route{4000, 6, 3, 0.0}, Route{2000, 3, 2, 0.03}, Route{2000, 1, 2, 0.03}}) {
    const std::vector<double> x = random_points(random, r.m, r.d, r.family, r.nan_share);
    testing_support::expect_interruptible([&] { return run_routine(x, r.m, r.d); });
  }
  const std::vector<double> x = random_points(random, 2000, 3, 3, 0.0);
  testing_support::expect_interruptible([&] {
    std::vector<unsigned char> front(2000, 0);
    mexsets::nondominated_sweep(front.data(), x.data(), 2000, 3);
    return front;
  });
}

TEST(Nondominated, PointsWrittenByAnotherThreadAreNeverReadOutside) {
  // Values steer the sorts, buckets and trees of every route: a cloud in two
  // columns (buckets), repeated values (long runs of equal keys), and fronts
  // in three, four and five columns (Fenwick tree, halving, k-d tree).
  std::mt19937_64 random(15);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Points {
    std::size_t m, d;
    std::vector<double> x;
  };
  std::vector<Points> inputs = {
      {40000, 2, {}}, {40000, 2, {}}, {20000, 3, {}}, {4000, 4, {}}, {4000, 5, {}}};
  for (std::size_t t = 0; t < inputs.size(); ++t) {
    Points& p = inputs[t];
    p.x.resize(p.m * p.d);
    for (double& v : p.x) v = t == 1 ? std::floor(unit(random) * 50) : unit(random);
    if (t >= 2)  // on the plane where the columns sum to 1: all on the front
      for (std::size_t r = 0; r < p.m; ++r) {
        double sum = 0;
        for (std::size_t k = 0; k + 1 < p.d; ++k) sum += p.x[r + k * p.m];
        p.x[r + (p.d - 1) * p.m] = 1 - sum;
      }
  }
  std::vector<testing_support::RacedInput> raced;
  for (Points& p : inputs) raced.push_back({p.x.data(), p.x.size()});
  testing_support::expect_harmless_race(raced, [&] {
    std::vector<unsigned char> fronts;
    for (const Points& p : inputs) {
      std::vector<unsigned char> front(p.m, 0);
      mexsets::nondominated(front.data(), p.x.data(), p.m, p.d);
      fronts.insert(fronts.end(), front.begin(), front.end());
    }
    return fronts;
  });
}

}  // namespace
