#pragma once
// The measures of a detected box that the reading orders compare. The centre sums its corners in a fixed
// order so that every ordering sees the same float values.

#include <algorithm>
#include <cmath>

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

// Whether the box is, up to rounding, the rectangle around it: each corner lies within 1.5 pixels (or a
// twentieth of the rectangle's longer side) of one of the rectangle's corners, whichever way the
// detector numbered them.
inline bool IsUpright(const DetBox& b) {
  const float left = Left(b), right = Right(b), top = Top(b), bottom = Bottom(b);
  const float slack = std::max(1.5f, 0.05f * std::max(right - left, bottom - top));
  for (const Point2f& p : b.points) {
    const float dx = std::min(std::fabs(p.x - left), std::fabs(p.x - right));
    const float dy = std::min(std::fabs(p.y - top), std::fabs(p.y - bottom));
    if (dx > slack || dy > slack) return false;
  }
  return right > left && bottom > top;
}

}  // namespace vesk
