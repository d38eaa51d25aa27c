#include "ocr/box_splits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "named_boxes.h"

namespace vesk {
namespace {

using test::Box;

// A white screen; 20 px boxes on rows 100 to 120 hold letters 10 px high (rows 105 to 114).
struct Screen {
  DecodedImage image{400, 200, std::vector<uint8_t>(400 * 200 * 3, 255)};

  void Ink(int32_t x0, int32_t x1, int32_t y0, int32_t y1, std::array<uint8_t, 3> rgb = {0, 0, 0}) {
    for (int32_t y = y0; y < y1; ++y) {
      for (int32_t x = x0; x < x1; ++x) std::copy(rgb.begin(), rgb.end(), &image.pixels[(y * 400 + x) * 3]);
    }
  }
  // Glyphs `width` wide, one every `pitch` columns from x, as a word of `count` letters.
  int32_t Word(int32_t x, int32_t count, int32_t pitch = 7, int32_t width = 5) {
    for (int32_t i = 0; i < count; ++i) Ink(x + i * pitch, x + i * pitch + width, 105, 115);
    return x + count * pitch;
  }
};

std::vector<std::array<float, 2>> Spans(const std::vector<DetBox>& boxes) {
  std::vector<std::array<float, 2>> spans;
  for (const DetBox& b : boxes) spans.push_back({b.points[0].x, b.points[2].x});
  return spans;
}

// Words of a proportional font: word spaces stay, a blank of 2 letter heights parts the box into
// pieces that keep the room beside the letters, the box's height and score; a frame's edge that the
// box reaches into does not hide the blank. A full stop before a space, or coloured letters of little
// luma, are no wider blank.
TEST(SplitAtWideBlanksTest, PartsFieldsAtWideBlanksOnly) {
  Screen s;
  int32_t x = s.Word(14, 4);  // "File": ink on x 14 .. 40
  x = s.Word(x + 18, 4);      // "Edit" 20 blank columns on: 60 .. 86
  s.Word(x + 6, 3);           // a word space on: 94 .. 113
  s.Ink(5, 130, 117, 118);    // a frame's edge through the box's lower rows
  const std::vector<DetBox> out = SplitAtWideBlanks({Box(10, 100, 120, 120, 0.7f)}, 1.2f, s.image);
  ASSERT_EQ(Spans(out), (std::vector<std::array<float, 2>>{{10, 47}, {56, 120}}));
  EXPECT_EQ(out[1].points[0].y, 100.0f);
  EXPECT_EQ(out[1].points[2].y, 120.0f);
  EXPECT_EQ(out[1].score, 0.7f);

  Screen stop;
  x = stop.Word(14, 5);
  stop.Ink(x, x + 2, 112, 115);  // "." two columns wide, then 13 blank columns: 1.3 letter heights
  stop.Word(x + 2 + 13, 5);
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 120, 120, 0.7f)}, 1.2f, stop.image).size(), 1u);
  // The items of a bar part at narrower blanks when there are three of them: 12 columns, one letter
  // height (letters count as 0.6 box heights at least), between words drawn as one run of ink each
  // (no monospace cells), beside a box that has one such blank only.
  Screen bar;
  for (int32_t i = 0; i < 4; ++i) bar.Ink(14 + 27 * i, 29 + 27 * i, 105, 115);
  for (int32_t i = 0; i < 2; ++i) bar.Ink(14 + 27 * i, 29 + 27 * i, 140, 150);
  const std::vector<DetBox> items =
      SplitAtWideBlanks({Box(10, 100, 130, 120, 0.7f), Box(10, 135, 130, 155, 0.7f)}, 1.2f, bar.image);
  EXPECT_EQ(items.size(), 5u);
  // Off, and boxes that are turned, stay as they are.
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 120, 120, 0.7f)}, 0.0f, s.image).size(), 1u);
  DetBox turned = Box(10, 100, 120, 120, 0.7f);
  turned.points[1].y = 90.0f;
  EXPECT_EQ(SplitAtWideBlanks({turned}, 1.2f, s.image).size(), 1u);
  // Dark red letters on black, as a terminal colours a name, have little luma but are no blank.
  Screen dark;
  std::fill(dark.image.pixels.begin(), dark.image.pixels.end(), uint8_t{0});
  dark.Ink(14, 40, 105, 115, {230, 230, 230});
  dark.Ink(44, 90, 105, 115, {170, 0, 0});
  dark.Ink(94, 120, 105, 115, {230, 230, 230});
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 124, 120, 0.7f)}, 1.2f, dark.image).size(), 1u);
}

