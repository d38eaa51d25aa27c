// Whether strips side by side are read as one grid, row by row, or one after the other.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "ocr/layout_reader.h"

namespace vesk::layout {
namespace {

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
// Lines of text pair up with the rows beside them when this share of them sits squarely on one.
constexpr float kOneToOne = 0.9f;
// The widest gap between the fields of a listing, in text heights: two or three characters.
constexpr float kFieldGap = 2.0f;
// Boxes at most this many times as high as each other are of one text size.
constexpr float kAlikeHeights = 1.25f;
// A time, a date or a setting's value (a size, a choice of two words): at most this many heights wide.
constexpr float kShortItem = 10.0f;
// Strips at the end of a column that a strip beside it is judged with.
constexpr size_t kGridContext = 2;
// Windows side by side stand at least this far apart, in text heights.
constexpr float kWindowGap = 3.0f;
// Boxes whose middles lie this close, in parts of the taller height, stand on one row.
constexpr float kSameRow = 0.5f;
// Candidates looked at for a row partner; beyond it a box counts as without one.
constexpr size_t kPartnerScan = 64;

}  // namespace

// Neighbouring strips that form one grid are read together, row by row; the others one after the other.
// A strip is judged beside the end of the column it would join, its last kGridContext strips: a card's
// date, a strip of its own, hardly stands beside the next card, but the card it belongs to does; the
// times of a conversation list take no turns with the chat beside it as its names do not. (The whole
// column would cost a pass over it for every strip of a wide table.)
std::vector<Group> LayoutReader::ColumnGroups(const std::vector<Group>& strips) const {
  const std::vector<Gap> gaps = GapsBetween(strips);
  std::vector<Group> columns{strips.front()};
  size_t first = 0;  // the first strip of the last column
  for (size_t i = 1; i < strips.size(); ++i) {
    Group end;
    for (size_t k = std::max(first, i - std::min(i, kGridContext)); k < i; ++k) {
      end.insert(end.end(), strips[k].begin(), strips[k].end());
    }
    if (!ApartAsWindows(strips, i, gaps) && ReadAsOneGrid(end, strips[i])) {
      columns.back().insert(columns.back().end(), strips[i].begin(), strips[i].end());
    } else {
      columns.push_back(strips[i]);
      first = i;
    }
  }
  return columns;
}

// Windows side by side whose lines happen to share their rows (two terminals in one font): a wide gap
// parts two sides that each hold columns of their own under lines that run across them, each side the
// strips up to the next wide gap. The strips of a table or form hold none.
bool LayoutReader::ApartAsWindows(const std::vector<Group>& strips, size_t i, const std::vector<Gap>& gaps) const {
  const auto wide = [&](size_t gap) { return gaps[gap].hi - gaps[gap].lo >= kWindowGap * unit_; };
  if (!wide(i - 1)) return false;
  Group left = strips[i - 1], right = strips[i];
  for (size_t k = i - 1; k > 0 && !wide(k - 1); --k) {
    left.insert(left.end(), strips[k - 1].begin(), strips[k - 1].end());
  }
  for (size_t k = i + 1; k < strips.size() && !wide(k - 1); ++k) {
    right.insert(right.end(), strips[k].begin(), strips[k].end());
  }
  return HoldsColumns(left) && HoldsColumns(right);
}

// The end of the column read so far (a) and the strip right of it (b) are one grid, read row by row, when
//   - they take turns: hardly a box of one stands beside a box of the other (chat bubbles left and
//     right; reading by rows keeps their order from the top down); or
//   - neither is running text, and their boxes pair up on shared rows: nearly every box of the smaller
//     strip, and a good part of the larger one's beside it, has a partner on its row, and the rows agree
//     closely (a form's labels and values, the columns of a table; not a sidebar whose items drift
//     past the rows of the table beside it).
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
  // Short items set flush right that each sit exactly on a row of the strip beside them (the time of
  // each entry of a message list, whose subject and preview lines stand below the sender; a setting's
  // value, whose description stands below its label) belong to those rows.
  const float flush = ext_[b.front()].right;
  if (b.size() >= 2 && std::all_of(b.begin(), b.end(), [&](size_t p) {
        return ext_[p].Width() <= kShortItem * ext_[p].Height() && std::fabs(ext_[p].right - flush) <= unit_;
      })) {
    const std::vector<float> partners = RowOffsets(b, a);
    if (std::all_of(partners.begin(), partners.end(), [](float d) { return d <= kRowDriftFew; })) return true;
  }
  const bool proseA = IsProse(a), proseB = IsProse(b);
  // The file names of a listing are as long and as tightly set as running text, but they follow the
  // column beside them at a word's distance and each sits exactly on one of its rows; a pane of text
  // stands further from a sidebar, and another text column is text too.
  if (proseA != proseB) {
    const bool close = Reach(b).lo - Reach(a).hi <= kFieldGap * unit_;
    return close && (proseA ? PairsLineForLine(a, b) : PairsLineForLine(b, a));
  }
  if (proseA) return false;
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

// Nearly every line of the text strip sits squarely on a row of the other strip, and a good part of the
// other strip's boxes beside it have a line on their row (a name may be missing where detection found
// no text).
bool LayoutReader::PairsLineForLine(const Group& text, const Group& other) const {
  const auto squarely = [](const std::vector<float>& offsets, float drift) {
    return static_cast<float>(std::count_if(offsets.begin(), offsets.end(), [&](float d) { return d <= drift; }));
  };
  if (squarely(RowOffsets(text, other), kRowDriftFew) < kOneToOne * static_cast<float>(text.size())) return false;
  const Group facing = CentredWithin(other, VerticalSpan(text));
  return squarely(RowOffsets(facing, text), kRowTolerance) >= kAlignedLarge * static_cast<float>(facing.size());
}

// The span of a group's boxes between two of their edges.
Span LayoutReader::SpanOf(const Group& group, float Extent::*low, float Extent::*high) const {
  Span span{ext_[group.front()].*low, ext_[group.front()].*high};
  for (size_t p : group) {
    span.lo = std::min(span.lo, ext_[p].*low);
    span.hi = std::max(span.hi, ext_[p].*high);
  }
  return span;
}

Span LayoutReader::Reach(const Group& group) const { return SpanOf(group, &Extent::left, &Extent::right); }

Span LayoutReader::VerticalSpan(const Group& group) const { return SpanOf(group, &Extent::top, &Extent::bottom); }

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

// At least kPaneLines rows of the strip are parted by gutters that another line of the strip runs across,
// reaching a text height past both edges: a window's own table under its other lines. The cells of a
// table column only overlap the cells beside them a little (a number set flush right below its heading).
bool LayoutReader::HoldsColumns(const Group& strip) const {
  // How far right the boxes that start left of a place reach, by place.
  Group byLeft = strip;
  std::sort(byLeft.begin(), byLeft.end(), [&](size_t x, size_t y) { return ext_[x].left < ext_[y].left; });
  std::vector<float> lefts, reach;
  for (size_t p : byLeft) {
    lefts.push_back(ext_[p].left);
    reach.push_back(std::max(reach.empty() ? ext_[p].right : reach.back(), ext_[p].right));
  }
  const auto runAcross = [&](float lo, float hi) {
    if (hi - lo < kMinGutter * unit_) return false;
    const auto it = std::upper_bound(lefts.begin(), lefts.end(), lo - unit_);
    return it != lefts.begin() && reach[static_cast<size_t>(it - lefts.begin()) - 1] >= hi + unit_;
  };
  size_t parted = 0;
  for (Group& row : RowsByMiddle(strip)) {
    std::sort(row.begin(), row.end(), [&](size_t x, size_t y) { return ext_[x].left < ext_[y].left; });
    for (size_t i = 1; i < row.size(); ++i) {
      if (runAcross(ext_[row[i - 1]].right, ext_[row[i]].left)) {
        ++parted;
        break;
      }
    }
  }
  return parted >= kPaneLines;
}

// Rows by their middles, not bands: the lines of a terminal in a small font overlap those above and
// below.
std::vector<Group> LayoutReader::RowsByMiddle(const Group& group) const {
  Group byMiddle = group;
  std::sort(byMiddle.begin(), byMiddle.end(), [&](size_t x, size_t y) { return ext_[x].cy < ext_[y].cy; });
  std::vector<Group> rows;
  for (size_t p : byMiddle) {
    const Extent& e = ext_[p];
    const Extent* first = rows.empty() ? nullptr : &ext_[rows.back().front()];
    if (first == nullptr || e.cy - first->cy > kSameRow * std::max(e.Height(), first->Height())) rows.emplace_back();
    rows.back().push_back(p);
  }
  return rows;
}

// How many boxes of a share some height with a box of b.
size_t LayoutReader::CountBeside(const Group& a, const Group& b) const {
  const std::vector<Span> spans = VerticalCover(b);  // disjoint and sorted
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
      // Cells of one row share their middle; cells of different heights (a word in capitals beside a
      // word with descenders, a larger figure) may share their top or bottom instead.
      const bool alike = std::max(e.Height(), o.Height()) <= kAlikeHeights * std::min(e.Height(), o.Height());
      const float apart =
          alike ? std::fabs(o.cy - e.cy)
                : std::min({std::fabs(o.cy - e.cy), std::fabs(o.top - e.top), std::fabs(o.bottom - e.bottom)});
      const float offset = apart / std::max({e.Height(), o.Height(), 1.0f});
      if (offset <= kRowTolerance) best = std::min(best, offset);
    }
    offsets.push_back(best);
  }
  return offsets;
}

}  // namespace vesk::layout
