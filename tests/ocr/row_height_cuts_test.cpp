#include "ocr/row_height_cuts.h"

#include <gtest/gtest.h>

#include "named_boxes.h"

namespace vesk {
namespace {

using test::Box;

float Top(const DetBox& b) { return b.points[0].y; }
float Bottom(const DetBox& b) { return b.points[3].y; }

// A terminal row: "-rw-r--r--" has no ascender, so its box is lower than its neighbour's.
TEST(RowHeightCutsTest, ALowLineTakesTheTopOfTheTallerLineBesideIt) {
  const std::vector<DetBox> boxes{Box(46, 100, 115, 113, 0), Box(127, 96, 225, 115, 1)};
  const std::vector<DetBox> cuts = RowHeightCuts(boxes, 1.2f);
  EXPECT_EQ(Top(cuts[0]), 96.0f);
  EXPECT_EQ(Top(cuts[0]), cuts[0].points[1].y);
  EXPECT_EQ(Bottom(cuts[0]), 113.0f);
  EXPECT_EQ(Top(cuts[1]), 96.0f);
  EXPECT_EQ(Bottom(cuts[1]), 115.0f);
  // The nearer of two neighbours counts.
  const std::vector<DetBox> two{Box(46, 100, 115, 113, 0), Box(10, 95, 40, 114, 1), Box(120, 96, 200, 114, 2)};
  EXPECT_EQ(Top(RowHeightCuts(two, 1.2f)[0]), 96.0f);
}

TEST(RowHeightCutsTest, BoxesWithoutSuchANeighbourAreCutAsDetected) {
  const DetBox low = Box(46, 100, 115, 113, 0);
  const std::vector<std::vector<DetBox>> cases{
      {low, Box(190, 96, 270, 115, 1)},    // further than three heights away
      {low, Box(127, 80, 225, 118, 1)},    // over twice as high: a heading, not the same row
      {low, Box(127, 105, 225, 123, 1)},   // the next row, overlapping
      {low, Box(127, 98, 225, 114, 1)},    // as good as as high: digits or capitals
      {Box(46, 100, 70, 113, 0), Box(80, 97, 180, 115, 1)},  // one or two glyphs
  };
  for (const std::vector<DetBox>& boxes : cases) {
    EXPECT_EQ(Top(RowHeightCuts(boxes, 1.2f)[0]), Top(boxes[0]));
  }
  const std::vector<DetBox> row{low, Box(127, 96, 225, 115, 1)};
  EXPECT_EQ(Top(RowHeightCuts(row, 0.0f)[0]), 100.0f);
  std::vector<DetBox> tilted = row;
  tilted[0].points[1].y = 90.0f;
  EXPECT_EQ(RowHeightCuts(tilted, 1.2f)[0].points[1].y, 90.0f);
}

}  // namespace
}  // namespace vesk
