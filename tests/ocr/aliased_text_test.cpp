#include "ocr/aliased_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ocr/cell_grid.h"
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

// Three lines of letters 11 rows high (ascenders from row 0, the x-height from row 3, the baseline at
// row 8, descenders to row 10) with `blank` rows between them, in letters of the given widths (each
// followed by a blank column, or, with `cell`, each at the start of a cell of that width), the
// first and last line at the picture's edges, as in a region cut around the middle line; the middle
// line's box reaches three rows into each neighbour, as the detector's box of small aliased text does.
struct ThreeLines {
  DecodedImage picture;
  DetBox box;
  int32_t middleTop = 0;  // the middle line's first row of ink
};

ThreeLines Lines(int32_t blank, const std::vector<int32_t>& widths, int32_t cell = 0) {
  constexpr int32_t kInk = 11;
  const auto advance = [cell](int32_t w) { return cell > 0 ? cell : w + 1; };
  int32_t width = 6;
  for (int32_t w : widths) width += advance(w);
  const int32_t height = 3 * kInk + 2 * blank;
  std::vector<std::string> rows(static_cast<size_t>(height), std::string(static_cast<size_t>(width), '.'));
  for (int32_t line = 0; line < 3; ++line) {
    const int32_t top = line * (kInk + blank);
    int32_t x = 3;
    for (size_t i = 0; i < widths.size(); ++i) {
      const int32_t w = widths[i];
      // Every letter fills the x-height; every third has an ascender, every fifth a descender.
      const int32_t from = i % 3 == 0 ? 0 : 3;
      const int32_t to = i % 5 == 0 ? kInk : 9;
      for (int32_t y = top + from; y < top + to; ++y) {
        for (int32_t c = x; c < x + w; ++c) rows[static_cast<size_t>(y)][static_cast<size_t>(c)] = '#';
      }
      x += advance(w);
    }
  }
  ThreeLines lines;
  lines.picture = Draw(rows);
  lines.middleTop = kInk + blank;
  lines.box = Box(2.5f, static_cast<float>(lines.middleTop - 3) - 0.4f, static_cast<float>(width) - 2.5f,
                  static_cast<float>(lines.middleTop + kInk + 3) + 0.4f);
  return lines;
}

// The box's corners as x, y pairs, rounded to a thousandth of a pixel, for comparing whole boxes.
std::vector<std::array<long, 2>> Corners(const DetBox& box) {
  std::vector<std::array<long, 2>> corners;
  for (const Point2f& p : box.points) corners.push_back({std::lround(p.x * 1000.0f), std::lround(p.y * 1000.0f)});
  return corners;
}

std::vector<int32_t> Proportional(size_t letters) {
  // Widths of 1 to 6 columns from the digits of pi: a row that repeats itself would fit a comb of its
  // period.
  const std::string pi = "3141592653589793238462643383279502884197169399375105820974944592307816406286";
  std::vector<int32_t> out;
  for (size_t i = 0; i < letters; ++i) out.push_back((pi[i % pi.size()] - '0') % 6 + 1);
  return out;
}

TEST(FindOwnRowsTest, TheLinesInkBetweenTheBlankRowsThatPartItFromItsNeighbours) {
  const ThreeLines apart = Lines(2, Proportional(20));
  const DetBox& box = apart.box;
  const int32_t right = static_cast<int32_t>(box.points[1].x);
  RowSpan rows;
  ASSERT_TRUE(FindOwnRows(apart.picture, 2, right, box.points[0].y, box.points[3].y - box.points[0].y, rows));
  EXPECT_EQ(rows.top, apart.middleTop);
  EXPECT_EQ(rows.bottom, apart.middleTop + 11);

  // One blank row parts nothing: the dot of an i stands so far from its stem.
  const ThreeLines close = Lines(1, Proportional(20));
  EXPECT_FALSE(FindOwnRows(close.picture, 2, right, close.box.points[0].y, 17.8f, rows));

  // A frame beside the text, through every row, does not join the lines.
  DecodedImage withFrame = apart.picture;
  for (int32_t y = 0; y < withFrame.height; ++y) {
    for (size_t k = 0; k < 3; ++k) withFrame.pixels[(static_cast<size_t>(y) * withFrame.width + 1) * 3 + k] = 0;
  }
  ASSERT_TRUE(FindOwnRows(withFrame, 0, right, box.points[0].y, box.points[3].y - box.points[0].y, rows));
  EXPECT_EQ(rows.top, apart.middleTop);
  EXPECT_EQ(rows.bottom, apart.middleTop + 11);

  // No ink near the box's middle (only the first line left), or ink up to the picture's edge without a
  // parting.
  DecodedImage firstLineOnly = apart.picture;
  std::fill(firstLineOnly.pixels.begin() + static_cast<ptrdiff_t>(11 * firstLineOnly.width * 3),
            firstLineOnly.pixels.end(), uint8_t{255});
  EXPECT_FALSE(FindOwnRows(firstLineOnly, 2, right, box.points[0].y, 17.8f, rows));
  EXPECT_FALSE(FindOwnRows(apart.picture, 2, right, -3.4f, 17.8f, rows));
}

