// The integer versions of the models that the set-up writes answer as the float models do: a fault in
// how their weights were quantized (a scale on the wrong axis, a wrong zero point) shows as other
// classes than the float model's.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/tensor.h"
#include "runtime_test_support.h"

namespace vesk {
namespace {

// Dark strokes of varying width and spacing on a light ground, normalised as the pipeline does: what a
// line of text looks like to the models, without depending on any picture.
std::vector<float> Strokes(const InputShape& shape) {
  std::vector<float> input(static_cast<size_t>(shape[0] * shape[1] * shape[2] * shape[3]));
  const int64_t width = shape[3], height = shape[2], plane = width * height;
  for (int64_t b = 0; b < shape[0] * shape[1]; ++b) {
    for (int64_t y = 0; y < height; ++y) {
      for (int64_t x = 0; x < width; ++x) {
        const bool ink = y > height / 5 && y < height * 4 / 5 && (x * 7 + b * 3) % (9 + x % 5) < 3;
        input[static_cast<size_t>(b * plane + y * width + x)] = ink ? -1.0f : 1.0f;
      }
    }
  }
  return input;
}

TEST(IntegerModelsTest, TheIntegerModelsGiveTheFloatModelsClasses) {
  struct Case {
    const char* floatModel;
    const char* integerModel;
    InputShape input;
  };
  for (const Case& c : {Case{test::kRecModel, "PP-OCRv5_server_rec_int8.onnx", {2, 3, 48, 320}},
                        Case{test::kClsModel, "PP-LCNet_x1_0_textline_ori_int8.onnx", {4, 3, 48, 192}}}) {
    SCOPED_TRACE(c.integerModel);
    std::vector<float> input = Strokes(c.input);
    ModelSession floats = test::OpenBundled(c.floatModel);
    ModelSession integers = test::OpenBundled(c.integerModel);
    const Outcome<ModelOutput> expected = floats.Run(input, c.input);
    const Outcome<ModelOutput> actual = integers.Run(input, c.input);
    ASSERT_TRUE(expected.ok() && actual.ok());
    ASSERT_EQ(actual->shape(), expected->shape());
    const std::vector<int64_t>& shape = *expected->shape();
    const int64_t classes = shape.back();
    int64_t rows = 1;
    for (size_t i = 0; i + 1 < shape.size(); ++i) rows *= shape[i];
    int64_t same = 0;
    for (int64_t row = 0; row < rows; ++row) {
      int64_t best[2] = {0, 0};
      for (int64_t k = 0; k < classes; ++k) {
        const size_t at = static_cast<size_t>(row * classes + k);
        if (expected->data()[at] > expected->data()[row * classes + best[0]]) best[0] = k;
        if (actual->data()[at] > actual->data()[row * classes + best[1]]) best[1] = k;
      }
      same += best[0] == best[1];
    }
    // Rounding may tip a close call; here every row agrees, and scales on the wrong channels left 15 of 80.
    EXPECT_GE(same * 20, rows * 19) << same << " of " << rows << " rows agree";
  }
}

}  // namespace
}  // namespace vesk
