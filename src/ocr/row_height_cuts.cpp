#include "ocr/row_height_cuts.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

#include "ocr/box_measures.h"

namespace vesk {
namespace {

struct Extent {
  float left, top, right, bottom;
  float height() const { return bottom - top; }
  float centre() const { return (top + bottom) / 2; }
};

Extent ExtentOf(const DetBox& box) { return {Left(box), Top(box), Right(box), Bottom(box)}; }

// Neighbours further apart than this many of the taller one's heights belong to other fields.
constexpr float kMaxGapHeights = 3.0f;
// How far the shorter box may reach past the taller one's top or bottom, in the taller one's heights.
constexpr float kReach = 0.15f;
// A line of one or two glyphs is left as it is: the recogniser reads a lone glyph at some crop shapes
// only (see ReadEmptyLinesAgain), and a small letter alone means little.
constexpr float kLeastAspect = 3.0f;
// Only the room of ascenders is added: a line of digits or capitals stands as high as its neighbours'
// ascenders and a descender's room below changes nothing of how it reads.
constexpr float kMinRaise = 0.2f;

}  // namespace

std::vector<DetBox> RowHeightCuts(const std::vector<DetBox>& boxes, float minRatio) {
  std::vector<DetBox> cuts = boxes;
  if (minRatio <= 0.0f) return cuts;
  std::vector<Extent> extents;
  extents.reserve(boxes.size());
  for (const DetBox& box : boxes) extents.push_back(ExtentOf(box));
  // By centre, so that the boxes a row could share are found by two binary searches.
  std::vector<size_t> byCentre(boxes.size());
  std::iota(byCentre.begin(), byCentre.end(), size_t{0});
  std::sort(byCentre.begin(), byCentre.end(),
            [&](size_t a, size_t b) { return extents[a].centre() < extents[b].centre(); });
  for (size_t i = 0; i < boxes.size(); ++i) {
    const Extent& e = extents[i];
    if (!IsUpright(boxes[i]) || e.height() <= 0.0f || e.right - e.left < kLeastAspect * e.height()) continue;
    // A neighbour at most twice as high, holding this box, has its centre within one height of it.
    const auto first = std::lower_bound(byCentre.begin(), byCentre.end(), e.centre() - e.height(),
                                        [&](size_t k, float y) { return extents[k].centre() < y; });
    const Extent* best = nullptr;
    float bestGap = 0.0f;
    for (auto it = first; it != byCentre.end() && extents[*it].centre() <= e.centre() + e.height(); ++it) {
      const Extent& n = extents[*it];
      if (*it == i || !IsUpright(boxes[*it])) continue;
      if (n.height() < minRatio * e.height() || n.height() > 2.0f * e.height()) continue;
      const float reach = kReach * n.height();
      if (e.top < n.top - reach || e.bottom > n.bottom + reach) continue;
      const float gap = std::max(n.left - e.right, e.left - n.right);
      if (gap > kMaxGapHeights * n.height()) continue;
      if (best == nullptr || gap < bestGap) {
        best = &n;
        bestGap = gap;
      }
    }
    if (best == nullptr) continue;
    const float raise = e.top - best->top;
    if (raise < kMinRaise * best->height()) continue;
    cuts[i].points[0].y -= raise;
    cuts[i].points[1].y -= raise;
  }
  return cuts;
}

}  // namespace vesk
