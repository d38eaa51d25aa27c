// The versions of the models that the set-up rewrites compute what the float models compute: a fault
// in the rewrite (a scale on the wrong channels, a shift folded into a convolution that pads, a wrong
// zero point) would not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "integer_kernels.h"
#include "runtime_test_support.h"

namespace vesk {
namespace {

// Dark strokes of uneven width and spacing across the middle of a light band, as text looks.
std::vector<float> TextLike(const InputShape& shape) {
  std::vector<float> input(static_cast<size_t>(shape[0] * shape[1] * shape[2] * shape[3]));
  for (size_t i = 0; i < input.size(); ++i) {
    const int64_t x = static_cast<int64_t>(i) % shape[3], y = static_cast<int64_t>(i) / shape[3] % shape[2];
    input[i] = y % 48 > 9 && y % 48 < 38 && x * 7 % (9 + x % 5) < 3 ? -1.0f : 1.0f;
  }
  return input;
}

struct Outputs {
  Outcome<ModelOutput> expected, actual;
};

Outputs RunBoth(const char* original, const char* rewritten, const InputShape& shape, const char* output) {
  std::vector<float> input = TextLike(shape);
  ModelSession originalSession = test::OpenBundled(original, output);
  ModelSession rewrittenSession = test::OpenBundled(rewritten, output);
  Outputs outputs{originalSession.Run(input, shape), rewrittenSession.Run(input, shape)};
  EXPECT_TRUE(outputs.expected.ok() && outputs.actual.ok());
  return outputs;
}

TEST(RewrittenModelsTest, TheIntegerModelsGiveTheFloatModelsClasses) {
  if (!test::IntegerKernelsRunHere()) GTEST_SKIP() << "Wine does not enable the CPU's AMX tiles here";
  for (const auto& [floats, integers, shape] :
       {std::tuple{test::kRecModel, "PP-OCRv5_server_rec_int8.onnx", InputShape{2, 3, 48, 320}},
        std::tuple{test::kClsModel, "PP-LCNet_x1_0_textline_ori_int8.onnx", InputShape{4, 3, 48, 192}}}) {
    SCOPED_TRACE(integers);
    const Outputs out = RunBoth(floats, integers, shape, "softmax_0.tmp_0");
    ASSERT_TRUE(out.expected.ok() && out.actual.ok() && out.actual->shape() == out.expected->shape());
    const std::vector<int64_t>& dims = *out.expected->shape();  // lines x classes, or lines x steps x classes
    const int64_t classes = dims.back(), rows = dims[0] * (dims.size() == 3 ? dims[1] : 1);
    int64_t same = 0;
    for (int64_t row = 0; row < rows; ++row) {
      const float *a = out.expected->data() + row * classes, *b = out.actual->data() + row * classes;
      same += std::max_element(a, a + classes) - a == std::max_element(b, b + classes) - b;
    }
    // Rounding may tip a close call; here every row agrees, and scales on the wrong channels left 20 of 80.
    EXPECT_GE(same * 20, rows * 19) << same << " of " << rows << " rows agree";
  }
}

// Folding only reorders float arithmetic: every probability stays within rounding of the original's.
TEST(RewrittenModelsTest, TheFoldedModelsGiveTheFloatModelsProbabilities) {
  for (const auto& [floats, folded, shape] :
       {std::tuple{test::kDetModel, "PP-OCRv5_server_det_folded.onnx", InputShape{1, 3, 96, 160}},
        std::tuple{test::kRecModel, "PP-OCRv5_server_rec_folded.onnx", InputShape{2, 3, 48, 320}},
        std::tuple{test::kClsModel, "PP-LCNet_x1_0_textline_ori_folded.onnx", InputShape{4, 3, 48, 192}}}) {
    SCOPED_TRACE(folded);
    const Outputs out = RunBoth(floats, folded, shape, "softmax_0.tmp_0");
    ASSERT_TRUE(out.expected.ok() && out.actual.ok() && out.actual->shape() == out.expected->shape());
    int64_t count = 1;
    for (const int64_t dim : *out.expected->shape()) count *= dim;
    float worst = 0.0f;
    for (int64_t i = 0; i < count; ++i) worst = std::max(worst, std::abs(out.expected->data()[i] - out.actual->data()[i]));
    EXPECT_LT(worst, 1e-3f);
  }
}

}  // namespace
}  // namespace vesk
