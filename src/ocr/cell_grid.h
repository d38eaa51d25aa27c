#pragma once
// Whether two pieces of a line are words of one monospace row one blank cell apart. A terminal's
// font puts every character in a cell of one width, and its glyphs leave the cells' edges blank: a
// comb of that period lies only on blank columns across the whole row, and a single space is one
// cell without ink between them. A proportional font's letters fit no such comb for long.

#include <cstdint>
#include <vector>

namespace vesk {

// `inked` holds, for the columns of a row from the left piece's start to the right piece's end, whether
// a column holds ink. `gapStart` and `gapEnd` bound the blank run between the pieces ([gapStart, gapEnd),
// in those columns). `height` is the height of the letters' band, which bounds the cell widths tried.
bool OneBlankCellApart(const std::vector<bool>& inked, int32_t gapStart, int32_t gapEnd, float height);

}  // namespace vesk
