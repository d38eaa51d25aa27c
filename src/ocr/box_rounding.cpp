#include "ocr/box_rounding.h"

#include <cmath>

namespace vesk {

std::array<int32_t, 8> RoundBoxCorners(const DetBox& box) {
  std::array<int32_t, 8> corners{};
  for (size_t i = 0; i < box.points.size(); ++i) {
    corners[2 * i] = static_cast<int32_t>(std::lroundf(box.points[i].x));
    corners[2 * i + 1] = static_cast<int32_t>(std::lroundf(box.points[i].y));
  }
  return corners;
}

}  // namespace vesk
