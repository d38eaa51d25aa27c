#pragma once
// Whether two pieces of a line are words of one monospace row one blank cell apart. A terminal's
// font puts every character in a cell of one width, and its glyphs leave the cells' edges blank: a
// comb of that period lies only on blank columns across the whole row, and a single space is one
// cell without ink between them. A proportional font's letters fit no such comb for long.

#include <cstdint>
#include <vector>

namespace vesk {

// `inked` holds, for the columns of a stretch of a row, whether a column holds ink. The pieces span
// [piecesStart, piecesEnd) of those columns, and the blank run between them [gapStart, gapEnd). `height`
// is the height of the letters' band, which bounds the cell widths tried.
bool OneBlankCellApart(const std::vector<bool>& inked, int32_t piecesStart, int32_t piecesEnd, int32_t gapStart,
                       int32_t gapEnd, float height);

// Whether the row is set in a proportional font: it is long enough for a comb of every cell width tried
// to cross ten cells of its ink (`height` as above), and no comb lies on blank columns, however many of
// its cells are blank. A short row, or a row of digits (which proportional fonts set in cells of one
// width too), is not told to be one.
bool ProportionalRow(const std::vector<bool>& inked, float height);

}  // namespace vesk
