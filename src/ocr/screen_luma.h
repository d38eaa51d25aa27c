#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

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

}  // namespace vesk
