#pragma once
// Reading order that follows the layout of a screen rather than one column split.

#include <vector>

#include "ocr/det_box.h"

namespace vesk {

// Puts the boxes into the order in which a person reads a screen: bars that run across it (title, menu,
// tab strip, status bar) where they stand; panes side by side, such as a sidebar on either side of the
// main area, one after the other from left to right; text columns column by column, also between a
// heading and a footer that span them; tables, forms and lists whose cells line up in rows row by row,
// each row left to right. Returns the same boxes, each exactly once; equal boxes keep their given order.
std::vector<DetBox> OrderBoxesByLayout(const std::vector<DetBox>& boxes);

}  // namespace vesk
