#include "ocr/ink_gaps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace vesk {

namespace {

// How far a channel must differ from the background to be more than noise (lossy screenshots,
// gradients).
constexpr int kNoise = 16;
// Ink is a pixel that differs from the background by more than this share of the line's own contrast
// (what the strongest tenth of its pixels above the noise reach): the thin strokes of small
// anti-aliased text ("l", "1") are half-covered pixels, far fainter than the text's core.
constexpr int kContrastShare = 40;  // per cent
// The band about the middle of the line whose ink counts, in line heights above and below the middle:
// down to the baseline, so that every letter and a period or comma have ink there, and clear of a
// terminal's neighbouring lines.
constexpr float kBandAbove = 0.25f;
constexpr float kBandBelow = 0.35f;
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
  const int32_t top = std::max(static_cast<int32_t>(std::floor(middle - kBandAbove * lineHeight_)), 0);
  const int32_t bottom = std::min(std::max(static_cast<int32_t>(std::ceil(middle + kBandBelow * lineHeight_)), top + 1),
                                  crop.height);
  const auto deviation = [&](const uint8_t* p) {
    return std::max({std::abs(p[0] - background[0]), std::abs(p[1] - background[1]), std::abs(p[2] - background[2])});
  };
  const auto pixel = [&](int32_t x, int32_t y) {
    return crop.pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(crop.width) + static_cast<size_t>(x)) * 3;
  };
  std::array<int32_t, 256> deviations{};
  int32_t aboveNoise = 0;
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = 0; x < crop.width; ++x) {
      const int d = deviation(pixel(x, y));
      if (d > kNoise) {
        ++deviations[static_cast<size_t>(d)];
        ++aboveNoise;
      }
    }
  }
  int contrast = 255;
  for (int32_t seen = 0; contrast > kNoise; --contrast) {
    seen += deviations[static_cast<size_t>(contrast)];
    if (seen * 10 >= aboveNoise) break;
  }
  const int threshold = std::max(kNoise, contrast * kContrastShare / 100);
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = 0; x < crop.width; ++x) {
      if (deviation(pixel(x, y)) > threshold) ink_[static_cast<size_t>(x)] = 1;
    }
  }
}

int64_t WordGaps::BlankColumns(int64_t before, int64_t after) const {
  // A step's place is the middle of the columns it stands for.
  const auto column = [&](int64_t step) {
    return static_cast<int64_t>((static_cast<double>(step) + 0.5) * columnsPerStep_);
  };
  const int64_t first = std::max<int64_t>(column(before) + 1, 0);
  const int64_t last = std::min<int64_t>(column(after), static_cast<int64_t>(ink_.size()));
  int64_t run = 0;
  int64_t widest = 0;
  for (int64_t x = first; x < last; ++x) {
    run = ink_[static_cast<size_t>(x)] ? 0 : run + 1;
    widest = std::max(widest, run);
  }
  return widest;
}

bool WordGaps::operator()(int64_t before, int64_t after, double pitch) const {
  const int64_t least = std::max<int64_t>(
      static_cast<int64_t>(std::ceil(std::max(kLeastGap * lineHeight_, cells_ * pitch * columnsPerStep_))), 1);
  return BlankColumns(before, after) >= least;
}

double WordGaps::Blank(int64_t before, int64_t after) const {
  return lineHeight_ > 0.0 ? static_cast<double>(BlankColumns(before, after)) / lineHeight_ : 0.0;
}

}  // namespace vesk
