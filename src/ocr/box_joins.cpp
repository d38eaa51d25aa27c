#include "ocr/box_joins.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <tuple>
#include <utility>

#include "ocr/box_measures.h"
#include "ocr/cell_grid.h"
#include "ocr/screen_luma.h"

namespace vesk {

namespace {

// The smaller box's height that must lie inside the larger one's, and how much taller the larger may be
// (a lone digit or a dash is boxed lower than a word with ascenders and descenders).
constexpr float kMinVerticalShare = 0.7f;
constexpr float kMaxHeightRatio = 2.2f;
// The most two pieces may overlap sideways, in heights: more is not a split line but two boxes on top
// of each other.
constexpr float kMaxOverlap = 0.6f;
// The widest blank between the letters of two pieces, in heights of the line: a monospace word space
// (one cell and the letters' side bearings) stays under it, two cells of a padded column, the items of
// a menu or navigation bar and tags side by side lie beyond it, even where the detector's boxes touch.
constexpr float kMaxInkGap = 1.0f;
// How far from the gap the blank is followed (in heights).
constexpr float kInkSearch = 2.0f;
// How far beyond two pieces their row is searched for a monospace font's cells, in heights.
constexpr float kCombReach = 8.0f;
// The most two backgrounds may differ in luma and still be one: a button's face and the dialog around
// it differ by 10 or more.
constexpr int kSameBackground = 6;

struct Extent {
  float x0, y0, x1, y1;
  float height() const { return y1 - y0; }
  float middle() const { return (y0 + y1) / 2.0f; }
};

Extent ExtentOf(const DetBox& box) { return {Left(box), Top(box), Right(box), Bottom(box)}; }

bool OnOneLine(const Extent& left, const Extent& right, float maxGap) {
  const float lower = std::min(left.height(), right.height());
  const float taller = std::max(left.height(), right.height());
  if (lower <= 0.0f || taller > kMaxHeightRatio * lower) return false;
  const float shared = std::min(left.y1, right.y1) - std::max(left.y0, right.y0);
  if (shared < kMinVerticalShare * lower) return false;
  const float gap = right.x0 - left.x1;
  return gap <= maxGap * taller && gap >= -kMaxOverlap * taller && right.x1 > left.x1;
}

// The band of the letters two pieces share (its middle part, so that a neighbouring line's ink stays
// out) and the background there, taken in the middle of the gap between their boxes.
struct InkBand {
  int32_t y0, y1;
  float height;
  float centre;
  Colour background;
};

InkBand BandOf(const DecodedImage& image, const Extent& left, const Extent& right) {
  const float top = std::max(left.y0, right.y0);
  const float bottom = std::min(left.y1, right.y1);
  const float height = bottom - top;
  const int32_t y0 = std::clamp(static_cast<int32_t>(top + 0.2f * height), 0, image.height - 1);
  const int32_t y1 = std::clamp(static_cast<int32_t>(bottom - 0.2f * height), y0, image.height - 1);
  const float centre = (left.x1 + right.x0) / 2.0f;
  const Colour background = PixelColour(image, static_cast<int32_t>(centre), static_cast<int32_t>((top + bottom) / 2.0f));
  return {y0, y1, height, centre, background};
}

bool Inked(const DecodedImage& image, const InkBand& band, int32_t x) {
  for (int32_t y = band.y0; y <= band.y1; ++y) {
    if (ColourDistance(PixelColour(image, x, y), band.background) > kInkContrast) {
      return true;
    }
  }
  return false;
}

// The blank run [from, to] between the letters of two pieces: from the middle of the gap between their
// boxes out to the first column on either side with ink in the band, at most kInkSearch heights far.
std::pair<int32_t, int32_t> BlankRun(const DecodedImage& image, const InkBand& band) {
  const int32_t reach = static_cast<int32_t>(std::ceil(kInkSearch * band.height));
  const int32_t middle = std::clamp(static_cast<int32_t>(band.centre), 0, image.width - 1);
  int32_t from = middle;
  while (from > 0 && middle - from < reach && !Inked(image, band, from - 1)) --from;
  int32_t to = middle;
  while (to + 1 < image.width && to - middle < reach && !Inked(image, band, to + 1)) ++to;
  return {from, to};
}

// The width of the blank between the letters of two pieces, in heights of the shared band. The boxes'
// own gap says little: the room the detector leaves around the letters grows with the box.
float InkGap(const DecodedImage& image, const Extent& left, const Extent& right) {
  const InkBand band = BandOf(image, left, right);
  const auto [from, to] = BlankRun(image, band);
  return static_cast<float>(to - from + 1) / band.height;
}

// The pixels from x0 to x1 on the rows from y0 to y1, clamped into the picture.
struct PixelRect {
  int32_t left, right, top, bottom;
};

PixelRect ClampedRect(const DecodedImage& image, float x0, float x1, float y0, float y1) {
  const int32_t left = std::clamp(static_cast<int32_t>(x0), 0, image.width - 1);
  const int32_t right = std::clamp(static_cast<int32_t>(x1), left, image.width - 1);
  const int32_t top = std::clamp(static_cast<int32_t>(y0), 0, image.height - 1);
  const int32_t bottom = std::clamp(static_cast<int32_t>(y1), top, image.height - 1);
  return {left, right, top, bottom};
}

// The luma that most of the pixels of a box's extent show: where text stands, its background.
int BackgroundOf(const DecodedImage& image, const Extent& e) {
  const PixelRect r = ClampedRect(image, e.x0, e.x1, e.y0, e.y1);
  std::array<int32_t, 256> counts{};
  for (int32_t y = r.top; y <= r.bottom; ++y) {
    for (int32_t x = r.left; x <= r.right; ++x) ++counts[static_cast<size_t>(Luma(image, x, y))];
  }
  return static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

// The widest blank run between the middles of two pieces; an empty run (from > to) when there is none.
std::pair<int32_t, int32_t> WidestBlankRun(const DecodedImage& image, const InkBand& band, const Extent& left,
                                           const Extent& right) {
  const int32_t first = std::clamp(static_cast<int32_t>((left.x0 + left.x1) / 2.0f), 0, image.width - 1);
  const int32_t last = std::clamp(static_cast<int32_t>((right.x0 + right.x1) / 2.0f), first, image.width - 1);
  std::pair<int32_t, int32_t> widest{0, -1};
  int32_t start = -1;
  for (int32_t x = first; x <= last; ++x) {
    if (Inked(image, band, x)) {
      start = -1;
      continue;
    }
    if (start < 0) start = x;
    if (x - start > widest.second - widest.first) widest = {start, x};
  }
  return widest;
}

// Which blank between two pieces the cells are counted in, and how many of them join the pieces.
enum class CountedBlank {
  AtTheGap,  // the run the boxes' gap lies in, exactly one cell
  Widest,    // the widest run between the pieces' middles, at most one cell
};

// Whether the two pieces are words of one monospace row with one blank cell between their letters (see
// CountedBlank), judged on the pieces alone and, failing that, on their row some way beyond both or
// beyond one of them: a month and a day ("Nov 22") are too few letters to tell a font's cells by, the
// listing's other fields around them are not, though a window's edge or another window's text there may
// break the comb, often on one side only.
bool CellsApart(const DecodedImage& image, const Extent& left, const Extent& right, CountedBlank counted) {
  InkBand band = BandOf(image, left, right);
  auto [from, to] = BlankRun(image, band);
  const float taller = std::max(left.height(), right.height());
  if (counted == CountedBlank::Widest) {
    // The middle of the boxes' gap may fall on the letters the detector missed. Without any there, the
    // blank between the boxes is the one counted at the gap.
    const PixelRect r = ClampedRect(image, left.x0, left.x1, left.y0, left.y1);
    band.background = BackgroundColour(image, r.left, r.right, r.top, r.bottom);
    bool missed = false;
    for (int32_t x = std::max(static_cast<int32_t>(left.x1) + 1, 0);
         x < std::min(static_cast<int32_t>(right.x0), image.width) && !missed; ++x) {
      missed = Inked(image, band, x);
    }
    if (!missed) return false;
    std::tie(from, to) = WidestBlankRun(image, band, left, right);
    if (from > to) return true;
    // Three of the widest cells tried hold two whole ones wherever the comb falls.
    if (static_cast<float>(to - from + 1) >= 3.0f * kWidestCell * taller) return false;
  }
  const auto apart = [&](float reachLeft, float reachRight) {
    const int32_t first = std::clamp(static_cast<int32_t>(left.x0), 0, image.width - 1);
    const int32_t last = std::clamp(static_cast<int32_t>(right.x1), first, image.width - 1);
    const int32_t x0 = std::clamp(static_cast<int32_t>(left.x0 - reachLeft), 0, first);
    const int32_t x1 = std::clamp(static_cast<int32_t>(right.x1 + reachRight), last, image.width - 1);
    std::vector<bool> inked(static_cast<size_t>(x1 - x0 + 1));
    for (int32_t x = x0; x <= x1; ++x) inked[static_cast<size_t>(x - x0)] = Inked(image, band, x);
    const std::vector<int32_t> cells =
        BlankCellsBetween(inked, first - x0, last - x0 + 1, from - x0, to - x0 + 1, band.height, taller);
    if (cells.empty()) return std::optional<bool>();
    return std::optional<bool>(std::any_of(
        cells.begin(), cells.end(), [&](int32_t n) { return counted == CountedBlank::AtTheGap ? n == 1 : n <= 1; }));
  };
  if (apart(0.0f, 0.0f).value_or(false)) return true;
  const float reach = kCombReach * band.height;
  const std::optional<bool> row = apart(reach, reach);
  if (row) return *row;
  return apart(reach, 0.0f).value_or(false) || apart(0.0f, reach).value_or(false);
}

// Whether both pieces and every column between them show one background: text in two buttons, or in
// cells of other fills, is not one line whatever the comb says, nor is text on either side of a rule.
bool OnOneBackground(const DecodedImage& image, const Extent& left, const Extent& right) {
  const int ground = BackgroundOf(image, left);
  if (std::abs(BackgroundOf(image, right) - ground) > kSameBackground) return false;
  const int32_t top = std::clamp(static_cast<int32_t>(std::max(left.y0, right.y0)), 0, image.height - 1);
  const int32_t bottom = std::clamp(static_cast<int32_t>(std::min(left.y1, right.y1)), top, image.height - 1);
  const int32_t first = std::clamp(static_cast<int32_t>(left.x1), 0, image.width - 1);
  const int32_t last = std::clamp(static_cast<int32_t>(right.x0), first, image.width - 1);
  for (int32_t x = first; x <= last; ++x) {
    bool shown = false;
    for (int32_t y = top; y <= bottom && !shown; ++y) shown = std::abs(Luma(image, x, y) - ground) <= kSameBackground;
    if (!shown) return false;
  }
  return true;
}

size_t Root(std::vector<size_t>& parent, size_t i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

}  // namespace

std::vector<DetBox> JoinLinePieces(std::vector<DetBox> boxes, float maxGap, const DecodedImage& image,
                                   std::span<const DetBox> uprightFits, float cellGap, float cellSpan) {
  if (!(maxGap > 0.0f) || boxes.size() < 2) return boxes;
  const bool fitted = uprightFits.size() == boxes.size();
  const auto asJoined = [&](size_t i) -> const DetBox& { return fitted ? uprightFits[i] : boxes[i]; };
  std::vector<Extent> extents;
  extents.reserve(boxes.size());
  for (size_t i = 0; i < boxes.size(); ++i) extents.push_back(ExtentOf(asJoined(i)));

  // Pieces of a line lie in one narrow band of middles: sorted by middle, a box only looks at the boxes
  // whose middles are within its own height, which on a screen are the boxes of its row.
  std::vector<size_t> byMiddle;
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (IsUpright(asJoined(i))) byMiddle.push_back(i);
  }
  std::sort(byMiddle.begin(), byMiddle.end(),
            [&](size_t a, size_t b) { return extents[a].middle() < extents[b].middle(); });

  std::vector<size_t> parent(boxes.size());
  std::iota(parent.begin(), parent.end(), size_t{0});
  bool joined = false;
  for (size_t k = 0; k < byMiddle.size(); ++k) {
    const Extent& a = extents[byMiddle[k]];
    for (size_t m = k + 1; m < byMiddle.size(); ++m) {
      const Extent& b = extents[byMiddle[m]];
      if (b.middle() - a.middle() > std::max(a.height(), b.height())) break;
      const bool aLeft = a.x0 <= b.x0;
      const Extent& left = aLeft ? a : b;
      const Extent& right = aLeft ? b : a;
      // A piece that joins as its upright fit only does so in a monospace row: a list's narrow columns
      // stand as close as a terminal's words, and only a box its letters turned would join them.
      const bool turned = !IsUpright(boxes[byMiddle[k]]) || !IsUpright(boxes[byMiddle[m]]);
      const bool words = !turned && OnOneLine(left, right, maxGap) && InkGap(image, left, right) <= kMaxInkGap;
      const auto cells = [&] {
        return cellGap > 0.0f && OnOneLine(left, right, std::max(maxGap, cellGap)) &&
               CellsApart(image, left, right, CountedBlank::AtTheGap);
      };
      const auto spanned = [&] {
        return cellGap > 0.0f && cellSpan > 0.0f && OnOneLine(left, right, cellSpan) &&
               OnOneBackground(image, left, right) && CellsApart(image, left, right, CountedBlank::Widest);
      };
      if (!words && !cells() && !spanned()) continue;
      parent[Root(parent, byMiddle[k])] = Root(parent, byMiddle[m]);
      joined = true;
    }
  }
  if (!joined) return boxes;

  // Each group becomes the rectangle around its pieces, in the place of its first piece.
  std::vector<Extent> around(boxes.size());
  std::vector<float> scoreSum(boxes.size(), 0.0f);
  std::vector<float> widthSum(boxes.size(), 0.0f);
  std::vector<size_t> first(boxes.size(), boxes.size());
  std::vector<size_t> pieces(boxes.size(), 0);
  for (size_t i = 0; i < boxes.size(); ++i) {
    const size_t r = Root(parent, i);
    const Extent& e = extents[i];
    ++pieces[r];
    if (first[r] == boxes.size()) {
      first[r] = i;
      around[r] = e;
    } else {
      around[r] = {std::min(around[r].x0, e.x0), std::min(around[r].y0, e.y0), std::max(around[r].x1, e.x1),
                   std::max(around[r].y1, e.y1)};
    }
    const float width = std::max(e.x1 - e.x0, 1.0f);
    scoreSum[r] += boxes[i].score * width;
    widthSum[r] += width;
  }
  std::vector<DetBox> out;
  out.reserve(boxes.size());
  for (size_t i = 0; i < boxes.size(); ++i) {
    const size_t r = Root(parent, i);
    if (first[r] != i) continue;
    if (pieces[r] == 1) {
      out.push_back(boxes[i]);
      continue;
    }
    DetBox box;
    const Extent& e = around[r];
    box.points = {Point2f{e.x0, e.y0}, Point2f{e.x1, e.y0}, Point2f{e.x1, e.y1}, Point2f{e.x0, e.y1}};
    box.score = scoreSum[r] / widthSum[r];
    out.push_back(box);
  }
  return out;
}

}  // namespace vesk
