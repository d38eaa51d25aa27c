#include "ocr/line_crop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vesk {
namespace {

// Every pixel's bytes follow from its position, so a crop can be checked against the source.
DecodedImage Pattern(int32_t width, int32_t height) {
  DecodedImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<size_t>(width) * height * 3);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &image.pixels[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y * 5);
      p[2] = static_cast<uint8_t>((x * 7 + y * 13) & 0xff);
    }
  }
  return image;
}

const uint8_t* Pixel(const DecodedImage& image, int32_t x, int32_t y) {
  return &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
}

DetBox Quad(Point2f tl, Point2f tr, Point2f br, Point2f bl) {
  DetBox box;
  box.points = {tl, tr, br, bl};
  return box;
}

void ExpectSamePixel(const uint8_t* a, const uint8_t* b, const char* what) {
  EXPECT_EQ(a[0], b[0]) << what;
  EXPECT_EQ(a[1], b[1]) << what;
  EXPECT_EQ(a[2], b[2]) << what;
}

TEST(CropLineTest, AxisAlignedBoxReproducesTheScreenshotBytes) {
  const DecodedImage image = Pattern(256, 64);
  DecodedImage crop;
  ASSERT_TRUE(CropLine(image, Quad({10, 10}, {210, 10}, {210, 40}, {10, 40}), crop));
  ASSERT_EQ(crop.width, 200);
  ASSERT_EQ(crop.height, 30);
  ASSERT_EQ(crop.pixels.size(), 200u * 30 * 3);
  for (int32_t i = 0; i < 30; ++i) {
    for (int32_t j = 0; j < 200; ++j) {
      const uint8_t* expected = Pixel(image, 10 + j, 10 + i);
      const uint8_t* actual = Pixel(crop, j, i);
      ASSERT_TRUE(expected[0] == actual[0] && expected[1] == actual[1] && expected[2] == actual[2])
          << "row " << i << " column " << j;
    }
  }
}

TEST(CropLineTest, TinyBoxesGiveAtLeastFourByFour) {
  const DecodedImage image = Pattern(32, 32);
  DecodedImage crop;
  ASSERT_TRUE(CropLine(image, Quad({5, 5}, {7, 5}, {7, 6}, {5, 6}), crop));
  EXPECT_EQ(crop.width, 4);
  EXPECT_EQ(crop.height, 4);
  ASSERT_TRUE(CropLine(image, Quad({5, 5}, {5, 5}, {5, 5}, {5, 5}), crop));
  EXPECT_EQ(crop.width, 4);
  EXPECT_EQ(crop.height, 4);
  EXPECT_EQ(crop.pixels.size(), 4u * 4 * 3);
  ASSERT_TRUE(CropLine(image, Quad({2, 5}, {22, 5}, {22, 7}, {2, 7}), crop));
  EXPECT_EQ(crop.width, 20);
  EXPECT_EQ(crop.height, 4);
}

TEST(CropLineTest, PointsPastTheEdgeRepeatTheEdgePixels) {
  const DecodedImage image = Pattern(20, 20);
  DecodedImage crop;
  // Eight pixels each side, starting four before the top-left corner.
  ASSERT_TRUE(CropLine(image, Quad({-4, -4}, {4, -4}, {4, 4}, {-4, 4}), crop));
  ASSERT_EQ(crop.width, 8);
  ASSERT_EQ(crop.height, 8);
  for (int32_t i = 0; i < 8; ++i) {
    for (int32_t j = 0; j < 8; ++j) {
      const int32_t sx = j <= 4 ? 0 : j - 4;
      const int32_t sy = i <= 4 ? 0 : i - 4;
      ExpectSamePixel(Pixel(crop, j, i), Pixel(image, sx, sy), "top-left");
    }
  }
  ASSERT_TRUE(CropLine(image, Quad({16, 16}, {24, 16}, {24, 24}, {16, 24}), crop));
  for (int32_t i = 0; i < 8; ++i) {
    for (int32_t j = 0; j < 8; ++j) {
      const int32_t sx = j >= 3 ? 19 : 16 + j;
      const int32_t sy = i >= 3 ? 19 : 16 + i;
      ExpectSamePixel(Pixel(crop, j, i), Pixel(image, sx, sy), "bottom-right");
    }
  }
}

