#pragma once
// The measures of a detected box that the reading orders compare. The centre sums its corners in a fixed
// order so that every ordering sees the same float values.

#include <algorithm>

#include "ocr/det_box.h"

namespace vesk {

inline float CentreX(const DetBox& b) {
  return (((b.points[0].x + b.points[1].x) + b.points[2].x) + b.points[3].x) * 0.25f;
}

inline float CentreY(const DetBox& b) {
  return (((b.points[0].y + b.points[1].y) + b.points[2].y) + b.points[3].y) * 0.25f;
}

inline float Left(const DetBox& b) { return std::min({b.points[0].x, b.points[1].x, b.points[2].x, b.points[3].x}); }
inline float Right(const DetBox& b) { return std::max({b.points[0].x, b.points[1].x, b.points[2].x, b.points[3].x}); }
inline float Top(const DetBox& b) { return std::min({b.points[0].y, b.points[1].y, b.points[2].y, b.points[3].y}); }
inline float Bottom(const DetBox& b) { return std::max({b.points[0].y, b.points[1].y, b.points[2].y, b.points[3].y}); }
inline float Height(const DetBox& b) { return Bottom(b) - Top(b); }

}  // namespace vesk
