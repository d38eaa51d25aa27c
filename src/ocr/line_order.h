#pragma once
// Reading order of the detected boxes: columns left to right, rows top to bottom within a column.

#include <cstddef>
#include <vector>

#include "ocr/det_box.h"

namespace vesk {

// Splits the boxes recursively into columns at the widest empty run of an x-coverage histogram and
// row-sorts each column. Returns the same boxes in reading order.
std::vector<DetBox> OrderBoxes(const std::vector<DetBox>& boxes);

// Stable sort by centre y, grouped into rows against each row's first box (tolerance: half the
// taller height), each row then sorted by centre x.
std::vector<DetBox> SortRows(const std::vector<DetBox>& boxes);

// The same row sort on positions into boxes, for a subset of them.
void SortRowPositions(const std::vector<DetBox>& boxes, std::vector<size_t>& positions);

}  // namespace vesk