TEST(CropLineTest, SizeFollowsTheLongerOfEachPairOfEdges) {
  const DecodedImage image = Pattern(64, 64);
  DecodedImage crop;
  // A trapezoid: top edge 20, bottom edge 30, slanted sides of about 8.9 and 10.
  ASSERT_TRUE(CropLine(image, Quad({10, 10}, {30, 10}, {36, 18}, {6, 18}), crop));
  EXPECT_EQ(crop.width, 30);
  EXPECT_EQ(crop.height, 10);
}

TEST(CropLineTest, EmptyScreenshotFails) {
  DecodedImage empty;
  DecodedImage crop;
  EXPECT_FALSE(CropLine(empty, Quad({0, 0}, {10, 0}, {10, 10}, {0, 10}), crop));
  DecodedImage noPixels;
  noPixels.width = 4;
  noPixels.height = 4;
  EXPECT_FALSE(CropLine(noPixels, Quad({0, 0}, {10, 0}, {10, 10}, {0, 10}), crop));
}

TEST(Rotate180Test, SwapsEndsAndKeepsTheMiddle) {
  DecodedImage row;
  row.width = 3;
  row.height = 1;
  row.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  Rotate180(row);
  EXPECT_EQ(row.pixels, (std::vector<uint8_t>{7, 8, 9, 4, 5, 6, 1, 2, 3}));
}

TEST(Rotate180Test, TwiceRestoresThePicture) {
  const DecodedImage original = Pattern(5, 4);
  DecodedImage image = original;
  Rotate180(image);
  ExpectSamePixel(Pixel(image, 0, 0), Pixel(original, 4, 3), "corner");
  ExpectSamePixel(Pixel(image, 1, 2), Pixel(original, 3, 1), "inner");
  Rotate180(image);
  EXPECT_EQ(image.pixels, original.pixels);

  DecodedImage empty;
  Rotate180(empty);
  EXPECT_TRUE(empty.pixels.empty());
}

void ExpectPoint(const Point2f& actual, float x, float y) {
  EXPECT_NEAR(actual.x, x, 1e-4f);
  EXPECT_NEAR(actual.y, y, 1e-4f);
}

TEST(ExpandBoxTest, GrowsByTheLineHeightAlongTheBoxesOwnSides) {
  const DetBox box = Quad({10, 10}, {210, 10}, {210, 30}, {10, 30});  // 20 high
  const DetBox grown = ExpandBox(box, 0.15f, 0.5f);
  ExpectPoint(grown.points[0], 0, 7);
  ExpectPoint(grown.points[1], 220, 7);
  ExpectPoint(grown.points[2], 220, 33);
  ExpectPoint(grown.points[3], 0, 33);

  // A box turned by 90 degrees grows along its own top edge, which points down the screenshot.
  const DetBox turned = Quad({30, 10}, {30, 110}, {10, 110}, {10, 10});
  const DetBox grownTurned = ExpandBox(turned, 0.25f, 0.0f);
  ExpectPoint(grownTurned.points[0], 35, 10);
  ExpectPoint(grownTurned.points[2], 5, 110);
}

TEST(ExpandBoxTest, ZeroMarginsAndDegenerateBoxesStayAsTheyAre) {
  const DetBox box = Quad({10.3f, 10.7f}, {210.1f, 12.2f}, {209.9f, 40.4f}, {10.2f, 39.9f});
  const DetBox same = ExpandBox(box, 0.0f, 0.0f);
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(same.points[k].x, box.points[k].x);
    EXPECT_EQ(same.points[k].y, box.points[k].y);
  }
  const DetBox point = Quad({5, 5}, {5, 5}, {5, 5}, {5, 5});
  for (const Point2f& p : ExpandBox(point, 0.5f, 0.5f).points) ExpectPoint(p, 5, 5);
}

}  // namespace
}  // namespace vesk
