// The array views: column-major addressing, the class/dimension table and the
// fixed messages, exercised through arrays of the stand-in host.
#include <gtest/gtest.h>

#include "host.hpp"
#include "mexsets/array_views.hpp"
#include "mexsets/mex_host.hpp"
#include "support.hpp"

using mexsets::ConstMatlabMultiArray;
using mexsets::Failure;
using mexsets::MatlabMultiArray;
using mexsets::MatlabMultiArray3;
using testing_support::failure_of;

namespace {

TEST(Views, TwoDimensionalAddressingIsColumnMajor) {
  auto a = standin::matrix({{1, 2, 3}, {4, 5, 6}});
  ConstMatlabMultiArray<double> view(a.get());
  ASSERT_EQ(view.shape()[0], 2u);
  ASSERT_EQ(view.shape()[1], 3u);
  const double* data = mxGetPr(a.get());
  for (std::size_t i = 0; i < 2; ++i)
    for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(&view[i][j], &data[i + j * 2]);
  EXPECT_EQ(view[1][2], 6.0);
  EXPECT_EQ(view.num_elements(), 6u);
}

TEST(Views, MutableViewWritesTheHostBuffer) {
  standin::Array out(mxCreateDoubleMatrix(3, 2, mxREAL));
  MatlabMultiArray<double> view(out.get());
  view[2][1] = 7.5;
  EXPECT_EQ(mxGetPr(out.get())[2 + 1 * 3], 7.5);
}

TEST(Views, RowVectorAndEmptyMatrix) {
  auto row = standin::matrix({{4, 5, 6, 7}});
  ConstMatlabMultiArray<double> view(row.get());
  EXPECT_EQ(view.shape()[0], 1u);
  EXPECT_EQ(view[0][3], 7.0);
  auto none = standin::empty(0, 0);
  ConstMatlabMultiArray<double> empty(none.get());
  EXPECT_EQ(empty.shape()[0], 0u);
  EXPECT_EQ(empty.shape()[1], 0u);
}

TEST(Views, ThreeDimensionalAddressing) {
  const mwSize dims[3] = {2, 3, 4};
  standin::Array mask(mxCreateLogicalArray(3, dims));
  MatlabMultiArray3<bool> view(mask.get());
  view[1][2][3] = true;
  EXPECT_TRUE(mxGetLogicals(mask.get())[1 + 2 * 2 + 3 * 2 * 3]);
  EXPECT_EQ(view.shape()[2], 4u);
}

TEST(Views, ThreeDimensionalViewTakesTrailingSingletonAsOnePlane) {
  const mwSize dims[3] = {2, 3, 1};
  standin::Array mask(mxCreateLogicalArray(3, dims));
  ASSERT_EQ(mxGetNumberOfDimensions(mask.get()), 2u);  // the host dropped it
  MatlabMultiArray3<bool> view(mask.get());
  EXPECT_EQ(view.shape()[0], 2u);
  EXPECT_EQ(view.shape()[1], 3u);
  EXPECT_EQ(view.shape()[2], 1u);
  view[1][2][0] = true;
  EXPECT_TRUE(mxGetLogicals(mask.get())[5]);
}

TEST(Views, ClassTable) {
  using mexsets::type_coherence;
  auto of = [](mxClassID id) { return standin::numeric(id, {1, 1}); };
  EXPECT_TRUE(type_coherence<double>(of(mxDOUBLE_CLASS).get()));
  EXPECT_TRUE(type_coherence<bool>(of(mxLOGICAL_CLASS).get()));
  EXPECT_TRUE(type_coherence<float>(of(mxSINGLE_CLASS).get()));
  EXPECT_TRUE(type_coherence<char>(of(mxINT8_CLASS).get()));
  EXPECT_FALSE(type_coherence<signed char>(of(mxINT8_CLASS).get()));
  EXPECT_TRUE(type_coherence<unsigned char>(of(mxUINT8_CLASS).get()));
  EXPECT_TRUE(type_coherence<short>(of(mxINT16_CLASS).get()));
  EXPECT_TRUE(type_coherence<unsigned short>(of(mxUINT16_CLASS).get()));
  EXPECT_TRUE(type_coherence<int>(of(mxINT32_CLASS).get()));
  EXPECT_TRUE(type_coherence<unsigned int>(of(mxUINT32_CLASS).get()));
  EXPECT_TRUE(type_coherence<long long>(of(mxINT64_CLASS).get()));
  EXPECT_FALSE(type_coherence<long>(of(mxINT64_CLASS).get()));
  EXPECT_TRUE(type_coherence<unsigned long long>(of(mxUINT64_CLASS).get()));
  EXPECT_FALSE(type_coherence<unsigned long>(of(mxUINT64_CLASS).get()));
  EXPECT_FALSE(type_coherence<double>(of(mxSINGLE_CLASS).get()));
  EXPECT_FALSE(type_coherence<double>(of(mxCHAR_CLASS).get()));
  EXPECT_FALSE(type_coherence<double>(of(mxCELL_CLASS).get()));
  EXPECT_FALSE(type_coherence<double>(of(mxSTRUCT_CLASS).get()));
}

TEST(Views, DimensionCount) {
  auto flat = standin::numeric(mxDOUBLE_CLASS, {2, 3});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {2, 3, 4});
  auto four = standin::numeric(mxLOGICAL_CLASS, {2, 3, 4, 5});
  EXPECT_TRUE(mexsets::dimension_coherence<2>(flat.get()));
  EXPECT_FALSE(mexsets::dimension_coherence<2>(cube.get()));
  EXPECT_TRUE(mexsets::dimension_coherence<3>(cube.get()));
  EXPECT_EQ(failure_of([&] { MatlabMultiArray3<bool> v(four.get()); }),
            "dimensionsNotCoherent: Data dimensions not coherent");
}

