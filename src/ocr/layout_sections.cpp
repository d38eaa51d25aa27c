// How consecutive bands of a block are gathered into sections.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "ocr/layout_reader.h"

namespace vesk::layout {
namespace {

// Distances in text heights.
constexpr float kMinGutter = 0.8f;      // the narrowest gap between columns
constexpr float kEdgeTolerance = 0.6f;  // edges this close line up
constexpr float kNearBands = 3.0f;      // the furthest a band on one side of a gutter may follow its section
// How much further out than the section's boxes on its side such a band may reach: a share of that
// side's width, plus a text height.
constexpr float kSideSlack = 0.25f;

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
      // A gap out where no band of the section reached before is empty in all of them: a gutter too
      // (a column of dates beside messages that the heading row above stopped short of).
      for (const Gap& a : gaps) {
        if (a.lo >= reach.hi || a.hi <= reach.lo) {
          kept.push_back({a.lo, a.hi, a.lo, a.hi, shape.left, shape.right, a.before, a.after});
        }
      }
      std::sort(kept.begin(), kept.end(), [](const Gutter& x, const Gutter& y) { return x.lo < y.lo; });
      gutters = std::move(kept);
      bottom = std::max(bottom, shape.bottom);
      reach = {std::min(reach.lo, shape.left), std::max(reach.hi, shape.right)};
      continue;
    }
    sections.push_back(band);
    gutters.clear();
    for (const Gap& a : gaps) gutters.push_back({a.lo, a.hi, a.lo, a.hi, shape.left, shape.right, a.before, a.after});
    bottom = shape.bottom;
    reach = {shape.left, shape.right};
  }
  return sections;
}

// Whether a band continues a section whose gutters are given, distance below its last band; kept receives
// the gutters that stay empty with the band added.
bool LayoutReader::Continues(const std::vector<Gutter>& gutters, const BandShape& band, const std::vector<Gap>& gaps,
                             float distance, std::vector<Gutter>& kept) const {
  const float tolerance = kEdgeTolerance * unit_;
  const bool near = distance <= kNearBands * unit_;
  bool continued = false;
  bool oneSided = false;
  bool broken = false;  // a gutter the band neither continues nor keeps to one side of
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
      broken = broken || !(onLeft || onRight);
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
    // of buttons whose gap ends where a sidebar item does is no continuation) and, in addition, its gap
    // lines up with an edge of the gutter, or the columns on both sides are aligned with the gutter's
    // (on their left, right or centre), or the column on one side is and the band follows closely (an
    // indented code block beside a sidebar; not a status bar far below, whose first item starts at the
    // window's edge like the sidebar's). When a column appears or vanishes, the columns on both sides
    // must be aligned.
    const Gutter& gFirst = gutters[i];
    const Gutter& gLast = gutters[gutterEnd - 1];
    const Gap& aFirst = gaps[k];
    const Gap& aLast = gaps[gapEnd - 1];
    const auto aligned = [&](const Span& x, const Span& y) {
      return std::fabs(x.lo - y.lo) <= tolerance || std::fabs(x.hi - y.hi) <= tolerance ||
             std::fabs((x.lo + x.hi) - (y.lo + y.hi)) <= 2.0f * tolerance;
    };
    const bool alignedBefore = aligned(aFirst.before, gFirst.before);
    const bool alignedAfter = aligned(aLast.after, gLast.after);
    const bool oneToOne = gutterEnd == i + 1 && gapEnd == k + 1;
    const bool edgeLinesUp = std::fabs(aFirst.lo - gFirst.loEdge) <= tolerance ||
                             std::fabs(aLast.hi - gLast.hiEdge) <= tolerance;
    const bool continues = aFirst.before.Overlaps(gFirst.before) && aLast.after.Overlaps(gLast.after) &&
                           ((alignedBefore && alignedAfter) ||
                            (oneToOne && (edgeLinesUp || (near && (alignedBefore || alignedAfter)))));
    continued = continued || continues;
    broken = broken || !continues;

    // Every stripe still empty stays a gutter. On its outer sides it keeps the gutter's edge and
    // columns when the band continues it, and takes the band's otherwise (a header row whose gap spans
    // two columns gives way to the rows below it). Inside, each side is shaped by whichever column
    // stands there: the band's, where a column appears within a gutter, else the section's.
    for (size_t gi = i, ai = k; gi < gutterEnd && ai < gapEnd;) {
      const Gutter& g = gutters[gi];
      const Gap& a = gaps[ai];
      Gutter next{std::max(a.lo, g.lo), std::min(a.hi, g.hi), a.lo, a.hi, std::min(g.leftmost, band.left),
                  std::max(g.rightmost, band.right), a.before, a.after};
      if (next.lo < next.hi) {
        if (gi == i && ai == k) {
          if (continues) {
            next.loEdge = g.loEdge;
            next.before = {std::min(g.before.lo, a.before.lo), std::max(g.before.hi, a.before.hi)};
          }
        } else if (a.lo <= g.lo) {
          next.loEdge = g.loEdge;
          next.before = g.before;
        }
        if (gi + 1 == gutterEnd && ai + 1 == gapEnd) {
          if (continues) {
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
    i = gutterEnd;
    k = gapEnd;
  }
  // A band on one side of the gutters must leave every one of them intact. In a middle pane it belongs
  // to the section however far below it starts (below a picture, say); at the sides it must follow
  // closely, or a status bar would join the sidebar above it.
  return continued || (oneSided && !broken && (betweenGutters || near));
}

float LayoutReader::SideSlack(float sideWidth) const { return kSideSlack * sideWidth + unit_; }

}  // namespace vesk::layout
