#pragma once
// Turning the binary text mask of detection into rotated text boxes, in the scaled detection grid.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ocr/point2f.h"

namespace vesk {

// One 4-connected region of the mask, reduced to its boundary pixels.
struct TextRegion {
  // Pixel centres (integer-valued) in breadth-first order from the region's top-most, left-most pixel.
  std::vector<Point2f> boundary;
};

// Splits a width x height mask (255 = text, anything else = background) into 4-connected regions, in
// raster order of their first pixel. A pixel is on the boundary when it lies on the grid's edge or
// has a background neighbour.
std::vector<TextRegion> ExtractRegions(const uint8_t* mask, int32_t width, int32_t height);

// The minimum-area rectangle over whole-degree angles 0..89, enlarged on every side by
// area * ratio / perimeter. Corners come top-left, top-right, bottom-right, bottom-left; nothing for
// fewer than three points or a (near) zero-area rectangle.
std::optional<std::array<Point2f, 4>> FitBox(const std::vector<Point2f>& points, float ratio);

// FitBox one point at a time: the bounds of every angle are kept instead of the points, so that a
// region of any size costs a fixed amount of memory. Fit(ratio) after adding a region's points gives
// what FitBox gives for them; with an upright slack, the upright rectangle wins when its area is at most
// 1 + uprightSlack times the least.
class RectangleSweep {
 public:
  RectangleSweep();
  void Add(const Point2f& p);
  size_t count() const { return count_; }
  std::optional<std::array<Point2f, 4>> Fit(float ratio, float uprightSlack = 0.0f) const;

 private:
  static constexpr int kAngles = 90;
  struct Bounds {
    float minU, maxU, minV, maxV;
  };
  std::array<Bounds, kAngles> bounds_;
  size_t count_ = 0;
};

}  // namespace vesk
