#include "ocr/aliased_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>
#include <vector>

#include "ocr/box_measures.h"
#include "ocr/cell_grid.h"
#include "ocr/line_crop.h"

namespace vesk {

namespace {

// How far a channel may stray from a colour and still be that colour (lossless screenshots repeat a
// colour exactly; a little room for dithered or once-compressed ones).
constexpr int kNoise = 24;
// At most this share of the ink may lie between background and the ink's own colours: anti-aliased
// text has a rim of such pixels around every stroke (a third of its ink and more), aliased text none.
constexpr int32_t kMostBetweenPerCent = 8;
// Too little ink says nothing about how it was drawn.
constexpr int32_t kLeastInk = 12;
// Blank rows that part a line's own ink from its neighbours'.
constexpr int32_t kPartingRows = 2;
// How far from the box's middle the line's ink is looked for, in box heights.
constexpr float kMiddleReach = 0.25f;
// Boxes lower than this are pieces of a line or marks, not lines of their own.
constexpr float kLeastOwnRowsHeight = 8.0f;
// The share of the own rows at their top and bottom that is left out when the font is told: underscores
// and the tops of capitals and ascenders reach a monospace cell's edge.
constexpr float kFontBandInset = 0.2f;
// Pieces of a neighbouring line's ink in a cut: those that reach no more than a pixel into the box, those
// the cut's edge cuts through that end within a quarter of the box's height, and no piece wider than the
// box is high. The line's own full stops and commas stand in its box: without descenders in the line,
// within a tenth of its height of the bottom.
constexpr float kNeighbourBeyond = 1.0f;
constexpr float kNeighbourCutReach = 0.25f;
constexpr float kNeighbourWidest = 1.0f;
// The most pixels of a dot: an i's in a small bitmap font is one to four.
constexpr size_t kDotPixels = 4;

using Rgb = std::array<int, 3>;

const uint8_t* PixelAt(const DecodedImage& image, int32_t x, int32_t y) {
  return image.pixels.data() +
         (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 3;
}

int Deviation(const uint8_t* p, const Rgb& colour) {
  return std::max({std::abs(p[0] - colour[0]), std::abs(p[1] - colour[1]), std::abs(p[2] - colour[2])});
}

// The most common value of each channel among the pixels `take` accepts: the background of a line,
// whose text covers far less than the ground it stands on, or the main colour of its ink.
template <typename Take>
Rgb CommonColour(const DecodedImage& image, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Take take) {
  std::array<std::array<int32_t, 256>, 3> counts{};
  for (int32_t y = y0; y < y1; ++y) {
    for (int32_t x = x0; x < x1; ++x) {
      const uint8_t* p = PixelAt(image, x, y);
      if (!take(p)) continue;
      for (size_t c = 0; c < 3; ++c) ++counts[c][p[c]];
    }
  }
  Rgb colour{};
  for (size_t c = 0; c < 3; ++c) {
    colour[c] = static_cast<int>(std::max_element(counts[c].begin(), counts[c].end()) - counts[c].begin());
  }
  return colour;
}

// Whether the rectangle holds aliased ink: nearly every pixel that is not background is of a flat ink
// colour. Pixels between background and ink are the rim of anti-aliased strokes; other flat colours
// (an icon, a second text colour) are neither and do not count against it.
bool IsAliased(const DecodedImage& image, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const Rgb background = CommonColour(image, x0, y0, x1, y1, [](const uint8_t*) { return true; });
  const auto isInk = [&](const uint8_t* p) { return Deviation(p, background) > kNoise; };
  const Rgb ink = CommonColour(image, x0, y0, x1, y1, isInk);
  const int span = std::max({std::abs(ink[0] - background[0]), std::abs(ink[1] - background[1]),
                             std::abs(ink[2] - background[2])});
  if (span <= 2 * kNoise) return false;
  int32_t inkCount = 0;
  int32_t between = 0;
  for (int32_t y = y0; y < y1; ++y) {
    for (int32_t x = x0; x < x1; ++x) {
      const uint8_t* p = PixelAt(image, x, y);
      if (!isInk(p)) continue;
      ++inkCount;
      if (Deviation(p, ink) <= kNoise) continue;
      // Between: on the way from background to ink in every channel, within the noise.
      bool onTheWay = true;
      for (size_t c = 0; c < 3 && onTheWay; ++c) {
        const int lo = std::min(background[c], ink[c]) - kNoise;
        const int hi = std::max(background[c], ink[c]) + kNoise;
        onTheWay = p[c] >= lo && p[c] <= hi;
      }
      // ... and beside a pixel of the ink's colour, as the rim of a stroke is: a flat grey frame
      // or rule beside the text is not.
      bool besideInk = false;
      const int32_t nx[4] = {x - 1, x + 1, x, x};
      const int32_t ny[4] = {y, y, y - 1, y + 1};
      for (size_t k = 0; k < 4 && onTheWay && !besideInk; ++k) {
        if (nx[k] < x0 || nx[k] >= x1 || ny[k] < y0 || ny[k] >= y1) continue;
        besideInk = Deviation(PixelAt(image, nx[k], ny[k]), ink) <= kNoise;
      }
      if (onTheWay && besideInk) ++between;
    }
  }
  return inkCount >= kLeastInk && between * 100 <= inkCount * kMostBetweenPerCent;
}

// The picture's background and the contrast of its ink within columns [left, right): how far its pixels
// stand from the background at most.
struct InkLevel {
  Rgb background{};
  int contrast = 0;
};

InkLevel LevelOf(const DecodedImage& picture, int32_t left, int32_t right) {
  InkLevel level;
  level.background = CommonColour(picture, 0, 0, picture.width, picture.height, [](const uint8_t*) { return true; });
  for (int32_t y = 0; y < picture.height; ++y) {
    for (int32_t x = left; x < right; ++x) {
      level.contrast = std::max(level.contrast, Deviation(PixelAt(picture, x, y), level.background));
    }
  }
  return level;
}

}  // namespace

bool CutAliasedRegion(const DecodedImage& image, const DetBox& box, float marginY, float marginX, int32_t maxHeight,
                      PixelRegion& region) {
  if (maxHeight <= 0 || image.width < 1 || image.height < 1 ||
      image.pixels.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
    return false;
  }
  const auto& p = box.points;
  // Upright: the top and bottom sides level and the ends plumb, within a pixel.
  if (!(std::abs(p[0].y - p[1].y) <= 1.0f && std::abs(p[3].y - p[2].y) <= 1.0f &&
        std::abs(p[0].x - p[3].x) <= 1.0f && std::abs(p[1].x - p[2].x) <= 1.0f)) {
    return false;
  }
  const float boxHeight = std::max(p[3].y - p[0].y, p[2].y - p[1].y);
  if (!(boxHeight > 0.0f) || boxHeight > static_cast<float>(maxHeight)) return false;

  // The crop's bilinear taps reach one pixel past its corners.
  constexpr float kFrame = 2.0f;
  const DetBox grown = ExpandBox(box, marginY, marginX);
  float left = grown.points[0].x;
  float right = left;
  float top = grown.points[0].y;
  float bottom = top;
  for (const Point2f& corner : grown.points) {
    left = std::min(left, corner.x);
    right = std::max(right, corner.x);
    top = std::min(top, corner.y);
    bottom = std::max(bottom, corner.y);
  }
  const auto clampTo = [](float v, int32_t size) {
    return static_cast<int32_t>(std::clamp(v, 0.0f, static_cast<float>(size)));
  };
  const int32_t x0 = clampTo(std::floor(left - kFrame), image.width);
  const int32_t x1 = clampTo(std::ceil(right + kFrame), image.width);
  const int32_t y0 = clampTo(std::floor(top - kFrame), image.height);
  const int32_t y1 = clampTo(std::ceil(bottom + kFrame), image.height);
  if (x1 - x0 < 4 || y1 - y0 < 4 || !IsAliased(image, x0, y0, x1, y1)) return false;

  region.left = x0;
  region.top = y0;
  DecodedImage& picture = region.picture;
  picture.width = x1 - x0;
  picture.height = y1 - y0;
  picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3);
  const size_t rowBytes = static_cast<size_t>(picture.width) * 3;
  for (int32_t y = y0; y < y1; ++y) {
    const uint8_t* from = PixelAt(image, x0, y);
    std::copy(from, from + rowBytes, picture.pixels.data() + static_cast<size_t>(y - y0) * rowBytes);
  }
  return true;
}

int32_t RemoveAccessKeyUnderlines(DecodedImage& picture, float lineTop, float lineHeight) {
  if (picture.width < 1 || picture.height < 4 || !(lineHeight >= 4.0f) ||
      picture.pixels.size() < static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3) {
    return 0;
  }
  const InkLevel level = LevelOf(picture, 0, picture.width);
  const Rgb& background = level.background;
  const int contrast = level.contrast;
  if (contrast <= 2 * kNoise) return 0;
  const int threshold = contrast / 2;
  const auto ink = [&](int32_t x, int32_t y) {
    return x >= 0 && x < picture.width && y >= 0 && y < picture.height &&
           Deviation(PixelAt(picture, x, y), background) > threshold;
  };
  const double height = lineHeight;
  // Below the middle of the line by a fifth of its height: under the letters, not a hyphen.
  const int32_t firstRow = std::max(static_cast<int32_t>(std::ceil(lineTop + 0.7 * height)), 3);
  // Nor below the line's box and its room: the next line's top may reach into the picture.
  const int32_t lastRow = std::min(static_cast<int32_t>(std::ceil(lineTop + 1.3 * height)), picture.height);
  const int32_t widest = static_cast<int32_t>(height);
  // The letter above must be this tall: a lone bar (of "=") is not.
  const int32_t letterRows = static_cast<int32_t>(std::ceil(0.4 * height));
  // How far up the letter is looked for: not as far as the line above, whose own underscores and
  // underlines may reach into the picture.
  const int32_t letterReach = static_cast<int32_t>(std::ceil(0.6 * height));
  int32_t removed = 0;
  for (int32_t y = firstRow; y < lastRow; ++y) {
    for (int32_t x = 0; x < picture.width;) {
      if (!ink(x, y)) {
        ++x;
        continue;
      }
      const int32_t start = x;
      while (x < picture.width && ink(x, y)) ++x;
      const int32_t length = x - start;
      if (length < 2 || length > widest) continue;
      bool alone = true;
      for (int32_t c = start - 1; c <= x && alone; ++c) alone = !ink(c, y - 1) && !ink(c, y + 1);
      if (!alone) continue;
      // The letter: its foot one or two blank rows up, and ink in most of the run's columns.
      bool foot = false;
      int32_t coveredColumns = 0;
      int32_t topInk = y;
      for (int32_t c = start; c < x; ++c) {
        foot = foot || ink(c, y - 2) || ink(c, y - 3);
        bool covered = false;
        for (int32_t r = y - 2; r >= 0 && r >= y - 2 - letterReach; --r) {
          if (!ink(c, r)) continue;
          covered = true;
          topInk = std::min(topInk, r);
        }
        coveredColumns += covered ? 1 : 0;
      }
      if (!foot || coveredColumns * 2 < length || y - 1 - topInk < letterRows) continue;
      for (int32_t c = start; c < x; ++c) {
        uint8_t* p = picture.pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(picture.width) +
                                             static_cast<size_t>(c)) * 3;
        for (size_t k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(background[k]);
      }
      ++removed;
    }
  }
  return removed;
}

bool FindOwnRows(const DecodedImage& picture, int32_t left, int32_t right, float lineTop, float lineHeight,
                 RowSpan& rows) {
  if (picture.width < 1 || picture.height < 1 || !(lineHeight > 0.0f) ||
      picture.pixels.size() < static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3) {
    return false;
  }
  left = std::clamp(left, 0, picture.width);
  right = std::clamp(right, left, picture.width);
  const InkLevel level = LevelOf(picture, left, right);
  if (level.contrast <= 2 * kNoise) return false;
  const int threshold = level.contrast / 2;
  const auto isInk = [&](int32_t x, int32_t y) {
    return Deviation(PixelAt(picture, x, y), level.background) > threshold;
  };
  std::vector<int32_t> inkPerRow(static_cast<size_t>(picture.height), 0);
  for (int32_t x = left; x < right; ++x) {
    int32_t run = 0;
    int32_t longest = 0;
    for (int32_t y = 0; y < picture.height; ++y) {
      run = isInk(x, y) ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    if (static_cast<float>(longest) > lineHeight) continue;
    for (int32_t y = 0; y < picture.height; ++y) inkPerRow[static_cast<size_t>(y)] += isInk(x, y) ? 1 : 0;
  }
  const auto inked = [&](int32_t y) { return y >= 0 && y < picture.height && inkPerRow[static_cast<size_t>(y)] > 0; };

  // The nearest row of ink to the middle, above it first.
  const int32_t middle = static_cast<int32_t>(std::floor(lineTop + 0.5f * lineHeight));
  const int32_t reach = static_cast<int32_t>(std::ceil(kMiddleReach * lineHeight));
  int32_t start = -1;
  for (int32_t d = 0; d <= reach && start < 0; ++d) {
    if (inked(middle - d)) {
      start = middle - d;
    } else if (inked(middle + d)) {
      start = middle + d;
    }
  }
  if (start < 0) return false;
  // Out from there to the parting blank rows on either side.
  const auto edge = [&](int32_t step, int32_t& last) {
    int32_t blank = 0;
    for (int32_t y = start + step; y >= 0 && y < picture.height; y += step) {
      if (inked(y)) {
        blank = 0;
        last = y;
      } else if (++blank == kPartingRows) {
        return true;
      }
    }
    return false;
  };
  int32_t top = start;
  int32_t bottom = start;
  if (!edge(-1, top) || !edge(1, bottom)) return false;
  rows.top = top;
  rows.bottom = bottom + 1;
  return true;
}

int32_t ClearNeighbourInk(DecodedImage& picture, const DetBox& box, const DetBox& cut) {
  const float top = Top(box);
  const float height = Height(box);
  const float bottom = top + height;
  const int32_t x0 = std::clamp(static_cast<int32_t>(std::floor(Left(cut))), 0, picture.width);
  const int32_t x1 = std::clamp(static_cast<int32_t>(std::ceil(Right(cut))), x0, picture.width);
  const int32_t y0 = std::clamp(static_cast<int32_t>(std::floor(Top(cut))), 0, picture.height);
  const int32_t y1 = std::clamp(static_cast<int32_t>(std::ceil(Bottom(cut))), y0, picture.height);
  if (x1 - x0 < 2 || y1 - y0 < 4 || !(height > 0.0f)) return 0;
  const InkLevel level = LevelOf(picture, x0, x1);
  if (level.contrast <= 2 * kNoise) return 0;
  const auto isInk = [&](int32_t x, int32_t y) {
    return Deviation(PixelAt(picture, x, y), level.background) > level.contrast / 2;
  };
  const int32_t width = x1 - x0;
  std::vector<bool> seen(static_cast<size_t>(width) * static_cast<size_t>(y1 - y0), false);
  const auto visit = [&](int32_t x, int32_t y) {
    const size_t at = static_cast<size_t>(y - y0) * static_cast<size_t>(width) + static_cast<size_t>(x - x0);
    const bool fresh = !seen[at] && isInk(x, y);
    seen[at] = seen[at] || fresh;
    return fresh;
  };
  int32_t cleared = 0;
  std::vector<std::pair<int32_t, int32_t>> piece, open;
  for (int32_t sy = y0; sy < y1; ++sy) {
    for (int32_t sx = x0; sx < x1; ++sx) {
      if (!visit(sx, sy)) continue;
      piece.clear();
      open.assign(1, {sx, sy});
      int32_t pieceTop = sy, pieceBottom = sy, pieceLeft = sx, pieceRight = sx;
      while (!open.empty()) {
        const auto [x, y] = open.back();
        open.pop_back();
        piece.emplace_back(x, y);
        pieceTop = std::min(pieceTop, y);
        pieceBottom = std::max(pieceBottom, y);
        pieceLeft = std::min(pieceLeft, x);
        pieceRight = std::max(pieceRight, x);
        for (int32_t ny = std::max(y - 1, y0); ny <= std::min(y + 1, y1 - 1); ++ny) {
          for (int32_t nx = std::max(x - 1, x0); nx <= std::min(x + 1, x1 - 1); ++nx) {
            if (visit(nx, ny)) open.emplace_back(nx, ny);
          }
        }
      }
      const float first = static_cast<float>(pieceTop), last = static_cast<float>(pieceBottom);
      const bool beyond = last < top + kNeighbourBeyond || first > bottom - kNeighbourBeyond;
      const bool cutAbove = pieceTop == y0 && last < top + kNeighbourCutReach * height;
      const bool cutBelow = pieceBottom == y1 - 1 && first > bottom - kNeighbourCutReach * height;
      const bool narrow = static_cast<float>(pieceRight - pieceLeft + 1) <= kNeighbourWidest * height;
      if (!narrow || !(beyond || cutAbove || cutBelow)) continue;
      // An i's or j's dot is the line's own: it stands one blank row from its stem, or two in some
      // terminal fonts, where a neighbouring line's pieces stand two at least (see FindOwnRows) and are
      // larger than a dot.
      const bool above = first + last < top + bottom;
      const int32_t dotReach = above && piece.size() <= kDotPixels ? kPartingRows + 1 : kPartingRows;
      bool parted = true;
      for (int32_t k = 1; k <= dotReach && parted; ++k) {
        const int32_t y = above ? pieceBottom + k : pieceTop - k;
        if (y < y0 || y >= y1) break;
        for (int32_t x = std::max(pieceLeft - 1, x0); x <= std::min(pieceRight + 1, x1 - 1) && parted; ++x) {
          parted = !isInk(x, y);
        }
      }
      if (!parted) continue;
      for (const auto& [x, y] : piece) {
        uint8_t* q = picture.pixels.data() +
                     (static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x)) * 3;
        for (size_t c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(level.background[c]);
      }
      ++cleared;
    }
  }
  return cleared;
}

bool FitToOwnRows(const DecodedImage& picture, const DetBox& box, float room, DetBox& cut) {
  const auto& p = box.points;
  const float left = std::min(p[0].x, p[3].x);
  const float right = std::max(p[1].x, p[2].x);
  const float top = std::min(p[0].y, p[1].y);
  const float height = std::max(p[3].y - p[0].y, p[2].y - p[1].y);
  if (!(height >= kLeastOwnRowsHeight)) return false;
  const int32_t x0 = static_cast<int32_t>(std::floor(left));
  const int32_t x1 = static_cast<int32_t>(std::ceil(right));
  RowSpan own;
  if (!FindOwnRows(picture, x0, x1, top, height, own)) return false;

  // The font is told in the middle of the own rows, by the columns that hold ink there.
  const float ownHeight = static_cast<float>(own.bottom - own.top);
  const float inset = kFontBandInset * ownHeight;
  const int32_t bandTop = static_cast<int32_t>(std::lround(static_cast<float>(own.top) + inset));
  const int32_t bandBottom =
      std::max(static_cast<int32_t>(std::lround(static_cast<float>(own.bottom) - inset)), bandTop + 1);
  const int32_t from = std::clamp(x0, 0, picture.width);
  const int32_t to = std::clamp(x1, from, picture.width);
  const InkLevel level = LevelOf(picture, from, to);
  std::vector<bool> inked(static_cast<size_t>(to - from), false);
  for (int32_t y = std::max(bandTop, 0); y < std::min(bandBottom, picture.height); ++y) {
    for (int32_t x = from; x < to; ++x) {
      if (Deviation(PixelAt(picture, x, y), level.background) > level.contrast / 2) {
        inked[static_cast<size_t>(x - from)] = true;
      }
    }
  }
  // A monospace cell is about half the font's height, which a box of a line without ascenders or
  // descenders understates and one of a piece of a line may too.
  if (!ProportionalRow(inked, std::max(height, ownHeight))) return false;

  const float margin = room * height;
  cut.points[0].y = cut.points[1].y = static_cast<float>(own.top) - margin;
  cut.points[2].y = cut.points[3].y = static_cast<float>(own.bottom) + margin;
  return true;
}

}  // namespace vesk
