#include "ocr/aliased_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ocr/line_crop.h"

namespace vesk {
namespace {

// A white picture drawn from rows of text: '#' black ink, 'g' a grey between black and white (the rim
// of an anti-aliased stroke), anything else white.
DecodedImage Draw(const std::vector<std::string>& rows) {
  DecodedImage picture;
  picture.width = static_cast<int32_t>(rows.front().size());
  picture.height = static_cast<int32_t>(rows.size());
  picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height * 3, 255);
  for (int32_t y = 0; y < picture.height; ++y) {
    for (int32_t x = 0; x < picture.width; ++x) {
      const char c = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
      const uint8_t value = c == '#' ? 0 : c == 'g' ? 128 : 255;
      for (size_t k = 0; k < 3; ++k) picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 3 + k] = value;
    }
  }
  return picture;
}

// A line 10 rows high from row 0: letters from row 1 down to the baseline at row 7, row 9 below it.
TEST(RemoveAccessKeyUnderlinesTest, OnlyALoneRunUnderALetter) {
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    bool removed;
  };
  const std::string blank(10, '.');
  const std::string stem = ".#.....#..";
  const std::string wide(12, '.');
  const std::string comb = ".#.#.#.#.#.#";
  const std::vector<Case> cases{
      {"access key under F", {blank, ".#####....", ".#........", ".#........", ".####.....", ".#........", ".#........",
                              ".#........", blank, ".#####....", blank}, true},
      {"underscore between letters", {blank, stem, stem, stem, stem, stem, stem, stem, blank, "...####...", blank},
       false},
      {"descender touching its letter", {blank, blank, blank, "..####....", ".#...#....", ".#...#....",
                                         "..####....", ".....#....", ".....#....", "..###.....", blank}, false},
      {"equals sign's lower bar", {blank, blank, blank, blank, blank, blank, blank, ".####.....", blank,
                                   ".####.....", blank}, false},
      {"a link's underline, longer than a letter", {wide, comb, comb, comb, comb, comb, comb, comb, wide,
                                                    "###########.", wide}, false},
  };
  for (const Case& c : cases) {
    DecodedImage picture = Draw(c.rows);
    EXPECT_EQ(RemoveAccessKeyUnderlines(picture, 0.0f, 10.0f), c.removed ? 1 : 0) << c.what;
    // A removed underline's row is background now; everything else is untouched.
    std::vector<std::string> expected = c.rows;
    if (c.removed) expected[9] = blank;
    EXPECT_EQ(picture.pixels, Draw(expected).pixels) << c.what;
  }
}

DetBox Box(float left, float top, float right, float bottom) {
  DetBox box;
  box.points = {Point2f{left, top}, Point2f{right, top}, Point2f{right, bottom}, Point2f{left, bottom}};
  return box;
}

TEST(CutAliasedRegionTest, AliasedTextGivesTheScreenshotsOwnCrop) {
  std::vector<std::string> rows(24, std::string(40, '.'));
  for (int32_t y = 8; y < 16; ++y) {
    for (int32_t x = 10; x < 30; x += 3) rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = '#';
  }
  const DecodedImage image = Draw(rows);
  const DetBox box = Box(8.3f, 6.6f, 31.7f, 17.4f);
  PixelRegion region;
  ASSERT_TRUE(CutAliasedRegion(image, box, 0.15f, 0.1f, 24, region));
  // The crop taken from the region, at the box shifted by the region's place, is the screenshot's.
  DetBox shifted = ExpandBox(box, 0.15f, 0.1f);
  for (Point2f& corner : shifted.points) {
    corner.x -= static_cast<float>(region.left);
    corner.y -= static_cast<float>(region.top);
  }
  DecodedImage fromRegion;
  DecodedImage fromImage;
  ASSERT_TRUE(CropLine(region.picture, shifted, fromRegion));
  ASSERT_TRUE(CropLine(image, ExpandBox(box, 0.15f, 0.1f), fromImage));
  EXPECT_EQ(fromRegion.pixels, fromImage.pixels);

  // Not when the box is too high, tilted, or the key is off.
  EXPECT_FALSE(CutAliasedRegion(image, box, 0.15f, 0.1f, 10, region));
  EXPECT_FALSE(CutAliasedRegion(image, box, 0.15f, 0.1f, 0, region));
  DetBox tilted = box;
  tilted.points[1].y -= 2.0f;
  EXPECT_FALSE(CutAliasedRegion(image, tilted, 0.15f, 0.1f, 24, region));

  // Anti-aliased strokes, a grey rim beside the ink, are not aliased text; a flat grey rule is no rim.
  std::vector<std::string> smooth = rows;
  std::vector<std::string> ruled = rows;
  for (int32_t y = 8; y < 16; ++y) {
    for (int32_t x = 11; x < 30; x += 3) smooth[static_cast<size_t>(y)][static_cast<size_t>(x)] = 'g';
  }
  ruled[17] = std::string(40, 'g');
  EXPECT_FALSE(CutAliasedRegion(Draw(smooth), box, 0.15f, 0.1f, 24, region));
  EXPECT_TRUE(CutAliasedRegion(Draw(ruled), box, 0.15f, 0.1f, 24, region));
}

}  // namespace
}  // namespace vesk
