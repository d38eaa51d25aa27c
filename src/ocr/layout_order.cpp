#include "ocr/layout_order.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

#include "ocr/box_measures.h"
#include "ocr/layout_reader.h"

// A page is read by cutting it, again and again, along empty stripes:
//
//   +----------------------------------+
//   | Title                            |   band: a slice between empty rows
//   +----------------------------------+
//   | New  Open  Save         Settings |   band
//   +---------+------------------------+
//   | Folders | Weekly report          |   bands that share a gutter (the empty stripe between
//   | Inbox   | The team finished the  |   "Folders" and "Weekly report") form one section,
//   | Drafts  | moved on to the search |   which is cut into strips along its gutter
//   |         | Next steps             |
//   +---------+------------------------+
//   | Ready        Words: 248   Line 12|   band
//   +----------------------------------+
//
// A block is cut into bands, and consecutive bands are gathered into sections (layout_sections.cpp):
// bars and everything else that stands one above the other are read from the top down, each section
// on its own. A section that is the whole block is cut into strips along its gutters; neighbouring
// strips whose boxes pair up on shared rows are one grid (layout_grid.cpp). Grids (tables, forms,
// label and value, turns of a chat) are read row by row, each row left to right; other strips (a
// sidebar, the main pane, text columns) one after the other, left to right, each read again the same
// way. What has no gap left to cut at is read as rows.
//
// Three cuts come before the sections, since sections are built band by band and a pane with rows of
// its own (a conversation list beside a chat) breaks them: a picture of screens side by side is cut
// into its screens; bars at the top and bottom that a wide stripe sets apart are read where they
// stand; and strips that an empty stripe through the whole block parts are panes, read one after the
// other, or, when a wide stripe cuts across all of them where cards start, rows of cards
// (layout_cards.cpp).
//
// Every cut leaves strictly smaller blocks. A nest deeper than kMaxDepth is read as rows, so a page of
// n boxes costs O(n log n) for each of at most kMaxDepth levels.

