#include "ocr/ink_gaps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

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
// How far below the middle a point's or a comma's columns are looked for, in line heights (the room
// further down may hold a neighbour's ink), and how large a point or a comma is at most.
constexpr double kTailBelow = 0.5;
constexpr double kPointSize = 0.4;
// A point the recogniser takes for a comma is a bitmap font's, whose core is three pixels wide or
// more; a small anti-aliased comma's core is two wide, and otherwise looks the same as such a point.
constexpr int64_t kLeastPointWidth = 3;
// How far below the baseline a point may reach, in line heights (never less than a pixel); it also
// reaches no lower than a third of its height.
constexpr double kPointBelow = 0.1;
// How far a comma's lowest row lies left of its highest at least, in pixels: a point's rows are centred
// alike, give or take the blur of the resampled crop (a small comma's drift 0.6).
constexpr double kLeastDrift = 0.45;
// How much ink a point's top row holds at most, as a share of its heaviest row (a cross's 0.16 to 0.32
// measured; a small comma's head 0.67 and more).
constexpr double kPointTopShare = 0.5;
// How far from the middle the line's own ink reaches, in line heights, and how large a colon's dot
// is at most.
constexpr double kLineReach = 0.45;
constexpr double kDotSize = 0.3;

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
  crop_ = &crop;
  // The background is the most common value of each channel: text covers far less of a line than the
  // ground it stands on.
  std::array<std::array<int32_t, 256>, 3> counts{};
  const size_t bytes = static_cast<size_t>(crop.width) * static_cast<size_t>(crop.height) * 3;
  for (size_t i = 0; i < bytes; ++i) ++counts[i % 3][crop.pixels[i]];
  for (size_t c = 0; c < 3; ++c) {
    background_[c] = static_cast<int>(std::max_element(counts[c].begin(), counts[c].end()) - counts[c].begin());
  }
  // A terminal's lines stand closer than their boxes are high, so a crop holds parts of its neighbours,
  // whose ink would fill the gaps: only the band about the middle counts.
  const double middle = static_cast<double>(crop.height) / 2.0;
  const int32_t top = std::max(static_cast<int32_t>(std::floor(middle - kBandAbove * lineHeight_)), 0);
  const int32_t bottom = std::min(std::max(static_cast<int32_t>(std::ceil(middle + kBandBelow * lineHeight_)), top + 1),
                                  crop.height);
  std::array<int32_t, 256> deviations{};
  int32_t aboveNoise = 0;
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = 0; x < crop.width; ++x) {
      const int d = Deviation(x, y);
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
  threshold_ = std::max(kNoise, contrast * kContrastShare / 100);
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = 0; x < crop.width; ++x) {
      if (Deviation(x, y) > threshold_) ink_[static_cast<size_t>(x)] = 1;
    }
  }
}

int WordGaps::Deviation(int32_t x, int32_t y) const {
  const uint8_t* p =
      crop_->pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(crop_->width) + static_cast<size_t>(x)) * 3;
  return std::max({std::abs(p[0] - background_[0]), std::abs(p[1] - background_[1]), std::abs(p[2] - background_[2])});
}

int64_t WordGaps::Column(int64_t step) const {
  return static_cast<int64_t>((static_cast<double>(step) + 0.5) * columnsPerStep_);
}