// An edit box's edge between a label and its value parts them however close they stand; a letter's
// stroke or a "|" between words (inside the box, or among wide glyphs), and an edge at the box's end,
// part nothing.
TEST(SplitAtWideBlanksTest, PartsAtAFrameEdgeBetweenLetters) {
  Screen s;
  const int32_t x = s.Word(14, 2);           // "x:" on 14 .. 26, then 4 blank columns
  s.Ink(x + 4, x + 5, 98, 122, {174, 174, 174});  // the edit box's side, its bottom edge leaving it
  s.Ink(x + 4, x + 40, 121, 122, {174, 174, 174});
  s.Word(x + 9, 3);                           // "600"
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 60, 120, 0.7f)}, 1.2f, s.image).size(), 2u);
  Screen stroke;
  stroke.Word(14, 2);
  stroke.Ink(32, 33, 99, 121);  // a "|" as long as a frame's side, ending in blank
  stroke.Word(37, 3);
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 60, 120, 0.7f)}, 1.2f, stroke.image).size(), 1u);
  // A Chinese character's stroke that reaches past a tight box is no frame: its line has wide glyphs.
  Screen chinese;
  chinese.Word(14, 2, 18, 16);
  chinese.Ink(52, 53, 95, 125);
  chinese.Word(57, 2, 18, 16);
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 100, 120, 0.7f)}, 1.2f, chinese.image).size(), 1u);
  Screen end;
  end.Ink(11, 12, 95, 125, {174, 174, 174});
  end.Word(14, 5);
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 60, 120, 0.7f)}, 1.2f, end.image).size(), 1u);
}

// In a monospace row a single blank cell stays even where it is wider than the blank asked for; two
// part the fields.
TEST(SplitAtWideBlanksTest, MonospaceRowsPartAtTwoBlankCells) {
  Screen s;
  int32_t x = s.Word(12, 8, 14, 12);  // cells of 14 px (0.7 box heights), glyphs of 12: one blank cell
  x = s.Word(x + 14, 8, 14, 12);      // leaves 16 blank columns, 1.6 letter heights; two leave 30
  s.Word(x + 28, 8, 14, 12);
  const std::vector<DetBox> out = SplitAtWideBlanks({Box(10, 100, 390, 120, 0.7f)}, 1.2f, s.image);
  EXPECT_EQ(Spans(out), (std::vector<std::array<float, 2>>{{10, 250}, {276, 390}}));

  // A short line of the same font, nine letters and three blank cells ("Edit > Go To"), is no bar of
  // items parted at each blank.
  Screen line;
  x = line.Word(12, 4, 14, 12);
  x = line.Word(x + 14, 1, 14, 12);
  x = line.Word(x + 14, 2, 14, 12);
  line.Word(x + 14, 2, 14, 12);
  EXPECT_EQ(SplitAtWideBlanks({Box(10, 100, 180, 120, 0.7f)}, 1.2f, line.image).size(), 1u);
}

// A list's cell that runs close to the next column: the blank before the column, twice the row's word
// space, parts the row where the column's cells in the rows below begin, each after a cell of its own
// row. A list's left margin (no box before it) is no column, nor is the blank a word space as wide as
// the others.
TEST(SplitAtWideBlanksTest, PartsAtAColumnOfTheRowsAround) {
  // A row drawn in letters of a proportional font (widths and the room between them vary): two words a
  // word space apart, then the next column's cell `blank` columns on; the cells below begin at `shift`
  // from where that cell's piece would begin, each after a box of its own row (unless `margin`).
  const auto pieces = [](int32_t blank, float shift, int32_t columnBoxes, bool margin = false) {
    Screen s;
    const auto word = [&](int32_t x, std::initializer_list<int32_t> widths) {
      for (const int32_t w : widths) {
        s.Ink(x, x + w, 105, 115);
        x += w + 1 + w % 2;
      }
      return x;
    };
    int32_t x = word(14, {5, 3, 6, 4});
    x = word(x + 5, {6, 3, 5}) + blank;
    word(x, {4, 6, 3, 5});
    const float column = static_cast<float>(x - 4) + shift;  // the room left beside the first letter
    std::vector<DetBox> boxes{Box(10, 100, static_cast<float>(x + 30), 120, 0.7f)};
    for (const float y : {125.0f, 150.0f}) {
      if (!margin) boxes.push_back(Box(10, y, 50, y + 20, 0.5f));
      boxes.push_back(Box(column, y, column + 40, y + 20, 0.5f));
    }
    return SplitAtWideBlanks(boxes, 1.2f, s.image, columnBoxes).size() - (boxes.size() - 1);
  };
  EXPECT_EQ(pieces(11, 1.0f, 2), 2u);
  EXPECT_EQ(pieces(11, 1.0f, 0), 1u);
  EXPECT_EQ(pieces(11, 1.0f, 3), 1u);
  EXPECT_EQ(pieces(11, 8.0f, 2), 1u);
  EXPECT_EQ(pieces(11, 1.0f, 2, true), 1u);
  EXPECT_EQ(pieces(5, 1.0f, 2), 1u);
}

}  // namespace
}  // namespace vesk