namespace vesk {
namespace layout {
namespace {

constexpr int kMaxDepth = 32;
// Boxes of neighbouring bands may overlap this much, in text heights.
constexpr float kBandOverlap = 0.25f;
// A bar is set apart from what it stands above or below by at least this much, in text heights.
constexpr float kBarGap = 1.5f;
// The share of a block's width a bar's items reach over.
constexpr float kBarWidth = 0.5f;
// Bands that may stand on the block's side of a bar and are read with it.
constexpr size_t kMaxBars = 3;

// Splits at the empty stretches of an axis: each part holds the boxes whose [lo, hi] chain into one run,
// where two runs that overlap by less than slack still count as apart.
template <typename Lo, typename Hi>
std::vector<Group> SplitAtGaps(Group group, Lo lo, Hi hi, float slack) {
  std::stable_sort(group.begin(), group.end(), [&](size_t a, size_t b) { return lo(a) < lo(b); });
  std::vector<Group> parts;
  float reach = 0.0f;
  for (size_t p : group) {
    if (parts.empty() || lo(p) > reach - slack) {
      parts.emplace_back();
      reach = hi(p);
    }
    parts.back().push_back(p);
    reach = std::max(reach, hi(p));
  }
  return parts;
}

}  // namespace

LayoutReader::LayoutReader(const std::vector<DetBox>& boxes, PictureSize picture)
    : boxes_(boxes), picture_(picture) {
  const float width = static_cast<float>(picture.width), height = static_cast<float>(picture.height);
  if (width > kScreensAspect * height) screens_ = static_cast<size_t>(std::lround(width / (kScreenAspect * height)));
  ext_.reserve(boxes.size());
  std::vector<float> heights;
  heights.reserve(boxes.size());
  for (const DetBox& b : boxes) {
    ext_.push_back({Left(b), Right(b), Top(b), Bottom(b), CentreX(b), CentreY(b)});
    heights.push_back(ext_.back().Height());
  }
  if (!heights.empty()) {
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    unit_ = std::max(heights[heights.size() / 2], 1.0f);
  }
}

Group LayoutReader::Read(std::vector<LineJoin>& joins) {
  Group all(boxes_.size());
  std::iota(all.begin(), all.end(), size_t{0});
  order_.reserve(all.size());
  joins_.reserve(all.size());
  ReadBlock(std::move(all), 0);
  joins = std::move(joins_);
  return std::move(order_);
}

void LayoutReader::ReadBlock(Group block, int depth) {
  if (block.size() <= 1 || depth >= kMaxDepth) return EmitRows(std::move(block));

  // Screens side by side are read one after the other, each in full: before anything that could cut
  // across them (bars at one height on both, rows of cards).
  if (depth == 0 && ReadScreens(block, depth)) return;

  const std::vector<Group> bands = Bands(block);
  if (ReadBars(bands, depth) || ReadPanes(block, depth)) return;

  // Bars, panes and whatever else stands one above the other are read from the top down.
  if (bands.size() >= 2) {
    const std::vector<Group> sections = Sections(bands);
    if (sections.size() >= 2) {
      for (const Group& section : sections) ReadBlock(section, depth + 1);
      return;
    }
  }

  // One section: side by side parts, read one after the other unless they are one grid.
  const std::vector<Group> strips = Strips(block);
  if (strips.size() >= 2) {
    const std::vector<Group> columns = ColumnGroups(strips);
    if (columns.size() >= 2) {
      for (const Group& column : columns) ReadBlock(column, depth + 1);
      return;
    }
  }

  // A grid: its rows from the top down, each on its own.
  if (bands.size() >= 2) {
    for (const Group& band : bands) ReadBlock(band, depth + 1);
    return;
  }
  EmitRows(std::move(block));
}

// Detection draws its boxes a little larger than the text, so the boxes of neighbouring lines may
// overlap by a few pixels; that still separates two bands.
std::vector<Group> LayoutReader::Bands(Group group) const {
  return SplitAtGaps(
      std::move(group), [&](size_t p) { return ext_[p].top; }, [&](size_t p) { return ext_[p].bottom; },
      kBandOverlap * unit_);
}

std::vector<Group> LayoutReader::Strips(Group group) const {
  return SplitAtGaps(
      std::move(group), [&](size_t p) { return ext_[p].left; }, [&](size_t p) { return ext_[p].right; }, 0.0f);
}

std::vector<Span> LayoutReader::VerticalCover(const Group& group) const {
  std::vector<Span> cover;
  const auto top = [&](size_t p) { return ext_[p].top; };
  const auto bottom = [&](size_t p) { return ext_[p].bottom; };
  for (const Group& band : SplitAtGaps(group, top, bottom, 0.0f)) {
    Span span{ext_[band.front()].top, ext_[band.front()].bottom};
    for (size_t p : band) span.hi = std::max(span.hi, ext_[p].bottom);
    cover.push_back(span);
  }
  return cover;
}

std::vector<Gap> LayoutReader::GapsBetween(const std::vector<Group>& strips) const {
  std::vector<Span> reach;
  for (const Group& strip : strips) {
    Span r{ext_[strip.front()].left, ext_[strip.front()].right};
    for (size_t p : strip) {
      r.lo = std::min(r.lo, ext_[p].left);
      r.hi = std::max(r.hi, ext_[p].right);
    }
    reach.push_back(r);
  }
  std::vector<Gap> gaps;
  for (size_t i = 1; i < reach.size(); ++i) gaps.push_back({reach[i - 1].hi, reach[i].lo, reach[i - 1], reach[i]});
  return gaps;
}

// Bars at the top or bottom of a block are read where they stand: a title, menu or top bar before, a
// status bar or footer after what lies between. The bars end at a band that runs across the block
// (its items reach over most of its width) and is set apart from the rest by a wide empty stripe; up to
// kMaxBars bands above (below) it, a title or a menu not set apart, go with it.
bool LayoutReader::ReadBars(const std::vector<Group>& bands, int depth) {
  if (bands.size() < 2) return false;
  std::vector<Span> spans, reach;
  for (const Group& band : bands) {
    spans.push_back(VerticalSpan(band));
    Span r{ext_[band.front()].left, ext_[band.front()].right};
    for (size_t p : band) {
      r.lo = std::min(r.lo, ext_[p].left);
      r.hi = std::max(r.hi, ext_[p].right);
    }
    reach.push_back(r);
  }
  Span block = reach.front();
  for (const Span& r : reach) block = {std::min(block.lo, r.lo), std::max(block.hi, r.hi)};
  const auto bar = [&](size_t i, size_t next) {
    return reach[i].hi - reach[i].lo >= kBarWidth * (block.hi - block.lo) &&
           std::max(spans[next].lo - spans[i].hi, spans[i].lo - spans[next].hi) >= kBarGap * unit_;
  };
  size_t top = 0, bottom = bands.size();  // bands [top, bottom) lie between the bars
  for (size_t i = 0; i < kMaxBars && i + 1 < bands.size(); ++i) {
    if (bar(i, i + 1)) {
      top = i + 1;
      break;
    }
  }
  for (size_t i = bands.size() - 1; i + kMaxBars >= bands.size() && i > top; --i) {
    if (bar(i, i - 1)) {
      bottom = i;
      break;
    }
  }
  if (top == 0 && bottom == bands.size()) return false;
  const auto gather = [&](size_t from, size_t to) {
    Group group;
    for (size_t i = from; i < to; ++i) group.insert(group.end(), bands[i].begin(), bands[i].end());
    return group;
  };
  if (top > 0) ReadBlock(gather(0, top), depth + 1);
  if (top < bottom) ReadBlock(gather(top, bottom), depth + 1);
  if (bottom < bands.size()) ReadBlock(gather(bottom, bands.size()), depth + 1);
  return true;
}

// Panes side by side that nothing crosses are read one after the other, whatever rows they have, unless
// they are one grid; a bar's items or a row of tabs (lines of one or two rows) are no panes. Panes
// that a wide stripe cuts into rows of cards are read row of cards by row of cards.
bool LayoutReader::ReadPanes(const Group& block, int depth) {
  const std::vector<Group> strips = Strips(block);
  if (strips.size() < 2) return false;
  const std::vector<Group> columns = ColumnGroups(strips);
  const auto tall = [&](const Group& column) { return RowsByMiddle(column).size() >= kPaneLines; };
  if (columns.size() < 2 || std::none_of(columns.begin(), columns.end(), tall)) return false;
  const std::vector<Group> cardRows = CardRows(block, columns);
  for (const Group& part : cardRows.size() >= 2 ? cardRows : columns) ReadBlock(part, depth + 1);
  return true;
}

}  // namespace layout

OrderedBoxes OrderBoxesByLayout(const std::vector<DetBox>& boxes, PictureSize picture) {
  OrderedBoxes ordered;
  ordered.boxes.reserve(boxes.size());
  for (size_t p : layout::LayoutReader(boxes, picture).Read(ordered.joins)) ordered.boxes.push_back(boxes[p]);
  return ordered;
}

}  // namespace vesk