TEST(FitToOwnRowsTest, OnlyALongLineOfAProportionalFontPartedFromItsNeighbours) {
  const ThreeLines lines = Lines(2, Proportional(40));
  const DetBox grown = ExpandBox(lines.box, 0.15f, 0.1f);
  const float height = lines.box.points[3].y - lines.box.points[0].y;
  DetBox cut = grown;
  ASSERT_TRUE(FitToOwnRows(lines.picture, lines.box, 0.15f, cut));
  // Its own 11 rows with 0.15 of the box's height above and below; the sides as grown.
  DetBox expected = grown;
  for (size_t k = 0; k < 4; ++k) {
    expected.points[k].y = k < 2 ? static_cast<float>(lines.middleTop) - 0.15f * height
                                 : static_cast<float>(lines.middleTop + 11) + 0.15f * height;
  }
  EXPECT_EQ(Corners(cut), Corners(expected));

  struct Case {
    const char* what;
    ThreeLines lines;
  };
  for (const Case& c : {Case{"monospace cells", Lines(2, Proportional(40), 7)},
                        Case{"too short to tell the font", Lines(2, Proportional(12))},
                        Case{"not parted from its neighbours", Lines(1, Proportional(40))}}) {
    DetBox unchanged = ExpandBox(c.lines.box, 0.15f, 0.1f);
    const DetBox before = unchanged;
    EXPECT_FALSE(FitToOwnRows(c.lines.picture, c.lines.box, 0.15f, unchanged)) << c.what;
    EXPECT_EQ(Corners(unchanged), Corners(before)) << c.what;
  }
  // A box under 8 pixels is a piece of a line or a mark.
  const DetBox low = Box(2.5f, static_cast<float>(lines.middleTop + 2), lines.box.points[1].x,
                         static_cast<float>(lines.middleTop + 9));
  DetBox lowCut = ExpandBox(low, 0.15f, 0.1f);
  EXPECT_FALSE(FitToOwnRows(lines.picture, low, 0.15f, lowCut));
}

// ProportionalRow (cell_grid.h), which tells the font for FitToOwnRows.

// The inked columns of a row of letters: each letter `widths[i]` columns of ink followed by one blank
// column, from column 3 on, three blank columns after the last.
std::vector<bool> Letters(const std::vector<int32_t>& widths) {
  std::vector<bool> inked(3, false);
  for (int32_t width : widths) {
    inked.insert(inked.end(), static_cast<size_t>(width), true);
    inked.push_back(false);
  }
  inked.insert(inked.end(), 3, false);
  return inked;
}

// A line of a terminal between two others, rows 2 apart: the box (rows 4 to 16) and its cut (rows 2 to
// 18) take in the feet of the line above, cut through at the cut's top, and a dot of the line below; a
// colon of the line's own, an i's dot above the box two blank rows from its stem, a descender and a
// frame's rule across the cut stay.
TEST(ClearNeighbourInkTest, PaintsOverOnlyTheNeighbouringLinesPieces) {
  std::vector<std::string> rows(22, std::string(40, '.'));
  for (int y = 0; y <= 3; ++y) rows[y].replace(3, 3, "#.#");  // feet of the line above, rows 0 to 3
  rows[17][20] = '#';                                        // a dot of the line below
  for (int y = 5; y <= 14; ++y) rows[y][8] = '#';            // a stem
  rows[7][12] = rows[12][12] = '#';                          // a colon
  for (int y = 6; y <= 17; ++y) rows[y][16] = '#';           // a descender down to the cut's bottom
  rows[2].replace(24, 14, std::string(14, '#'));             // a rule wider than the box is high
  rows[2][20] = '#';                                         // an i's dot above the box, two rows off
  for (int y = 5; y <= 14; ++y) rows[y][20] = '#';
  DecodedImage picture = Draw(rows);
  const DetBox box = Box(1.0f, 4.0f, 39.0f, 16.0f);
  const DetBox cut = Box(1.0f, 2.0f, 39.0f, 18.0f);
  EXPECT_EQ(ClearNeighbourInk(picture, box, cut), 3);  // the two feet and the dot
  const auto inked = [&](int x, int y) { return picture.pixels[(static_cast<size_t>(y) * 40 + x) * 3] == 0; };
  EXPECT_FALSE(inked(3, 2));
  EXPECT_FALSE(inked(5, 3));
  EXPECT_FALSE(inked(20, 17));
  EXPECT_TRUE(inked(3, 1));  // outside the cut
  EXPECT_TRUE(inked(8, 5) && inked(12, 7) && inked(12, 12) && inked(16, 17) && inked(30, 2) && inked(20, 2));
}

// A monospace font puts every letter in a cell of one width (here 7: up to 6 columns of ink and a blank
// one); a proportional font gives each letter its own width.
TEST(ProportionalRowTest, TellsAProportionalFontFromCellsOnALongEnoughRow) {
  const float height = 14.0f;  // cells of 7 are half the height
  const std::vector<int32_t> cells(30, 6);
  const std::vector<int32_t> letters = Proportional(30);
  EXPECT_FALSE(ProportionalRow(Letters(cells), height));
  EXPECT_TRUE(ProportionalRow(Letters(letters), height));

  // Narrow glyphs of a monospace font leave most of their cell blank: still cells.
  std::vector<bool> narrow = Letters(cells);
  for (size_t x = 5; x < narrow.size(); x += 14) narrow[x] = narrow[x + 1] = narrow[x + 2] = false;
  EXPECT_FALSE(ProportionalRow(narrow, height));

  // Too short to tell: fewer than ten cells of the widest comb tried (0.75 of the height).
  const std::vector<int32_t> shortLetters(letters.begin(), letters.begin() + 12);
  EXPECT_FALSE(ProportionalRow(Letters(shortLetters), height));
  // No ink, or no height.
  EXPECT_FALSE(ProportionalRow(std::vector<bool>(200, false), height));
  EXPECT_FALSE(ProportionalRow(Letters(letters), 0.0f));
}

}  // namespace
}  // namespace vesk
