#include "ocr/ink_gaps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace vesk {

namespace {

// How far a channel must differ from the background to be ink: clear of the noise of lossy screenshots
// and of gradients; the faint edge of an anti-aliased glyph may be lost, its core is not.
constexpr int kInkContrast = 48;
// The band about the middle of the line whose ink counts, in line heights either side. Every letter
// has ink there; marks that have none (a period, a comma) only split a gap in two.
constexpr float kBand = 0.25f;
// The narrowest gap, in line heights: lines of two or three characters set close give no usable cell.
constexpr double kLeastGap = 0.2;

}  // namespace

WordGaps::WordGaps(const DecodedImage& crop, float marginShare, double columnsPerStep, float cells)
    : ink_(static_cast<size_t>(std::max(crop.width, 0)), 0), columnsPerStep_(columnsPerStep), cells_(cells) {
  const float margin = std::clamp(marginShare, 0.0f, 1.0f);
  lineHeight_ = static_cast<double>(crop.height) / (1.0 + 2.0 * margin);
  if (crop.width <= 0 || crop.height <= 0 ||
      crop.pixels.size() < static_cast<size_t>(crop.width) * static_cast<size_t>(crop.height) * 3) {
    ink_.clear();  // nothing to look at: no gaps
    return;
  }
  // The background is the most common value of each channel: text covers far less of a line than the
  // ground it stands on.
  std::array<std::array<int32_t, 256>, 3> counts{};
  const size_t bytes = static_cast<size_t>(crop.width) * static_cast<size_t>(crop.height) * 3;
  for (size_t i = 0; i < bytes; ++i) ++counts[i % 3][crop.pixels[i]];
  std::array<int, 3> background{};
  for (size_t c = 0; c < 3; ++c) {
    background[c] = static_cast<int>(std::max_element(counts[c].begin(), counts[c].end()) - counts[c].begin());
  }
  // A terminal's lines stand closer than their boxes are high, so a crop holds parts of its neighbours,
  // whose ink would fill the gaps: only the band about the middle counts.
  const double middle = static_cast<double>(crop.height) / 2.0;
  const int32_t top = std::max(static_cast<int32_t>(std::floor(middle - kBand * lineHeight_)), 0);
  const int32_t bottom = std::min(std::max(static_cast<int32_t>(std::ceil(middle + kBand * lineHeight_)), top + 1),
                                  crop.height);
  for (int32_t y = top; y < bottom; ++y) {
    const uint8_t* row = crop.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(crop.width) * 3;
    for (int32_t x = 0; x < crop.width; ++x) {
      const uint8_t* p = row + static_cast<size_t>(x) * 3;
      if (std::abs(p[0] - background[0]) > kInkContrast || std::abs(p[1] - background[1]) > kInkContrast ||
          std::abs(p[2] - background[2]) > kInkContrast) {
        ink_[static_cast<size_t>(x)] = 1;
      }
    }
  }
}

bool WordGaps::operator()(int64_t before, int64_t after, double pitch) const {
  // A step's place is the middle of the columns it stands for.
  const auto column = [&](int64_t step) {
    return static_cast<int64_t>((static_cast<double>(step) + 0.5) * columnsPerStep_);
  };
  const int64_t least = std::max<int64_t>(
      static_cast<int64_t>(std::ceil(std::max(kLeastGap * lineHeight_, cells_ * pitch * columnsPerStep_))), 1);
  const int64_t first = std::max<int64_t>(column(before) + 1, 0);
  const int64_t last = std::min<int64_t>(column(after), static_cast<int64_t>(ink_.size()));
  int64_t run = 0;
  for (int64_t x = first; x < last; ++x) {
    run = ink_[static_cast<size_t>(x)] ? 0 : run + 1;
    if (run >= least) return true;
  }
  return false;
}

}  // namespace vesk
