#include "imaging/barcode_symbols.h"

#include <algorithm>
#include <cstdint>

namespace vesk {
namespace {

// Which side of the edge from a to b the point (x, y) lies on, in coordinates scaled by 4 so that the
// centre of four corners stays an integer.
int64_t Side(const IntPoint& a, const IntPoint& b, int64_t x, int64_t y) {
  const int64_t edgeX = int64_t{b.x} - a.x;
  const int64_t edgeY = int64_t{b.y} - a.y;
  return edgeX * (y - 4 * int64_t{a.y}) - edgeY * (x - 4 * int64_t{a.x});
}

// Inside a convex quadrilateral, whichever way round its corners run: on the same side of every edge.
bool Contains(const Quad& box, int64_t x, int64_t y) {
  bool left = false;
  bool right = false;
  for (size_t i = 0; i < box.size(); ++i) {
    const int64_t side = Side(box[i], box[(i + 1) % box.size()], x, y);
    left = left || side > 0;
    right = right || side < 0;
  }
  return !(left && right);
}

}  // namespace

bool IsSameSymbol(const BarcodeResult& a, const BarcodeResult& b) {
  if (a.format != b.format || a.text != b.text) return false;
  int64_t x = 0;
  int64_t y = 0;
  for (const IntPoint& corner : b.box) {
    x += corner.x;
    y += corner.y;
  }
  return Contains(a.box, x, y);
}

void SortSymbols(std::vector<BarcodeResult>& results) {
  std::sort(results.begin(), results.end(), [](const BarcodeResult& a, const BarcodeResult& b) {
    if (a.box[0].y != b.box[0].y) return a.box[0].y < b.box[0].y;
    return a.box[0].x < b.box[0].x;
  });
}

}  // namespace vesk
