#pragma once
// The reader behind OrderBoxesByLayout. Its parts live in six files: the cutting of a block into bars,
// panes, bands, sections and strips (layout_order.cpp), of a picture into screens (layout_screens.cpp),
// the gathering of bands into sections (layout_sections.cpp), the choice between reading strips as
// columns or as a grid (layout_grid.cpp), rows of cards (layout_cards.cpp) and the reading of what is
// left as rows, whose pieces of one line of text join (layout_rows.cpp).

#include <cstddef>
#include <vector>

#include "ocr/det_box.h"
#include "ocr/layout_order.h"
#include "ocr/reading_order.h"

namespace vesk::layout {

// Monitors side by side make a picture far wider than any one screen: 16:9 is 1.8 times as wide as
// high, an ultra-wide screen 2.4, two screens of 5:4 2.5.
constexpr float kScreensAspect = 2.45f;
// How wide a screen is taken to be, in its heights: between 5:4 and 16:9, so that two screens (at most
// 3.6 heights wide) and three (at least 3.75) come out as two and three.
constexpr float kScreenAspect = 1.5f;
// A seam between screens is looked for this far, in screen widths, from where screens of equal width
// would meet.
constexpr float kSeamWindow = 0.25f;

// The narrowest gap between columns, in text heights: words of one row stand closer.
constexpr float kMinGutter = 0.8f;
// Panes hold at least this many lines one above the other.
constexpr size_t kPaneLines = 3;

// Where a box lies, computed once.
struct Extent {
  float left, right, top, bottom, cx, cy;
  float Width() const { return right - left; }
  float Height() const { return bottom - top; }
};

using Group = std::vector<size_t>;  // positions into the page's boxes

struct Span {
  float lo, hi;
  bool Overlaps(const Span& o) const { return lo < o.hi && o.lo < hi; }
};

// An empty stretch between two strips of a band, with the reach of the strips on either side.
struct Gap {
  float lo, hi;
  Span before, after;
};

// An empty vertical stripe through every band of a section so far: its edges as the band that last
// shaped it had them (a later band continues the section when its own gap lines up with one), how
// far the section's boxes reach on either side, and the reach of the columns right beside it.
struct Gutter {
  float lo, hi;
  float loEdge, hiEdge;
  float leftmost, rightmost;
  Span before, after;
};

// Where a band's boxes reach: its outer edges, the left edge of its last box and the right edge of its
// first, its top and bottom.
struct BandShape {
  float left, right;
  float lastLeft, firstRight;
  float top, bottom;
};

class LayoutReader {
 public:
  LayoutReader(const std::vector<DetBox>& boxes, PictureSize picture);
  // The positions of all boxes in reading order; joins receives, per position in that order, what joins
  // the box to the line before it.
  Group Read(std::vector<LineJoin>& joins);

 private:
  void ReadBlock(Group block, int depth);
  bool ReadBars(const std::vector<Group>& bands, int depth);
  bool ReadPanes(const Group& block, int depth);
  bool ReadScreens(const Group& block, int depth);

  // Rows (layout_rows.cpp).
  void EmitRows(Group group);
  LineJoin JoinOf(size_t before, size_t piece) const;

  // Cutting (layout_order.cpp).
  std::vector<Group> Bands(Group group) const;
  std::vector<Group> Strips(Group group) const;
  std::vector<Span> VerticalCover(const Group& group) const;
  std::vector<Gap> GapsBetween(const std::vector<Group>& strips) const;

  // Sections (layout_sections.cpp).
  std::vector<Group> Sections(const std::vector<Group>& bands) const;
  BandShape Shape(const Group& band) const;
  bool Continues(const std::vector<Gutter>& gutters, const BandShape& band, const std::vector<Gap>& gaps,
                 float distance, std::vector<Gutter>& kept) const;

  // Rows of cards (layout_cards.cpp).
  std::vector<Group> CardRows(const Group& block, const std::vector<Group>& columns) const;

  // Columns or grid (layout_grid.cpp).
  std::vector<Group> ColumnGroups(const std::vector<Group>& strips) const;
  bool ApartAsWindows(const std::vector<Group>& strips, size_t i, const std::vector<Gap>& gaps) const;
  bool ReadAsOneGrid(const Group& a, const Group& b) const;
  bool IsProse(const Group& strip) const;
  bool HoldsColumns(const Group& strip) const;
  std::vector<Group> RowsByMiddle(const Group& group) const;
  bool PairsLineForLine(const Group& text, const Group& other) const;
  size_t CountBeside(const Group& a, const Group& b) const;
  std::vector<float> RowOffsets(const Group& a, const Group& b) const;
  Span SpanOf(const Group& group, float Extent::*low, float Extent::*high) const;
  Span VerticalSpan(const Group& group) const;
  Span Reach(const Group& group) const;
  Group CentredWithin(const Group& group, Span span) const;

  const std::vector<DetBox>& boxes_;
  std::vector<Extent> ext_;
  PictureSize picture_;
  size_t screens_ = 1;  // screens side by side in the picture
  float unit_ = 1.0f;  // the median box height: every distance is measured in it
  Group order_;
  std::vector<LineJoin> joins_;  // one per entry of order_
};

}  // namespace vesk::layout
