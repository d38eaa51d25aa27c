// What no gap cuts any more is read as rows; the neighbours in a row that stand on one line of text
// are pieces of that line, which detection split where the text has a wide gap.

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "ocr/layout_reader.h"
#include "ocr/line_order.h"

namespace vesk::layout {
namespace {

// Pieces of one line of text share their middle: their centres lie within kCentreDrift of the shorter
// box's height (a digit's box and a word's with a descender differ a little; lines of a paragraph, two
// lines of a cell beside one of the next cell, and panes whose lines drift apart differ by half a
// line and more). A text at most kLineHeightRatio times as high still stands on the line: a spin box's
// value, a chevron, a larger name beside its time.
constexpr float kCentreDrift = 0.35f;
constexpr float kLineHeightRatio = 3.0f;
// Boxes drawn a little larger than their text may overlap by up to this much, in the taller height;
// boxes that overlap further are not pieces of one line side by side.
constexpr float kPieceOverlap = 1.0f;

}  // namespace

// Each row is read left to right; a box joins the one before it when both stand on one line.
void LayoutReader::EmitRows(Group group) {
  SortRowPositions(boxes_, group);
  for (size_t i = 0; i < group.size(); ++i) {
    joins_.push_back(i == 0 ? LineJoin::Starts : JoinOf(group[i - 1], group[i]));
    order_.push_back(group[i]);
  }
}

LineJoin LayoutReader::JoinOf(size_t before, size_t piece) const {
  const Extent& a = ext_[before];
  const Extent& b = ext_[piece];
  const float taller = std::max(a.Height(), b.Height());
  const float shorter = std::min(a.Height(), b.Height());
  const bool oneLine = std::fabs(a.cy - b.cy) <= kCentreDrift * shorter && taller <= kLineHeightRatio * shorter;
  const bool sideBySide = b.left >= a.right - kPieceOverlap * taller && b.right > a.right;
  return oneLine && sideBySide ? LineJoin::Continues : LineJoin::Starts;
}

}  // namespace vesk::layout
