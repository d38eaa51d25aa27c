#include "ocr/line_order.h"

#include <gtest/gtest.h>

#include <vector>

#include "ocr/named_boxes.h"

namespace vesk {
namespace {

using test::Box;
using test::IdList;
using test::Ids;

struct Case {
  const char* rule;
  std::vector<DetBox> (*order)(const std::vector<DetBox>&);
  std::vector<DetBox> boxes;  // in the order detection hands them over
  IdList expected;
};

TEST(LineOrderTest, ColumnsAndRows) {
  const Case cases[] = {
      {"empty list", OrderBoxes, {}, {}},
      {"single box", OrderBoxes, {Box(5, 5, 50, 20, 1)}, {1}},
      {"two columns: the left one first, though detection hands them over row by row", OrderBoxes,
       {Box(0, 0, 100, 20, 1), Box(200, 0, 300, 20, 4), Box(0, 30, 100, 50, 2), Box(200, 30, 300, 50, 5),
        Box(0, 60, 100, 80, 3), Box(200, 60, 300, 80, 6)},
       {1, 2, 3, 4, 5, 6}},
      {"a heading across both columns leaves no gap: rows", OrderBoxes,
       {Box(0, -30, 300, -10, 0), Box(0, 0, 100, 20, 1), Box(200, 0, 300, 20, 4), Box(0, 30, 100, 50, 2),
        Box(200, 30, 300, 50, 5)},
       {0, 1, 4, 2, 5}},
      {"column splits nest", OrderBoxes,
       {Box(0, 0, 60, 20, 1), Box(120, 0, 180, 20, 3), Box(240, 0, 300, 20, 5), Box(0, 30, 60, 50, 2),
        Box(120, 30, 180, 50, 4), Box(240, 30, 300, 50, 6)},
       {1, 2, 3, 4, 5, 6}},
      {"a gap within the first 20 % of the x range does not split", OrderBoxes,
       {Box(0, 0, 10, 20, 1), Box(30, 0, 300, 20, 2), Box(30, 30, 300, 50, 3), Box(0, 30, 10, 50, 4)},
       {1, 2, 4, 3}},
      {"an x range of only 50 pixels is only row-sorted, gap or not", OrderBoxes,
       {Box(0, 0, 10, 20, 1), Box(40, 0, 50, 20, 3), Box(0, 30, 10, 50, 2), Box(40, 30, 50, 50, 4)},
       {1, 3, 2, 4}},
      {"equal keys keep detection order", OrderBoxes,
       {Box(0, 0, 20, 20, 1), Box(0, 0, 20, 20, 2), Box(0, 0, 20, 20, 3)},
       {1, 2, 3}},
      // Heights 20: centre y 10 opens the row; 20 differs by exactly 10 and joins; 30 differs from the
      // row's first box by 20 and opens a new row although it is within 10 of the previous box.
      {"row tolerance is half the taller box, against the row's first box", SortRows,
       {Box(100, 0, 120, 20, 1), Box(50, 10, 70, 30, 2), Box(0, 20, 20, 40, 3)},
       {2, 1, 3}},
      {"just past the tolerance a box starts its own row", SortRows,
       {Box(100, 0, 120, 20, 1), Box(50, 10.01f, 70, 30.01f, 2)},
       {1, 2}},
      {"the taller box sets the tolerance", SortRows, {Box(100, 0, 120, 10, 1), Box(50, -5, 70, 35, 2)}, {2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(Ids(c.order(c.boxes)), c.expected);
  }
}

}  // namespace
}  // namespace vesk
