#pragma once
// One detected box split where its text stands wider apart than words. At a screen's small sizes the
// detector's map often runs across the gaps between a menu bar's items, a list's columns or a
// terminal's fields padded with two or more spaces, so that they come out as one box and one line.

#include <cstdint>
#include <vector>

#include "core/decoded_image.h"
#include "ocr/det_box.h"

namespace vesk {

// Cuts every upright box of `boxes` into fields, looking at its letters in `image` (the screenshot the
// boxes were found in). Fields are parted by a blank of at least two cells in a monospace row (see
// cell_grid.h), and elsewhere by a blank of at least `minBlank` times the letters' height, a narrow
// glyph's room beside it not counted; a line with three or more blanks of at least three quarters of
// that width (a bar's items) is parted at each of them. Each piece keeps the box's height, its score and
// the room the box leaves beside its letters; the pieces take the box's place, left to right. Turned
// boxes, boxes with no such blank and everything with a `minBlank` of 0 stay as they are.
//
// A list's columns can stand as close as words, where a cell's text runs nearly to the next column.
// With `columnBoxes` above 0, a box is also parted at a blank that is half as wide again as the other
// word spaces of its row, where the piece after it begins in line with the left edges of at least that
// many boxes in the rows around that have a box before them on their row: the same column's cells.
// A monospace row parts by its cells only.
std::vector<DetBox> SplitAtWideBlanks(std::vector<DetBox> boxes, float minBlank, const DecodedImage& image,
                                      int32_t columnBoxes = 0);

}  // namespace vesk
