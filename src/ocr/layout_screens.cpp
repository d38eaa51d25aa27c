// Monitors side by side: where a picture of several screens is cut into them.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ocr/layout_reader.h"

namespace vesk::layout {
namespace {

// Widths of common screens, in pixels. A capture of screens side by side at their own resolution is
// as wide as its screens together, and they meet where their widths add up.
constexpr std::array<int32_t, 14> kScreenWidths = {1024, 1152, 1280, 1366, 1440, 1536, 1600,
                                                   1680, 1920, 2048, 2560, 2880, 3440, 3840};
// Splits into common widths are searched for pictures of at most this many screens (at most 14^3 splits).
constexpr size_t kMaxCommonScreens = 4;

// The empty stripe that holds x, or none.
const Gap* StripeAt(const std::vector<Gap>& gaps, float x) {
  const auto it = std::lower_bound(gaps.begin(), gaps.end(), x, [](const Gap& g, float v) { return g.hi < v; });
  return it != gaps.end() && it->lo <= x ? &*it : nullptr;
}

// Splits the picture from `from` on into `screens` screens of common widths whose every seam lies in an
// empty stripe; keeps in best the split whose screens' text starts closest to their left edges (a
// screen's text starts a margin from its edge; a gutter inside a screen may be wide enough to hold the
// seam of another split).
struct CommonSplit {
  const std::vector<Gap>& gaps;
  int32_t width;
  std::vector<const Gap*> seams, best;
  float bestMargins = 0.0f;

  void Search(int32_t from, size_t screens, float margins) {
    if (screens == 1) {
      const bool common = std::find(kScreenWidths.begin(), kScreenWidths.end(), width - from) != kScreenWidths.end();
      if (common && (best.empty() || margins < bestMargins)) {
        best = seams;
        bestMargins = margins;
      }
      return;
    }
    for (int32_t w : kScreenWidths) {
      const float seam = static_cast<float>(from + w);
      const Gap* stripe = from + w < width ? StripeAt(gaps, seam) : nullptr;
      if (stripe == nullptr) continue;
      seams.push_back(stripe);
      Search(from + w, screens - 1, margins + (stripe->hi - seam));
      seams.pop_back();
    }
  }
};

}  // namespace

// Screens side by side are read one after the other, each in full, before anything that could cut
// across them (bars at one height on both, rows of cards). The picture is taken to hold as many
// screens as it is kScreenAspect heights wide. It is cut where screens of common widths meet when every
// such seam lies in an empty stripe through its whole height (see CommonSplit), otherwise at the widest
// empty stripe near where screens of equal width would meet.
bool LayoutReader::ReadScreens(const Group& block, int depth) {
  if (screens_ < 2) return false;
  const std::vector<Group> strips = Strips(block);
  if (strips.size() < 2) return false;
  const std::vector<Gap> gaps = GapsBetween(strips);
  std::vector<size_t> seams;  // a seam after strip seams[i]
  CommonSplit common{gaps, picture_.width, {}, {}};
  if (screens_ <= kMaxCommonScreens) common.Search(0, screens_, 0.0f);
  for (const Gap* stripe : common.best) seams.push_back(static_cast<size_t>(stripe - gaps.data()));
  for (size_t s = 1; common.best.empty() && s < screens_; ++s) {
    const float meet = static_cast<float>(picture_.width) * static_cast<float>(s) / static_cast<float>(screens_);
    const auto away = [&](const Gap& g) { return meet < g.lo ? g.lo - meet : std::max(0.0f, meet - g.hi); };
    // Screens differ in width: of the stripes near that place the widest, for a seam is the margins of
    // two screens together.
    const float window = kSeamWindow * static_cast<float>(picture_.width) / static_cast<float>(screens_);
    const auto better = [&](const Gap& a, const Gap& b) {
      const bool nearA = away(a) <= window, nearB = away(b) <= window;
      if (nearA != nearB) return nearA;
      return nearA ? a.hi - a.lo > b.hi - b.lo : away(a) < away(b);
    };
    seams.push_back(static_cast<size_t>(std::min_element(gaps.begin(), gaps.end(), better) - gaps.begin()));
  }
  std::sort(seams.begin(), seams.end());
  seams.erase(std::unique(seams.begin(), seams.end()), seams.end());
  Group screen;
  for (size_t i = 0, k = 0; i < strips.size(); ++i) {
    screen.insert(screen.end(), strips[i].begin(), strips[i].end());
    if (i + 1 == strips.size() || (k < seams.size() && seams[k] == i)) {
      ReadBlock(std::move(screen), depth + 1);
      screen.clear();
      if (k < seams.size() && seams[k] == i) ++k;
    }
  }
  return true;
}

}  // namespace vesk::layout
