#include "ocr/ink_gaps.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace vesk {
namespace {

// A crop of a terminal line in 7-pixel cells, 26 rows high with 3 rows of room above and below (margin
// share 0.15 of a 20-row line), light ink on a dark ground. A cell holds a glyph of the given ink width,
// centred, or nothing for a space. The rows of the room hold a neighbour's ink across every cell.
DecodedImage TerminalLine(const std::vector<int32_t>& inkWidths) {
  constexpr int32_t kCell = 7;
  DecodedImage crop;
  crop.width = kCell * static_cast<int32_t>(inkWidths.size());
  crop.height = 26;
  crop.pixels.assign(static_cast<size_t>(crop.width) * crop.height * 3, 30);
  const auto paint = [&](int32_t x, int32_t y) {
    for (size_t c = 0; c < 3; ++c) crop.pixels[(static_cast<size_t>(y) * crop.width + x) * 3 + c] = 220;
  };
  for (size_t cell = 0; cell < inkWidths.size(); ++cell) {
    const int32_t left = static_cast<int32_t>(cell) * kCell + (kCell - inkWidths[cell]) / 2;
    for (int32_t x = left; x < left + inkWidths[cell]; ++x) {
      for (int32_t y = 6; y < 20; ++y) paint(x, y);
    }
  }
  for (int32_t x = 0; x < crop.width; ++x) {
    paint(x, 0);
    paint(x, 25);
  }
  return crop;
}

TEST(WordGapsTest, AnEmptyCellIsAGapANarrowGlyphsBlankIsNotNorANeighboursInk) {
  // "ab.c de": wide glyphs, a period one column wide, a space cell. One step stands for 3.5 columns, a
  // cell for two steps; a character sits at the step of its cell's middle.
  const DecodedImage crop = TerminalLine({5, 5, 1, 5, 0, 5, 5});
  const WordGaps gaps(crop, 0.15f, 3.5, 0.9f);
  const auto step = [](int32_t cell) { return static_cast<int64_t>(cell) * 2; };
  EXPECT_FALSE(gaps(step(0), step(1), 2.0));  // two glyphs side by side
  EXPECT_FALSE(gaps(step(1), step(3), 2.0));  // across the period, which splits its blank
  EXPECT_TRUE(gaps(step(3), step(5), 2.0));   // across the space cell
  // A line whose characters stand further apart needs a wider blank.
  EXPECT_FALSE(gaps(step(3), step(5), 3.0));
  // A crop without its pixels shows nothing, gaps neither.
  DecodedImage empty = crop;
  empty.pixels.clear();
  EXPECT_FALSE(WordGaps(empty, 0.15f, 3.5, 0.9f)(step(3), step(5), 2.0));
}

// "1?6": two digits in 8-pixel cells, rows 6 to 19 (the baseline), about a mark in the middle cell
// drawn from `rows` (row number, first and last column of its ink), in a 20-row line cut with 3 rows of
// room above and below; light ink on a dark ground.
DecodedImage MarkBetweenDigits(const std::vector<std::array<int32_t, 3>>& rows) {
  DecodedImage crop;
  crop.width = 24;
  crop.height = 26;
  crop.pixels.assign(static_cast<size_t>(crop.width) * crop.height * 3, 30);
  const auto paint = [&](int32_t x, int32_t y) {
    for (size_t c = 0; c < 3; ++c) crop.pixels[(static_cast<size_t>(y) * crop.width + x) * 3 + c] = 220;
  };
  for (int32_t y = 6; y <= 19; ++y) {
    for (int32_t x = 1; x <= 5; ++x) {
      paint(x, y);
      paint(x + 16, y);
    }
  }
  for (const auto& [y, first, last] : rows) {
    for (int32_t x = first; x <= last; ++x) paint(x, y);
  }
  return crop;
}

TEST(WordGapsTest, APointIsACrossOnTheBaselineACommaIsNot) {
  // A step stands for 4 columns: the digits' steps are 0 and 4, the mark's 2.
  const auto point = [](const std::vector<std::array<int32_t, 3>>& rows) {
    const DecodedImage crop = MarkBetweenDigits(rows);
    return WordGaps(crop, 0.15f, 4.0, 0.9f).Point(0, 2, 4);
  };
  // A bitmap font's point: one pixel above and below a row of three across the baseline.
  EXPECT_TRUE(point({{18, 11, 11}, {19, 10, 12}, {20, 11, 11}}));
  // Commas: a head as wide as anything under it; a tail two rows under the baseline; a tail down to
  // the left.
  EXPECT_FALSE(point({{18, 10, 12}, {19, 10, 12}, {20, 10, 11}}));
  EXPECT_FALSE(point({{18, 11, 11}, {19, 10, 12}, {20, 11, 11}, {21, 10, 10}}));
  EXPECT_FALSE(point({{17, 12, 12}, {18, 11, 13}, {19, 10, 12}, {20, 10, 10}}));
  // Ink joined to a digit is no mark of its own, nor is one that reaches up to the middle.
  EXPECT_FALSE(point({{18, 7, 11}, {19, 6, 12}, {20, 11, 11}}));
  EXPECT_FALSE(point({{12, 11, 11}, {13, 10, 12}, {14, 11, 11}}));
}

TEST(WordGapsTest, AColonIsTwoDotsAboveAndBelowTheMiddle) {
  const auto colon = [](const std::vector<std::array<int32_t, 3>>& rows, int64_t after = 4) {
    const DecodedImage crop = MarkBetweenDigits(rows);
    return WordGaps(crop, 0.15f, 4.0, 0.9f).Colon(0, 2, after);
  };
  const std::vector<std::array<int32_t, 3>> crosses{{9, 11, 11},  {10, 10, 12}, {11, 11, 11},
                                                    {17, 11, 11}, {18, 10, 12}, {19, 11, 11}};
  EXPECT_TRUE(colon(crosses));
  EXPECT_TRUE(colon(crosses, -1));  // the line's last mark
  // A "t" is one stroke, an "i" a dot over a stroke, an "=" two bars, a period one dot.
  EXPECT_FALSE(colon({{8, 11, 11}, {9, 11, 11}, {10, 10, 12}, {11, 11, 11}, {12, 11, 11}, {13, 11, 11},
                      {14, 11, 11}, {15, 11, 11}, {16, 11, 11}, {17, 11, 11}, {18, 11, 11}, {19, 11, 12}}));
  EXPECT_FALSE(colon({{8, 11, 11}, {11, 11, 11}, {12, 11, 11}, {13, 11, 11}, {14, 11, 11}, {15, 11, 11},
                      {16, 11, 11}, {17, 11, 11}, {18, 11, 11}, {19, 11, 11}}));
  EXPECT_FALSE(colon({{11, 9, 13}, {15, 9, 13}}));
  EXPECT_FALSE(colon({{18, 10, 12}, {19, 10, 12}}));
}

}  // namespace
}  // namespace vesk
