// The integer versions of the models that the set-up writes give the float models' classes: a fault in
// how their weights were quantized (a scale on the wrong channels, a wrong zero point) would not.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "runtime_test_support.h"

namespace vesk {
namespace {

TEST(IntegerModelsTest, TheIntegerModelsGiveTheFloatModelsClasses) {
  for (const auto& [floats, integers, shape] :
       {std::tuple{test::kRecModel, "PP-OCRv5_server_rec_int8.onnx", InputShape{2, 3, 48, 320}},
        std::tuple{test::kClsModel, "PP-LCNet_x1_0_textline_ori_int8.onnx", InputShape{4, 3, 48, 192}}}) {
    SCOPED_TRACE(integers);
    // Dark strokes of uneven width and spacing across the middle of a light line, as text looks.
    std::vector<float> input(static_cast<size_t>(shape[0] * shape[1] * shape[2] * shape[3]));
    for (size_t i = 0; i < input.size(); ++i) {
      const int64_t x = static_cast<int64_t>(i) % shape[3], y = static_cast<int64_t>(i) / shape[3] % shape[2];
      input[i] = y > 9 && y < 38 && x * 7 % (9 + x % 5) < 3 ? -1.0f : 1.0f;
    }
    ModelSession floatSession = test::OpenBundled(floats), integerSession = test::OpenBundled(integers);
    const Outcome<ModelOutput> expected = floatSession.Run(input, shape), actual = integerSession.Run(input, shape);
    ASSERT_TRUE(expected.ok() && actual.ok());
    ASSERT_EQ(actual->shape(), expected->shape());
    const std::vector<int64_t>& dims = *expected->shape();  // lines x classes, or lines x steps x classes
    const int64_t classes = dims.back(), rows = dims[0] * (dims.size() == 3 ? dims[1] : 1);
    int64_t same = 0;
    for (int64_t row = 0; row < rows; ++row) {
      const float *a = expected->data() + row * classes, *b = actual->data() + row * classes;
      same += std::max_element(a, a + classes) - a == std::max_element(b, b + classes) - b;
    }
    // Rounding may tip a close call; here every row agrees, and scales on the wrong channels left 20 of 80.
    EXPECT_GE(same * 20, rows * 19) << same << " of " << rows << " rows agree";
  }
}

}  // namespace
}  // namespace vesk
