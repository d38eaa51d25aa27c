#pragma once
// Turning the binary text mask of detection into rotated text boxes, in the scaled detection grid.

#include <array>
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

}  // namespace vesk
