#include "ocr/layout_order.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>

#include "ocr/box_measures.h"
#include "ocr/line_order.h"

// The page is read by cutting it, again and again, along empty stripes:
//
//   +----------------------------------+
//   | Title                            |   band: a horizontal slice between empty rows
//   +----------------------------------+
//   | New  Open  Save         Settings |   band
//   +---------+------------------------+
//   | Folders | Weekly report          |   bands that share a gutter (the empty stripe between
//   | Inbox   | The team finished the  |   "Folders" and "Weekly report") form one section,
//   | Drafts  | moved on to the search |   which is then cut into strips along its gutter
//   |         | Next steps             |
//   +---------+------------------------+
//   | Ready        Words: 248   Line 12|   band
//   +----------------------------------+
//
// A block is cut into bands first, and bands are gathered into sections; a section that is a single
// stack of bands has nothing more to gather and is cut into strips instead. Strips are read one after
// the other when they are panes or text columns, and row by row when their cells line up (a table, a
// form, turns of a chat). Every cut leaves strictly smaller blocks, and a nest deeper than kMaxDepth is
// read as rows, so a page of n boxes costs O(n log n) per level and at most kMaxDepth levels.

namespace vesk {
namespace {

constexpr int kMaxDepth = 32;
// Distances are measured in text heights: the median height of the page's boxes.
constexpr float kBandOverlap = 0.25f;   // boxes of neighbouring bands may overlap this much
constexpr float kMinGutter = 0.8f;      // the narrowest gap between columns
constexpr float kEdgeTolerance = 0.6f;  // gutter edges this close line up
constexpr float kNearBands = 3.0f;      // the furthest a band on one side of a gutter may follow its section
// How much further out than the section's boxes on its side such a band may reach: a share of that
// side's width, plus a text height.
constexpr float kSideSlack = 0.25f;
// Centres of two boxes this close, in parts of the taller height, put them on one row; the cells of a
// grid are typically much closer than that.
constexpr float kRowTolerance = 0.35f;
constexpr float kRowDrift = 0.1f;     // the median offset of a grid, over at least kDriftSample boxes
constexpr float kRowDriftFew = 0.2f;  // the same over fewer boxes
constexpr size_t kDriftSample = 3;
// A paragraph line fills most of its column and is much wider than high; in a narrow column it is less
// wide, but the next line follows within kProseLeading heights, centre to centre.
constexpr float kProseFill = 0.7f;
constexpr float kProseAspect = 12.0f;
constexpr float kNarrowProseAspect = 8.0f;
constexpr float kProseLeading = 1.6f;
// Strips that stand beside each other for at most this share of their boxes take turns (a chat).
constexpr float kTurnTaking = 0.25f;
// Strips are one grid when this share of the boxes of the smaller one, and of the larger one beside it,
// have a partner on the same row.
constexpr float kAlignedSmall = 0.75f;
constexpr float kAlignedLarge = 0.4f;
// Candidates looked at for a row partner; beyond it a box counts as without one.
constexpr size_t kPartnerScan = 64;

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

// An empty vertical stripe through every band of a section so far, with the edges of the band that
// opened it (a band continues the section when one of its own gaps shares an edge with it) and how far
// the section's boxes reach on either side of it.
struct Gutter {
  float lo, hi;
  float loEdge, hiEdge;
  float leftmost, rightmost;
  Span before, after;  // the reach of the columns right beside it
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
  explicit LayoutReader(const std::vector<DetBox>& boxes);
  Group Read();

 private:
  void ReadBlock(Group block, int depth);
  std::vector<Group> Bands(Group group) const;
  std::vector<Group> Strips(Group group) const;
  std::vector<Gap> GapsBetween(const std::vector<Group>& strips) const;
  std::vector<Group> Sections(const std::vector<Group>& bands) const;
  bool Continues(const std::vector<Gutter>& gutters, const BandShape& band, const std::vector<Gap>& gaps,
                 float distance, std::vector<Gutter>& kept) const;
  float SideSlack(float sideWidth) const { return kSideSlack * sideWidth + unit_; }
  std::vector<Group> ColumnGroups(const std::vector<Group>& strips) const;
  bool ReadAsOneGrid(const Group& a, const Group& b) const;
  bool IsProse(const Group& strip) const;
  size_t CountBeside(const Group& a, const Group& b) const;
  std::vector<float> RowOffsets(const Group& a, const Group& b) const;
  Span VerticalSpan(const Group& group) const;
  Group CentredWithin(const Group& group, Span span) const;
  void EmitRows(Group group);

