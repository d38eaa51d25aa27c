#include "ocr/line_order.h"

#include <gtest/gtest.h>

#include <vector>

#include "ocr/named_boxes.h"

namespace vesk {
namespace {

using test::Box;
using test::IdList;
using test::Ids;

TEST(LineOrderTest, EmptyAndSingleComeBackUnchanged) {
  EXPECT_TRUE(OrderBoxes({}).empty());
  EXPECT_EQ(Ids(OrderBoxes({Box(5, 5, 50, 20, 1)})), IdList{1});
}

TEST(LineOrderTest, TwoColumnsReadLeftColumnFirst) {
  // Detection hands them over row by row across both columns.
  const std::vector<DetBox> boxes = {Box(0, 0, 100, 20, 1),   Box(200, 0, 300, 20, 4),
                                     Box(0, 30, 100, 50, 2),  Box(200, 30, 300, 50, 5),
                                     Box(0, 60, 100, 80, 3),  Box(200, 60, 300, 80, 6)};
  EXPECT_EQ(Ids(OrderBoxes(boxes)), (IdList{1, 2, 3, 4, 5, 6}));
}

TEST(LineOrderTest, HeadingAcrossBothColumnsFallsBackToRows) {
  const std::vector<DetBox> boxes = {Box(0, -30, 300, -10, 0), Box(0, 0, 100, 20, 1),
                                     Box(200, 0, 300, 20, 4),  Box(0, 30, 100, 50, 2),
                                     Box(200, 30, 300, 50, 5)};
  EXPECT_EQ(Ids(OrderBoxes(boxes)), (IdList{0, 1, 4, 2, 5}));
}

TEST(LineOrderTest, ColumnSplitsNest) {
  const std::vector<DetBox> boxes = {Box(0, 0, 60, 20, 1),    Box(120, 0, 180, 20, 3),
                                     Box(240, 0, 300, 20, 5), Box(0, 30, 60, 50, 2),
                                     Box(120, 30, 180, 50, 4), Box(240, 30, 300, 50, 6)};
  EXPECT_EQ(Ids(OrderBoxes(boxes)), (IdList{1, 2, 3, 4, 5, 6}));
}

TEST(LineOrderTest, GapsOutsideTheMiddleSixtyPercentDoNotSplit) {
  // The sidebar's gap to the main text lies within the first 20 % of the x range.
  const std::vector<DetBox> boxes = {Box(0, 0, 10, 20, 1), Box(30, 0, 300, 20, 2),
                                     Box(30, 30, 300, 50, 3), Box(0, 30, 10, 50, 4)};
  EXPECT_EQ(Ids(OrderBoxes(boxes)), (IdList{1, 2, 4, 3}));
}

TEST(LineOrderTest, NarrowRangeIsOnlyRowSorted) {
  // A clear gap, but the whole x range is only 50 pixels.
  const std::vector<DetBox> boxes = {Box(0, 0, 10, 20, 1), Box(40, 0, 50, 20, 3),
                                     Box(0, 30, 10, 50, 2), Box(40, 30, 50, 50, 4)};
  EXPECT_EQ(Ids(OrderBoxes(boxes)), (IdList{1, 3, 2, 4}));
}

TEST(LineOrderTest, RowToleranceIsHalfTheTallerBoxAgainstTheRowsFirstBox) {
  // Heights 20: centre y 10 opens the row; 20 differs by exactly 10 and joins; 30 differs from
  // the row's first box by 20 and opens a new row although it is within 10 of the previous box.
  const std::vector<DetBox> boxes = {Box(100, 0, 120, 20, 1), Box(50, 10, 70, 30, 2),
                                     Box(0, 20, 20, 40, 3)};
  EXPECT_EQ(Ids(SortRows(boxes)), (IdList{2, 1, 3}));
  // Just past the tolerance the second box starts its own row.
  const std::vector<DetBox> apart = {Box(100, 0, 120, 20, 1), Box(50, 10.01f, 70, 30.01f, 2)};
  EXPECT_EQ(Ids(SortRows(apart)), (IdList{1, 2}));
  // The taller box sets the tolerance.
  const std::vector<DetBox> mixed = {Box(100, 0, 120, 10, 1), Box(50, -5, 70, 35, 2)};
  EXPECT_EQ(Ids(SortRows(mixed)), (IdList{2, 1}));
}

TEST(LineOrderTest, EqualKeysKeepDetectionOrder) {
  const std::vector<DetBox> boxes = {Box(0, 0, 20, 20, 1), Box(0, 0, 20, 20, 2), Box(0, 0, 20, 20, 3)};
  EXPECT_EQ(Ids(OrderBoxes(boxes)), (IdList{1, 2, 3}));
}

}  // namespace
}  // namespace vesk
