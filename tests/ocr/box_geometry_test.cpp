#include "ocr/box_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace vesk {
namespace {

struct Mask {
  int32_t width;
  int32_t height;
  std::vector<uint8_t> bytes;

  Mask(int32_t w, int32_t h) : width(w), height(h), bytes(static_cast<size_t>(w) * h, 0) {}
  void Fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {  // inclusive
    for (int32_t y = y0; y <= y1; ++y)
      for (int32_t x = x0; x <= x1; ++x) bytes[static_cast<size_t>(y) * width + x] = 255;
  }
  std::vector<TextRegion> Regions() const { return ExtractRegions(bytes.data(), width, height); }
};

void ExpectPoint(const Point2f& p, float x, float y) {
  EXPECT_NEAR(p.x, x, 1e-3) << "x of (" << x << ", " << y << ")";
  EXPECT_NEAR(p.y, y, 1e-3) << "y of (" << x << ", " << y << ")";
}

TEST(BoxGeometryTest, SolidBlockGivesItsOuterRingAndTheEnlargedRectangle) {
  Mask mask(130, 60);
  mask.Fill(10, 20, 109, 39);
  const std::vector<TextRegion> regions = mask.Regions();
  ASSERT_EQ(regions.size(), 1u);
  const std::vector<Point2f>& ring = regions[0].boundary;
  EXPECT_EQ(ring.size(), 2u * 100 + 2u * 18);
  for (const Point2f& p : ring) {
    EXPECT_TRUE(p.x == 10 || p.x == 109 || p.y == 20 || p.y == 39) << p.x << "," << p.y;
  }

  const auto box = FitBox(ring, 1.5f);
  ASSERT_TRUE(box.has_value());
  ExpectPoint((*box)[0], -1.9555f, 8.0445f);
  ExpectPoint((*box)[1], 120.9555f, 8.0445f);
  ExpectPoint((*box)[2], 120.9555f, 50.9555f);
  ExpectPoint((*box)[3], -1.9555f, 50.9555f);
}

TEST(BoxGeometryTest, TwoByTwoRegionIsEnlargedByAreaTimesRatioOverPerimeter) {
  Mask mask(6, 6);
  mask.Fill(2, 3, 3, 4);
  const std::vector<TextRegion> regions = mask.Regions();
  ASSERT_EQ(regions.size(), 1u);
  ASSERT_EQ(regions[0].boundary.size(), 4u);
  const auto box = FitBox(regions[0].boundary, 1.5f);
  ASSERT_TRUE(box.has_value());
  ExpectPoint((*box)[0], 1.625f, 2.625f);
  ExpectPoint((*box)[1], 3.375f, 2.625f);
  ExpectPoint((*box)[2], 3.375f, 4.375f);
  ExpectPoint((*box)[3], 1.625f, 4.375f);
}

TEST(BoxGeometryTest, DegenerateInputsGiveNoBox) {
  Mask row(20, 5);
  row.Fill(2, 2, 17, 2);
  Mask column(5, 20);
  column.Fill(2, 2, 2, 17);
  for (const Mask* mask : {&row, &column}) {
    const std::vector<TextRegion> regions = mask->Regions();
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].boundary.size(), 16u);
    EXPECT_FALSE(FitBox(regions[0].boundary, 1.5f).has_value());
  }
  EXPECT_FALSE(FitBox({}, 1.5f).has_value());
  EXPECT_FALSE(FitBox({{0, 0}, {5, 5}}, 1.5f).has_value());
}

TEST(BoxGeometryTest, OnlyFourNeighboursConnectAndOnly255IsText) {
  Mask mask(8, 8);
  mask.Fill(1, 1, 2, 2);
  mask.Fill(3, 3, 4, 4);  // touches the first block only at a corner
  mask.bytes[7 * 8 + 7] = 254;
  const std::vector<TextRegion> regions = mask.Regions();
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0].boundary[0].x, 1);
  EXPECT_EQ(regions[0].boundary[0].y, 1);
  EXPECT_EQ(regions[1].boundary[0].x, 3);
  EXPECT_EQ(regions[1].boundary[0].y, 3);

  Mask empty(4, 4);
  EXPECT_TRUE(empty.Regions().empty());
}

TEST(BoxGeometryTest, RegionsComeInOrderOfTheirTopMostThenLeftMostPixel) {
  Mask mask(10, 10);
  mask.Fill(6, 1, 8, 5);  // top-most row 1
  mask.Fill(0, 2, 3, 3);  // starts further left but lower
  mask.Fill(2, 6, 3, 6);
  mask.Fill(0, 6, 0, 6);
  const std::vector<TextRegion> regions = mask.Regions();
  ASSERT_EQ(regions.size(), 4u);
  const float seeds[4][2] = {{6, 1}, {0, 2}, {0, 6}, {2, 6}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(regions[i].boundary[0].x, seeds[i][0]) << i;
    EXPECT_EQ(regions[i].boundary[0].y, seeds[i][1]) << i;
  }
}

