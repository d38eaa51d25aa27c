#include "ocr/box_rounding.h"

#include <cmath>

namespace vesk {

Quad RoundBoxCorners(const DetBox& box) {
  Quad corners{};
  for (size_t i = 0; i < box.points.size(); ++i) {
    corners[i] = {static_cast<int32_t>(std::lroundf(box.points[i].x)), static_cast<int32_t>(std::lroundf(box.points[i].y))};
  }
  return corners;
}

}  // namespace vesk
