#include "ocr/box_rounding.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(RoundBoxCornersTest, HalvesGoAwayFromZeroInCornerOrder) {
  DetBox box;
  box.points = {Point2f{10.5f, 10.49f}, Point2f{-0.5f, 0.49f}, Point2f{1919.5f, 1079.5f}, Point2f{-1.5f, 2.51f}};
  box.score = 0.9f;
  const Quad rounded = RoundBoxCorners(box);
  const std::array<int32_t, 8> expected{11, 10, -1, 0, 1920, 1080, -2, 3};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(rounded[i].x, expected[2 * i]);
    EXPECT_EQ(rounded[i].y, expected[2 * i + 1]);
  }
}

}  // namespace
}  // namespace vesk