TEST(BoxGeometryTest, PixelsOnTheGridEdgeAreBoundaryEvenWithTextAround) {
  Mask mask(3, 3);
  mask.Fill(0, 0, 2, 2);
  const std::vector<TextRegion> regions = mask.Regions();
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0].boundary.size(), 8u);  // all but the centre
  for (const Point2f& p : regions[0].boundary) EXPECT_FALSE(p.x == 1 && p.y == 1);
}

TEST(BoxGeometryTest, BoundaryFollowsBreadthFirstOrderWithNeighbourTieBreak) {
  Mask mask(5, 5);
  mask.Fill(1, 1, 3, 3);
  const std::vector<TextRegion> regions = mask.Regions();
  ASSERT_EQ(regions.size(), 1u);
  const float expected[8][2] = {{1, 1}, {2, 1}, {1, 2}, {3, 1}, {1, 3}, {3, 2}, {2, 3}, {3, 3}};
  ASSERT_EQ(regions[0].boundary.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(regions[0].boundary[i].x, expected[i][0]) << i;
    EXPECT_EQ(regions[0].boundary[i].y, expected[i][1]) << i;
  }
}

// The pixels of a 200 x 200 mask whose offset from its centre `inside` takes.
template <typename Inside>
Mask Shape(Inside inside) {
  Mask mask(200, 200);
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 200; ++x)
      if (inside(static_cast<float>(x) - 100.0f, static_cast<float>(y) - 100.0f)) mask.bytes[y * 200 + x] = 255;
  return mask;
}

// A bar 2 * halfLength long and 2 * halfWidth wide, rising by `degrees` to the right.
Mask TurnedBar(float halfLength, float halfWidth, float degrees) {
  const float c = std::cos(degrees * 3.1415927f / 180.0f), s = std::sin(degrees * 3.1415927f / 180.0f);
  return Shape([=](float dx, float dy) {
    return std::fabs(dx * c - dy * s) <= halfLength && std::fabs(dx * s + dy * c) <= halfWidth;
  });
}

RectangleSweep SweepOf(const Mask& mask) {
  RectangleSweep sweep;
  for (const TextRegion& region : mask.Regions())
    for (const Point2f& p : region.boundary) sweep.Add(p);
  return sweep;
}

// The tightest fit turns a short word's region by a degree or two and a round glyph's by up to 45
// degrees; with an upright slack both are fitted upright (a line turned by 10 stays turned, below).
TEST(BoxGeometryTest, UprightSlackKeepsShortRegionsUpright) {
  for (const Mask& mask : {TurnedBar(20, 6, 2), Shape([](float dx, float dy) { return dx * dx + dy * dy <= 64; })}) {
    const RectangleSweep sweep = SweepOf(mask);
    EXPECT_EQ((*sweep.Fit(1.5f, 0.2f))[0].y, (*sweep.Fit(1.5f, 0.2f))[1].y);
  }
}

TEST(BoxGeometryTest, RotatedBlockGivesRotatedBoxWithCornersInReadingOrder) {
  // An 80 x 20 bar rising by 10 degrees to the right, centred at (100, 100).
  const Mask mask = TurnedBar(40, 10, 10);
  EXPECT_NE((*SweepOf(mask).Fit(1.5f, 0.2f))[0].y, (*SweepOf(mask).Fit(1.5f, 0.2f))[1].y);
  const std::vector<TextRegion> regions = mask.Regions();
  ASSERT_EQ(regions.size(), 1u);
  const auto box = FitBox(regions[0].boundary, 1.5f);
  ASSERT_TRUE(box.has_value());
  const Point2f& tl = (*box)[0];
  const Point2f& tr = (*box)[1];
  const Point2f& br = (*box)[2];
  const Point2f& bl = (*box)[3];
  EXPECT_LT(tl.x, tr.x);
  EXPECT_LT(bl.x, br.x);
  EXPECT_LT(tl.y, bl.y);
  EXPECT_LT(tr.y, br.y);
  // Top edge rises by about 10 degrees; the rectangle keeps right angles.
  const float topAngle = std::atan2(tl.y - tr.y, tr.x - tl.x) * 180.0f / 3.1415927f;
  EXPECT_NEAR(topAngle, 10.0f, 1.5f);
  const float dot = (tr.x - tl.x) * (bl.x - tl.x) + (tr.y - tl.y) * (bl.y - tl.y);
  EXPECT_NEAR(dot, 0.0f, 1e-1f);
  // Enlarged past every boundary pixel.
  EXPECT_GT(std::hypot(tr.x - tl.x, tr.y - tl.y), 80.0f);
  EXPECT_GT(std::hypot(bl.x - tl.x, bl.y - tl.y), 20.0f);
}

}  // namespace
}  // namespace vesk
