#pragma once

#include <cstdint>
#include <vector>

#include "ocr/det_box.h"

namespace vesk {

// How the detected lines are put into reading order.
enum class ReadingOrder : int32_t {
  Columns = 0,  // split at the widest vertical gap in the middle of the page, else rows
  Layout = 1,   // bars, panes, text columns and table rows the way a person reads a screen
};

// How a box in reading order stands to the box before it.
enum class LineJoin : uint8_t {
  Starts,     // it starts a line of its own
  Continues,  // it is the next piece of the same row of text: the next cell, a label's value
};

// Boxes in reading order, with what joins each to the line before it: a line is one box, or the
// pieces of one row of text that detection split at wide gaps, left to right.
struct OrderedBoxes {
  std::vector<DetBox> boxes;
  std::vector<LineJoin> joins;  // one a box; the first box starts a line
};

}  // namespace vesk
