#pragma once

#include <vector>

#include "ocr/det_box.h"

namespace vesk {

// The boxes to cut the lines out by. A line drawn only in small letters and dashes ("-rw-r--r--",
// "ssss") gets a box as high as its letters, and the recogniser, which scales every line to one height,
// then reads its letters as capitals and its dashes as bars. Such a box, when a box of the same row
// beside it is at least `minRatio` times (and at most twice) as high and holds it between its top and
// bottom, is cut with that neighbour's top instead (its own bottom stays: a line without descenders
// reads the same with or without their room). Lines of one or two glyphs, boxes with no such
// neighbour, and every box when `minRatio` is 0, are cut as detected.
std::vector<DetBox> RowHeightCuts(const std::vector<DetBox>& boxes, float minRatio);

}  // namespace vesk
