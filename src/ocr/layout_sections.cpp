// How consecutive bands of a block are gathered into sections.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "ocr/layout_reader.h"

namespace vesk::layout {
namespace {

// Distances in text heights.
constexpr float kEdgeTolerance = 0.6f;  // edges this close line up
constexpr float kNearBands = 3.0f;      // the furthest a band on one side of a gutter may follow its section
// How much further out than the section's boxes on its side such a band may reach: a share of that
// side's width, plus a text height.
constexpr float kSideSlack = 0.25f;

// How a band meets one gutter of its section, or a chain of gutters and gaps of its own.
enum class Meeting {
  CarriesOn,  // its gaps continue the gutters
  LeftOf,     // it has no gap there and keeps to the gutter's left
  RightOf,    // the same on the right
  Breaks,     // anything else: its boxes stand in the gutter, or its gaps do not line up
};

// Gutters [gutterBegin, gutterEnd) and gaps of a band [gapBegin, gapEnd) that overlap one another in a
// chain: a column may appear inside a gutter and split it into two gaps, or be missing from the band,
// whose gap then spans two gutters.
struct Chain {
  size_t gutterBegin, gutterEnd;
  size_t gapBegin, gapEnd;
  bool OneToOne() const { return gutterEnd == gutterBegin + 1 && gapEnd == gapBegin + 1; }
};

// A gap of a band that opens a gutter: the gutter takes the gap's edges and columns and the band's reach.
Gutter Opened(const Gap& a, const BandShape& band) {
  return {a.lo, a.hi, a.lo, a.hi, band.left, band.right, a.before, a.after};
}

float SideSlack(float sideWidth, float unit) { return kSideSlack * sideWidth + unit; }

// A band without a gap at a gutter may lie on one side of it: every box starts there, and it is about
// as wide as the section on that side, reaching a little into the gutter (which narrows) or a little
// further out.
bool LiesLeftOf(const Gutter& g, const BandShape& band, float unit) {
  const float slack = SideSlack(g.lo - g.leftmost, unit);
  return band.lastLeft <= g.lo && band.right < g.hi && band.right <= g.lo + slack && band.left >= g.leftmost - slack;
}

bool LiesRightOf(const Gutter& g, const BandShape& band, float unit) {
  const float slack = SideSlack(g.rightmost - g.hi, unit);
  return band.firstRight >= g.hi && band.left > g.lo && band.left >= g.hi - slack &&
         band.right <= g.rightmost + slack;
}

// How a band meets a gutter where it has no gap; kept receives the gutter as the band leaves it.
Meeting MeetWithoutGap(const Gutter& g, const BandShape& band, float unit, std::vector<Gutter>& kept) {
  if (LiesLeftOf(g, band, unit)) {
    kept.push_back({std::max(g.lo, band.right), g.hi, g.loEdge, g.hiEdge, std::min(g.leftmost, band.left),
                    g.rightmost, g.before, g.after});
    return Meeting::LeftOf;
  }
  if (LiesRightOf(g, band, unit)) {
    kept.push_back({g.lo, std::min(g.hi, band.left), g.loEdge, g.hiEdge, g.leftmost,
                    std::max(g.rightmost, band.right), g.before, g.after});
    return Meeting::RightOf;
  }
  return Meeting::Breaks;
}

// The chain that starts with gutter i and gap k, which overlap.
Chain ChainFrom(const std::vector<Gutter>& gutters, const std::vector<Gap>& gaps, size_t i, size_t k) {
  Chain chain{i, i + 1, k, k + 1};
  float reach = std::max(gutters[i].hi, gaps[k].hi);
  for (bool grew = true; grew;) {
    grew = false;
    for (; chain.gutterEnd < gutters.size() && gutters[chain.gutterEnd].lo < reach; ++chain.gutterEnd, grew = true) {
      reach = std::max(reach, gutters[chain.gutterEnd].hi);
    }
    for (; chain.gapEnd < gaps.size() && gaps[chain.gapEnd].lo < reach; ++chain.gapEnd, grew = true) {
      reach = std::max(reach, gaps[chain.gapEnd].hi);
    }
  }
  return chain;
}

// Columns are aligned when their left edges, their right edges or their centres line up.
bool Aligned(const Span& x, const Span& y, float tolerance) {
  return std::fabs(x.lo - y.lo) <= tolerance || std::fabs(x.hi - y.hi) <= tolerance ||
         std::fabs((x.lo + x.hi) - (y.lo + y.hi)) <= 2.0f * tolerance;
}

// Whether the band's gaps in a chain continue its gutters. The columns beside the gaps must overlap
// those beside the gutters (a row of buttons whose gap ends where a sidebar item does is no
// continuation), and in addition
//   - the columns on both sides are aligned with the gutters'; or, where one gap meets one gutter,
//   - the gap lines up with an edge of the gutter, or
//   - the column on one side is aligned and the band follows closely (an indented code block beside a
//     sidebar; not a status bar far below, whose first item starts at the window's edge like the
//     sidebar's).
// When a column appears or vanishes, the columns on both sides must be aligned.
bool CarriesOn(const std::vector<Gutter>& gutters, const std::vector<Gap>& gaps, const Chain& chain, bool near,
               float tolerance) {
  const Gutter& gFirst = gutters[chain.gutterBegin];
  const Gutter& gLast = gutters[chain.gutterEnd - 1];
  const Gap& aFirst = gaps[chain.gapBegin];
  const Gap& aLast = gaps[chain.gapEnd - 1];
  if (!aFirst.before.Overlaps(gFirst.before) || !aLast.after.Overlaps(gLast.after)) return false;
  const bool alignedBefore = Aligned(aFirst.before, gFirst.before, tolerance);
  const bool alignedAfter = Aligned(aLast.after, gLast.after, tolerance);
  if (alignedBefore && alignedAfter) return true;
  if (!chain.OneToOne()) return false;
  const bool edgeLinesUp =
      std::fabs(aFirst.lo - gFirst.loEdge) <= tolerance || std::fabs(aLast.hi - gLast.hiEdge) <= tolerance;
  return edgeLinesUp || (near && (alignedBefore || alignedAfter));
}

// Every stripe of a chain still empty with the band added stays a gutter. On the chain's outer sides it
// keeps the gutter's edge and columns when the band carries the gutter on, and takes the band's
// otherwise (a header row whose gap spans two columns gives way to the rows below it). Inside, each side
// is shaped by whichever column stands there: the band's, where a column appears within a gutter, else
// the section's.
void KeepChainStripes(const std::vector<Gutter>& gutters, const std::vector<Gap>& gaps, const Chain& chain,
                      const BandShape& band, bool carriesOn, std::vector<Gutter>& kept) {
  for (size_t gi = chain.gutterBegin, ai = chain.gapBegin; gi < chain.gutterEnd && ai < chain.gapEnd;) {
    const Gutter& g = gutters[gi];
    const Gap& a = gaps[ai];
    Gutter next{std::max(a.lo, g.lo), std::min(a.hi, g.hi), a.lo, a.hi, std::min(g.leftmost, band.left),
                std::max(g.rightmost, band.right), a.before, a.after};
    if (next.lo < next.hi) {
      if (gi == chain.gutterBegin && ai == chain.gapBegin) {
        if (carriesOn) {
          next.loEdge = g.loEdge;
          next.before = {std::min(g.before.lo, a.before.lo), std::max(g.before.hi, a.before.hi)};
        }
      } else if (a.lo <= g.lo) {
        next.loEdge = g.loEdge;
        next.before = g.before;
      }
      if (gi + 1 == chain.gutterEnd && ai + 1 == chain.gapEnd) {
        if (carriesOn) {
          next.hiEdge = g.hiEdge;
          next.after = {std::min(g.after.lo, a.after.lo), std::max(g.after.hi, a.after.hi)};
        }
      } else if (a.hi >= g.hi) {
        next.hiEdge = g.hiEdge;
        next.after = g.after;
      }
      kept.push_back(next);
    }
    if (g.hi < a.hi) {
      ++gi;
    } else {
      ++ai;
    }
  }
}

// Whether the band joins the section, from how it met each of the section's gutters.
bool Joins(const std::vector<Meeting>& meetings, bool near) {
  // One gutter carried on is enough: the band is the next row of the columns beside it.
  if (std::find(meetings.begin(), meetings.end(), Meeting::CarriesOn) != meetings.end()) return true;
  // Otherwise it keeps to one side of every gutter and leaves each intact.
  if (std::find(meetings.begin(), meetings.end(), Meeting::Breaks) != meetings.end()) return false;
  // In a middle pane (right of one gutter and left of the next) it belongs to the section however far
  // below it starts (below a picture, say); at the sides it must follow closely, or a status bar would
  // join the sidebar above it.
  const auto betweenGutters = [](Meeting a, Meeting b) { return a == Meeting::RightOf && b == Meeting::LeftOf; };
  return near || std::adjacent_find(meetings.begin(), meetings.end(), betweenGutters) != meetings.end();
}

}  // namespace

// Gathers consecutive bands into sections. A band with gaps of its own (wider than words are apart)
// opens a section whose gutters are those gaps. A later band joins it when
//   - it continues a gutter: the columns beside one of its gaps overlap those beside the gutter, and
//     its gap lines up with an edge of the gutter or those columns are aligned with the gutter's: the
//     next row of a sidebar beside a page, of two text columns, of a form or a table (the gutter
//     narrows to the overlap); columns may also appear in a gutter or vanish from it; or
//   - all its boxes start on one side of the gutters, it stays about as wide as the section on that
//     side, leaves every gutter intact and follows closely, or lies between two gutters: a paragraph
//     below a short sidebar, a line of one column beside a blank in the other (not a page below a row
//     of buttons).
// The gutters stay the stripes that are empty in every band of the section. Any other band opens the
// next section:
//
//   New   Open   Save    Settings     <- its gaps line up with no gutter below: own section
//   Folders      Weekly report
//   Inbox        The team finished    <- gap shares the right edge, columns overlap: joins
//                moved on to the      <- wholly right of the gutter: joins
//   Ready      Words: 248   Line 12   <- far below, its columns only overlap: own section
std::vector<Group> LayoutReader::Sections(const std::vector<Group>& bands) const {
  std::vector<Group> sections;
  std::vector<Gutter> gutters;
  float bottom = 0.0f;
  Span reach{0.0f, 0.0f};  // how far the section's boxes reach from left to right
  for (const Group& band : bands) {
    const BandShape shape = Shape(band);
    std::vector<Gap> gaps = GapsBetween(Strips(band));
    // Words of one row stand closer than a text height apart; a gutter between columns is wider.
    std::erase_if(gaps, [&](const Gap& a) { return a.hi - a.lo < kMinGutter * unit_; });

    std::vector<Gutter> kept;
    if (!gutters.empty() && Continues(gutters, shape, gaps, shape.top - bottom, kept)) {
      sections.back().insert(sections.back().end(), band.begin(), band.end());
      // A gap out where no band of the section reached before is empty in all of them: a gutter too
      // (a column of dates beside messages that the heading row above stopped short of).
      for (const Gap& a : gaps) {
        if (a.lo >= reach.hi || a.hi <= reach.lo) kept.push_back(Opened(a, shape));
      }
      std::sort(kept.begin(), kept.end(), [](const Gutter& x, const Gutter& y) { return x.lo < y.lo; });
      gutters = std::move(kept);
      bottom = std::max(bottom, shape.bottom);
      reach = {std::min(reach.lo, shape.left), std::max(reach.hi, shape.right)};
      continue;
    }
    sections.push_back(band);
    gutters.clear();
    for (const Gap& a : gaps) gutters.push_back(Opened(a, shape));
    bottom = shape.bottom;
    reach = {shape.left, shape.right};
  }
  return sections;
}

BandShape LayoutReader::Shape(const Group& band) const {
  const Extent& first = ext_[band.front()];
  BandShape shape{first.left, first.right, first.left, first.right, first.top, first.bottom};
  for (size_t p : band) {
    shape.left = std::min(shape.left, ext_[p].left);
    shape.right = std::max(shape.right, ext_[p].right);
    shape.lastLeft = std::max(shape.lastLeft, ext_[p].left);
    shape.firstRight = std::min(shape.firstRight, ext_[p].right);
    shape.top = std::min(shape.top, ext_[p].top);
    shape.bottom = std::max(shape.bottom, ext_[p].bottom);
  }
  return shape;
}

// Whether a band continues a section whose gutters are given, distance below its last band; kept receives
// the gutters that stay empty with the band added.
bool LayoutReader::Continues(const std::vector<Gutter>& gutters, const BandShape& band, const std::vector<Gap>& gaps,
                             float distance, std::vector<Gutter>& kept) const {
  const float tolerance = kEdgeTolerance * unit_;
  const bool near = distance <= kNearBands * unit_;
  std::vector<Meeting> meetings;
  // Gutters and gaps are both sorted and disjoint: walk them together.
  for (size_t i = 0, k = 0; i < gutters.size();) {
    while (k < gaps.size() && gaps[k].hi <= gutters[i].lo) ++k;
    if (k == gaps.size() || gaps[k].lo >= gutters[i].hi) {
      meetings.push_back(MeetWithoutGap(gutters[i], band, unit_, kept));
      ++i;
      continue;
    }
    const Chain chain = ChainFrom(gutters, gaps, i, k);
    const bool carriesOn = CarriesOn(gutters, gaps, chain, near, tolerance);
    KeepChainStripes(gutters, gaps, chain, band, carriesOn, kept);
    meetings.push_back(carriesOn ? Meeting::CarriesOn : Meeting::Breaks);
    i = chain.gutterEnd;
    k = chain.gapEnd;
  }
  return Joins(meetings, near);
}

}  // namespace vesk::layout
