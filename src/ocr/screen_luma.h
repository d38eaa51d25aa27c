#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/decoded_image.h"

namespace vesk {

// How far a letter's pixel stands out from the background's luma: anti-aliased fringes and a faint
// texture stay below it.
constexpr int kInkContrast = 64;

// The brightness of a screenshot pixel (0 … 255, green weighing most), its coordinates clamped into the
// picture: what the box stages compare to tell letters from the background.
inline int Luma(const DecodedImage& image, int32_t x, int32_t y) {
  const int32_t col = std::clamp(x, 0, image.width - 1);
  const int32_t row = std::clamp(y, 0, image.height - 1);
  const uint8_t* p = image.pixels.data() + (static_cast<size_t>(row) * image.width + col) * 3;
  return (2 * p[0] + 5 * p[1] + p[2]) / 8;
}

using Colour = std::array<int, 3>;

// The colour of a screenshot pixel, its coordinates clamped into the picture.
inline Colour PixelColour(const DecodedImage& image, int32_t x, int32_t y) {
  const int32_t col = std::clamp(x, 0, image.width - 1);
  const int32_t row = std::clamp(y, 0, image.height - 1);
  const uint8_t* p = image.pixels.data() + (static_cast<size_t>(row) * image.width + col) * 3;
  return {p[0], p[1], p[2]};
}

// The largest difference in one channel: dark red or blue text on black (a terminal's colours) has
// little luma, but its own channel stands out.
inline int ColourDistance(const Colour& a, const Colour& b) {
  return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

// The colour of the luma most pixels from x0 to x1 on the rows from y0 to y1 have (all inside the
// picture): the background, even where letters fill half of it.
inline Colour BackgroundColour(const DecodedImage& image, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  std::array<uint32_t, 256> counts{};
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) ++counts[static_cast<size_t>(Luma(image, x, y))];
  }
  const int mode = static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      if (Luma(image, x, y) == mode) return PixelColour(image, x, y);
    }
  }
  return {mode, mode, mode};
}

}  // namespace vesk
