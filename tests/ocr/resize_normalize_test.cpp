#include "ocr/resize_normalize.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace vesk {
namespace {

constexpr std::array<float, 3> kZeroMean{0.0f, 0.0f, 0.0f};
constexpr std::array<float, 3> kUnitStd{1.0f, 1.0f, 1.0f};

float At(const std::vector<float>& dst, int planeW, int planeH, int c, int i, int j) {
  return dst[static_cast<size_t>(c) * planeW * planeH + static_cast<size_t>(i) * planeW + j];
}

// R = [[0, 100], [200, 255]], G = 255 everywhere, B = 0 everywhere.
std::vector<uint8_t> TwoByTwo() { return {0, 255, 0, 100, 255, 0, 200, 255, 0, 255, 255, 0}; }

TEST(ResizeNormalizeTest, EnlargementExtrapolatesTheFirstRowsAndClampsTheLast) {
  const std::vector<uint8_t> src = TwoByTwo();
  std::vector<float> dst(3 * 4 * 4, 0.0f);
  ResizeNormalize(src.data(), 2, 2, dst.data(), 4, 4, kZeroMean, kUnitStd, 4, 4);
  // Values times 255, worked out by hand from the source positions -0.25, 0.25, 0.75, 1.25.
  const struct {
    int i, j;
    float r;
  } expected[] = {
      {0, 0, -77.8125f},  // both fractions -0.25: extrapolated beyond the top-left pixel
      {1, 1, 72.1875f},   // both 0.25
      {0, 3, 61.25f},     // column clamped to the last, row extrapolated
      {3, 0, 186.25f},    // row clamped to the last, column extrapolated
      {3, 3, 255.0f},
      {2, 2, 199.6875f},  // both 0.75
  };
  for (const auto& e : expected) {
    EXPECT_NEAR(At(dst, 4, 4, 0, e.i, e.j), e.r / 255.0f, 1e-6f) << e.i << "," << e.j;
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(At(dst, 4, 4, 1, i, j), 1.0f, 1e-6f);
      EXPECT_EQ(At(dst, 4, 4, 2, i, j), 0.0f);
    }
  }
}

TEST(ResizeNormalizeTest, HalvingAveragesEachTwoByTwoBlock) {
  std::vector<uint8_t> src(4 * 4 * 3, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src[(y * 4 + x) * 3] = static_cast<uint8_t>(16 * y + 4 * x);
  std::vector<float> dst(3 * 2 * 2, 0.0f);
  ResizeNormalize(src.data(), 4, 4, dst.data(), 2, 2, kZeroMean, kUnitStd, 2, 2);
  EXPECT_NEAR(At(dst, 2, 2, 0, 0, 0), 10.0f / 255.0f, 1e-6f);
  EXPECT_NEAR(At(dst, 2, 2, 0, 0, 1), 18.0f / 255.0f, 1e-6f);
  EXPECT_NEAR(At(dst, 2, 2, 0, 1, 0), 42.0f / 255.0f, 1e-6f);
  EXPECT_NEAR(At(dst, 2, 2, 0, 1, 1), 50.0f / 255.0f, 1e-6f);
}

TEST(ResizeNormalizeTest, WritesOnlyTheTopLeftCornerOfEachPlaneWithMeanAndStdApplied) {
  const std::vector<uint8_t> src = TwoByTwo();
  const int planeW = 6, planeH = 5;
  const float sentinel = 7.0f;
  std::vector<float> dst(3 * planeW * planeH, sentinel);
  ResizeNormalize(src.data(), 2, 2, dst.data(), 2, 2, {0.5f, 0.25f, 0.5f}, {0.5f, 0.25f, 2.0f},
                  planeW, planeH);
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < planeH; ++i) {
      for (int j = 0; j < planeW; ++j) {
        if (i < 2 && j < 2) continue;
        EXPECT_EQ(At(dst, planeW, planeH, c, i, j), sentinel) << c << "," << i << "," << j;
      }
    }
  }
  // Same size: every pixel maps onto itself.
  EXPECT_NEAR(At(dst, planeW, planeH, 0, 0, 0), -1.0f, 1e-6f);
  EXPECT_NEAR(At(dst, planeW, planeH, 0, 0, 1), (100.0f / 255.0f - 0.5f) / 0.5f, 1e-6f);
  EXPECT_NEAR(At(dst, planeW, planeH, 0, 1, 1), 1.0f, 1e-6f);
  EXPECT_NEAR(At(dst, planeW, planeH, 1, 1, 0), 3.0f, 1e-5f);
  EXPECT_NEAR(At(dst, planeW, planeH, 2, 0, 1), -0.25f, 1e-6f);
}

TEST(ResizeNormalizeTest, EmptyTargetOrTooSmallPlaneWritesNothing) {
  const std::vector<uint8_t> src = TwoByTwo();
  std::vector<float> dst(3 * 4 * 4, 7.0f);
  ResizeNormalize(src.data(), 2, 2, dst.data(), 0, 4, kZeroMean, kUnitStd, 4, 4);
  ResizeNormalize(src.data(), 2, 2, dst.data(), 4, -1, kZeroMean, kUnitStd, 4, 4);
  ResizeNormalize(src.data(), 2, 2, dst.data(), 4, 4, kZeroMean, kUnitStd, 3, 4);
  for (float v : dst) EXPECT_EQ(v, 7.0f);
}

}  // namespace
}  // namespace vesk