  const std::vector<DetBox>& boxes_;
  std::vector<Extent> ext_;
  float unit_ = 1.0f;
  Group order_;
};

LayoutReader::LayoutReader(const std::vector<DetBox>& boxes) : boxes_(boxes) {
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

Group LayoutReader::Read() {
  Group all(boxes_.size());
  std::iota(all.begin(), all.end(), size_t{0});
  order_.reserve(all.size());
  ReadBlock(std::move(all), 0);
  return std::move(order_);
}

void LayoutReader::ReadBlock(Group block, int depth) {
  if (block.size() <= 1) {
    order_.insert(order_.end(), block.begin(), block.end());
    return;
  }
  if (depth >= kMaxDepth) return EmitRows(std::move(block));

  // Bars, panes and whatever else stands one above the other are read from the top down.
  const std::vector<Group> bands = Bands(block);
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

// Gathers consecutive bands into sections. A band with gaps of its own opens a section whose gutters
// are those gaps. A later band joins it when
//   - one of its gaps overlaps a gutter and shares the gutter's left or right edge: the next row of a
//     sidebar beside a page, of two text columns, of a form (the gutter narrows to the overlap); or
//   - all its boxes start on one side of a gutter (one may reach into it), it stays about as wide as
//     the section on that side and follows closely, or lies between two gutters: a paragraph below a
//     short sidebar, a line of one column beside a blank in the other (not a page below a row of
//     buttons).
// The gutters stay the stripes that are empty in every band of the section. A band that crosses every
// gutter, or whose gaps line up with none, opens the next section:
//
//   New   Open   Save    Settings     <- its gaps share no edge with the gutter below: own section
//   Folders      Weekly report
//   Inbox        The team finished    <- gap shares the right edge: joins
//                moved on to the      <- wholly right of the gutter: joins
//   Ready      Words: 248   Line 12   <- gap overlaps, shares no edge: own section
std::vector<Group> LayoutReader::Sections(const std::vector<Group>& bands) const {
  std::vector<Group> sections;
  std::vector<Gutter> gutters;
  float bottom = 0.0f;
  for (const Group& band : bands) {
    BandShape shape{ext_[band.front()].left, ext_[band.front()].right, ext_[band.front()].left,
                    ext_[band.front()].right, ext_[band.front()].top, ext_[band.front()].bottom};
    for (size_t p : band) {
      shape.left = std::min(shape.left, ext_[p].left);
      shape.right = std::max(shape.right, ext_[p].right);
      shape.lastLeft = std::max(shape.lastLeft, ext_[p].left);
      shape.firstRight = std::min(shape.firstRight, ext_[p].right);
      shape.top = std::min(shape.top, ext_[p].top);
      shape.bottom = std::max(shape.bottom, ext_[p].bottom);
    }
    std::vector<Gap> gaps = GapsBetween(Strips(band));
    // Words of one row stand closer than a text height apart; a gutter between columns is wider.
    std::erase_if(gaps, [&](const Gap& a) { return a.hi - a.lo < kMinGutter * unit_; });

    std::vector<Gutter> kept;
    if (!gutters.empty() && Continues(gutters, shape, gaps, shape.top - bottom, kept)) {
      sections.back().insert(sections.back().end(), band.begin(), band.end());
      gutters = std::move(kept);
      bottom = std::max(bottom, shape.bottom);
      continue;
    }
    sections.push_back(band);
    gutters.clear();
    for (const Gap& a : gaps) gutters.push_back({a.lo, a.hi, a.lo, a.hi, shape.left, shape.right, a.before, a.after});
    bottom = shape.bottom;
  }
  return sections;
}

// Whether a band continues a section whose gutters are given, distance below its last band; kept receives
// the gutters that stay empty with the band added.
bool LayoutReader::Continues(const std::vector<Gutter>& gutters, const BandShape& band, const std::vector<Gap>& gaps,
                             float distance, std::vector<Gutter>& kept) const {
  const float tolerance = kEdgeTolerance * unit_;
  bool continued = false;
  bool oneSided = false;
  bool betweenGutters = false;  // right of one gutter and left of the next: inside a middle pane
  bool rightOfLast = false;
  // Gutters and gaps are both sorted and disjoint: walk them together.
  size_t i = 0, k = 0;
  while (i < gutters.size()) {
    const Gutter& g = gutters[i];
    while (k < gaps.size() && gaps[k].hi <= g.lo) ++k;
    if (k == gaps.size() || gaps[k].lo >= g.hi) {
      // No gap of the band here: it may lie on one side, with every box starting there and about as
      // wide as the section on that side (reaching a little into the gutter, which narrows, or a
      // little further out).
      const float leftSlack = SideSlack(g.lo - g.leftmost), rightSlack = SideSlack(g.rightmost - g.hi);
      const bool onLeft = band.lastLeft <= g.lo && band.right < g.hi && band.right <= g.lo + leftSlack &&
                          band.left >= g.leftmost - leftSlack;
      const bool onRight = band.firstRight >= g.hi && band.left > g.lo && band.left >= g.hi - rightSlack &&
                           band.right <= g.rightmost + rightSlack;
      betweenGutters = betweenGutters || (rightOfLast && onLeft);
      rightOfLast = onRight;
      if (onLeft) {
        kept.push_back({std::max(g.lo, band.right), g.hi, g.loEdge, g.hiEdge, std::min(g.leftmost, band.left),
                        g.rightmost, g.before, g.after});
      } else if (onRight) {
        kept.push_back({g.lo, std::min(g.hi, band.left), g.loEdge, g.hiEdge, g.leftmost,
                        std::max(g.rightmost, band.right), g.before, g.after});
      }
      oneSided = oneSided || onLeft || onRight;
      ++i;
      continue;
    }
    rightOfLast = false;

    // The gutters and gaps that overlap one another in a chain: a column may appear inside a gutter
    // and split it into two gaps, or be missing from the band, whose gap then spans two gutters.
    size_t gutterEnd = i + 1, gapEnd = k + 1;
    float reach = std::max(g.hi, gaps[k].hi);
    for (bool grew = true; grew;) {
      grew = false;
      for (; gutterEnd < gutters.size() && gutters[gutterEnd].lo < reach; ++gutterEnd, grew = true) {
        reach = std::max(reach, gutters[gutterEnd].hi);
      }
      for (; gapEnd < gaps.size() && gaps[gapEnd].lo < reach; ++gapEnd, grew = true) {
        reach = std::max(reach, gaps[gapEnd].hi);
      }
    }
    // The band continues them when the columns beside its gaps overlap those beside the gutters (a row
    // of buttons whose gap ends where a sidebar item does is no continuation) and either its gap lines
    // up with an edge of the gutter or those columns are aligned with the gutter's, on the left, the
    // right or the centre. When a column appears or vanishes, only the latter will do.
    const Gutter& gFirst = gutters[i];
    const Gutter& gLast = gutters[gutterEnd - 1];
    const Gap& aFirst = gaps[k];
    const Gap& aLast = gaps[gapEnd - 1];
    const auto aligned = [&](const Span& x, const Span& y) {
      return std::fabs(x.lo - y.lo) <= tolerance || std::fabs(x.hi - y.hi) <= tolerance ||
             std::fabs((x.lo + x.hi) - (y.lo + y.hi)) <= 2.0f * tolerance;
    };
    const bool oneToOne = gutterEnd == i + 1 && gapEnd == k + 1;
    const bool edgeLinesUp = std::fabs(aFirst.lo - gFirst.loEdge) <= tolerance ||
                             std::fabs(aLast.hi - gLast.hiEdge) <= tolerance;
    const bool continues = aFirst.before.Overlaps(gFirst.before) && aLast.after.Overlaps(gLast.after) &&
                           ((oneToOne && edgeLinesUp) ||
                            (aligned(aFirst.before, gFirst.before) && aligned(aLast.after, gLast.after)));
    continued = continued || continues;

    // Every stripe still empty stays a gutter. Stripes the band does not continue take the band's
    // edges: a header row whose gap spans two columns gives way to the rows below it.
    const size_t keptFrom = kept.size();
    for (size_t gi = i; gi < gutterEnd; ++gi) {
      for (size_t ai = k; ai < gapEnd; ++ai) {
        const Gap& a = gaps[ai];
        const float lo = std::max(a.lo, gutters[gi].lo), hi = std::min(a.hi, gutters[gi].hi);
        if (lo < hi) {
          kept.push_back({lo, hi, a.lo, a.hi, std::min(gutters[gi].leftmost, band.left),
                          std::max(gutters[gi].rightmost, band.right), a.before, a.after});
        }
      }
    }
    if (continues && kept.size() > keptFrom) {
      Gutter& leftmost = kept[keptFrom];
      leftmost.loEdge = gFirst.loEdge;
      leftmost.before = {std::min(gFirst.before.lo, aFirst.before.lo), std::max(gFirst.before.hi, aFirst.before.hi)};
      Gutter& rightmost = kept.back();
      rightmost.hiEdge = gLast.hiEdge;
      rightmost.after = {std::min(gLast.after.lo, aLast.after.lo), std::max(gLast.after.hi, aLast.after.hi)};
    }
    i = gutterEnd;
    k = gapEnd;
  }
  // A band in a middle pane belongs to it however far below it starts (below a picture, say); at the
  // sides it must follow closely, or a status bar would join the sidebar above it.
  return continued || (oneSided && (betweenGutters || distance <= kNearBands * unit_));
}

// Neighbouring strips that form one grid are read together, row by row; the others one after the other.
std::vector<Group> LayoutReader::ColumnGroups(const std::vector<Group>& strips) const {
  std::vector<Group> columns{strips.front()};
  for (size_t i = 1; i < strips.size(); ++i) {
    if (ReadAsOneGrid(strips[i - 1], strips[i])) {
      columns.back().insert(columns.back().end(), strips[i].begin(), strips[i].end());
    } else {
      columns.push_back(strips[i]);
    }
  }
  return columns;
}

// Two strips side by side are one grid, read row by row, when
//   - they take turns: hardly a box of one stands beside a box of the other (chat bubbles left and
//     right; reading by rows keeps their order from the top down); or
//   - neither is running text, and their boxes pair up on shared rows: nearly every box of the smaller
//     strip, and a good part of the larger one's, has a partner on its row (a form's labels and values,
//     the columns of a table).
// Otherwise they are panes or text columns, read one after the other:
//
//   Printer:  Office laser   | one grid      Folders  The team finished  | panes: the right
//   Pages:    All            |               Inbox    the data import    | one is running text
//   Copies:   1              |               Drafts   work on Tuesday    |
bool LayoutReader::ReadAsOneGrid(const Group& a, const Group& b) const {
  const float besideA = static_cast<float>(CountBeside(a, b));
  const float besideB = static_cast<float>(CountBeside(b, a));
  if (besideA <= kTurnTaking * static_cast<float>(a.size()) && besideB <= kTurnTaking * static_cast<float>(b.size())) {
    return true;
  }
  if (IsProse(a) || IsProse(b)) return false;
  // Only the parts that stand beside each other count: a button row below a form says nothing about it.
  const Group aBeside = CentredWithin(a, VerticalSpan(b));
  const Group bBeside = CentredWithin(b, VerticalSpan(a));
  const bool aSmaller = aBeside.size() <= bBeside.size();
  const Group& small = aSmaller ? aBeside : bBeside;
  const Group& large = aSmaller ? bBeside : aBeside;
  if (small.empty()) return false;
  std::vector<float> offsets = RowOffsets(small, large);
  const auto aligned = [](const std::vector<float>& o) {
    return static_cast<float>(std::count_if(o.begin(), o.end(), [](float d) { return d <= kRowTolerance; }));
  };
  if (aligned(offsets) < kAlignedSmall * static_cast<float>(small.size())) return false;
  // The cells of a grid share their rows exactly; panes whose line pitches nearly agree drift apart
  // and back, a few pixels at a time. A strip of a box or two cannot show a drift, only sit squarely
  // on a row (a caption under a picture beside a form does not).
  std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
  const float drift = (aSmaller ? a : b).size() >= kDriftSample ? kRowDrift : kRowDriftFew;
  if (offsets[offsets.size() / 2] > drift) return false;
  // The larger side is judged only beside the smaller one, so that a column with a few filled cells
  // still belongs to its table.
  const Group facing = CentredWithin(large, VerticalSpan(small));
  return aligned(RowOffsets(facing, small)) >= kAlignedLarge * static_cast<float>(facing.size());
}

Span LayoutReader::VerticalSpan(const Group& group) const {
  Span span{ext_[group.front()].top, ext_[group.front()].bottom};
  for (size_t p : group) {
    span.lo = std::min(span.lo, ext_[p].top);
    span.hi = std::max(span.hi, ext_[p].bottom);
  }
  return span;
}

Group LayoutReader::CentredWithin(const Group& group, Span span) const {
  Group within;
  for (size_t p : group) {
    if (ext_[p].cy >= span.lo && ext_[p].cy <= span.hi) within.push_back(p);
  }
  return within;
}

// Running text: at least two lines, and at least half of all, that fill most of the strip's width and
// are far wider than high, or, in a narrow column, wider than high and stacked tightly. Headings, list
// items and table cells are short, and the rows of a table stand further apart.
bool LayoutReader::IsProse(const Group& strip) const {
  if (strip.size() < 2) return false;
  Group lines = strip;
  std::stable_sort(lines.begin(), lines.end(), [&](size_t a, size_t b) { return ext_[a].top < ext_[b].top; });
  float left = ext_[lines.front()].left, right = ext_[lines.front()].right;
  for (size_t p : lines) {
    left = std::min(left, ext_[p].left);
    right = std::max(right, ext_[p].right);
  }
  const float fill = kProseFill * (right - left);
  size_t prose = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Extent& e = ext_[lines[i]];
    if (e.Width() < fill) continue;
    const auto tight = [&](const Extent& o) { return std::fabs(o.cy - e.cy) <= kProseLeading * e.Height(); };
    const bool stacked = (i > 0 && tight(ext_[lines[i - 1]])) || (i + 1 < lines.size() && tight(ext_[lines[i + 1]]));
    if (e.Width() >= kProseAspect * e.Height() || (stacked && e.Width() >= kNarrowProseAspect * e.Height())) ++prose;
  }
  return prose >= 2 && 2 * prose >= strip.size();
}

// How many boxes of a share some height with a box of b.
size_t LayoutReader::CountBeside(const Group& a, const Group& b) const {
  std::vector<Span> spans;  // b's vertical cover, as disjoint sorted spans
  const auto top = [&](size_t p) { return ext_[p].top; };
  const auto bottom = [&](size_t p) { return ext_[p].bottom; };
  for (const Group& band : SplitAtGaps(b, top, bottom, 0.0f)) {
    Span span{ext_[band.front()].top, ext_[band.front()].bottom};
    for (size_t p : band) span.hi = std::max(span.hi, ext_[p].bottom);
    spans.push_back(span);
  }
  size_t beside = 0;
  for (size_t p : a) {
    const auto it = std::upper_bound(spans.begin(), spans.end(), ext_[p].top,
                                     [](float y, const Span& s) { return y < s.hi; });
    if (it != spans.end() && it->lo < ext_[p].bottom) ++beside;
  }
  return beside;
}

// For every box of a, how far off its row the nearest box of b lies: the distance of their centres over
// the taller height; infinity when none is within kRowTolerance.
std::vector<float> LayoutReader::RowOffsets(const Group& a, const Group& b) const {
  Group byCentre = b;
  std::stable_sort(byCentre.begin(), byCentre.end(), [&](size_t x, size_t y) { return ext_[x].cy < ext_[y].cy; });
  float tallest = 0.0f;
  for (size_t p : b) tallest = std::max(tallest, ext_[p].Height());
  std::vector<float> offsets;
  offsets.reserve(a.size());
  for (size_t p : a) {
    const Extent& e = ext_[p];
    const float reach = kRowTolerance * std::max(e.Height(), tallest);
    float best = std::numeric_limits<float>::infinity();
    auto it = std::lower_bound(byCentre.begin(), byCentre.end(), e.cy - reach,
                               [&](size_t q, float y) { return ext_[q].cy < y; });
    for (size_t scanned = 0; it != byCentre.end() && scanned < kPartnerScan; ++it, ++scanned) {
      const Extent& o = ext_[*it];
      if (o.cy > e.cy + reach) break;
      const float offset = std::fabs(o.cy - e.cy) / std::max({e.Height(), o.Height(), 1.0f});
      if (offset <= kRowTolerance) best = std::min(best, offset);
    }
    offsets.push_back(best);
  }
  return offsets;
}

void LayoutReader::EmitRows(Group group) {
  SortRowPositions(boxes_, group);
  order_.insert(order_.end(), group.begin(), group.end());
}

}  // namespace

std::vector<DetBox> OrderBoxesByLayout(const std::vector<DetBox>& boxes) {
  std::vector<DetBox> ordered;
  ordered.reserve(boxes.size());
  for (size_t p : LayoutReader(boxes).Read()) ordered.push_back(boxes[p]);
  return ordered;
}

}  // namespace vesk