TEST(Views, FixedMessagesTypeFirst) {
  auto logical = standin::numeric(mxLOGICAL_CLASS, {2, 2});
  auto single = standin::numeric(mxSINGLE_CLASS, {2, 2});
  auto cube = standin::numeric(mxDOUBLE_CLASS, {2, 3, 4});
  EXPECT_EQ(failure_of([&] { ConstMatlabMultiArray<double> v(logical.get()); }),
            "typesNotCoherent: Data types not coherent");
  EXPECT_EQ(failure_of([&] { ConstMatlabMultiArray<double> v(single.get()); }),
            "typesNotCoherent: Data types not coherent");
  EXPECT_EQ(failure_of([&] { ConstMatlabMultiArray<double> v(cube.get()); }),
            "dimensionsNotCoherent: Data dimensions not coherent");
  // A 3-D double array in a logical 3-D view fails the class test first.
  EXPECT_EQ(failure_of([&] { MatlabMultiArray3<bool> v(cube.get()); }),
            "typesNotCoherent: Data types not coherent");
}

// Two matrix inputs, as the MEX host reads them. The name goes into
// messages that these tests do not provoke.
struct TwoMatrices {
  [[maybe_unused]] static constexpr const char* name = "views";
  static constexpr int outputs = 1;
  static constexpr mexsets::Argument inputs[] = {mexsets::matrix_argument("p"),
                                                 mexsets::matrix_argument("q")};
};

TEST(Views, SparseAndComplexInputsAreRejected) {
  standin::Array sparse(mxCreateSparse(1000, 1000, 1, mxREAL));
  standin::Array complex(mxCreateDoubleMatrix(2, 2, mxCOMPLEX));
  const mxArray* inputs[] = {sparse.get(), complex.get()};
  const auto mex_message = [&](int k) {
    try {
      mexsets::MexCall<TwoMatrices> call(0, nullptr, 2, inputs);
      call.matrix(k);
    } catch (const Failure& failure) {
      return failure.reason() + ": " + failure.render(mexsets::mex_place_text<TwoMatrices>);
    }
    return std::string("no failure");
  };
  EXPECT_EQ(
      mex_message(0),
      "sparseInput: Sparse input is not supported (views has no sparse route): input 1 is sparse; "
      "pass full(...) instead");
  EXPECT_EQ(mex_message(1),
            "complexInput: Complex input is not supported: input 2 is complex; pass real(...) "
            "instead");
}

}  // namespace
