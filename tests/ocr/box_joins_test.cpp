#include "ocr/box_joins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "named_boxes.h"
#include "ocr/box_measures.h"

namespace vesk {
namespace {

using test::Box;

// A white screen with a black bar of "letters" inside each box, a fifth of its height from its edges
// and `inset` from its ends.
DecodedImage Screen(const std::vector<DetBox>& boxes, float inset = 3.0f) {
  DecodedImage image{400, 200, std::vector<uint8_t>(400 * 200 * 3, 255)};
  for (const DetBox& b : boxes) {
    const float h = b.points[2].y - b.points[0].y;
    for (int y = static_cast<int>(b.points[0].y + h / 5); y < static_cast<int>(b.points[2].y - h / 5); ++y) {
      for (int x = static_cast<int>(b.points[0].x + inset); x < static_cast<int>(b.points[2].x - inset); ++x) {
        for (int c = 0; c < 3; ++c) image.pixels[(static_cast<size_t>(y) * 400 + x) * 3 + c] = 0;
      }
    }
  }
  return image;
}

// Left, top, right and bottom of each box.
std::vector<std::array<float, 4>> Rects(const std::vector<DetBox>& boxes) {
  std::vector<std::array<float, 4>> rects;
  for (const DetBox& b : boxes) rects.push_back({b.points[0].x, b.points[0].y, b.points[2].x, b.points[2].y});
  return rects;
}

// A terminal row split at single spaces joins up to its wide gap; a lone digit boxed lower than the
// words joins them; the row below and the column beyond the wide gap stay apart. The joined box takes
// the first piece's place and scores the width-weighted mean.
TEST(JoinLinePiecesTest, JoinsNarrowGapsOnALineOnly) {
  const std::vector<DetBox> boxes{
      Box(10, 100, 80, 120, 0.8f),    // "-rw-r--r--"
      Box(84, 103, 92, 117, 0.6f),    // "1", lower than the words
      Box(95, 100, 175, 120, 0.8f),   // "alice alice"
      Box(190, 100, 230, 120, 0.8f),  // "4096", 0.75 heights on
      Box(10, 120, 80, 140, 0.8f),    // the next row, touching the first
  };
  const DecodedImage screen = Screen(boxes);
  const std::vector<DetBox> out = JoinLinePieces(boxes, 0.3f, screen);
  EXPECT_EQ(Rects(out), (std::vector<std::array<float, 4>>{{10, 100, 175, 120}, {190, 100, 230, 120}, {10, 120, 80, 140}}));
  EXPECT_NEAR(out[0].score, (0.8f * 70 + 0.6f * 8 + 0.8f * 80) / 158, 1e-5f);
  // A wider gap between boxes lets "4096" through, but not the blank of over a line height before it.
  EXPECT_EQ(JoinLinePieces(boxes, 1.0f, screen).size(), 3u);
  EXPECT_EQ(JoinLinePieces(boxes, 1.0f, Screen(boxes, 0.0f)).size(), 2u);
}

// Dark red letters on a dark terminal have little luma, but they are letters, not a blank between
// pieces: a branch name after a yellow commit hash joins its line.
TEST(JoinLinePiecesTest, ColouredLettersOnDarkAreNoBlank) {
  DecodedImage image{400, 200, std::vector<uint8_t>(400 * 200 * 3, 28)};
  const auto ink = [&](int x0, int x1, std::array<uint8_t, 3> rgb) {
    for (int y = 104; y < 116; ++y) {
      for (int x = x0; x < x1; ++x) std::copy(rgb.begin(), rgb.end(), &image.pixels[(static_cast<size_t>(y) * 400 + x) * 3]);
    }
  };
  ink(13, 57, {205, 205, 0});
  ink(67, 157, {205, 0, 0});
  const std::vector<DetBox> boxes{Box(10, 100, 60, 120, 0.8f), Box(64, 102, 160, 118, 0.8f)};
  EXPECT_EQ(Rects(JoinLinePieces(boxes, 0.3f, image)), (std::vector<std::array<float, 4>>{{10, 100, 160, 120}}));
}

// Boxes that are not pieces of one line are kept as they are, in their order.
TEST(JoinLinePiecesTest, KeepsWhatIsNotOneLine) {
  const std::vector<std::vector<DetBox>> cases{
      {Box(0, 0, 100, 20, 1), Box(60, 2, 160, 22, 2)},    // overlapping by 2 heights: two boxes on top of each other
      {Box(0, 0, 100, 20, 1), Box(102, 0, 140, 60, 2)},   // three times as tall
      {Box(0, 0, 100, 20, 1), Box(102, 12, 200, 32, 2)},  // shifted by more than a third of a line
      {Box(0, 0, 100, 20, 1), Box(102, 0, 200, 20, 2)},   // joins only when asked to
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const float gap = i + 1 == cases.size() ? 0.0f : 0.5f;
    EXPECT_EQ(test::Ids(JoinLinePieces(cases[i], gap, Screen(cases[i]))), test::Ids(cases[i]));
  }
  DetBox tilted = Box(102, 0, 200, 20, 2);
  tilted.points[1].y += 10;
  tilted.points[2].y += 10;
  EXPECT_EQ(JoinLinePieces({Box(0, 0, 100, 20, 1), tilted}, 0.5f, Screen({})).size(), 2u);

  // Boxes that touch but whose letters stand more than a line height apart: items of a bar.
  const std::vector<DetBox> bar{Box(0, 0, 100, 20, 1), Box(100, 0, 200, 20, 2)};
  EXPECT_EQ(JoinLinePieces(bar, 0.3f, Screen(bar, 11.0f)).size(), 2u);
  EXPECT_EQ(JoinLinePieces(bar, 0.3f, Screen(bar, 9.0f)).size(), 1u);
}

// Two words of twelve letters on a white row, `blankCells` cells of 8 pixels apart, each letter
// advancing by the next of `advances` and inked but for a column on either side, in boxes around them.
std::pair<DecodedImage, std::vector<DetBox>> Words(int blankCells, const std::vector<int>& advances) {
  std::pair<DecodedImage, std::vector<DetBox>> row{{400, 60, std::vector<uint8_t>(400 * 60 * 3, 255)}, {}};
  for (int word = 0, x = 20, letter = 0; word < 2; ++word, x += 8 * blankCells) {
    const int start = x;
    for (int end = letter + 12; letter < end; x += advances[letter++ % advances.size()]) {
      for (int y = 24; y < 36; ++y)
        for (int c = x + 1; c < x + advances[letter % advances.size()] - 1; ++c)
          std::fill_n(row.first.pixels.begin() + (y * 400 + c) * 3, 3, uint8_t{0});
    }
    row.second.push_back(Box(static_cast<float>(start), 20, static_cast<float>(x), 40, static_cast<float>(word)));
  }
  return row;
}

// A word whose box its letters turned joins its monospace row as its upright fit, under a cell gap only
// (a list's narrow columns stand as close); a turned box that joins nothing stays as it was fitted.
TEST(JoinLinePiecesTest, TurnedPiecesJoinAsTheirUprightFitInAMonospaceRow) {
  const auto [row, words] = Words(1, {8});
  const auto turned = [](DetBox box) {  // rising by 12 pixels
    for (size_t i = 0; i < 4; ++i) box.points[i].y += i == 1 || i == 2 ? 6.0f : -6.0f;
    return box;
  };
  const std::vector<DetBox> boxes{words[0], turned(words[1]), turned(Box(300, 20, 340, 40, 2))};
  const std::vector<DetBox> fits{words[0], words[1], Box(300, 20, 340, 40, 2)};
  EXPECT_EQ(JoinLinePieces(boxes, 0.3f, row, {}, 0.6f).size(), 3u);
  EXPECT_EQ(JoinLinePieces(boxes, 1.0f, row, fits).size(), 3u);
  const std::vector<DetBox> out = JoinLinePieces(boxes, 0.3f, row, fits, 0.6f);
  EXPECT_EQ(Rects(out), (std::vector<std::array<float, 4>>{{20, 20, 220, 40}, {300, 14, 340, 46}}));
  EXPECT_FALSE(IsUpright(out[1]));
}

// A terminal's single space leaves the boxes of its words 0.4 heights apart: they join under a cell
// gap, though not by their gap alone; two blank cells, or letters of a proportional font, do not.
TEST(JoinLinePiecesTest, JoinsMonospaceWordsOneCellApart) {
  const auto [one, oneBoxes] = Words(1, {8});
  EXPECT_EQ(JoinLinePieces(oneBoxes, 0.3f, one).size(), 2u);
  EXPECT_EQ(JoinLinePieces(oneBoxes, 0.3f, one, {}, 0.6f).size(), 1u);
  const auto [two, twoBoxes] = Words(2, {8});
  EXPECT_EQ(JoinLinePieces(twoBoxes, 0.3f, two, {}, 1.0f).size(), 2u);
  const auto [proportional, proportionalBoxes] = Words(1, {9, 5, 10, 6, 4, 11, 7, 8});
  EXPECT_EQ(JoinLinePieces(proportionalBoxes, 0.3f, proportional, {}, 0.6f).size(), 2u);
}

// A monospace row whose middle letters the detector missed (a permission string's dashes) joins across
// them when no blank between its pieces' middles is wider than one cell, but not under a cell gap alone;
// two blank cells, or a piece on another background (text in two buttons), keep the pieces apart.
TEST(JoinLinePiecesTest, JoinsAMonospaceRowAcrossLettersNotDetected) {
  const auto missing = [](std::vector<DetBox> words) {  // the first word's last four letters not boxed
    words[0] = Box(20, 20, 84, 40, 0);
    return words;
  };
  const auto [one, oneBoxes] = Words(1, {8});
  EXPECT_EQ(JoinLinePieces(missing(oneBoxes), 0.3f, one, {}, 1.0f).size(), 2u);
  EXPECT_EQ(Rects(JoinLinePieces(missing(oneBoxes), 0.3f, one, {}, 1.0f, 3.0f)),
            (std::vector<std::array<float, 4>>{{20, 20, 220, 40}}));
  const auto [two, twoBoxes] = Words(2, {8});
  EXPECT_EQ(JoinLinePieces(missing(twoBoxes), 0.3f, two, {}, 1.0f, 3.0f).size(), 2u);
  DecodedImage button = one;
  for (int y = 18; y < 42; ++y) {
    for (int x = 122; x < 224; ++x) {
      uint8_t* pixel = button.pixels.data() + (y * button.width + x) * 3;
      if (pixel[0] == 255) std::fill_n(pixel, 3, uint8_t{225});
    }
  }
  EXPECT_EQ(JoinLinePieces(missing(oneBoxes), 0.3f, button, {}, 1.0f, 3.0f).size(), 2u);
}

}  // namespace
}  // namespace vesk
