#pragma once
// Boxes built by hand for the reading-order tests; each carries its name in its score.

#include <vector>

#include "ocr/det_box.h"

namespace vesk::test {

using IdList = std::vector<float>;

// An axis-aligned box named id.
inline DetBox Box(float x0, float y0, float x1, float y1, float id) {
  DetBox b;
  b.points = {Point2f{x0, y0}, Point2f{x1, y0}, Point2f{x1, y1}, Point2f{x0, y1}};
  b.score = id;
  return b;
}

// The names of the boxes, in their order.
inline IdList Ids(const std::vector<DetBox>& boxes) {
  IdList ids;
  for (const DetBox& b : boxes) ids.push_back(b.score);
  return ids;
}

}  // namespace vesk::test
