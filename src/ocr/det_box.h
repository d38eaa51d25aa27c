#pragma once

#include <array>

#include "ocr/point2f.h"

namespace vesk {

// One detected text box in screenshot pixels.
struct DetBox {
  std::array<Point2f, 4> points{};  // top-left, top-right, bottom-right, bottom-left
  float score = 0.0f;               // mean detection probability over the region's boundary
};

}  // namespace vesk
