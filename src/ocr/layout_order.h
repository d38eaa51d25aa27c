#pragma once
// Reading order that follows the layout of a screen rather than one column split.

#include <cstdint>
#include <vector>

#include "ocr/det_box.h"
#include "ocr/reading_order.h"

namespace vesk {

// Puts the boxes into the order in which a person reads a screen: bars that run across it (title, menu,
// tab strip, status bar) where they stand; panes side by side, such as a sidebar on either side of the
// main area, one after the other from left to right; text columns column by column, also between a
// heading and a footer that span them; tables, forms and lists whose cells line up in rows row by row,
// each row left to right. Returns the same boxes, each exactly once; equal boxes keep their given order.
// Pieces of one row of text within one part of the screen (the cells of a table row, a label and its
// value, words a wide gap apart) are joined into one line; rows of different panes or columns never are.
// A picture far wider than a screen is taken as screens side by side, each read in full; a picture of
// size 0 x 0 is not known to be one.
struct PictureSize {
  int32_t width = 0, height = 0;
};
OrderedBoxes OrderBoxesByLayout(const std::vector<DetBox>& boxes, PictureSize picture = {});

}  // namespace vesk