int64_t WordGaps::BlankColumns(int64_t before, int64_t after) const {
  const int64_t first = std::max<int64_t>(Column(before) + 1, 0);
  const int64_t last = std::min<int64_t>(Column(after), static_cast<int64_t>(ink_.size()));
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


bool WordGaps::MarkColumns(int64_t before, int64_t at, int64_t after, int32_t top, int32_t bottom, int level,
                           int64_t& left, int64_t& right) const {
  // Where the line begins or ends, the crop's edge bounds the mark.
  const int64_t first = before < 0 ? -1 : std::max<int64_t>(Column(before) + 1, 0);
  const int64_t last = after < 0 ? crop_->width + 1 : std::min<int64_t>(Column(after), crop_->width);
  const int64_t place = std::clamp<int64_t>(Column(at), 0, crop_->width - 1);
  if (place <= first || place >= last - 1 || top >= bottom) return false;
  const auto inked = [&](int64_t x) {
    if (x < 0 || x >= crop_->width) return false;
    for (int32_t y = top; y < bottom; ++y) {
      if (Deviation(static_cast<int32_t>(x), y) > level) return true;
    }
    return false;
  };
  // The run nearest the mark's place, looking outwards from it.
  int64_t seed = -1;
  for (int64_t d = 0; seed < 0 && (place - d > first || place + d < last - 1); ++d) {
    if (place - d > first && inked(place - d)) {
      seed = place - d;
    } else if (place + d < last - 1 && inked(place + d)) {
      seed = place + d;
    }
  }
  if (seed < 0) return false;
  left = seed;
  right = seed;
  while (left > first && inked(left - 1)) --left;
  while (right < last - 1 && inked(right + 1)) ++right;
  return left > first && right < last - 1;  // else it runs into a neighbour: no mark of its own
}

bool WordGaps::Point(int64_t before, int64_t at, int64_t after) const {
  if (crop_ == nullptr) return false;
  // The faint edge pixels of anti-aliased text count here: a comma's tail is a thin slanted stroke.
  const int faint = std::max(kNoise, threshold_ / 2);
  // The mark's own columns: a run of inked columns about its place, with blank columns between it and
  // the characters on either side, in the rows from the middle of the line down to where a comma's tail
  // ends (the room below holds a neighbour's ink).
  const double middle = static_cast<double>(crop_->height) / 2.0;
  const int32_t top = static_cast<int32_t>(std::floor(middle));
  const int32_t bottom = std::min(static_cast<int32_t>(std::ceil(middle + kTailBelow * lineHeight_)), crop_->height);
  int64_t left = 0;
  int64_t right = 0;
  if (!MarkColumns(before, at, after, top, bottom, faint, left, right)) return false;

  // Its rows: from the first inked one down through every inked row after it, to the crop's foot if
  // need be, so that a large comma's whole tail counts.
  const auto rowInked = [&](int32_t y) {
    for (int64_t x = left; x <= right; ++x) {
      if (Deviation(static_cast<int32_t>(x), y) > faint) return true;
    }
    return false;
  };
  int32_t highest = top;
  while (highest < bottom && !rowInked(highest)) ++highest;
  if (highest >= bottom) return false;
  int32_t lowest = highest;
  while (lowest + 1 < crop_->height && rowInked(lowest + 1)) ++lowest;
  const int32_t height = lowest - highest + 1;
  // Its width counts only the columns of its core: the resampled crop blurs a blot's edges.
  int64_t width = 0;
  for (int64_t x = left; x <= right; ++x) {
    for (int32_t y = highest; y <= lowest; ++y) {
      if (Deviation(static_cast<int32_t>(x), y) > threshold_) {
        ++width;
        break;
      }
    }
  }
  const double size = kPointSize * lineHeight_;
  if (width < kLeastPointWidth || static_cast<double>(width) > size || static_cast<double>(height) > size) {
    return false;
  }
  // A mark that reaches up to the middle is a character's stroke, where the step's place was off.
  if (highest <= top) return false;

  // The baseline is where the ink of the characters beside it ends; a comma reaches well below it.
  const auto lowestInk = [&](int64_t from, int64_t to) {
    for (int32_t y = bottom - 1; y >= top; --y) {
      for (int64_t x = std::max<int64_t>(from, 0); x <= std::min<int64_t>(to, crop_->width - 1); ++x) {
        if (Deviation(static_cast<int32_t>(x), y) > faint) return y;
      }
    }
    return -1;
  };
  const int32_t beforeEnds = lowestInk(Column(before) - 1, left - 1);
  const int32_t afterEnds = lowestInk(right + 1, Column(after) + 1);
  if (beforeEnds < 0 && afterEnds < 0) return false;
  // A letter with a descender beside it ends lower than the baseline: the higher end counts.
  const int32_t baseline = beforeEnds < 0 ? afterEnds : afterEnds < 0 ? beforeEnds : std::min(beforeEnds, afterEnds);
  const int32_t below = lowest - baseline;
  const int32_t deepest = std::max(1, static_cast<int32_t>(std::lround(kPointBelow * lineHeight_)));
  if (below > deepest || 3 * below > height) return false;
  // A point is about as high as it is wide; a comma's stroke, thin and upright at small sizes, is not.
  if (height > width + 1) return false;

  // The ink of a row, and the middle of it.
  const auto weight = [&](int32_t y) {
    double sum = 0.0;
    for (int64_t x = left; x <= right; ++x) {
      const int d = Deviation(static_cast<int32_t>(x), y);
      if (d > faint) sum += d;
    }
    return sum;
  };
  const auto centre = [&](int32_t y) {
    double sum = 0.0;
    for (int64_t x = left; x <= right; ++x) {
      const int d = Deviation(static_cast<int32_t>(x), y);
      if (d > faint) sum += static_cast<double>(x) * d;
    }
    return sum / weight(y);
  };
  // A bitmap font's point is a small cross or diamond: a single pixel on top of its wide middle. A
  // comma's head is its widest row, and its tail runs down to the left.
  double heaviest = 0.0;
  for (int32_t y = highest; y <= lowest; ++y) heaviest = std::max(heaviest, weight(y));
  if (weight(highest) > kPointTopShare * heaviest) return false;
  return centre(highest) - centre(lowest) < kLeastDrift;
}

bool WordGaps::Colon(int64_t before, int64_t at, int64_t after) const {
  if (crop_ == nullptr) return false;
  // The line itself, clear of the neighbours' ink in the room above and below.
  const double middle = static_cast<double>(crop_->height) / 2.0;
  const int32_t top = std::max(static_cast<int32_t>(std::floor(middle - kLineReach * lineHeight_)), 0);
  const int32_t bottom = std::min(static_cast<int32_t>(std::ceil(middle + kLineReach * lineHeight_)), crop_->height);
  int64_t left = 0;
  int64_t right = 0;
  if (!MarkColumns(before, at, after, top, bottom, threshold_, left, right)) return false;
  const double dot = kDotSize * lineHeight_;
  const int64_t width = right - left + 1;
  if (static_cast<double>(width) > dot) return false;

  // Its dots: the runs of inked rows in its columns.
  std::vector<std::pair<int32_t, int32_t>> dots;  // first and last row
  for (int32_t y = top; y < bottom; ++y) {
    bool inked = false;
    for (int64_t x = left; x <= right && !inked; ++x) inked = Deviation(static_cast<int32_t>(x), y) > threshold_;
    if (!inked) continue;
    if (!dots.empty() && dots.back().second == y - 1) {
      dots.back().second = y;
    } else {
      dots.emplace_back(y, y);
    }
  }
  if (dots.size() != 2) return false;
  for (const auto& [first, last] : dots) {
    const int32_t height = last - first + 1;
    // A dot, not a stroke ("i", "!") nor a bar ("=").
    if (static_cast<double>(height) > dot || 3 * height < width) return false;
  }
  // One above the middle of the line, one below it.
  return static_cast<double>(dots[0].second) < middle && static_cast<double>(dots[1].second) >= middle;
}

}  // namespace vesk
