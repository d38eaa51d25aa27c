#pragma once

#include <array>
#include <cstdint>

#include "ocr/det_box.h"

namespace vesk {

// The box's corners as x0, y0 ... x3, y3 in whole pixels, halves rounded away from zero.
std::array<int32_t, 8> RoundBoxCorners(const DetBox& box);

}  // namespace vesk
