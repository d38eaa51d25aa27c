#pragma once
// How many blank cells part two pieces of a monospace row. A terminal's
// font puts every character in a cell of one width, and its glyphs leave the cells' edges blank: a
// comb of that period lies only on blank columns across the whole row, and a single space is one
// cell without ink between them. A proportional font's letters fit no such comb for long.

#include <cstdint>
#include <vector>

namespace vesk {

// The widest cell a comb tries, in heights of the letters' band.
inline constexpr float kWidestCell = 0.75f;
// The cells of ink a comb must cross: a few letters of a proportional font may happen to fit one.
inline constexpr int32_t kCombInkedCells = 10;

// `inked` holds, for the columns of a stretch of a row, whether a column holds ink. The pieces span
// [piecesStart, piecesEnd) of those columns, and a blank run between them [gapStart, gapEnd). `height`
// is the height of the letters' band, which bounds the cell widths tried; `tallest`, when larger, the
// height of the taller piece, which raises the widest cell tried (a row of lowercase letters without
// ascenders is boxed lower than its cells are wide for).
// The whole blank cells of the run, one count for each placing of the narrowest comb that fits the row
// (its cells tell the font's from two or three of them) and crosses at least `leastInkedCells` cells of ink;
// none when no comb fits, as in a proportional font.
std::vector<int32_t> BlankCellsBetween(const std::vector<bool>& inked, int32_t piecesStart, int32_t piecesEnd,
                                       int32_t gapStart, int32_t gapEnd, float height, float tallest = 0.0f,
                                       int32_t leastInkedCells = kCombInkedCells);

// Whether the row is set in a proportional font: it is long enough for a comb of every cell width tried
// to cross ten cells of its ink (`height` as above), and no comb lies on blank columns, however many of
// its cells are blank. A short row, or a row of digits (which proportional fonts set in cells of one
// width too), is not told to be one.
bool ProportionalRow(const std::vector<bool>& inked, float height);

}  // namespace vesk
